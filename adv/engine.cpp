#include "adv/engine.h"

#include <cctype>
#include <string>

#include "gamefiles/gamefiles.h"

namespace adv {

namespace {

EngineState current;

constexpr std::string_view levelDirectory = "resource/level/";
constexpr int mapCellSize = 16;

bool validFlag(std::int32_t index) { return index >= 0 && index < flagCount; }

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The flag number a digit run names; any run worth more than the flag range
// gives -1, so a long run never wraps round to a valid flag.
std::int32_t flagNumber(std::string_view digits) {
    std::int32_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value >= flagCount) return -1;
    }
    return value;
}

} // namespace

EngineState& engine() { return current; }

void resetEngineState() {
    current = EngineState{};
    current.scriptDirectory = levelDirectory;
}

void requestScript(std::string_view file) { current.pendingScript = file; }

void waitPage() {
    current.state = WaitPage;
    current.messageCounter = 0;
}

void waitMapPick() { current.state = MapPick; }

void setDirectory(std::string_view dir) {
    current.scriptDirectory = std::string(levelDirectory) + std::string(dir) + "/";
}

void setFlag(std::int32_t index, std::int32_t value) {
    if (validFlag(index)) current.flags[static_cast<std::size_t>(index)] = value;
}

std::int32_t getFlag(std::int32_t index) {
    return validFlag(index) ? current.flags[static_cast<std::size_t>(index)] : 0;
}

void loadMap(std::string_view file) {
    const std::string path = current.scriptDirectory + std::string(file);
    if (!insideGameFolder(path)) throw Error("FMF file '" + path + "' cannot be read");
    current.map = std::make_unique<FMFLoader>(path);
}

std::int32_t mapValueAt(int x, int y) {
    if (!current.map || x < 0 || y < 0) return -1;
    const Layer2D* layer = current.map->getLayer(1);
    if (!layer) return -1;
    return layer->get(x / mapCellSize, y / mapCellSize);
}

// Replaces every "%F" or "%f" followed by a digit run with the value of the
// flag that the whole run names; "%F" without digits stays as it is.
void addMessage(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const bool reference = text[i] == '%' && i + 2 < text.size() &&
                               (text[i + 1] == 'F' || text[i + 1] == 'f') && isDigit(text[i + 2]);
        if (!reference) {
            line += text[i++];
            continue;
        }
        std::size_t end = i + 2;
        while (end < text.size() && isDigit(text[end])) ++end;
        line += std::to_string(getFlag(flagNumber(text.substr(i + 2, end - i - 2))));
        i = end;
    }
    current.messages.push_back(std::move(line));
}

void clearMessages() { current.messages.clear(); }

void setChoices(const std::vector<std::string>& items) {
    current.choices = items;
    current.state = Choosing;
    current.choiceCursor = 0;
}

} // namespace adv
