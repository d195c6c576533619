-- The market, picked on the map.
background("market.bmp", 1)
character("mira.png", 0)
sound("coins.wav")
say("Mira: The market smells of roasted chestnuts.")
say("Let's buy a bag and watch from here.")
page()
load_script("finale.lua")
