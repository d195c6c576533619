#pragma once
// A scene is one script's run: it starts from the lasting part of the engine
// state, and the player's decisions since then lead it on. Capturing that
// start and replaying decisions from it brings back any moment of the scene.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "adv/savefile.h"

class LuaRunner;

namespace adv {

// The lasting state as the script at scriptPath starts: a transition still
// running counts as ended, since a restored scene shows it ended.
SceneStart captureScene(const std::string& scriptPath);

// Sets the lasting state to the scene's start, reading its pictures and map again.
void restoreScene(const SceneStart& scene);

// Starts or stops the music so that it plays what the lasting state names.
void syncMusic();

// Restores the scene, loads its script and runs it, taking the decisions as
// the player took them, without drawing, sound effects or log lines, up to
// the wait after the last decision. False when the script no longer fits
// the decisions (a wait of another kind, a choice that is not offered, a
// script change or end before the last decision, or not the expected wait);
// the engine state is then undefined and the caller brings back a moment it
// trusts.
bool replayScene(LuaRunner& runner, const SceneStart& scene, const std::vector<std::int32_t>& decisions,
                 std::optional<WaitKind> wait);

} // namespace adv
