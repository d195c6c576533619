// screenprobe: starts a program in the current folder and measures, from the
// outside, how soon its first screen shows, how much memory it holds, how
// much CPU it takes while it waits and how soon a click reaches the screen.
//
//   screenprobe [--idle SECONDS] [--settle SECONDS] [--clicks N] PROGRAM [ARGS...]
//
// The X server named by DISPLAY must show nothing but black until the program
// draws (Xvfb -br). The first screen counts as shown when the program's
// top-level window is mapped and some pixel of it is not black. Then the
// probe waits --settle seconds, counts the user and system CPU time of all
// the program's threads over --idle seconds (and, for each thread, its CPU
// time and how often it woke up, beside a thread of the probe that only
// sleeps 33 ms at a time, and of one that sends the X server a small picture
// five times a second, the least an animated icon can cost), reads its peak
// resident memory and ends it with SIGTERM, which the program takes as a
// close request. With --clicks, before
// the end it clicks N times into the window, a few hundred milliseconds
// apart so that the clicks fall anywhere in a frame's period, and times each
// from the click until the window's pixels change (what the program shows
// must not change by itself meanwhile).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "screenprobe: %s\n", message.c_str());
    std::exit(1);
}

pid_t startProgram(char** argv) {
    const pid_t pid = fork();
    if (pid < 0) fail("fork failed");
    if (pid == 0) {
        // The program's own output would mix with the figures.
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            close(quiet);
        }
        execvp(argv[0], argv);
        std::perror("screenprobe: exec");
        _exit(127);
    }
    return pid;
}

bool exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

// Waits for the first top-level window that is mapped; 0 on timeout or when
// the program ends first.
Window waitForMap(Display* display, pid_t pid, double deadline) {
    const int fd = ConnectionNumber(display);
    while (nowMs() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify) return event.xmap.window;
        }
        if (exited(pid)) return 0;
        pollfd wait{fd, POLLIN, 0};
        poll(&wait, 1, 1);
    }
    return 0;
}

// Reads what the screen shows under a window through shared memory, which
// keeps the probe's own cost (and the X server's) small while it polls.
class ScreenReader {
public:
    ScreenReader(Display* display, Window window) : display_(display), window_(window) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, window, &attributes)) fail("the window went away");
        root_ = attributes.root;
        const int screen = DefaultScreen(display);
        image_ = XShmCreateImage(display, DefaultVisual(display, screen),
                                 static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, nullptr,
                                 &segment_, static_cast<unsigned>(attributes.width),
                                 static_cast<unsigned>(attributes.height));
        if (!image_ || image_->bits_per_pixel != 32) fail("needs a 24-bit display with shared memory");
        segment_.shmid = shmget(
            IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line * image_->height), IPC_CREAT | 0600);
        segment_.shmaddr = image_->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
        segment_.readOnly = False;
        if (!XShmAttach(display, &segment_)) fail("XShmAttach failed");
        XSync(display, False);
        shmctl(segment_.shmid, IPC_RMID, nullptr);  // freed once both sides detach
    }
    ~ScreenReader() {
        XShmDetach(display_, &segment_);
        XDestroyImage(image_);
        shmdt(segment_.shmaddr);
    }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    // Whether the window is viewable and some pixel of it is not black.
    bool showsSomething() {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, window_, &attributes) || attributes.map_state != IsViewable)
            return false;
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(display_, window_, root_, 0, 0, &x, &y, &child);
        if (!XShmGetImage(display_, root_, image_, x, y, AllPlanes)) return false;
        for (int row = 0; row < image_->height; ++row) {
            const auto* pixels =
                reinterpret_cast<const std::uint32_t*>(image_->data + row * image_->bytes_per_line);
            for (int column = 0; column < image_->width; ++column)
                if ((pixels[column] & 0xffffff) != 0) return true;
        }
        return false;
    }

    // The window's pixels as the screen shows them now; empty when it cannot be read.
    std::string pixels() {
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(display_, window_, root_, 0, 0, &x, &y, &child);
        if (!XShmGetImage(display_, root_, image_, x, y, AllPlanes)) return {};
        return std::string(image_->data, static_cast<std::size_t>(image_->bytes_per_line * image_->height));
    }

