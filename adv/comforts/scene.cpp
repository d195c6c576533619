#include "adv/comforts/scene.h"

#include "adv/engine.h"
#include "adv/luarunner.h"
#include "adv/message.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/hash.h"
#include "orba/orba.h"

namespace adv {

namespace {

// Resumes of the script, beyond the decisions, before a replay gives up: a
// script that fits reaches its wait long before.
constexpr std::size_t spareResumes = 100000;

struct ReplayingMode {
    explicit ReplayingMode(bool skipsMissingFiles) {
        playback().replaying = true;
        playback().skipsMissingFiles = skipsMissingFiles;
        playback().missingFile.reset();
    }
    ~ReplayingMode() {
        playback().replaying = false;
        playback().skipsMissingFiles = false;
    }
    ReplayingMode(const ReplayingMode&) = delete;
    ReplayingMode& operator=(const ReplayingMode&) = delete;
};

void captureBackground(SceneStart& scene) {
    const StageState& s = stage();
    const bool fadeEndsLast = s.backgroundFadeTimer > 0 && s.backgroundFadeTimer >= s.eraseTimer;
    if (fadeEndsLast && !s.nextBackground.empty()) {
        scene.background = s.nextBackground;
        scene.backgroundPath = s.nextBackgroundPath;
    } else if (s.eraseTimer == 0) {
        scene.background = s.background;
        scene.backgroundPath = s.backgroundPath;
    }
}

// Takes one decision at the wait the script reached; false when it does not fit.
bool decide(std::int32_t decision) {
    CourseState& c = course();
    if (c.state == RunnerState::WaitPage && decision != pageConfirmed) return false;
    if (c.state == RunnerState::Choosing) {
        if (decision < 0 || static_cast<std::size_t>(decision) >= choiceMenu().choices.size()) return false;
        flagState().choiceResult = decision;
    }
    if (c.state == RunnerState::MapPick) return false;
    c.decisions.push_back(decision);
    clearMessages();
    c.state = RunnerState::Running;
    return true;
}

}  // namespace

SceneStart captureScene(const std::string& scriptPath) {
    SceneStart scene;
    scene.script = scriptPath;
    scene.scriptHash = hashBytes(readWholeFile(scriptPath).value_or(""));
    scene.directory = scriptDirectory();
    scene.flags = flagState().flags;
    scene.choiceResult = flagState().choiceResult;
    captureBackground(scene);
    scene.characters = stage().characters;
    scene.characterPaths = stage().characterPaths;
    scene.music = music();
    scene.map = mapPick().map ? mapPick().mapPath : std::string();
    return scene;
}

void restoreScene(const SceneStart& scene) {
    scriptDirectory() = scene.directory;
    flagState().flags = scene.flags;
    flagState().choiceResult = scene.choiceResult;
    restoreStage(scene.background, scene.backgroundPath, scene.characters, scene.characterPaths);
    restoreMap(scene.map);
    music() = scene.music;
}

std::optional<WaitKind> waitOf(RunnerState state) {
    switch (state) {
    case RunnerState::WaitPage: return WaitKind::Page;
    case RunnerState::Choosing: return WaitKind::Choice;
    case RunnerState::MapPick: return WaitKind::MapPick;
    case RunnerState::Running: return std::nullopt;
    }
    return std::nullopt;
}

void syncMusic() {
    Playback& p = playback();
    if (music() == p.musicPlaying) return;
    if (music().empty())
        Orba_stopBgm(0);
    else
        Orba_playBgm(music(), -1, 0);
    p.musicPlaying = music();
}

namespace {

ReplayReach replayUpTo(LuaRunner& runner, const SceneStart& scene, const std::vector<std::int32_t>& decisions,
                       std::optional<WaitKind> wait, bool skipsMissingFiles) {
    const ReplayingMode replaying(skipsMissingFiles);
    restoreScene(scene);
    runner.loadScript(scene.script);
    ReplayReach reach;
    for (std::size_t resumes = 0; resumes <= decisions.size() + spareResumes;) {
        CourseState& c = course();
        if (const std::optional<WaitKind> reached = waitOf(c.state)) {
            finishEffects();
            reach.atWait = true;
            if (reach.taken == decisions.size()) {
                reach.fits = !wait || *wait == *reached;
                // The music starts once the replay ends: one that is gone is checked now.
                if (!music().empty()) (void)skippedAsMissing("music", music());
                return reach;
            }
            if (!decide(decisions[reach.taken])) return reach;
            reach.atWait = false;
            ++reach.taken;
            continue;
        }
        if (!c.pendingScript.empty() || runner.finished()) return reach;
        // The frames play runs before the script goes on: a WAIT's, and the
        // one whose step resumes it.
        passFramesUndrawn(std::int64_t{c.waitFrames} + 1);
        c.waitFrames = 0;
        runner.resume();
        ++resumes;
    }
    return reach;
}

}  // namespace

ReplayReach replaySceneAsFar(LuaRunner& runner, const SceneStart& scene,
                             const std::vector<std::int32_t>& decisions, std::optional<WaitKind> wait) {
    const ReplayReach reach = replayUpTo(runner, scene, decisions, wait, false);
    if (reach.atWait) {
        syncMusic();
        showPageWhole();
    }
    return reach;
}

bool replayScene(LuaRunner& runner, const SceneStart& scene, const std::vector<std::int32_t>& decisions,
                 std::optional<WaitKind> wait) {
    const ReplayReach reach = replayUpTo(runner, scene, decisions, wait, true);
    const bool fits = reach.fits && !playback().missingFile;
    if (fits) syncMusic();
    if (reach.atWait) showPageWhole();  // a moment brought back was read already: it does not type again
    return fits;
}

}  // namespace adv
