// Window, frame pacing, the per-frame input snapshot, hot keys and the run log.
#ifndef _WIN32
#include <poll.h>
#endif
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <SDL_syswm.h>

#include "orba/orba.h"
#include "orba/orba_state.h"
#include "orba/orba_testing.h"
#include "orba/picturefile.h"

namespace orba {

State& state() {
    static State s;
    return s;
}

namespace {

#ifdef _WIN32
using Display = void;  // no X connection: SDL's pump always runs in full
#endif

constexpr const char* logFile = "run.log";
constexpr const char* quitMessage = orbaQuitMessage;
constexpr int stickThreshold = 26214;
constexpr int mouseButtonCount = 8;
// A quit check inside a script polls the window at most this often.
constexpr std::uint64_t quitPollMs = 10;
// SDL's own event pump runs at least this often, even when the window system
// has sent nothing: it keeps the screen saver off every few seconds.
constexpr std::uint64_t fullPumpMs = 1000;

// Live input state built from the events polled since the last snapshot. A
// press that is released before the frame ends still counts as held in that
// frame. Presses are counted: each snapshot takes one press of an input as its
// push and leaves the others to the snapshots that follow, one each.
struct LiveInput {
    std::array<bool, keyCount> keysHeld{};
    std::array<std::uint8_t, keyCount> keyPresses{};
    std::uint8_t mouseHeld = 0;
    std::array<std::uint8_t, mouseButtonCount> mousePresses{};
    std::vector<bool> joyHeld;
    std::vector<std::uint8_t> joyPresses;
    std::int16_t axisX = 0, axisY = 0;
    Display* display = nullptr;  // SDL's connection for the window's events, if X
    std::uint64_t lastPollMs = 0;
    std::uint64_t lastPumpMs = 0;
    // The engine asked SDL for something of the window (a caption, the
    // pointer, the mode) since SDL last pumped its events: such a request may
    // read events from the connection or leave a request unsent, which only
    // SDL's pump deals with.
    bool pumpDue = true;
};

LiveInput& live() {
    static LiveInput l;
    return l;
}

// After a request to the window system, SDL's pump runs in full once.
void windowRequested() { live().pumpDue = true; }

void countPress(std::uint8_t& presses) {
    if (presses < UINT8_MAX) ++presses;
}

// Whether a press waits for this snapshot; it is then taken.
bool takePress(std::uint8_t& presses) {
    if (presses == 0) return false;
    --presses;
    return true;
}

void appendToLog(std::string_view text) {
    std::ofstream out(logFile, std::ios::binary | std::ios::app);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void writeStdout(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int chooseDepth() {
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    // A palettised desktop would show the pictures in wrong colours.
    return (info && info->vfmt && info->vfmt->BitsPerPixel <= 8) ? 32 : 0;
}

// SDL opens an X input method for text entry, and the input method reads
// the locale's whole table of compose sequences, which takes longer than
// everything else of the window's start. The engine reads keys, never
// composed text (SDL consults the input method only for that), so unless
// the user names a table of their own, an empty one is named.
void skipComposeTable() {
#ifndef _WIN32
    setenv("XCOMPOSEFILE", "/dev/null", 0);
#endif
}

#ifdef _WIN32
Display* eventDisplay() { return nullptr; }
#else
// The connection SDL reads the window's events from, when it is one to X.
Display* eventDisplay() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11) return nullptr;
    return info.info.x11.display;
}
#endif

void openVideo(std::string_view caption) {
    State& s = state();
    skipComposeTable();
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0)
        throw Error("Orba_init: Couldn't initialize SDL");
    s.depth = chooseDepth();
    s.screen = SDL_SetVideoMode(s.width, s.height, s.depth, s.videoFlags);
    if (!s.screen) throw Error("Orba_init: Couldn't set video mode");
    live().display = eventDisplay();
    Orba_setCaption(caption);
    // The icon is optional: a missing or refused file leaves the platform's.
    if (const PictureFile icon = readPicture("resource/orba.bmp"); icon.picture)
        SDL_WM_SetIcon(icon.picture.get(), nullptr);
    s.backBuffer.reset(SDL_ConvertSurface(s.screen, s.screen->format, SDL_SWSURFACE));
    if (!s.backBuffer) throw Error("Orba_init: Couldn't set video mode");
    SDL_FillRect(s.backBuffer.get(), nullptr, 0);  // the copy may hold the platform's pointer
}

void openAudio() {
    if (Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) < 0) {
        const std::string reason = SDL_GetError();
        throw Error("Orba_init: " +
                    (reason.empty() ? std::string("Couldn't open the audio device") : reason));
    }
    state().audioOpen = true;
}