private:
    Display* display_;
    Window window_, root_ = 0;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
};

// utime + stime of every thread of the process, in clock ticks.
std::optional<long long> cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    // After the command name: state is field 3, utime 14, stime 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) utime = std::stoll(field);
        if (index == 15) stime = std::stoll(field);
    }
    return utime + stime;
}

// Time on the CPU of every live thread of the process, in nanoseconds: the
// same figure as the ticks above, at a finer grain.
long long scheduledNs(pid_t pid) {
    long long total = 0;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "schedstat");
        long long ns = 0;
        if (in >> ns) total += ns;
    }
    return total;
}

std::string statusField(const std::string& statusFile, const std::string& name) {
    std::ifstream in(statusFile);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name + ":", 0) == 0) {
            std::string value = line.substr(name.size() + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            return value;
        }
    return "?";
}

// What one thread has done so far: its time on the CPU and how often it
// stopped running, by its own wait (a sleep, a blocking read) or preempted.
struct ThreadCount {
    std::string name;
    long long ns = 0, waits = 0, preemptions = 0;
};
using ThreadCounts = std::map<long, ThreadCount>;

ThreadCounts threadCounts(pid_t pid) {
    ThreadCounts counts;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        ThreadCount count;
        std::ifstream(task.path() / "schedstat") >> count.ns;
        std::ifstream(task.path() / "comm") >> count.name;
        const std::string status = (task.path() / "status").string();
        count.waits = std::atoll(statusField(status, "voluntary_ctxt_switches").c_str());
        count.preemptions = std::atoll(statusField(status, "nonvoluntary_ctxt_switches").c_str());
        counts[std::atol(task.path().filename().c_str())] = count;
    }
    return counts;
}

// Each thread's share of the idle window: CPU time and wake-ups per second.
// A thread wakes once for each time it waited; a thread that started or
// ended within the window counts from or to zero.
void reportThreads(pid_t pid, const ThreadCounts& before, const ThreadCounts& after, double seconds) {
    ThreadCounts all = before;
    for (const auto& [tid, count] : after) all[tid].name = count.name;
    for (const auto& [tid, entry] : all) {
        const auto from = before.find(tid), to = after.find(tid);
        const ThreadCount zero;
        const ThreadCount& a = from == before.end() ? zero : from->second;
        const ThreadCount& b = to == after.end() ? zero : to->second;
        const char* role = tid == pid ? "main thread" : "thread";
        const char* life = from == before.end() ? ", started in the window"
                           : to == after.end()  ? ", ended in the window"
                                                : "";
        std::printf("  %-11s %-6ld %-15s %7.3f %% CPU, %6.1f wake-ups/s, %5.1f preemptions/s%s\n", role, tid,
                    entry.name.c_str(), 100.0 * static_cast<double>(b.ns - a.ns) / 1e9 / seconds,
                    static_cast<double>(b.waits - a.waits) / seconds,
                    static_cast<double>(b.preemptions - a.preemptions) / seconds, life);
    }
}

void sleepMs(double ms) {
    const double end = nowMs() + ms;
    for (double left = ms; left > 0; left = end - nowMs()) {
        timespec t{static_cast<time_t>(left / 1000), static_cast<long>(std::fmod(left, 1000.0) * 1e6)};
        nanosleep(&t, nullptr);
    }
}

// A thread of the probe that wakes every periodMs and, with a connection of
// its own, may send the X server a small picture each time (into a pixmap,
// so nothing shows). Sleeping 33 ms at a time, it tells what waking 30 times
// a second costs on this machine under its present load, the least any frame
// loop of that rate can take; sending the page-feed icon's cell 5 times a
// second, the least an animated icon can cost a client of the X server.
class FloorLoop {
public:
    FloorLoop(long periodMs, bool sends) : periodMs_(periodMs), sends_(sends), thread_([this] { run(); }) {
        while (tid_ == 0) sleepMs(1);
    }
    ~FloorLoop() {
        stop_ = true;
        thread_.join();
    }
    FloorLoop(const FloorLoop&) = delete;
    FloorLoop& operator=(const FloorLoop&) = delete;

