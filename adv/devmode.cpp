#include "adv/devmode.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string_view>

#include "adv/comforts/comforts.h"
#include "adv/comforts/scene.h"
#include "adv/comforts/screenparts.h"
#include "adv/commands.h"
#include "adv/engine.h"
#include "adv/framestep.h"
#include "adv/luarunner.h"
#include "adv/screen.h"
#include "config/sysinfo.h"
#include "gamefiles/gamepaths.h"
#include "orba/display.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr int noticeShownFrames = 5 * framesPerSecond;
constexpr int panelMargin = 20, panelPadding = 12;
constexpr std::size_t errorLines = 14;
constexpr int textColour = 0xFFFFFF;
constexpr char errorHint[] = "Fix the file to go on, or press F8 to try again; Escape quits.";
constexpr char noticeText[] =
    "The changed script no longer fits the decisions taken: stopped at the first wait "
    "that differs.";
constexpr std::string_view interfacePictures[] = {gamepaths::pageFeedPicture, gamepaths::cursorPicture,
                                                  gamepaths::messageWindowPicture};

bool endsTheGame(const Error& e) {
    const std::string_view text = e.what();
    return text == gameEndMessage || text == orbaQuitMessage;
}

bool samePath(std::string_view a, std::string_view b) {
    namespace fs = std::filesystem;
    return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
}

bool hasExtension(std::string_view path, std::string_view extension) {
    if (path.size() < extension.size()) return false;
    const std::string_view end = path.substr(path.size() - extension.size());
    return std::equal(end.begin(), end.end(), extension.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// What a failure says to the author: a Lua error in the interpreter's own
// words, a host function's error with the place of the script's call.
std::string describe(const Error& e, const LuaRunner* runner) {
    if (runner && !runner->scriptMessage().empty())
        return std::string(e.what()) + "\n" + runner->scriptMessage();
    if (runner && !runner->failurePlace().empty()) return runner->failurePlace() + ": " + e.what();
    return e.what();
}

// The text in white on a panel across the window from `top`, its
// paragraphs wrapped, at most maxLines lines.
void drawTextPanel(std::string_view text, int top, std::size_t maxLines) {
    const int width = screen::windowWidth - 2 * panelMargin;
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size() && lines.size() < maxLines;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        for (std::string& line : screen::wrapText(text.substr(start, end - start), width - 2 * panelPadding,
                                                  maxLines - lines.size()))
            lines.push_back(std::move(line));
        start = end + 1;
    }
    const int height = static_cast<int>(lines.size()) * screen::lineHeight() + 2 * panelPadding;
    screen::drawPanel(screen::Box{panelMargin, top, width, height}, false);
    const int colour = Orba_getColorHex();
    Orba_setColorHex(textColour);
    for (std::size_t i = 0; i < lines.size(); ++i)
        screen::drawText(lines[i], panelMargin + panelPadding,
                         top + panelPadding + static_cast<int>(i) * screen::lineHeight());
    Orba_setColorHex(colour);
}

std::string pageCaption() {
    const SceneStart* scene = currentSceneStart();
    if (!scene) return System::CAPTION;
    std::string_view script = scene->script;
    if (script.starts_with(gamepaths::levelFolder)) script.remove_prefix(gamepaths::levelFolder.size());
    const auto& decisions = course().decisions;
    const auto pages = std::count(decisions.begin(), decisions.end(), pageConfirmed) + 1;
    return System::CAPTION + " \xE2\x80\x94 " + std::string(script) + ", page " + std::to_string(pages) +
           (FolderWatch::supported ? "" : " (files not watched: F8 reloads)");
}

}  // namespace

DevMode::DevMode(MakeRunner makeRunner) : makeRunner_(std::move(makeRunner)) {
    watch_.add(std::string(gamepaths::levelFolder), true);  // scripts, pictures, maps and game.ini
    watch_.add(std::string(gamepaths::soundFolder), false);
}

DevMode::~DevMode() = default;

void DevMode::start() {
    guarded([this] { restart(false); });
}

void DevMode::frame(std::uint32_t periodMs) {
    if (!error_.empty()) {
        errorFrame(periodMs);
        return;
    }
    const Change change = changeOf(watch_.changes());
    if (change != Change::None) retry(change);
    if (error_.empty()) guarded([&] { runFrame(*runner_, periodMs, [this] { drawOverlay(); }); });
    if (error_.empty() && !runner_->scriptMessage().empty()) error_ = runner_->scriptMessage();
    if (error_.empty() && Orba_isPushKey(SDLK_F8)) retry(Change::Moment);
    updateCaption();
}

