#include "adv/comforts/comforts.h"

#include <SDL.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "adv/comforts/comfortmarks.h"
#include "adv/comforts/gamemenu.h"
#include "adv/comforts/historyscreen.h"
#include "adv/comforts/preferences.h"
#include "adv/comforts/preferencesscreen.h"
#include "adv/comforts/readpages.h"
#include "adv/comforts/savefile.h"
#include "adv/comforts/scene.h"
#include "adv/comforts/slotscreen.h"
#include "adv/engine.h"
#include "adv/luarunner.h"
#include "adv/screen.h"
#include "config/sysinfo.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/hash.h"
#include "gamefiles/staletemporaries.h"
#include "orba/bmpfile.h"
#include "orba/display.h"
#include "orba/orba.h"
#include "orba/thumbnail.h"

namespace adv {

namespace {

constexpr char pendingThumbnail[] = "save/pending.bmp";
constexpr char changedQuestion[] = "the game has changed since this save; load the start of its scene?";
constexpr std::size_t historyKept = maxHistoryPages;
// The history's text in all, the newest page kept whatever its size: a save
// of it stays well within a save's 8 MiB.
constexpr std::size_t historyBytesKept = std::size_t{4} << 20;
// Auto mode: a page goes on after the player's pause (1.5 s unless chosen
// otherwise) and 30 ms for each character, counted once the page shows whole.
constexpr std::int64_t autoPerCharacterMs = 30;
// Marks the choice picked in the history, below the page that asked it.
constexpr char pickedMark[] = "\xC2\xBB ";

enum class Request { None, Save, Load, History, Menu, Preferences };

// The play so far: every scene start the history or the moment refer to,
// the moment of the last wait, and the pages shown.
struct Record {
    std::vector<SceneStart> scenes;
    SavePoint current;
    bool waitSeen = false;  // the current scene reached a wait
    std::vector<HistoryPage> history;
};

struct Comforts {
    Record record;
    std::optional<ReadPages> readPages;
    bool pageWasRead = false;
    bool autosavePending = false;
    bool autoMode = false;
    Request request = Request::None;
    bool markFreeFrame = false;  // the frame before the save screen, shown without the marks
    std::unique_ptr<SlotScreen> slots;
    SlotScreenMode slotMode = SlotScreenMode::Save;
    std::unique_ptr<HistoryScreen> history;
    std::unique_ptr<GameMenu> menu;
    std::unique_ptr<PreferencesScreen> preferences;
    bool preferencesUnkept = false;  // the screen said the file could not be written
    std::optional<SaveFile> pendingSave;
    // Whether pendingThumbnail holds the game's frame kept when a screen
    // opened, and how keeping it went; a screen opened from the menu keeps it.
    std::optional<WriteResult> shownFrameKept;
};

Comforts& comforts() {
    static Comforts current;
    return current;
}

// The player's preferences, which live on across runners: as the play uses
// them, and as save/preferences.txt holds them (the defaults without a file).
struct PlayerPreferences {
    Preferences current;
    Preferences stored;
    std::string unusedFile;  // why the file could not be used, for run.log once it is open
};

PlayerPreferences& playerPreferences() {
    static PlayerPreferences prefs;
    return prefs;
}

Preferences& preferences() { return playerPreferences().current; }

bool on(std::int32_t setting) { return setting != 0; }

ReadPages& readPages() {
    Comforts& c = comforts();
    if (!c.readPages) c.readPages = ReadPages::load(readPagesPath);
    return *c.readPages;
}

std::optional<WaitKind> currentWait() { return waitOf(course().state); }

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::size_t textBytes(const std::vector<std::string>& lines) {
    std::size_t bytes = 0;
    for (const std::string& line : lines) bytes += line.size();
    return bytes;
}

// Keeps only the scenes that the moment and the history refer to.
void compactScenes(Record& r) {
    std::vector<std::int32_t> newIndex(r.scenes.size(), -1);
    std::vector<SceneStart> kept;
    auto keep = [&](SavePoint& point) {
        const auto old = static_cast<std::size_t>(point.scene);
        if (old >= r.scenes.size()) return;
        if (newIndex[old] < 0) {
            newIndex[old] = static_cast<std::int32_t>(kept.size());
            kept.push_back(r.scenes[old]);
        }
        point.scene = newIndex[old];
    };
    for (HistoryPage& page : r.history) keep(page.point);
    keep(r.current);
    r.scenes = std::move(kept);
}

// Keeps the newest pages, at most historyKept of them and historyBytesKept of text.
void trimHistory(Record& r) {
    std::size_t bytes = 0;
    std::size_t kept = 0;
    for (auto page = r.history.rbegin(); page != r.history.rend() && kept < historyKept; ++page, ++kept) {
        bytes += textBytes(page->lines);
        if (bytes > historyBytesKept && kept > 0) break;
    }
    if (kept == r.history.size()) return;
    r.history.erase(r.history.begin(), r.history.end() - static_cast<std::ptrdiff_t>(kept));
    compactScenes(r);
}

std::string firstLineNow() {
    if (!messageWindow().messages.empty()) return messageWindow().messages.front();
    if (course().state == RunnerState::Choosing && !choiceMenu().choices.empty())
        return choiceMenu().choices.front();
    return {};
}

SaveFile saveOfNow() {
    Record& r = comforts().record;
    compactScenes(r);
    SaveFile save;
    save.savedAt = formatSavedAt(std::time(nullptr));
    save.firstLine = firstLineNow();
    save.scenes = r.scenes;
    save.point = r.current;
    save.history = r.history;
    return save;
}

// A save's thumbnail as a picture, when the file is one the engine reads.
std::string loadThumbnail(int slot) {
    const std::string path = thumbnailPath(slot);
    if (!orba::readBMP(path).picture) return {};
    const std::string key = "thumb" + std::to_string(slot);
    Orba_loadBMP(key, path, orbaNoKey, 0, 0);
    return key;
}

SlotSummary summaryOf(int slot) {
    SlotSummary summary;
    summary.label = slot == autosaveSlot ? "Auto" : std::to_string(slot);
    const SaveParse parse = readSaveFile(slotPath(slot));
    if (parse.save) {
        summary.empty = false;
        summary.dateTime = parse.save->savedAt;
        summary.firstLine = parse.save->firstLine;
        summary.thumbnail = loadThumbnail(slot);
    } else if (!parse.problem.empty()) {
        summary.empty = false;
        summary.firstLine = parse.problem;
    }
    return summary;
}

// Keeps the frame last shown, the game's own, as the thumbnail of a save made
// while a screen covers it: from the save screen, or the autosave at a quit.
WriteResult keepShownFrame() {
    std::optional<WriteResult>& kept = comforts().shownFrameKept;
    if (kept) return *kept;
    const WriteResult made = makeParentFolder(pendingThumbnail);
    kept = made ? Orba_saveThumbnail(pendingThumbnail) : made;
    return *kept;
}

// The kept frame becomes the thumbnail of a save.
void useShownFrame(const std::string& thumbnail) {
    comforts().shownFrameKept.reset();
    (void)moveFileOver(pendingThumbnail, thumbnail);
}

void discardShownFrame() {
    comforts().shownFrameKept.reset();
    std::remove(pendingThumbnail);
}

// A save's time stamp as the engine writes it, "2026-12-08 17:30": others
// (a damaged or hand-made file) count as older than any.
bool wellFormedSavedAt(std::string_view text) {
    constexpr std::string_view shape = "0000-00-00 00:00";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == '0' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != shape[i])
            return false;
    return true;
}

// When a save was made: its time stamp, and of two made in the same minute,
// the one written last.
struct SaveAge {
    std::string savedAt;
    std::filesystem::file_time_type written;
};

// Later by the time stamp, then by the file's time. Compared through tuples,
// as the browser build's C++ library has no three-way comparison of strings.
bool newerThan(const SaveAge& a, const SaveAge& b) {
    return std::tie(a.savedAt, a.written) > std::tie(b.savedAt, b.written);
}

std::optional<SaveAge> ageOf(int slot, const SlotSummary& summary) {
    if (summary.empty || !wellFormedSavedAt(summary.dateTime)) return std::nullopt;
    std::error_code error;
    const auto written = std::filesystem::last_write_time(slotPath(slot), error);
    return SaveAge{summary.dateTime, error ? std::filesystem::file_time_type::min() : written};
}

// The load screen's row of the newest save (the autosave's row is 0), none without a save.
std::optional<int> newestRow(const std::vector<SlotSummary>& rows) {
    std::optional<int> newest;
    std::optional<SaveAge> newestAge;
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const std::optional<SaveAge> age = ageOf(row, rows[static_cast<std::size_t>(row)]);
        if (age && (!newestAge || newerThan(*age, *newestAge))) {
            newest = row;
            newestAge = age;
        }
    }
    return newest;
}