void resizeJoystickButtons(int count) {
    State& s = state();
    s.buttonCount = count;
    s.buttons.assign(static_cast<std::size_t>(count), false);
    s.prevButtons.assign(static_cast<std::size_t>(count), false);
    live().joyHeld.assign(static_cast<std::size_t>(count), false);
    live().joyPresses.assign(static_cast<std::size_t>(count), 0);
}

void openJoystick() {
    State& s = state();
    if (SDL_NumJoysticks() < 1) return;
    s.joystick.reset(SDL_JoystickOpen(0));
    if (!s.joystick) throw Error(SDL_GetError());
    s.joystickPresent = true;
    SDL_JoystickEventState(SDL_ENABLE);
    resizeJoystickButtons(SDL_JoystickNumButtons(s.joystick.get()));
}

// Milliseconds of the monotonic clock, the one the frames are paced by.
std::uint64_t monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

#ifdef _WIN32
// Sleeps until the clock reaches `ms`, never early: Windows has no sleep to a
// deadline, so SDL's delay covers what is left until it has passed.
void sleepUntilMs(std::uint64_t ms) {
    for (std::uint64_t now = monotonicMs(); now < ms; now = monotonicMs())
        SDL_Delay(static_cast<Uint32>(ms - now));
}
#else
// Sleeps until the clock reaches `ms`: one wake-up, never early. A signal
// (SIGTERM becomes a close request) only resumes the sleep.
void sleepUntilMs(std::uint64_t ms) {
    const timespec deadline{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {}
}
#endif

// A frame ends at the first whole millisecond at least frameMs after the one
// the last frame ended at, so the frames keep to the millisecond grid and the
// sleep's lateness never adds up. A frame already late, or one asked to wait
// more than 9999 ms, is not waited for. Returns the time the frame ended.
std::uint64_t paceFrame(std::uint32_t frameMs) {
    State& s = state();
    std::uint64_t now = monotonicMs();
    if (s.lastFrameMs == 0) s.lastFrameMs = now;
    const std::uint64_t deadline = s.lastFrameMs + frameMs;
    if (deadline > now && deadline - now <= 9999) {
        sleepUntilMs(deadline);
        ++s.delayCalls;
        now = monotonicMs();
    }
    s.lastFrameMs = now;
    return now;
}

void keyEvent(const SDL_KeyboardEvent& key) {
    const int sym = key.keysym.sym;
    if (sym < 0 || sym >= keyCount) return;
    const bool down = key.type == SDL_KEYDOWN;
    live().keysHeld[static_cast<std::size_t>(sym)] = down;
    if (down) countPress(live().keyPresses[static_cast<std::size_t>(sym)]);
}

void mouseEvent(const SDL_MouseButtonEvent& button) {
    if (button.button < 1 || button.button > mouseButtonCount) return;
    const auto bit = static_cast<std::uint8_t>(1u << (button.button - 1));
    if (button.type == SDL_MOUSEBUTTONDOWN) {
        live().mouseHeld |= bit;
        countPress(live().mousePresses[button.button - 1u]);
    } else {
        live().mouseHeld &= static_cast<std::uint8_t>(~bit);
    }
}

void joyButtonEvent(const SDL_JoyButtonEvent& button) {
    if (!state().joystickPresent || button.which != 0 || button.button >= state().buttonCount) return;
    const bool down = button.type == SDL_JOYBUTTONDOWN;
    live().joyHeld[button.button] = down;
    if (down) countPress(live().joyPresses[button.button]);
}

void joyAxisEvent(const SDL_JoyAxisEvent& axis) {
    if (!state().joystickPresent || axis.which != 0) return;
    if (axis.axis == 0) live().axisX = axis.value;
    if (axis.axis == 1) live().axisY = axis.value;
}

// Whether SDL's pump may find something. Its own check of the X connection
// takes three system calls, and the frame loop checks 30 times a second: when
// X has sent nothing (no event in the connection's queue, nothing to read),
// one poll tells so. SDL pumps in full without an X connection, with a
// joystick (it is read in the pump), after the engine's own window requests
// and at least once every fullPumpMs.
bool pumpNeeded(std::uint64_t now) {
    const LiveInput& in = live();
    if (!in.display || state().joystick || in.pumpDue || now - in.lastPumpMs >= fullPumpMs) return true;
#ifdef _WIN32
    return true;
#else
    Display* display = in.display;
    if (QLength(display) > 0) return true;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    return poll(&connection, 1, 0) != 0;
#endif
}

void pumpEvents(std::uint64_t now) {
    LiveInput& in = live();
    in.lastPollMs = now;
    if (!pumpNeeded(now)) return;
    SDL_PumpEvents();
    in.lastPumpMs = now;
    in.pumpDue = false;
}

// Any close request in the frame counts, whatever events follow it.
void pollEvents(std::uint64_t now) {
    pumpEvents(now);
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0) {
        switch (event.type) {
        case SDL_QUIT: state().quitRequested = true; break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: keyEvent(event.key); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: mouseEvent(event.button); break;
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP: joyButtonEvent(event.jbutton); break;
        case SDL_JOYAXISMOTION: joyAxisEvent(event.jaxis); break;
        default: break;
        }
    }
}