// Runs a step of the game; an error that would end it is shown instead,
// except the ends that the game or the player chose.
template <class Step>
void DevMode::guarded(const Step& step) {
    try {
        step();
    } catch (const Error& e) {
        if (endsTheGame(e)) throw;
        error_ = describe(e, runner_.get());
    }
}

DevMode::Change DevMode::changeOf(const std::vector<std::string>& paths) {
    Change change = Change::None;
    for (const std::string& path : paths) {
        if (samePath(path, gamepaths::settingsFile)) return Change::Settings;
        if (std::any_of(std::begin(interfacePictures), std::end(interfacePictures),
                        [&](std::string_view picture) { return samePath(path, picture); })) {
            if (runner_) guarded([this] { runner_->loadInterfacePictures(); });
            continue;
        }
        const SceneStart* scene = currentSceneStart();
        const auto& helpers = course().helpers;
        const bool currentScript = scene && (samePath(path, scene->script) ||
                                             std::any_of(helpers.begin(), helpers.end(),
                                                         [&](const auto& h) { return samePath(path, h); }));
        const bool pictureOrMap = hasExtension(path, ".bmp") || hasExtension(path, ".fmf");
        const bool folder = path.ends_with('/') && !path.starts_with(gamepaths::soundFolder);
        if (currentScript || pictureOrMap || folder || !error_.empty()) change = Change::Moment;
    }
    return change;
}

void DevMode::retry(Change change) {
    error_.clear();
    notice_.clear();
    if (change == Change::Settings || settingsFailed_ || !runner_)
        guarded([&] { restart(change == Change::Settings || settingsFailed_); });
    else
        guarded([this] { reloadMoment(); });
}

void DevMode::restart(bool readSettings) {
    if (readSettings) {
        settingsFailed_ = true;
        loadSettings();
        settingsFailed_ = false;
        authorDefaultsChanged();  // the author sees a new scale at once, unless the player chose one
    }
    runner_.reset();
    runner_ = makeRunner_();
    runner_->loadFile(gamepaths::firstScript);
}

// The current scene replayed with the player's decisions. Where they stop
// fitting at a wait, it stays there; where the script goes past its waits
// before the last decision, it goes back to the last wait it passed; a scene
// without any wait plays again from its start.
void DevMode::reloadMoment() {
    const SceneStart* current = currentSceneStart();
    if (!current) return restart(false);
    const SceneStart scene = *current;
    std::vector<std::int32_t> decisions = course().decisions;
    const std::size_t taken = decisions.size();
    const std::optional<WaitKind> wait = waitOf(course().state);
    ReplayReach reach = replaySceneAsFar(*runner_, scene, decisions, wait);
    if (!runner_->scriptMessage().empty()) {
        error_ = runner_->scriptMessage();
        return;
    }
    // A script that had run on past its last wait may do so again.
    const bool whole = reach.fits || (!wait && reach.taken == taken && !reach.atWait);
    if (!reach.atWait && reach.taken > 0) {
        decisions.resize(reach.taken - 1);
        reach = replaySceneAsFar(*runner_, scene, decisions, std::nullopt);
    }
    if (!reach.atWait) {
        restoreScene(scene);
        syncMusic();
        runner_->loadScript(scene.script);
        return;
    }
    currentSceneReplayed();
    if (!whole) {
        notice_ = noticeText;
        noticeFrames_ = noticeShownFrames;
    }
}

// While an error shows, the window answers Escape and the close button, and
// a change of a file or F8 tries again.
void DevMode::errorFrame(std::uint32_t periodMs) {
    Orba_setEscapeQuits(true);  // even when the error came while a player's screen was open
    Orba_update(periodMs);
    Change change = changeOf(watch_.changes());
    if (change == Change::None && Orba_isPushKey(SDLK_F8)) change = Change::Moment;
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    try {
        if (runner_) runner_->draw();  // the last picture, as far as it can be drawn
    } catch (const Error&) {}
    Orba_setOffset(0, 0);
    drawTextPanel(error_ + "\n" + errorHint, panelMargin, errorLines);
    Orba_flip();
    if (change != Change::None) retry(change);
    updateCaption();
}

void DevMode::drawOverlay() {
    if (noticeFrames_ <= 0) return;
    if (--noticeFrames_ == 0) notice_.clear();
    drawTextPanel(notice_, panelMargin, 3);
}

void DevMode::updateCaption() {
    std::string caption = pageCaption();
    if (caption == caption_) return;
    Orba_setCaptionText(caption);
    caption_ = std::move(caption);
}

}  // namespace adv
