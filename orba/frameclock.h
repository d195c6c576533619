#pragma once
// The clock the frames are paced by, and the wait for the player's input
// between frames. Only files of orba/ include this; the tests put a recorded
// input timeline in place of the real clock (orba_testing.h).
#include <cstdint>

namespace orba {

class FrameClock {
public:
    virtual ~FrameClock() = default;
    virtual std::uint64_t nowMs() = 0;              // milliseconds of a monotonic clock
    virtual void sleepUntil(std::uint64_t ms) = 0;  // never early
    // Waits until the window system may have input to read or the clock
    // reaches `ms`, whichever comes first; it may also return early. False
    // when it watched the window system's connection until it returned and
    // found nothing to read there.
    virtual bool waitForInput(std::uint64_t ms) = 0;
    // Whether waitForInput wakes on input at all; without, the frames keep
    // their period, as nothing would wake a longer sleep.
    virtual bool wakesOnInput() const = 0;
};

// The clock in use: the monotonic clock with, when the window's events come
// through an X connection, a wait on it; in the browser, a wait that the
// page's input ends.
FrameClock& frameClock();
// From Orba_init: the descriptor of the X connection (-1 for none). A close
// request by signal wakes the wait as well.
void watchInput(int connectionFd);
// From Orba_quit: back to the real clock, watching nothing.
void stopWatchingInput();

}  // namespace orba