    ThreadCount count() const {
        const std::filesystem::path task = "/proc/self/task/" + std::to_string(tid_);
        ThreadCount c;
        std::ifstream(task / "schedstat") >> c.ns;
        c.waits = std::atoll(statusField((task / "status").string(), "voluntary_ctxt_switches").c_str());
        return c;
    }

private:
    static constexpr int cell = 32;

    void run() {
        Display* display = sends_ ? XOpenDisplay(nullptr) : nullptr;
        Pixmap pixmap = 0;
        GC gc = nullptr;
        XImage* image = nullptr;
        if (display) {
            const int screen = DefaultScreen(display);
            pixmap = XCreatePixmap(display, RootWindow(display, screen), cell, cell,
                                   DefaultDepth(display, screen));
            gc = XCreateGC(display, pixmap, 0, nullptr);
            image =
                XCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap,
                             0, static_cast<char*>(std::calloc(cell * cell, 4)), cell, cell, 32, 0);
        }
        tid_ = static_cast<long>(gettid());
        for (unsigned n = 0; !stop_; ++n) {
            timespec t{0, periodMs_ * 1'000'000};
            nanosleep(&t, nullptr);
            if (!image) continue;
            image->data[0] = static_cast<char>(n);
            XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, cell, cell);
            XFlush(display);
        }
        if (image) XDestroyImage(image);
        if (display) {
            XFreeGC(display, gc);
            XFreePixmap(display, pixmap);
            XCloseDisplay(display);
        }
    }

    long periodMs_;
    bool sends_;
    std::atomic<long> tid_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The innermost window at the top-level window's top left: the one that
// selects the mouse's events.
Window innermost(Display* display, Window window) {
    for (;;) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) return window;
        const Window inner = count > 0 ? children[count - 1] : 0;
        if (children) XFree(children);
        if (!inner) return window;
        window = inner;
    }
}

// A left click at (x, y) of the window, as the X server would send it.
void sendClick(Display* display, Window window, int x, int y) {
    XEvent event{};
    XButtonEvent& button = event.xbutton;
    button.type = ButtonPress;
    button.display = display;
    button.window = window;
    button.root = DefaultRootWindow(display);
    button.time = CurrentTime;
    button.x = x;
    button.y = y;
    button.same_screen = True;
    button.button = Button1;
    XSendEvent(display, window, True, ButtonPressMask, &event);
    button.type = ButtonRelease;
    button.state = Button1Mask;
    XSendEvent(display, window, True, ButtonReleaseMask, &event);
    XFlush(display);
}

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(share * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

// Clicks `count` times and reports how long each took to change the screen.
void timeClicks(Display* display, Window window, ScreenReader& reader, int count) {
    const Window target = innermost(display, window);
    std::vector<double> delays;
    unsigned seed = 1;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        sleepMs(250 + (seed >> 16) % 250);  // anywhere in a frame's period
        const std::string before = reader.pixels();
        const double clicked = nowMs();
        sendClick(display, target, 320, 240);
        double changed = 0;
        while (!changed && nowMs() - clicked < 2000)
            if (reader.pixels() != before) changed = nowMs();
        if (!changed) {
            std::printf("click %d: the screen did not change within 2 s\n", i + 1);
            continue;
        }
        delays.push_back(changed - clicked);
    }
    if (delays.empty()) return;
    std::printf(
        "click to screen:     median %.1f ms, 90th percentile %.1f ms, slowest %.1f ms (%zu clicks)\n",
        percentile(delays, 0.5), percentile(delays, 0.9), percentile(delays, 1.0), delays.size());
}

