#include "adv/mappick.h"

#include "adv/engine.h"
#include "gamefiles/gamefiles.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr int mapCellSize = 16;
constexpr int firstMapScript = 1;
constexpr int lastMapScript = 16;

bool isMapScript(std::int32_t value) { return value >= firstMapScript && value <= lastMapScript; }

// "07.lua" for the cell value 7.
std::string mapScriptName(std::int32_t value) {
    std::string name = std::to_string(value);
    if (name.size() < 2) name.insert(0, "0");
    return name + ".lua";
}

}  // namespace

void loadMap(std::string_view file) {
    const std::string path = scriptDirectory() + std::string(file);
    if (skippedAsMissing("map", path)) return;
    if (!insideGameFolder(path)) throw Error("FMF file '" + path + "' cannot be read");
    mapPick().map = std::make_unique<FMFLoader>(path);
    mapPick().mapPath = path;
}

void restoreMap(const std::string& path) {
    mapPick() = MapPickState{};
    if (path.empty() || skippedAsMissing("map", path)) return;
    if (!insideGameFolder(path)) throw Error("FMF file '" + path + "' cannot be read");
    mapPick().map = std::make_unique<FMFLoader>(path);
    mapPick().mapPath = path;
}

std::int32_t mapValueAt(int x, int y) {
    const std::unique_ptr<FMFLoader>& map = mapPick().map;
    if (!map || x < 0 || y < 0) return -1;
    const Layer2D* layer = map->getLayer(1);
    if (!layer) return -1;
    return layer->get(x / mapCellSize, y / mapCellSize);
}

void waitMapPick() { course().state = RunnerState::MapPick; }

std::optional<std::string> pickedMapScript() {
    if (!Orba_isPushDecide()) return std::nullopt;
    const std::int32_t value = mapValueAt(Orba_getMouseX(), Orba_getMouseY());
    if (!isMapScript(value)) return std::nullopt;
    return mapScriptName(value);
}

bool pointerOverMapScript() { return isMapScript(mapValueAt(Orba_getMouseX(), Orba_getMouseY())); }

// Three red squares around the pointer, growing from half-size 8 to 25 six
// steps apart.
bool drawMapPickFeedback() {
    const int x = Orba_getMouseX();
    const int y = Orba_getMouseY();
    if (!isMapScript(mapValueAt(x, y))) return false;
    const std::uint32_t frame = course().frameCounter;
    for (int i = 0; i < 3; ++i) {
        const auto half = static_cast<int>((i * 6u + frame) % 18 + 8);
        Orba_drawRect(x, y, half, half, 255, 0, 0);
    }
    return frame % 16 < 8;
}

}  // namespace adv
