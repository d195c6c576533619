#include "adv/comforts/savefile.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "gamefiles/gamefiles.h"
#include "gamefiles/hash.h"
#include "orba/error.h"

namespace adv {
namespace {

constexpr std::int64_t saveVersion = 1;
constexpr const char* characterKeys[3] = {"left", "middle", "right"};
constexpr const char* waitNames[3] = {"page", "choice", "mappick"};
constexpr char hexDigits[] = "0123456789abcdef";

// --- writing ---

void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            out += "\\x";
            out += hexDigits[byte >> 4];
            out += hexDigits[byte & 15];
        } else {
            out += c;
        }
    }
}

void putText(std::string& out, std::string_view key, std::string_view text) {
    out += key;
    out += ' ';
    appendEscaped(out, text);
    out += '\n';
}

// At most maxSaveText bytes of a text, not ending within a UTF-8 character.
std::string_view cutText(std::string_view text) {
    if (text.size() <= maxSaveText) return text;
    std::size_t end = maxSaveText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) --end;
    return text.substr(0, end);
}

void putDecisions(std::string& out, const std::vector<std::int32_t>& decisions) {
    out += "decisions " + std::to_string(decisions.size());
    for (const std::int32_t d : decisions) out += ' ' + std::to_string(d);
    out += '\n';
}

std::string waitName(WaitKind wait) { return waitNames[static_cast<int>(wait)]; }

void putScene(std::string& out, const SceneStart& scene) {
    putText(out, "script", scene.script);
    out += "hash ";
    for (int shift = 60; shift >= 0; shift -= 4) out += hexDigits[(scene.scriptHash >> shift) & 15];
    out += '\n';
    putText(out, "directory", scene.directory);
    for (std::size_t i = 0; i < scene.flags.size(); ++i)
        if (scene.flags[i] != 0)
            out += "flag " + std::to_string(i) + ' ' + std::to_string(scene.flags[i]) + '\n';
    out += "choice " + std::to_string(scene.choiceResult) + '\n';
    putText(out, "background", scene.background);
    putText(out, "backgroundPath", scene.backgroundPath);
    for (int i = 0; i < 3; ++i) {
        putText(out, characterKeys[i], scene.characters[i]);
        putText(out, std::string(characterKeys[i]) + "Path", scene.characterPaths[i]);
    }
    putText(out, "music", scene.music);
    putText(out, "map", scene.map);
}

// --- reading ---

// The save's lines, read in order. The first failure is kept and every later
// read gives nothing, so that the parse can go on to its end unchecked
// except where a count would make it loop.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    bool ok() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }
    void fail(std::string_view why) {
        if (ok()) problem_ = "line " + std::to_string(line_) + ": " + std::string(why);
    }

    // The key of the next line, without reading it.
    std::string_view nextKey() const {
        const std::string_view next = rest_.substr(0, rest_.find('\n'));
        return next.substr(0, next.find(' '));
    }

    // The value of the next line, whose key must be `key`.
    std::string_view value(std::string_view key) {
        if (!ok()) return {};
        ++line_;
        const std::size_t end = rest_.find('\n');
        if (end == std::string_view::npos) {
            fail("the file ends early");
            return {};
        }
        const std::string_view line = rest_.substr(0, end);
        rest_.remove_prefix(end + 1);
        const std::size_t space = line.find(' ');
        if (line.substr(0, space) != key) {
            fail("expected " + std::string(key));
            return {};
        }
        return space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    }

    std::string text(std::string_view key) { return unescape(value(key)); }

    // A path that stays inside the game folder, or empty where allowed.
    std::string path(std::string_view key, bool mayBeEmpty) {
        std::string p = text(key);
        if (p.empty() && !mayBeEmpty) fail(std::string(key) + ": path missing");
        if (!p.empty() && (p.find('\0') != std::string::npos || !insideGameFolder(p)))
            fail(std::string(key) + ": path leaves the game folder");
        return ok() ? p : std::string();
    }

    // The next space-separated number of a value, within [low, high].
    std::int64_t number(std::string_view& fields, std::string_view key, std::int64_t low, std::int64_t high) {
        const std::size_t space = fields.find(' ');
        const std::string_view field = fields.substr(0, space);
        fields.remove_prefix(space == std::string_view::npos ? fields.size() : space + 1);
        std::int64_t n = 0;
        const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), n);
        if (field.empty() || error == std::errc::invalid_argument || end != field.data() + field.size()) {
            fail(std::string(key) + ": not a number");
            return low;
        }
        if (error == std::errc::result_out_of_range || n < low || n > high) {
            fail(std::string(key) + ": number out of range");
            return low;
        }
        return n;
    }

    // A value that is exactly one number within [low, high].
    std::int64_t single(std::string_view key, std::int64_t low, std::int64_t high) {
        std::string_view fields = value(key);
        if (!ok()) return low;
        const std::int64_t n = number(fields, key, low, high);
        if (!fields.empty()) fail(std::string(key) + ": text after the number");
        return n;
    }

    void expectEnd() {
        value("end");
        if (ok() && !rest_.empty()) fail("text after the end");
    }

