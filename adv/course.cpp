#include "adv/course.h"

#include <string>

#include "adv/engine.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/gamepaths.h"

namespace adv {

Playback& playback() {
    static Playback current;
    return current;
}

bool skippedAsMissing(std::string_view kind, const std::string& path) {
    Playback& p = playback();
    if (!p.skipsMissingFiles) return false;
    if (isGameFile(path)) return false;
    if (!p.missingFile) p.missingFile = MissingFile{std::string(kind), path};
    return true;
}

void requestScript(std::string_view file) { course().pendingScript = file; }

void setDirectory(std::string_view dir) {
    scriptDirectory() = std::string(gamepaths::levelFolder) + std::string(dir) + "/";
}

}  // namespace adv
