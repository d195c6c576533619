// Window, frame pacing, the per-frame input snapshot, hot keys and the run log.
#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#endif
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <SDL_syswm.h>

#include "gamefiles/atomicfile.h"
#include "gamefiles/regularfile.h"
#include "orba/display.h"
#include "orba/frameclock.h"
#include "orba/orba.h"
#include "orba/orba_state.h"
#include "orba/orba_testing.h"
#include "orba/picturefile.h"
#include "orba/serveranimation.h"
#include "orba/windowtitle.h"
#include "orba/windowupdate.h"

namespace orba {

State& state() {
    static State s;
    return s;
}

namespace {

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
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
// A frame period beyond this is not waited for.
constexpr std::uint32_t maxFrameMs = 9999;
// SDL's pump resets the screen saver's timer: a wait for input pumps at least
// this often, so the screen saver stays off as it does while frames run.
constexpr std::uint64_t screenSaverPumpMs = 30000;

// Live input state built from the events polled since the last snapshot. A
// press that is released before the frame ends still counts as held in that
// frame. Presses are counted: each snapshot takes one press of an input as its
// push and leaves the others to the snapshots that follow, one each.
struct LiveInput {
    std::array<bool, keyCount> keysHeld{};
    std::array<std::uint8_t, keyCount> keyPresses{};
    std::uint32_t keyPressesLeft = 0;  // the sum of keyPresses: most snapshots need not look at each key
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

void countPress(std::uint8_t& presses) {
    if (presses < UINT8_MAX) ++presses;
}

// Whether a press waits for this snapshot; it is then taken.
bool takePress(std::uint8_t& presses) {
    if (presses == 0) return false;
    --presses;
    return true;
}

void appendToLog(std::string_view text) { appendToRegularFile(logFile, text); }

// F12's picture of the screen, written atomically like the saves: a link at
// its name is replaced, not written through.
void saveScreenshot(SDL_Surface* screen) {
    // SDL writes 24 bits per pixel (8 with a palette) in rows padded to 4
    // bytes, behind a 54-byte header and at most 256 palette entries.
    const std::size_t bound = 54 + 256 * 4 + static_cast<std::size_t>(screen->h) * (screen->w * 3 + 3);
    std::string bytes(bound, '\0');
    SDL_RWops* memory = SDL_RWFromMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!memory) return;
    const bool saved = SDL_SaveBMP_RW(screen, memory, 0) == 0;
    const int length = SDL_RWtell(memory);
    SDL_RWclose(memory);
    if (saved && length > 0) writeFileAtomically("screenshot.bmp", std::string_view(bytes).substr(0, length));
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
// Without this, Windows stretches the window of a program that does not say
// it knows the display's scale (125 %, 150 %...), and every pixel blurs; the
// engine scales the frame itself. Looked up, as older systems lack it.
void declareDpiAware() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    FARPROC found = user32 ? GetProcAddress(user32, "SetProcessDPIAware") : nullptr;
    if (found) reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void (*)()>(found))();
}
Display* eventDisplay() { return nullptr; }
#elif defined(__EMSCRIPTEN__)
void declareDpiAware() {}                    // the page scales the canvas
Display* eventDisplay() { return nullptr; }  // no X: SDL's pump runs in full
#else
void declareDpiAware() {}  // X shows the window in the display's own pixels
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
    declareDpiAware();
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0)
        throw Error("Orba_init: Couldn't initialize SDL");
    s.depth = chooseDepth();
    noteDesktopSize();
    if (!applyDisplayMode()) throw Error("Orba_init: Couldn't set video mode");
    live().display = eventDisplay();
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
    watchInput(-1);
#else
    watchInput(live().display ? ConnectionNumber(live().display) : -1);
#endif
    Orba_setCaption(caption);
    // The icon is optional: a missing or refused file leaves the platform's.
    if (const PictureFile icon = readPicture("resource/orba.bmp"); icon.picture)
        SDL_WM_SetIcon(icon.picture.get(), nullptr);
    s.backBuffer = makeBackBuffer();
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

