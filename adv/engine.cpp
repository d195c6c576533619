#include "adv/engine.h"

namespace adv {

namespace {

EngineState current;

}  // namespace

EngineState& engine() { return current; }

void resetEngineState() { current = EngineState{}; }

void resetScriptState() {
    course() = CourseState{};
    clearMessages();
    messageWindow().messageCounter = 0;
    stage().flashTimer = 0;
}

}  // namespace adv
