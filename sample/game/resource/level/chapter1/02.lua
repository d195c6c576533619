-- The old tower, picked on the map.
dofile("resource/level/chapter1/places.lua")  -- on_to_finale()
background("tower.bmp", 1)
character("tom.bmp", 1)
sound("bell.wav")
say("Tom: Up here! From the old tower you can")
say("see the whole valley. And I found more paper.")
on_to_finale()
