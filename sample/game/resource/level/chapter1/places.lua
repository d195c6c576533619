-- What every place picked on the map shares: after its page, the story
-- goes on to the finale. Each place loads this file with dofile, by its
-- path from the game folder.
function on_to_finale()
  page()
  load_script("finale.lua")
end