void takeSnapshot(std::uint64_t now) {
    State& s = state();
    LiveInput& in = live();
    s.prevMouseButtons = s.mouseButtons;
    s.prevKeys = s.keys;
    s.prevButtons = s.buttons;
    s.prevAxisX = s.axisX;
    s.prevAxisY = s.axisY;
    pollEvents(now);
    // A new press is a push even when the previous frame also counted it held
    // (two quick taps in consecutive frames give two pushes).
    std::uint8_t mousePushed = 0;
    for (std::size_t b = 0; b < in.mousePresses.size(); ++b)
        if (takePress(in.mousePresses[b])) mousePushed |= static_cast<std::uint8_t>(1u << b);
    s.mouseButtons = in.mouseHeld | mousePushed;
    s.prevMouseButtons &= static_cast<std::uint8_t>(~mousePushed);
    for (std::size_t i = 0; i < s.keys.size(); ++i) {
        const bool pushed = takePress(in.keyPresses[i]);
        s.keys[i] = in.keysHeld[i] || pushed;
        if (pushed) s.prevKeys[i] = false;
    }
    for (std::size_t i = 0; i < s.buttons.size(); ++i) {
        const bool pushed = takePress(in.joyPresses[i]);
        s.buttons[i] = in.joyHeld[i] || pushed;
        if (pushed) s.prevButtons[i] = false;
    }
    s.axisX = in.axisX;
    s.axisY = in.axisY;
}

void toggleFullScreen() {
    State& s = state();
    const std::uint32_t previous = s.videoFlags;
    s.videoFlags ^= SDL_FULLSCREEN;
    SDL_Surface* screen = SDL_SetVideoMode(s.width, s.height, s.depth, s.videoFlags);
    if (!screen) {
        s.videoFlags = previous;
        screen = SDL_SetVideoMode(s.width, s.height, s.depth, s.videoFlags);
    }
    if (!screen) throw Error("Orba_init: Couldn't set video mode");
    s.screen = screen;
    screenReplaced();
    windowRequested();
}

void handleHotKeys() {
    State& s = state();
    if (Orba_isPushKey(SDLK_F5)) {
        SDL_WM_IconifyWindow();
        windowRequested();
    }
    if (Orba_isPushKey(SDLK_F9)) toggleFullScreen();
    if (Orba_isPushKey(SDLK_F12)) SDL_SaveBMP(s.screen, "screenshot.bmp");
    if (Orba_isPressKey(SDLK_ESCAPE)) s.quitRequested = true;
}

bool stickPushed(int dir, int x, int y) {
    switch (dir) {
    case 0: return y < -stickThreshold;
    case 1: return y > stickThreshold;
    case 2: return x > stickThreshold;
    case 3: return x < -stickThreshold;
    default: return false;
    }
}

bool validDir(int dir) { return state().joystickPresent && dir >= 0 && dir <= 4; }

}  // namespace
}  // namespace orba

using orba::state;

void Orba_init(std::string_view caption, int width, int height, bool fullScreen) {
    orba::State& s = state();
    if (s.initialised) return;
    s.width = width;
    s.height = height;
    s.depth = 0;
    s.videoFlags = SDL_DOUBLEBUF | (fullScreen ? SDL_FULLSCREEN : 0u);
    orba::openVideo(caption);
    orba::openAudio();
    std::ofstream(orba::logFile, std::ios::binary | std::ios::trunc);
    orba::openJoystick();
    SDL_ShowCursor(SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE ? SDL_DISABLE : SDL_ENABLE);
    s.ttfReady = false;
    s.initialised = true;
}

