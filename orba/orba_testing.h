#pragma once
// Test seam of the platform layer. Tests drive input by pushing SDL events
// (the same path real input takes) and may attach a virtual joystick, since the
// dummy video driver has none.
#include <cstdint>

// Pretends joystick 0 is present with the given number of buttons, so that
// pushed SDL_JOYBUTTON* and SDL_JOYAXISMOTION events reach the snapshot.
void Orba_testAttachJoystick(int buttonCount);
// Number of sleeps the frame pacing has made since Orba_init, one per frame that waited.
std::uint32_t Orba_testDelayCalls();
// Whether the mixer's thread is held because nothing has played for a while.
bool Orba_testMixerHeld();

struct SDL_Surface;
// The back buffer and the window surface, for reading pixels in tests.
SDL_Surface* Orba_testBackBuffer();
SDL_Surface* Orba_testScreen();
