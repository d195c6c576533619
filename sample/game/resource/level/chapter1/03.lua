-- The market, picked on the map.
dofile("resource/level/chapter1/places.lua")  -- on_to_finale()
background("market.bmp", 1)
character("mira.png", 0)
sound("coins.wav")
say("Mira: The market smells of roasted chestnuts.")
say("Let's buy a bag and watch from here.")
on_to_finale()