private:
    std::string unescape(std::string_view escaped) {
        std::string out;
        for (std::size_t i = 0; i < escaped.size() && ok(); ++i) {
            const auto byte = static_cast<unsigned char>(escaped[i]);
            if (byte < 0x20 || byte == 0x7f) fail("control character in text");
            if (byte != '\\') {
                out += escaped[i];
                continue;
            }
            const char code = i + 1 < escaped.size() ? escaped[++i] : '\0';
            if (code == '\\' || code == 'n' || code == 'r') {
                out += code == 'n' ? '\n' : code == 'r' ? '\r' : '\\';
            } else if (code == 'x' && i + 2 < escaped.size() && hexValue(escaped[i + 1]) >= 0 &&
                       hexValue(escaped[i + 2]) >= 0) {
                out += static_cast<char>(hexValue(escaped[i + 1]) * 16 + hexValue(escaped[i + 2]));
                i += 2;
            } else {
                fail("bad escape in text");
            }
            if (out.size() > maxSaveText) fail("text too long");
        }
        if (out.size() > maxSaveText) fail("text too long");
        return ok() ? out : std::string();
    }

    static int hexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    }

    std::string_view rest_;
    int line_ = 0;
    std::string problem_;
};

std::uint64_t readHash(LineReader& in) {
    const std::string_view digits = in.value("hash");
    std::uint64_t hash = 0;
    if (!in.ok()) return 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), hash, 16);
    if (digits.size() != 16 || error != std::errc() || end != digits.data() + digits.size() ||
        digits.find_first_not_of(hexDigits) != std::string_view::npos)
        in.fail("bad hash");
    return hash;
}

void readFlags(LineReader& in, SceneStart& scene) {
    std::int64_t last = -1;
    while (in.ok() && in.nextKey() == "flag") {
        std::string_view fields = in.value("flag");
        const std::int64_t index = in.number(fields, "flag index", 0, INT64_MAX);
        if (in.ok() && index >= static_cast<std::int64_t>(scene.flags.size()))
            in.fail("flag index out of range");
        if (in.ok() && index <= last) in.fail("flags out of order");
        const std::int64_t value = in.number(fields, "flag value", INT32_MIN, INT32_MAX);
        if (in.ok() && !fields.empty()) in.fail("flag: text after the value");
        if (!in.ok()) return;
        scene.flags[static_cast<std::size_t>(index)] = static_cast<std::int32_t>(value);
        last = index;
    }
}

SceneStart readScene(LineReader& in) {
    SceneStart scene;
    scene.script = in.path("script", false);
    scene.scriptHash = readHash(in);
    scene.directory = in.path("directory", false);
    readFlags(in, scene);
    scene.choiceResult = static_cast<std::int32_t>(in.single("choice", INT32_MIN, INT32_MAX));
    scene.background = in.text("background");
    scene.backgroundPath = in.path("backgroundPath", true);
    for (int i = 0; i < 3; ++i) {
        scene.characters[i] = in.text(characterKeys[i]);
        scene.characterPaths[i] = in.path(std::string(characterKeys[i]) + "Path", true);
    }
    scene.music = in.path("music", true);
    scene.map = in.path("map", true);
    return scene;
}

