-- What every place picked on the map shares: after its page, the story
-- goes on to the finale. Each place loads this file with dofile, named
-- like a script from the script folder (chapter1, which start.lua chose).
function on_to_finale()
  page()
  load_script("finale.lua")
end