void openSlotScreen(SlotScreenMode mode) {
    Comforts& c = comforts();
    std::vector<SlotSummary> slots;
    std::string message;
    if (mode == SlotScreenMode::Load) slots.push_back(summaryOf(autosaveSlot));
    for (int slot = 1; slot <= slotCount; ++slot) slots.push_back(summaryOf(slot));
    if (mode == SlotScreenMode::Save) {
        c.pendingSave = saveOfNow();
        if (const WriteResult kept = keepShownFrame(); !kept) message = "Cannot save: " + kept.problem;
    } else if (on(System::SAVE)) {
        (void)keepShownFrame();
    }
    c.slotMode = mode;
    const std::optional<int> newest = mode == SlotScreenMode::Load ? newestRow(slots) : std::nullopt;
    c.slots = std::make_unique<SlotScreen>(mode, std::move(slots), message);
    if (newest) c.slots->select(*newest);
}

void openHistory() {
    std::vector<HistoryLines> pages;
    for (const HistoryPage& page : comforts().record.history) pages.push_back(page.lines);
    if (on(System::SAVE)) (void)keepShownFrame();
    comforts().history = std::make_unique<HistoryScreen>(std::move(pages));
}

bool saveInto(int slot) {
    Comforts& c = comforts();
    if (!c.pendingSave) return false;
    if (const WriteResult written = writeSaveFile(slotPath(slot), *c.pendingSave); !written) {
        c.slots->setMessage("Cannot save: " + written.problem);
        return false;
    }
    useShownFrame(thumbnailPath(slot));
    (void)readPages().save(readPagesPath);
    return true;
}