// A frame ends at the first whole millisecond at least frameMs after the one
// the last frame ended at, so the frames keep to the millisecond grid and the
// sleep's lateness never adds up. A frame already late, or one asked to wait
// more than 9999 ms, is not waited for. Returns the time the frame ended.
std::uint64_t paceFrame(std::uint32_t frameMs) {
    State& s = state();
    FrameClock& clock = frameClock();
    std::uint64_t now = clock.nowMs();
    if (s.lastFrameMs == 0) s.lastFrameMs = now;
    const std::uint64_t deadline = s.lastFrameMs + frameMs;
    if (deadline > now && deadline - now <= maxFrameMs) {
        clock.sleepUntil(deadline);
        ++s.delayCalls;
        now = clock.nowMs();
    }
    s.lastFrameMs = now;
    s.lastWaitQuiet = s.aheadDeclined = false;
    return now;
}

void keyEvent(const SDL_KeyboardEvent& key) {
    const int sym = key.keysym.sym;
    if (sym < 0 || sym >= keyCount) return;
    const bool down = key.type == SDL_KEYDOWN;
    LiveInput& in = live();
    std::uint8_t& presses = in.keyPresses[static_cast<std::size_t>(sym)];
    in.keysHeld[static_cast<std::size_t>(sym)] = down;
    if (down && presses < UINT8_MAX) {
        ++presses;
        ++in.keyPressesLeft;
    }
}