WaitKind readWait(LineReader& in, std::string_view& fields) {
    const std::size_t space = fields.find(' ');
    const std::string_view name = fields.substr(0, space);
    fields.remove_prefix(space == std::string_view::npos ? fields.size() : space + 1);
    for (int i = 0; i < 3; ++i)
        if (name == waitNames[i]) return static_cast<WaitKind>(i);
    in.fail("unknown wait");
    return WaitKind::Page;
}

std::vector<std::int32_t> readDecisions(LineReader& in) {
    std::string_view fields = in.value("decisions");
    if (!in.ok()) return {};
    const auto count = static_cast<std::size_t>(in.number(fields, "decisions", 0, INT64_MAX));
    if (in.ok() && count > maxSaveDecisions) in.fail("too many decisions");
    if (!in.ok()) return {};
    std::vector<std::int32_t> decisions;
    decisions.reserve(std::min(count, fields.size() / 2 + 1));
    for (std::size_t i = 0; i < count && in.ok(); ++i) {
        if (fields.empty()) in.fail("fewer decisions than counted");
        const std::int64_t d = in.number(fields, "decision", INT32_MIN, INT32_MAX);
        if (in.ok() && (d < -1 || d > 3)) in.fail("decision out of range");
        decisions.push_back(static_cast<std::int32_t>(d));
    }
    if (in.ok() && !fields.empty()) in.fail("more decisions than counted");
    return in.ok() ? decisions : std::vector<std::int32_t>();
}

// The scene index and the wait from the fields of a point or page line.
SavePoint readPointStart(LineReader& in, std::string_view& fields, std::string_view key, std::size_t scenes) {
    SavePoint point;
    point.scene = static_cast<std::int32_t>(in.number(fields, key, 0, INT32_MAX));
    if (in.ok() && static_cast<std::size_t>(point.scene) >= scenes) in.fail("scene index out of range");
    if (in.ok()) point.wait = readWait(in, fields);
    return point;
}

SavePoint readPoint(LineReader& in, std::size_t scenes) {
    std::string_view fields = in.value("point");
    SavePoint point = readPointStart(in, fields, "point", scenes);
    if (in.ok() && !fields.empty()) in.fail("point: text after the wait");
    point.decisions = readDecisions(in);
    return point;
}

HistoryPage readPage(LineReader& in, std::size_t scenes) {
    HistoryPage page;
    std::string_view fields = in.value("page");
    page.point = readPointStart(in, fields, "page", scenes);
    const auto lines = in.ok() ? static_cast<std::size_t>(in.number(fields, "page lines", 0, INT64_MAX)) : 0;
    if (in.ok() && lines > maxPageLines) in.fail("too many lines");
    if (in.ok() && !fields.empty()) in.fail("page: text after the line count");
    page.point.decisions = readDecisions(in);
    for (std::size_t i = 0; i < lines && in.ok(); ++i) page.lines.push_back(in.text("line"));
    return page;
}

SaveParse damaged(const std::string& why) { return {std::nullopt, "this save is damaged (" + why + ")"}; }

// "save N": a later N is a newer engine's, an earlier or unreadable one damage.
std::optional<SaveParse> versionProblem(LineReader& in) {
    if (in.nextKey() != "save") return damaged("line 1: not a save file");
    std::string_view fields = in.value("save");
    const std::int64_t version = in.number(fields, "save", 1, INT64_MAX);
    if (!in.ok() || !fields.empty()) return damaged("line 1: bad version line");
    if (version > saveVersion)
        return SaveParse{std::nullopt, "this save comes from a newer version of the engine"};
    return std::nullopt;
}

}  // namespace

std::string formatSave(const SaveFile& save) {
    std::string out = "save " + std::to_string(saveVersion) + '\n';
    putText(out, "saved", save.savedAt);
    putText(out, "first", cutText(save.firstLine));
    out += "scenes " + std::to_string(save.scenes.size()) + '\n';
    for (const SceneStart& scene : save.scenes) putScene(out, scene);
    out += "point " + std::to_string(save.point.scene) + ' ' + waitName(save.point.wait) + '\n';
    putDecisions(out, save.point.decisions);
    const std::size_t first =
        save.history.size() > maxHistoryPages ? save.history.size() - maxHistoryPages : 0;
    out += "history " + std::to_string(save.history.size() - first) + '\n';
    for (std::size_t p = first; p < save.history.size(); ++p) {
        const HistoryPage& page = save.history[p];
        const std::size_t lines = std::min(page.lines.size(), maxPageLines);
        out += "page " + std::to_string(page.point.scene) + ' ' + waitName(page.point.wait) + ' ' +
               std::to_string(lines) + '\n';
        putDecisions(out, page.point.decisions);
        for (std::size_t i = 0; i < lines; ++i) putText(out, "line", cutText(page.lines[i]));
    }
    out += "end\n";
    return out;
}

