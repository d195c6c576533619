// The frame clock: the monotonic clock, the sleep to a frame's deadline and
// the wait on the X connection or on the page's input; and the tests'
// recorded input timeline.
#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#endif
#include <time.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <memory>
#include <utility>
#include <vector>

#include "orba/error.h"
#include "orba/frameclock.h"
#include "orba/orba_testing.h"

#ifdef __EMSCRIPTEN__
// The page's wait (web/page.js) ends at the deadline or as soon as the page
// queues an input event for SDL: 1 for the input, 0 for the deadline.
EM_ASYNC_JS(int, orbaWebWaitForInput, (double ms), { return await Module['waitForInput'](ms); });
#endif

namespace orba {

namespace {

std::uint64_t monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
#ifdef _WIN32
// Windows has no sleep to a deadline, so SDL's delay covers what is left
// until it has passed.
void sleepUntilMs(std::uint64_t ms) {
    for (std::uint64_t now = monotonicMs(); now < ms; now = monotonicMs())
        SDL_Delay(static_cast<Uint32>(ms - now));
}

// No window system connection to wait on: the frames keep their period.
constexpr bool inputWakes = false;
bool sleepUntilMsOrInput(std::uint64_t ms) {
    sleepUntilMs(ms);
    return true;
}
#else
// The page has one thread: the sleep hands it back to the browser, which
// shows the canvas and queues the input meanwhile.
void sleepUntilMs(std::uint64_t ms) {
    for (std::uint64_t now = monotonicMs(); now < ms; now = monotonicMs())
        emscripten_sleep(static_cast<unsigned>(ms - now));
}

// The page's input ends the sleep too, so a waiting page sleeps until its
// next change. True when input ended it.
constexpr bool inputWakes = true;
bool sleepUntilMsOrInput(std::uint64_t ms) {
    for (std::uint64_t now = monotonicMs(); now < ms; now = monotonicMs())
        if (orbaWebWaitForInput(static_cast<double>(ms - now)) != 0) return true;
    return false;
}
#endif

class RealClock : public FrameClock {
public:
    std::uint64_t nowMs() override { return monotonicMs(); }
    void sleepUntil(std::uint64_t ms) override { sleepUntilMs(ms); }
    bool waitForInput(std::uint64_t ms) override { return sleepUntilMsOrInput(ms); }
    bool wakesOnInput() const override { return inputWakes; }
    void watch(int) {}
    void unwatch() {}
};
#else
// One wake-up, never early. A signal (SIGTERM becomes a close request) only
// resumes the sleep.
void sleepUntilMs(std::uint64_t ms) {
    const timespec deadline{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {}
}

// SDL turns SIGTERM and SIGINT into a close request in its own handler. A
// signal that comes after the wait last looked at SDL's queue but before
// it sleeps would not end the sleep, so this handler runs SDL's and then
// writes to a pipe that the wait watches as well.
constexpr std::array<int, 2> closeSignals{SIGTERM, SIGINT};
std::array<struct sigaction, 2> sdlHandlers{};
std::array<bool, 2> wrapped{};
int wakePipe[2] = {-1, -1};

void onCloseSignal(int sig) {
    const int saved = errno;
    for (std::size_t i = 0; i < closeSignals.size(); ++i)
        if (closeSignals[i] == sig && wrapped[i]) sdlHandlers[i].sa_handler(sig);
    const char byte = 0;
    if (write(wakePipe[1], &byte, 1) < 0) {}  // a full pipe wakes the wait already
    errno = saved;
}

bool plainHandler(const struct sigaction& action) {
    return !(action.sa_flags & SA_SIGINFO) && action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

class RealClock : public FrameClock {
public:
    std::uint64_t nowMs() override { return monotonicMs(); }
    void sleepUntil(std::uint64_t ms) override { sleepUntilMs(ms); }
    bool wakesOnInput() const override { return connection_ >= 0; }

    bool waitForInput(std::uint64_t ms) override {
        const std::uint64_t now = monotonicMs();
        if (connection_ < 0) {
            sleepUntilMs(ms);
            return true;
        }
        if (ms <= now) return true;
        // From a whole millisecond of the clock, this waits at least to `ms`.
        const auto timeout = static_cast<int>(std::min<std::uint64_t>(ms - now, INT_MAX));
        std::array<pollfd, 2> watched{pollfd{connection_, POLLIN, 0}, pollfd{wakePipe[0], POLLIN, 0}};
        const int ready = poll(watched.data(), watched.size(), timeout);
        if (ready > 0 && watched[1].revents != 0) {
            char bytes[16];
            while (read(wakePipe[0], bytes, sizeof bytes) > 0) {}
        }
        return ready < 0 || (ready > 0 && watched[0].revents != 0);
    }

    void watch(int connection) {
        unwatch();
        if (connection < 0 || pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) return;
        connection_ = connection;
        for (std::size_t i = 0; i < closeSignals.size(); ++i) {
            struct sigaction ours {};
            ours.sa_handler = onCloseSignal;
            sigemptyset(&ours.sa_mask);
            sigaction(closeSignals[i], nullptr, &sdlHandlers[i]);
            wrapped[i] = plainHandler(sdlHandlers[i]) && sigaction(closeSignals[i], &ours, nullptr) == 0;
        }
    }

    void unwatch() {
        for (std::size_t i = 0; i < closeSignals.size(); ++i) {
            if (!wrapped[i]) continue;
            sigaction(closeSignals[i], &sdlHandlers[i], nullptr);  // SDL's own again, then no more forwarding
            wrapped[i] = false;
        }
        for (int& end : wakePipe) {
            if (end >= 0) close(end);
            end = -1;
        }
        connection_ = -1;
    }

private:
    int connection_ = -1;
};
#endif

// A clock that moves only when the pacing sleeps or waits, doing each input
// of the timeline as it passes the input's millisecond.
class TimelineClock : public FrameClock {
public:
    TimelineClock(std::vector<TimedInput> timeline, std::uint64_t endMs)
        : timeline_(std::move(timeline)), end_(endMs) {
        std::stable_sort(timeline_.begin(), timeline_.end(),
                         [](const TimedInput& a, const TimedInput& b) { return a.first < b.first; });
    }
    std::uint64_t nowMs() override { return now_; }
    void sleepUntil(std::uint64_t ms) override { advanceTo(ms); }
    bool waitForInput(std::uint64_t ms) override {
        advanceTo(next_ < timeline_.size() ? std::min(ms, timeline_[next_].first) : ms);
        return true;
    }
    bool wakesOnInput() const override { return true; }

private:
    void advanceTo(std::uint64_t ms) {
        if (ms > end_) throw Error(orbaTimelineEnded);
        now_ = std::max(now_, ms);
        while (next_ < timeline_.size() && timeline_[next_].first <= now_) timeline_[next_++].second();
    }

    std::vector<TimedInput> timeline_;
    std::uint64_t end_;
    std::size_t next_ = 0;
    std::uint64_t now_ = 1000;  // 0 would read as "no frame yet"
};

RealClock& realClock() {
    static RealClock clock;
    return clock;
}

std::unique_ptr<FrameClock>& testClock() {
    static std::unique_ptr<FrameClock> clock;
    return clock;
}

}  // namespace

FrameClock& frameClock() { return testClock() ? *testClock() : realClock(); }

void watchInput(int connectionFd) { realClock().watch(connectionFd); }

void stopWatchingInput() {
    realClock().unwatch();
    testClock().reset();
}

}  // namespace orba

void Orba_testUseTimeline(std::vector<TimedInput> timeline, std::uint64_t endMs) {
    orba::testClock() = std::make_unique<orba::TimelineClock>(std::move(timeline), endMs);
}

std::uint64_t Orba_testClockMs() { return orba::frameClock().nowMs(); }
