// fmfdump FILE: loads a map and prints its header and layers, so that a map
// author can check a file. A load error goes to standard error with a
// non-zero exit status.
#include <cstdio>

#include "fmfloader/fmfloader.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fmfdump FILE\n");
        return 2;
    }
    try {
        const FMFLoader map(argv[1]);
        map.dump();
    } catch (const Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    if (std::fflush(stdout) != 0) {
        std::perror("fmfdump: writing standard output");
        return 1;
    }
    return 0;
}