// How bringing back a moment went: done, or the moment before brought back
// and, when that is why, the file its replay found gone.
struct Arrival {
    bool done = false;
    std::optional<MissingFile> missing;
};

// Brings back a moment of the record's scenes; when its script no longer
// fits or a file it needs is gone, the moment before is brought back.
Arrival goTo(LuaRunner& runner, const std::vector<SceneStart>& scenes, const SavePoint& point,
             bool sceneStartOnly) {
    Record& r = comforts().record;
    const SceneStart& scene = scenes.at(static_cast<std::size_t>(point.scene));
    const std::vector<std::int32_t> none;
    const auto& decisions = sceneStartOnly ? none : point.decisions;
    const std::optional<WaitKind> wait = decisions.empty() ? std::nullopt : std::optional(point.wait);
    if (replayScene(runner, scene, decisions, wait)) return {true, std::nullopt};
    Arrival arrival{false, playback().missingFile};
    const SceneStart& back = r.scenes.at(static_cast<std::size_t>(r.current.scene));
    replayScene(runner, back, r.current.decisions, r.waitSeen ? std::optional(r.current.wait) : std::nullopt);
    return arrival;
}

std::string missingMessage(const MissingFile& missing) {
    return "this save's " + missing.kind + " is missing: " + missing.path;
}

// Takes the record of a save or of the history after a jump to a moment.
void settleAt(std::vector<SceneStart> scenes, std::vector<HistoryPage> history, std::int32_t scene) {
    Record& r = comforts().record;
    r.scenes = std::move(scenes);
    r.history = std::move(history);
    r.current = SavePoint{scene, course().decisions, currentWait().value_or(WaitKind::Page)};
    r.waitSeen = true;
}

