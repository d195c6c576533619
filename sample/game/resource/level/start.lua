-- Lanterns by the Lake: a short evening story, the sample game.
-- The commands are called by the names that game.ini gives them.

music("theme.ogg")
background("title.bmp", 1)          -- fades in from black
say("Lanterns by the Lake")
say("")
say("A short evening story. Click, or press")
say("Space, Return or Z to turn the page.")
page()

sound("chime.wav")
background("garden.bmp", 2)         -- grows in, tile by tile
character("mira.png", 0)            -- 0: left
say("Mira: There you are! The lantern festival")
say("starts at dusk, and we have nothing ready.")
page()

character("tom.bmp", 1)             -- 1: middle
say("Tom: I brought paper, string and a box")
say("of little candles.")
page()

character("sol.bmp", 2)             -- 2: right
say("Sol: And I know the perfect place to let")
say("them go. Well... I know three places.")
page()

say("Mira: How many lanterns shall we make?")
choose("Just one, small and bright", "Two, to keep each other company", "Three, one for each of us")
set_flag(1, choice() + 1)           -- choice() is 0, 1 or 2
log("Lanterns to make: " .. get_flag(1))
say("Tom: %F1 it is! Let's start folding.")
page()

erase_character(1)
say("Mira: Tom has already run off to find more")
say("paper. Come on, let's pick our spot!")
page()

erase_character()                   -- everyone leaves
erase_background(2)                 -- shrinks away, tile by tile
wait(1)
directory("chapter1")               -- the rest of the story lives there
load_script("intro.lua")
