#pragma once
// advcheck: checks a game folder as the engine would meet it, without
// opening a window, and reports every fault it finds.
#include <ostream>
#include <string>
#include <vector>

#include "tools/advcheck/report.h"

namespace advcheck {

// Checks the game in the working directory.
Report checkGame();

// The command line: `advcheck [GAME_FOLDER]` (arguments after the program's
// name). Prints the findings and the summary to out, usage and folder errors
// to err; returns the exit status, 0 when no problem was found, else 1. The
// working directory is the same afterwards.
int runAdvcheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace advcheck