void loadFrom(LuaRunner& runner, int slot, bool sceneStartOnly) {
    Comforts& c = comforts();
    const SaveParse parse = readSaveFile(slotPath(slot));
    if (!parse.save) {
        c.slots->setMessage(parse.problem.empty() ? "this slot is empty" : parse.problem);
        return;
    }
    const SaveFile& save = *parse.save;
    // Checked before anything changes: a replay would end the game at the gone file.
    if (const std::optional<MissingFile> missing = missingFile(save.scenes))
        return c.slots->setMessage(missingMessage(*missing));
    const SceneStart& scene = save.scenes.at(static_cast<std::size_t>(save.point.scene));
    if (!sceneStartOnly && !scriptUnchanged(scene)) return c.slots->ask(changedQuestion, slot);
    const Arrival arrival = goTo(runner, save.scenes, save.point, sceneStartOnly);
    if (arrival.missing) return c.slots->setMessage(missingMessage(*arrival.missing));
    if (!arrival.done) return c.slots->ask(changedQuestion, slot);
    std::vector<HistoryPage> history = save.history;
    if (sceneStartOnly) history.clear();
    settleAt(save.scenes, std::move(history), save.point.scene);
    c.slots.reset();
    discardShownFrame();
}

void jumpBack(LuaRunner& runner, int page) {
    Record& r = comforts().record;
    if (page < 0 || static_cast<std::size_t>(page) >= r.history.size()) return;
    const SavePoint point = r.history[static_cast<std::size_t>(page)].point;
    const SceneStart& scene = r.scenes.at(static_cast<std::size_t>(point.scene));
    if (missingFile({scene})) return;  // the game goes on where it was
    if (!goTo(runner, r.scenes, point, false).done) return;
    std::vector<HistoryPage> history(r.history.begin(), r.history.begin() + page);
    std::vector<SceneStart> scenes = r.scenes;
    settleAt(std::move(scenes), std::move(history), point.scene);
    waitReached();  // the page shows again, and is the newest in the history
}

void updateSlotScreen(LuaRunner& runner) {
    Comforts& c = comforts();
    const SlotScreenAction action = c.slots->update();
    // Rows: the load screen's first is the autosave, the save screen's slot 1.
    const int slot = c.slotMode == SlotScreenMode::Save ? action.slot + 1 : action.slot;
    switch (action.kind) {
    case SlotScreenAction::Kind::None: return;
    case SlotScreenAction::Kind::Close:
        c.slots.reset();
        discardShownFrame();
        return;
    case SlotScreenAction::Kind::Act:
        if (c.slotMode == SlotScreenMode::Save) {
            if (saveInto(slot)) c.slots.reset();
        } else {
            loadFrom(runner, slot, false);
        }
        return;
    case SlotScreenAction::Kind::Confirm: loadFrom(runner, slot, true); return;
    }
}

// The screen starts from the preferences in use, with full screen as F9 left it.
void openPreferences() {
    if (on(System::SAVE)) (void)keepShownFrame();
    preferences().fullScreen = Orba_isFullScreen();
    comforts().preferences = std::make_unique<PreferencesScreen>(
        preferences(), preferenceRows(on(System::AUTO), on(System::SKIP)));
    comforts().preferencesUnkept = false;
}

// Closing keeps changed preferences in their file; when that fails, the
// screen says why and stays, and closing again leaves them for this play only.
void closePreferences() {
    Comforts& c = comforts();
    PlayerPreferences& p = playerPreferences();
    if (p.current != p.stored && !c.preferencesUnkept) {
        if (const WriteResult written = writePreferences(preferencesPath, p.current); !written) {
            c.preferencesUnkept = true;
            c.preferences->setMessage("Cannot keep the preferences: " + written.problem);
            return;
        }
        p.stored = p.current;
    }
    c.preferences.reset();
    discardShownFrame();
}

