#pragma once
// A scene is one script's run: it starts from the lasting part of the engine
// state, and the player's decisions since then lead it on. Capturing that
// start and replaying decisions from it brings back any moment of the scene.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "adv/comforts/savefile.h"
#include "adv/course.h"

class LuaRunner;

namespace adv {

// The lasting state as the script at scriptPath starts: a transition still
// running counts as ended, since a restored scene shows it ended.
SceneStart captureScene(const std::string& scriptPath);

// Sets the lasting state to the scene's start, reading its pictures and map again.
void restoreScene(const SceneStart& scene);

// The wait a runner state stands for, none while the script runs.
std::optional<WaitKind> waitOf(RunnerState state);

// Starts or stops the music so that it plays what the lasting state names.
void syncMusic();

// Restores the scene, loads its script and runs it, taking the decisions as
// the player took them, without drawing, sound effects or log lines, up to
// the wait after the last decision. False when the script no longer fits
// the decisions (a wait of another kind, a choice that is not offered, a
// script change or end before the last decision, or not the expected wait),
// or when a picture, map or music it reads is gone: that one is skipped, not
// the end of the game, and playback().missingFile names the first. The
// engine state is then undefined and the caller brings back a moment it
// trusts.
bool replayScene(LuaRunner& runner, const SceneStart& scene, const std::vector<std::int32_t>& decisions,
                 std::optional<WaitKind> wait);

// How far a replay came: the decisions it took, whether the state shows a
// wait (the one after the last decision taken, where the next one did not
// fit), and whether the decisions fitted all the way as replayScene wants.
struct ReplayReach {
    std::size_t taken = 0;
    bool atWait = false;
    bool fits = false;
};
// As replayScene, but where the decisions stop fitting at a wait, the state
// is that wait, ready for the player. A replay that ends without a wait
// (the script ended or loaded another first) leaves the state undefined.
ReplayReach replaySceneAsFar(LuaRunner& runner, const SceneStart& scene,
                             const std::vector<std::int32_t>& decisions, std::optional<WaitKind> wait);

}  // namespace adv