void mouseEvent(const SDL_MouseButtonEvent& button) {
    if (button.button < 1 || button.button > mouseButtonCount) return;
    const auto bit = static_cast<std::uint8_t>(1u << (button.button - 1));
    if (button.type == SDL_MOUSEBUTTONDOWN) {
        if (!onFrame(button.x, button.y)) return;  // a press on the bars is outside the game
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

// How a pump learns whether the X connection has bytes to read: by a poll
// of its own, or from the wait for input, which has just watched it and
// found none or is about to watch it.
enum class Connection { Poll, Watched };

// Whether SDL's pump may find something. Its own check of the X connection
// takes three system calls, and the frame loop checks 30 times a second: when
// X has sent nothing (no event in the connection's queue, nothing to read),
// one poll tells so, or the wait for input did. SDL pumps in full without an
// X connection, with a joystick (it is read in the pump), after the engine's
// own window requests and at least once every fullPumpMs, or while the
// player is waited for, every screenSaverPumpMs.
bool pumpNeeded(std::uint64_t now, Connection connection) {
    const LiveInput& in = live();
    const bool watched = connection == Connection::Watched;
    if (!in.display || state().joystick || in.pumpDue ||
        now - in.lastPumpMs >= (watched ? screenSaverPumpMs : fullPumpMs))
        return true;
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
    return true;
#else
    Display* display = in.display;
    if (QLength(display) > 0) return true;
    if (watched) return false;
    pollfd polled{ConnectionNumber(display), POLLIN, 0};
    return poll(&polled, 1, 0) != 0;
#endif
}

void pumpEvents(std::uint64_t now, Connection connection = Connection::Poll) {
    LiveInput& in = live();
    in.lastPollMs = now;
    if (!pumpNeeded(now, connection)) return;
    SDL_PumpEvents();
    in.lastPumpMs = now;
    in.pumpDue = false;
}

// Any close request in the frame counts, whatever events follow it.
void pollEvents(std::uint64_t now, Connection connection = Connection::Poll) {
    pumpEvents(now, connection);
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

void takeSnapshot(std::uint64_t now, Connection connection = Connection::Poll) {
    State& s = state();
    LiveInput& in = live();
    s.prevMouseButtons = s.mouseButtons;
    s.prevKeys = s.keys;
    s.prevButtons = s.buttons;
    s.prevAxisX = s.axisX;
    s.prevAxisY = s.axisY;
    pollEvents(now, connection);
    // A new press is a push even when the previous frame also counted it held
    // (two quick taps in consecutive frames give two pushes).
    std::uint8_t mousePushed = 0;
    for (std::size_t b = 0; b < in.mousePresses.size(); ++b)
        if (takePress(in.mousePresses[b])) mousePushed |= static_cast<std::uint8_t>(1u << b);
    s.mouseButtons = in.mouseHeld | mousePushed;
    s.prevMouseButtons &= static_cast<std::uint8_t>(~mousePushed);
    s.keys = in.keysHeld;
    for (std::size_t i = 0; i < s.keys.size() && in.keyPressesLeft > 0; ++i) {
        if (!takePress(in.keyPresses[i])) continue;
        --in.keyPressesLeft;
        s.keys[i] = true;
        s.prevKeys[i] = false;
    }
    for (std::size_t i = 0; i < s.buttons.size(); ++i) {
        const bool pushed = takePress(in.joyPresses[i]);
        s.buttons[i] = in.joyHeld[i] || pushed;
        if (pushed) s.prevButtons[i] = false;
    }
    s.axisX = in.axisX;
    s.axisY = in.axisY;
}

bool pressWaiting() {
    const LiveInput& in = live();
    auto any = [](const auto& presses) {
        return std::any_of(presses.begin(), presses.end(), [](std::uint8_t n) { return n > 0; });
    };
    return in.keyPressesLeft > 0 || any(in.mousePresses) || any(in.joyPresses);
}

enum class Queued { Nothing, Input, Press };

// What waits for the next snapshot: a press (or close request), other input
// (the pointer moving, a release, the window shown again), or nothing.
Queued queuedInput() {
    if (pressWaiting()) return Queued::Press;
    constexpr Uint32 presses =
        SDL_QUITMASK | SDL_KEYDOWNMASK | SDL_MOUSEBUTTONDOWNMASK | SDL_JOYBUTTONDOWNMASK;
    SDL_Event event;
    if (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, presses) > 0) return Queued::Press;
    return SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) > 0 ? Queued::Input : Queued::Nothing;
}

// Frames are numbered from the last one run (0), frame n being due at
// last + n periods. The frame whose period holds `ms`: the first due then or later.
std::uint64_t frameHolding(std::uint64_t ms, std::uint64_t last, std::uint32_t frameMs) {
    return ms <= last ? 1 : std::max<std::uint64_t>((ms - last + frameMs - 1) / frameMs, 1);
}

// When the wait must look up before its own deadline: the sound check that
// holds the mixer, and SDL's pump that keeps the screen saver off.
std::uint64_t nextLook(std::uint64_t now, std::uint64_t until) {
    std::uint64_t look = std::min(until, live().lastPumpMs + screenSaverPumpMs);
    if (const std::optional<std::uint32_t> sound = msUntilSoundCheck()) look = std::min(look, now + *sound);
    return std::max(look, now);
}

// Paces a frame while the game waits for the player and frames 1 to
// changeFrame - 1 would show what the last one showed. It sleeps until
// frame changeFrame is due, or until the player presses something: then the
// frame due next runs at once, brought forward within its own period, so
// every frame keeps the number it has with the plain period. Other input
// (the pointer moving) ends the sleep when the frame in whose period it came
// is due. Returns the frames that passed unseen before this one.
std::uint32_t paceWaitingFrame(std::uint32_t frameMs, std::uint32_t changeFrame) {
    State& s = state();
    FrameClock& clock = frameClock();
    std::uint64_t now = clock.nowMs();
    const std::uint64_t last = s.lastFrameMs;
    const bool quietPossible = frameMs > 0 && frameMs <= maxFrameMs && clock.wakesOnInput() && !s.joystick;
    if (!quietPossible || last == 0 || now >= last + frameMs) {
        stopFramesAhead(now);
        takeSnapshot(paceFrame(frameMs));
        return 0;
    }
    std::uint64_t frame = std::max<std::uint32_t>(changeFrame, 1);
    // The frame is not due yet: the connection is left to the wait, which
    // then tells whether it has something to read. A snapshot right after a
    // wait needs no look of its own either.
    Connection connection = Connection::Watched;
    bool waited = false;
    bool quiet = true;
    for (;;) {
        settleSound();
        pumpEvents(now, connection);
        const Queued queued = queuedInput();
        if (queued != Queued::Nothing) frame = std::min(frame, frameHolding(now, last, frameMs));
        quiet = quiet && queued == Queued::Nothing;
        if (queued == Queued::Press || now >= last + frame * frameMs) break;
        const bool readable = clock.waitForInput(nextLook(now, last + frame * frameMs));
        now = clock.nowMs();
        // Frames shown ahead end before SDL reads the connection, as its
        // requests would wait behind them; the changes called off are the
        // engine's again, from the frame due next.
        if (readable && stopFramesAhead(now)) {
            frame = std::min(frame, frameHolding(now, last, frameMs));
            quiet = false;
        }
        connection = readable ? Connection::Poll : Connection::Watched;
        waited = true;
    }
    stopFramesAhead(now);
    s.lastWaitQuiet = quiet;
    s.aheadDeclined = s.aheadDeclined && quiet;
    ++s.delayCalls;
    // A frame brought forward before the last one's own period ended waits for it.
    if (now < last) {
        clock.sleepUntil(last);
        now = clock.nowMs();
    }
    s.lastFrameMs = std::max(now, last + frame * frameMs);
    takeSnapshot(now, waited ? Connection::Watched : Connection::Poll);
    return static_cast<std::uint32_t>(frame - 1);
}

void handleHotKeys() {
    State& s = state();
    if (Orba_isPushKey(SDLK_F5)) {
        SDL_WM_IconifyWindow();
        windowRequested();
    }
    if (Orba_isPushKey(SDLK_F9)) Orba_setFullScreen(!Orba_isFullScreen());
    if (Orba_isPushKey(SDLK_F12)) saveScreenshot(presentedFrame());
    if (s.escapeQuits && Orba_isPushKey(SDLK_ESCAPE)) s.quitRequested = true;
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

void windowRequested() { live().pumpDue = true; }

}  // namespace orba

using orba::state;

void Orba_init(std::string_view caption, int width, int height, bool fullScreen, int windowScale) {
    orba::State& s = state();
    if (s.initialised) return;
    s.width = width;
    s.height = height;
    s.depth = 0;
    s.display.settings.fullScreen = fullScreen;
    s.display.settings.scale = std::clamp(windowScale, orbaMinWindowScale, orbaMaxWindowScale);
    orba::openVideo(caption);
    orba::openAudio();
    // A new empty log in place of whatever the name held, a link included.
    writeFileAtomically(orba::logFile, {});
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
    orba::stopWatchingInput();  // before SDL puts its signal handlers away
    orba::closeAhead();
    orba::forgetWindowUpdates();
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

std::uint32_t Orba_updateWaiting(std::uint32_t frameMs, std::uint32_t changeFrame) {
    orba::settleSound();
    const std::uint32_t unseen = orba::paceWaitingFrame(frameMs, changeFrame);
    orba::handleHotKeys();
    if (state().quitRequested) throw Error(orba::quitMessage);
    return unseen;
}

bool Orba_canShowAhead() {
    const orba::State& s = state();
    return s.screen && s.lastWaitQuiet && !s.aheadDeclined && !s.joystick &&
           orba::frameClock().wakesOnInput() && orba::canShowAhead(s.screen);
}

bool Orba_flipAhead(std::uint32_t frame, std::uint32_t frameMs) {
    return orba::presentFrameAhead(state().lastFrameMs + std::uint64_t{frame} * frameMs);
}

void Orba_flipUnshown() { orba::presentFrameUnshown(); }

// A page whose changes cannot be handed over (too large) is not drawn ahead
// again for each change: only after input, which may change the page.
bool Orba_showAhead() {
    const bool sent = orba::sendFramesAhead();
    state().aheadDeclined = !sent;
    return sent;
}

void Orba_checkQuit() {
    orba::LiveInput& in = orba::live();
    const std::uint64_t now = orba::frameClock().nowMs();
    if (!state().quitRequested && now - in.lastPollMs < orba::quitPollMs) return;
    orba::pollEvents(now);
    const auto escape = static_cast<std::size_t>(SDLK_ESCAPE);
    if (state().escapeQuits && in.keyPresses[escape] > 0) state().quitRequested = true;
    if (state().quitRequested) throw Error(orba::quitMessage);
}

void Orba_setEscapeQuits(bool quits) { state().escapeQuits = quits; }

bool Orba_isPressKey(int sym) {
    return sym >= 0 && sym < orba::keyCount && state().keys[static_cast<std::size_t>(sym)];
}

bool Orba_isPushKey(int sym) {
    if (sym < 0 || sym >= orba::keyCount) return false;
    const auto i = static_cast<std::size_t>(sym);
    return state().keys[i] && !state().prevKeys[i];
}

int Orba_getMouseX() { return orba::pointerInFrame().x; }

int Orba_getMouseY() { return orba::pointerInFrame().y; }

void Orba_warpMouse(int x, int y) {
    const orba::State& s = state();
    const orba::Point at = orba::frameToWindow(std::clamp(x, 0, std::max(s.width - 1, 0)),
                                               std::clamp(y, 0, std::max(s.height - 1, 0)));
    SDL_WarpMouse(static_cast<Uint16>(at.x), static_cast<Uint16>(at.y));
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
    orba::setWindowTitle(title);
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

void Orba_testSettledAsyncUpdates() {
    state().screen->flags |= SDL_ASYNCBLIT;
    state().frame.updateTakenMs = 0;
}