void updatePreferences() {
    Comforts& c = comforts();
    if (Orba_isFullScreen() != preferences().fullScreen) {  // F9 pressed meanwhile
        preferences().fullScreen = Orba_isFullScreen();
        c.preferences->show(preferences());
    }
    const PreferencesAction action = c.preferences->update();
    if (action.kind == PreferencesAction::Kind::Close) return closePreferences();
    if (action.kind != PreferencesAction::Kind::Changed) return;
    preferences() = c.preferences->preferences();
    c.preferencesUnkept = false;  // the next close tries to keep them again
    applyPreferences();
}

// Save, Load and History lead to their screens (on the game's frame kept
// when the menu opened), Quit ends the game as Escape in the game does.
void openMenu() {
    if (on(System::SAVE)) (void)keepShownFrame();
    comforts().menu = std::make_unique<GameMenu>(menuItems(on(System::SAVE), on(System::HISTORY)));
}

void updateMenu() {
    Comforts& c = comforts();
    const GameMenuAction action = c.menu->update();
    if (action.kind == GameMenuAction::Kind::None) return;
    if (action.kind == GameMenuAction::Kind::Pick && action.item == MenuItem::Quit)
        throw Error(orbaQuitMessage);  // the menu stays, so the autosave shows the game behind it
    c.menu.reset();
    if (action.kind == GameMenuAction::Kind::Close) return discardShownFrame();
    switch (action.item) {
    case MenuItem::Save: openSlotScreen(SlotScreenMode::Save); return;
    case MenuItem::Load: openSlotScreen(SlotScreenMode::Load); return;
    case MenuItem::History: openHistory(); return;
    case MenuItem::Preferences: openPreferences(); return;
    case MenuItem::Back:
    case MenuItem::Quit: return;
    }
}

void updateHistory(LuaRunner& runner) {
    Comforts& c = comforts();
    const HistoryAction action = c.history->update();
    if (action.kind == HistoryAction::Kind::None) return;
    c.history.reset();
    discardShownFrame();
    if (action.kind == HistoryAction::Kind::JumpTo) jumpBack(runner, action.page);
}

bool wheelUp() { return (Orba_getPushMouse() & SDL_BUTTON(SDL_BUTTON_WHEELUP)) != 0; }
// The right button or the joystick's second button.
bool menuAsked() { return (Orba_getPushMouse() & SDL_BUTTON_RMASK) != 0 || Orba_isPushJoy(1); }

void readKeys() {
    Comforts& c = comforts();
    if (on(System::SAVE) && Orba_isPushKey(SDLK_F2)) c.request = Request::Save;
    if (on(System::SAVE) && Orba_isPushKey(SDLK_F3)) c.request = Request::Load;
    if (on(System::HISTORY) && (Orba_isPushKey(SDLK_PAGEUP) || wheelUp())) c.request = Request::History;
    if (menuAsked()) c.request = Request::Menu;
    if (Orba_isPushKey(SDLK_F1)) c.request = Request::Preferences;
    if (on(System::AUTO) && Orba_isPushKey(SDLK_a)) c.autoMode = !c.autoMode;
    if (on(System::SKIP) && Orba_isPushKey(SDLK_TAB)) preferences().skipAll = !preferences().skipAll;
    playback().skipping = on(System::SKIP) && (Orba_isPressKey(SDLK_LCTRL) || Orba_isPressKey(SDLK_RCTRL));
}

// A request made during a WAIT or a transition waits for the next wait.
bool openRequested() {
    Comforts& c = comforts();
    if (c.request == Request::None || !currentWait()) return false;
    // The save screen's thumbnail is the frame last shown: one frame more
    // without the marks, and without the game moving on, comes first (for
    // the menu too, which may lead to it).
    const bool keepsFrame = c.request == Request::Save || c.request == Request::Menu;
    if (keepsFrame && !c.markFreeFrame) return c.markFreeFrame = true;
    c.markFreeFrame = false;
    const Request request = c.request;
    c.request = Request::None;
    if (request == Request::History) {
        openHistory();
    } else if (request == Request::Menu) {
        openMenu();
    } else if (request == Request::Preferences) {
        openPreferences();
    } else {
        openSlotScreen(request == Request::Save ? SlotScreenMode::Save : SlotScreenMode::Load);
    }
    return true;
}

