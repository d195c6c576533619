// A small program on the platform layer alone, for the real-window smoke test:
// it logs every confirm push and ends like the engine does.
#include <exception>

#include "orba/orba.h"

int main() {
    int pushes = 0;
    try {
        Orba_init("orba platform demo", 640, 480, false);
        for (int frame = 0;; ++frame) {
            Orba_fillRect(0, 0, 0, 0, 0, 0, 96);
            Orba_fillRect(100 + frame % 200, 200, 40, 40, 255, 200, 0);
            Orba_flip();
            Orba_update(1000 / 30);
            if (Orba_isPushDecide()) Orba_log("push %d\n", ++pushes);
        }
    } catch (const std::exception& e) {
        Orba_logException(e);
    }
    Orba_quit();
    return 0;
}
