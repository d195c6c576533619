// advcheck [GAME_FOLDER]: checks a game folder (the current one by default),
// prints each finding as "file:line: message" and a summary; exit status 0
// when no problem was found, 1 otherwise.
#include <iostream>

#include "tools/advcheck/advcheck.h"

int main(int argc, char** argv) {
    return advcheck::runAdvcheck({argv + 1, argv + argc}, std::cout, std::cerr);
}