// The autosave's thumbnail: the frame last shown, or, while a screen covers
// the game, the game's frame kept when the screen opened.
void writeAutosaveThumbnail() {
    const std::string thumbnail = thumbnailPath(autosaveSlot);
    if (!comfortScreenOpen()) {
        (void)Orba_saveThumbnail(thumbnail);
    } else if (!moveFileOver(pendingThumbnail, thumbnail)) {
        std::remove(thumbnail.c_str());  // an older moment's picture would mislead
    }
    comforts().shownFrameKept.reset();
}

void writeAutosave() {
    if (!on(System::SAVE) || !comforts().record.waitSeen) return;
    if (!makeParentFolder(slotPath(autosaveSlot))) return;
    if (writeSaveFile(slotPath(autosaveSlot), saveOfNow())) writeAutosaveThumbnail();
    (void)readPages().save(readPagesPath);
}

bool updateScreensAndKeys(LuaRunner& runner) {
    Comforts& c = comforts();
    if (c.slots) {
        updateSlotScreen(runner);
        return true;
    }
    if (c.history) {
        updateHistory(runner);
        return true;
    }
    if (c.menu) {
        updateMenu();
        return true;
    }
    if (c.preferences) {
        updatePreferences();
        return true;
    }
    if (c.autosavePending && currentWait()) {
        c.autosavePending = false;
        writeAutosave();  // after the wait's first frame was shown, for its thumbnail
    }
    readKeys();
    if (openRequested()) {
        playback().skipping = false;
        return true;
    }
    return false;
}

}  // namespace

// Escape closes an open screen and quits the game otherwise; the state after
// this frame decides what the next frame's Escape does.
bool updateComforts(LuaRunner& runner) {
    const bool screenFrame = updateScreensAndKeys(runner);
    Orba_setEscapeQuits(!comfortScreenOpen());
    return screenFrame;
}

bool drawComfortScreen() {
    const Comforts& c = comforts();
    if (!comfortScreenOpen()) return false;
    Orba_setOffset(0, 0);
    if (c.slots) c.slots->draw();
    if (c.history) c.history->draw();
    if (c.menu) c.menu->draw();
    if (c.preferences) c.preferences->draw();
    return true;
}

void drawModeMarks() {
    const Comforts& c = comforts();
    if (c.markFreeFrame) return;
    const SkipMark skip = !playback().skipping    ? SkipMark::Off
                          : preferences().skipAll ? SkipMark::AllPages
                                                  : SkipMark::ReadPages;
    if (c.autoMode || skip != SkipMark::Off) drawComfortMarks(c.autoMode, skip);
}

void sceneStarted(const std::string& scriptPath, bool scriptChange) {
    if (playback().replaying) return;
    Record& r = comforts().record;
    r.scenes.push_back(captureScene(scriptPath));
    r.current = SavePoint{static_cast<std::int32_t>(r.scenes.size() - 1), {}, WaitKind::Page};
    r.waitSeen = false;
    compactScenes(r);
    comforts().autosavePending = scriptChange;
}

void waitReached() {
    if (playback().replaying) return;
    Comforts& c = comforts();
    Record& r = c.record;
    r.current.decisions = course().decisions;
    r.current.wait = currentWait().value_or(WaitKind::Page);
    r.waitSeen = true;
    const std::vector<std::string>& lines = messageWindow().messages;
    // A choice's lines are a page of the history too, the pick to be added below them.
    const bool choicePage = course().state == RunnerState::Choosing && !lines.empty();
    if (course().state != RunnerState::WaitPage && !choicePage) return;
    r.history.push_back(HistoryPage{lines, r.current});
    trimHistory(r);
    if (choicePage) return;
    const std::string& script = r.scenes.at(static_cast<std::size_t>(r.current.scene)).script;
    const std::uint64_t id = pageId(script, joinedLines(lines));
    c.pageWasRead = readPages().contains(id);
    readPages().add(id);
}