int stopProgram(pid_t pid) {
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        sleepMs(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    double idleSeconds = 10, settleSeconds = 1;
    int clicks = 0;
    int first = 1;
    for (; first + 1 < argc && std::strncmp(argv[first], "--", 2) == 0; first += 2) {
        if (std::strcmp(argv[first], "--idle") == 0)
            idleSeconds = std::atof(argv[first + 1]);
        else if (std::strcmp(argv[first], "--settle") == 0)
            settleSeconds = std::atof(argv[first + 1]);
        else if (std::strcmp(argv[first], "--clicks") == 0)
            clicks = std::atoi(argv[first + 1]);
        else
            fail(std::string("unknown option ") + argv[first]);
    }
    if (first >= argc) fail("usage: screenprobe [--idle S] [--settle S] [--clicks N] PROGRAM [ARGS...]");

    XInitThreads();  // a reference thread has a connection of its own
    Display* display = XOpenDisplay(nullptr);
    if (!display) fail("cannot open the display");
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const double start = nowMs();
    const pid_t pid = startProgram(argv + first);
    const Window window = waitForMap(display, pid, start + 10000);
    if (!window) fail("no window within 10 s");
    const double mapped = nowMs();
    ScreenReader reader(display, window);
    double shown = 0;
    while (!shown) {
        if (reader.showsSomething())
            shown = nowMs();
        else if (exited(pid) || nowMs() - start > 10000)
            fail("the window stayed black");
        else
            sleepMs(1);
    }
    std::printf("window mapped:       %7.1f ms after start\n", mapped - start);
    std::printf("first screen shown:  %7.1f ms after start\n", shown - start);
    std::fflush(stdout);

    if (idleSeconds > 0) {
        sleepMs(settleSeconds * 1000);
        const auto before = cpuTicks(pid);
        const long long scheduledBefore = scheduledNs(pid);
        const ThreadCounts threadsBefore = threadCounts(pid);
        const FloorLoop floor(33, false), icon(200, true);
        const ThreadCount floorBefore = floor.count(), iconBefore = icon.count();
        const double from = nowMs();
        sleepMs(idleSeconds * 1000);
        const auto after = cpuTicks(pid);
        const long long scheduled = scheduledNs(pid) - scheduledBefore;
        const ThreadCounts threadsAfter = threadCounts(pid);
        const ThreadCount floorAfter = floor.count(), iconAfter = icon.count();
        const double elapsed = nowMs() - from;
        if (!before || !after) fail("the program ended while it should wait");
        const double cpuMs =
            static_cast<double>(*after - *before) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
        std::printf("idle CPU:            %7.2f %% of one core (%.0f ms CPU in %.1f s, all threads)\n",
                    100.0 * cpuMs / elapsed, cpuMs, elapsed / 1000.0);
        std::printf(
            "idle CPU, scheduler: %7.2f %% of one core (%.1f ms on the CPU, /proc/PID/task/*/schedstat)\n",
            100.0 * static_cast<double>(scheduled) / 1e6 / elapsed, static_cast<double>(scheduled) / 1e6);
        std::printf("per thread (/proc/PID/task/*/schedstat and status):\n");
        reportThreads(pid, threadsBefore, threadsAfter, elapsed / 1000.0);
        std::printf(
            "reference: a thread that only sleeps 33 ms at a time, in the probe: %.3f %% CPU, %.1f "
            "wake-ups/s\n",
            100.0 * static_cast<double>(floorAfter.ns - floorBefore.ns) / 1e6 / elapsed,
            static_cast<double>(floorAfter.waits - floorBefore.waits) * 1000.0 / elapsed);
        std::printf(
            "reference: a thread that sends X a 32 x 32 picture 5 times a second (an icon's changes), in the "
            "probe: %.3f %% CPU, %.1f wake-ups/s\n",
            100.0 * static_cast<double>(iconAfter.ns - iconBefore.ns) / 1e6 / elapsed,
            static_cast<double>(iconAfter.waits - iconBefore.waits) * 1000.0 / elapsed);
    }
    if (clicks > 0) {
        if (idleSeconds <= 0) sleepMs(settleSeconds * 1000);
        timeClicks(display, window, reader, clicks);
    }
    std::printf("peak memory (VmHWM): %s\n",
                statusField("/proc/" + std::to_string(pid) + "/status", "VmHWM").c_str());
    const int status = stopProgram(pid);
    std::printf("exit status:         %d\n", status);
    return 0;
}