void Orba_quit() {
    orba::State& s = state();
    orba::dropDrawing();
    orba::closeFonts();
    s.joystick.reset();
    if (s.audioOpen) {  // the mixer's calls are not safe once it is closed
        orba::closeSound();
        Mix_CloseAudio();
    }
    s.pictures.clear();
    s.backBuffer.reset();
    SDL_Quit();
    s = orba::State{};
    orba::live() = orba::LiveInput{};
}

void Orba_update(std::uint32_t frameMs) {
    orba::settleSound();
    orba::takeSnapshot(orba::paceFrame(frameMs));
    orba::handleHotKeys();
    if (state().quitRequested) throw Error(orba::quitMessage);
}

void Orba_checkQuit() {
    orba::LiveInput& in = orba::live();
    const std::uint64_t now = orba::monotonicMs();
    if (!state().quitRequested && now - in.lastPollMs < orba::quitPollMs) return;
    orba::pollEvents(now);
    const auto escape = static_cast<std::size_t>(SDLK_ESCAPE);
    if (in.keysHeld[escape] || in.keyPresses[escape] > 0) state().quitRequested = true;
    if (state().quitRequested) throw Error(orba::quitMessage);
}

bool Orba_isPressKey(int sym) {
    return sym >= 0 && sym < orba::keyCount && state().keys[static_cast<std::size_t>(sym)];
}

bool Orba_isPushKey(int sym) {
    if (sym < 0 || sym >= orba::keyCount) return false;
    const auto i = static_cast<std::size_t>(sym);
    return state().keys[i] && !state().prevKeys[i];
}

int Orba_getMouseX() {
    int x = 0;
    SDL_GetMouseState(&x, nullptr);
    return x;
}

int Orba_getMouseY() {
    int y = 0;
    SDL_GetMouseState(nullptr, &y);
    return y;
}

void Orba_warpMouse(int x, int y) {
    const orba::State& s = state();
    SDL_WarpMouse(static_cast<Uint16>(std::clamp(x, 0, std::max(s.width - 1, 0))),
                  static_cast<Uint16>(std::clamp(y, 0, std::max(s.height - 1, 0))));
    orba::windowRequested();
}

std::uint8_t Orba_getPushMouse() {
    return static_cast<std::uint8_t>(state().mouseButtons & ~state().prevMouseButtons);
}

bool Orba_isPushJoy(int button) {
    const orba::State& s = state();
    if (!s.joystickPresent || button < 0 || button >= s.buttonCount) return false;
    const auto i = static_cast<std::size_t>(button);
    return s.buttons[i] && !s.prevButtons[i];
}

bool Orba_isPressJoyDir(int dir) {
    return orba::validDir(dir) && orba::stickPushed(dir, state().axisX, state().axisY);
}

bool Orba_isPushJoyDir(int dir) {
    const orba::State& s = state();
    return orba::validDir(dir) && orba::stickPushed(dir, s.axisX, s.axisY) &&
           !orba::stickPushed(dir, s.prevAxisX, s.prevAxisY);
}

bool Orba_isPushDecide() {
    return Orba_isPushKey(SDLK_z) || Orba_isPushKey(SDLK_RETURN) || Orba_isPushKey(SDLK_SPACE) ||
           Orba_isPushJoy(0) || (Orba_getPushMouse() & SDL_BUTTON_LMASK) != 0;
}

void Orba_setCaptionText(std::string_view title) {
    const std::string text(title);
    SDL_WM_SetCaption(text.c_str(), nullptr);
    orba::windowRequested();
}

void Orba_logText(std::string_view text) {
    orba::writeStdout(text);
    orba::appendToLog(text);
}

void Orba_logException(const std::exception& e) {
    const std::string line = std::string(e.what()) + "\n";
    orba::writeStdout(line);
    orba::appendToLog(line);
}

void Orba_testAttachJoystick(int buttonCount) {
    state().joystickPresent = true;
    orba::resizeJoystickButtons(buttonCount);
}

std::uint32_t Orba_testDelayCalls() { return state().delayCalls; }
SDL_Surface* Orba_testBackBuffer() {
    if (state().backBuffer) orba::forgetDrawing();  // everything drawn is in it, and the caller may change it
    return state().backBuffer.get();
}
SDL_Surface* Orba_testScreen() { return state().screen; }