// Below the last page, which asked the choice unless the choice came without lines.
void choicePicked() {
    if (playback().replaying) return;
    const std::vector<std::string>& choices = choiceMenu().choices;
    const auto picked = static_cast<std::size_t>(flagState().choiceResult);
    if (picked >= choices.size()) return;
    Record& r = comforts().record;
    if (r.history.empty()) r.history.push_back(HistoryPage{{}, r.current});
    r.history.back().lines.push_back(pickedMark + choices[picked]);
}

bool pageGoesOnByItself() {
    const Comforts& c = comforts();
    if (playback().skipping && (preferences().skipAll || c.pageWasRead)) return true;
    const std::optional<std::int64_t> frames = autoPageFrames();
    return frames && messageWindow().messageCounter >= *frames;
}

bool comfortScreenOpen() {
    const Comforts& c = comforts();
    return c.slots || c.history || c.menu || c.preferences;
}

bool comfortsActing() {
    const Comforts& c = comforts();
    return c.request != Request::None || c.markFreeFrame || c.autosavePending || playback().skipping;
}

std::optional<std::int64_t> autoPageFrames() {
    if (!comforts().autoMode) return std::nullopt;
    const std::int64_t ms =
        preferences().autoDelayMs + autoPerCharacterMs * static_cast<std::int64_t>(pageCharacters());
    return pageWholeFrom() + (ms * framesPerSecond + 999) / 1000;
}

// Changes made on a preferences screen left open are kept too.
void autosaveAtQuit() {
    writeAutosave();
    if (comforts().preferences) closePreferences();
}

const SceneStart* currentSceneStart() {
    const Record& r = comforts().record;
    const auto scene = static_cast<std::size_t>(r.current.scene);
    return scene < r.scenes.size() ? &r.scenes[scene] : nullptr;
}

void currentSceneReplayed() {
    Record& r = comforts().record;
    const auto scene = static_cast<std::size_t>(r.current.scene);
    if (scene >= r.scenes.size()) return;
    r.scenes[scene].scriptHash = hashBytes(readWholeFile(r.scenes[scene].script).value_or(""));
    r.current.decisions = course().decisions;
    r.current.wait = currentWait().value_or(WaitKind::Page);
    r.waitSeen = currentWait().has_value();
}

const Preferences& loadPreferences() {
    (void)removeStaleTemporaries(saveFolder);
    PlayerPreferences& p = playerPreferences();
    const PreferencesRead read = readPreferences(preferencesPath, authorPreferences());
    if (!read.problem.empty())
        p.unusedFile =
            std::string(preferencesPath) + " is " + read.problem + ": the default preferences are used\n";
    p.current = p.stored = read.prefs;
    return p.current;
}

// A setter given the value in use changes nothing, so the defaults leave the
// game as it was; sharp scaling is set only when it differs, as setting it
// presents the whole frame again.
void applyPreferences() {
    if (std::string& note = playerPreferences().unusedFile; !note.empty()) {
        Orba_logText(note);
        note.clear();
    }
    const Preferences& p = preferences();
    playback().textSpeed = p.textSpeed;
    Orba_setMusicVolume(p.musicVolume);
    Orba_setSoundVolume(p.soundVolume);
    if (p.sharpScaling != Orba_isSharpScaling()) Orba_setSharpScaling(p.sharpScaling);
    Orba_setWindowScale(p.windowScale);
    Orba_setFullScreen(p.fullScreen);
}

void authorDefaultsChanged() {
    PlayerPreferences& p = playerPreferences();
    const int anew = readPreferences(preferencesPath, authorPreferences()).prefs.windowScale;
    if (p.current.windowScale == p.stored.windowScale) p.current.windowScale = anew;
    p.stored.windowScale = anew;
    Orba_setWindowScale(p.current.windowScale);
}

void resetComforts() {
    comforts() = Comforts{};
    Orba_setEscapeQuits(true);
}

}  // namespace adv
