#include "adv/course.h"

#include <string>

#include "adv/engine.h"
#include "gamefiles/gamepaths.h"

namespace adv {

Playback& playback() {
    static Playback current;
    return current;
}

void requestScript(std::string_view file) { course().pendingScript = file; }

void setDirectory(std::string_view dir) {
    scriptDirectory() = std::string(gamepaths::levelFolder) + std::string(dir) + "/";
}

}  // namespace adv
