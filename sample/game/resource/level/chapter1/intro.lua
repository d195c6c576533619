-- The village map. A click on a place loads 01.lua (the lake),
-- 02.lua (the tower) or 03.lua (the market) from this folder.
background("map.bmp", 1)
say("Mira: Here is the village. Where shall we")
say("let the lanterns go?")
say("Click the lake, the tower or the market.")
page()
map("village.fmf")
pick_on_map()
