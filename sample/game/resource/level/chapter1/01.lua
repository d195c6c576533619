-- The lake, picked on the map.
dofile("resource/level/chapter1/places.lua")  -- on_to_finale()
background("lake.bmp", 2)
character("sol.bmp", 2)
sound("splash.wav")
say("Sol: The lake! The water is so still tonight.")
say("Every lantern will shine twice here: once")
say("in the sky and once on the water.")
on_to_finale()
