#pragma once
// Test seam of the platform layer. Tests drive input by pushing SDL events
// (the same path real input takes) and may attach a virtual joystick, since the
// dummy video driver has none.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// Pretends joystick 0 is present with the given number of buttons, so that
// pushed SDL_JOYBUTTON* and SDL_JOYAXISMOTION events reach the snapshot.
void Orba_testAttachJoystick(int buttonCount);
// Number of sleeps the frame pacing has made since Orba_init, one per frame that waited.
std::uint32_t Orba_testDelayCalls();
// Takes the desktop to be width x height, as the dummy video driver does
// not tell its size: full screen then opens at that size. Call after Orba_init.
void Orba_testSetDesktopSize(int width, int height);
// Whether the mixer's thread is held because nothing has played for a while.
bool Orba_testMixerHeld();

// Until Orba_quit, the frames are paced by a clock that starts at 1000 ms and
// moves only when the pacing sleeps or waits for input: it then jumps ahead,
// doing each input of the timeline (pushing its events, moving the pointer)
// once it reaches the input's millisecond, and a wait for input ends at the
// next one. A sleep or wait past endMs throws the Error orbaTimelineEnded
// instead. Call after Orba_init.
using TimedInput = std::pair<std::uint64_t, std::function<void()>>;
inline constexpr char orbaTimelineEnded[] = "the input timeline has ended";
void Orba_testUseTimeline(std::vector<TimedInput> timeline, std::uint64_t endMs);
std::uint64_t Orba_testClockMs();

struct SDL_Surface;
struct SDL_Rect;
// Until Orba_quit, frames shown ahead (Orba_showAhead) go to `sink`, each
// rectangle of the window with its time on the frame clock and its rows of
// pixels, instead of to an X server; the window then counts as able to
// show them.
void Orba_testShowAheadInto(
    std::function<void(std::uint64_t dueMs, const SDL_Rect& area, const std::vector<std::uint8_t>& rows)>
        sink);
// The back buffer and the window surface, for reading pixels in tests.
SDL_Surface* Orba_testBackBuffer();
SDL_Surface* Orba_testScreen();
// Treats the window surface as updated asynchronously, each update taken by
// the window system at once (until the window is opened again).
void Orba_testSettledAsyncUpdates();