SaveParse parseSave(std::string_view text) {
    if (text.size() > maxWholeFileBytes) return damaged("larger than 8 MiB");
    LineReader in(text);
    if (std::optional<SaveParse> problem = versionProblem(in)) return *problem;
    SaveFile save;
    save.savedAt = in.text("saved");
    save.firstLine = in.text("first");
    const auto scenes = static_cast<std::size_t>(in.single("scenes", 1, INT64_MAX));
    if (in.ok() && scenes > maxSaveScenes) in.fail("too many scenes");
    for (std::size_t i = 0; i < scenes && in.ok(); ++i) save.scenes.push_back(readScene(in));
    save.point = readPoint(in, scenes);
    const auto pages = static_cast<std::size_t>(in.single("history", 0, INT64_MAX));
    if (in.ok() && pages > maxHistoryPages) in.fail("too many pages");
    for (std::size_t i = 0; i < pages && in.ok(); ++i) save.history.push_back(readPage(in, scenes));
    in.expectEnd();
    if (!in.ok()) return damaged(in.problem());
    return {std::move(save), {}};
}

SaveParse readSaveFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {};
    const BoundedRead read = readFileUpTo(path, maxWholeFileBytes);
    if (read.status == BoundedRead::TooLarge) return damaged("larger than 8 MiB");
    if (read.status != BoundedRead::Read) return {std::nullopt, "this save cannot be read"};
    return parseSave(read.bytes);
}

WriteResult writeSaveFile(const std::string& path, const SaveFile& save) {
    const std::string text = formatSave(save);
    const SaveParse check = parseSave(text);
    if (!check.save) return {false, "cannot write " + path + ": " + check.problem};
    if (WriteResult made = makeParentFolder(path); !made) return made;
    return writeFileAtomically(path, text);
}

bool scriptUnchanged(const SceneStart& scene) {
    const BoundedRead read = readFileUpTo(scene.script, maxWholeFileBytes);
    return read.status == BoundedRead::Read && hashBytes(read.bytes) == scene.scriptHash;
}

namespace {

// The files restoring the scene reads: its pictures, map and music.
std::vector<MissingFile> lastingFiles(const SceneStart& scene) {
    std::vector<MissingFile> files;
    if (!scene.background.empty()) files.push_back({"picture", scene.backgroundPath});
    for (std::size_t slot = 0; slot < scene.characters.size(); ++slot)
        if (!scene.characters[slot].empty()) files.push_back({"picture", scene.characterPaths[slot]});
    if (!scene.map.empty()) files.push_back({"map", scene.map});
    if (!scene.music.empty()) files.push_back({"music", scene.music});
    return files;
}

}  // namespace

std::optional<MissingFile> missingFile(const std::vector<SceneStart>& scenes) {
    for (const SceneStart& scene : scenes)
        if (!isGameFile(scene.script)) return MissingFile{"script", scene.script};
    for (const SceneStart& scene : scenes)
        for (MissingFile& file : lastingFiles(scene))
            if (!isGameFile(file.path)) return file;
    return std::nullopt;
}

std::string slotPath(int slot) {
    if (slot < autosaveSlot || slot > slotCount) throw Error("slotPath: no slot " + std::to_string(slot));
    return std::string(saveFolder) + (slot == autosaveSlot ? "/auto" : "/slot" + std::to_string(slot)) +
           ".sav";
}

std::string thumbnailPath(int slot) {
    std::string path = slotPath(slot);
    return path.replace(path.size() - 3, 3, "bmp");
}

std::string formatSavedAt(std::time_t when) {
    std::tm local{};
    char text[32] = "";
#ifdef _WIN32
    const bool converted = localtime_s(&local, &when) == 0;
#else
    const bool converted = localtime_r(&when, &local) != nullptr;
#endif
    if (converted) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

}  // namespace adv
