-- The finale: the three friends let the lanterns go.
erase_character()
music("night.wav")
background("night.bmp", 1)
character("mira.png", 0)
character("tom.bmp", 1)
character("sol.bmp", 2)
say("Mira: Is everyone ready? One, two, three...")
say("Let go!")
page()

sound("firework.wav")
background("lanterns.bmp", 2)
flash("YELLOW", 3)
shake()
if get_flag(1) == 3 then
  say("Sol: Three lanterns, one for each of us!")
else
  say("Sol: Lovely. Next year we make three.")
end
say("%F1 of our lanterns drift up among the stars.")
page()

music_off(2000)
erase_background(1)
erase_character()
say("The End. Thank you for playing!")
page()
game_end()
