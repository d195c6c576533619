#pragma once
// How the game's frame is shown: in a window at a whole scale, or full
// screen at the desktop's own size with black bars; the frame itself is
// always drawn at the size given to Orba_init. Positions of the pointer are
// reported in frame pixels whatever the scale.

// Scales a window may have; a larger one is taken as the largest, and one
// that would not fit the desktop as the largest that does.
inline constexpr int orbaMinWindowScale = 1, orbaMaxWindowScale = 4;
// Where Orba_getMouseX and Orba_getMouseY place a pointer that is not over
// the frame (on the bars of full screen): far outside it, so that nothing
// there is under the pointer and the engine's own pointer is not drawn.
inline constexpr int orbaPointerOutside = -16384;

void Orba_setWindowScale(int scale);       // the window as 1 to 4 times the frame
int Orba_getWindowScale();                 // as last set (before the desktop's limit)
void Orba_setFullScreen(bool fullScreen);  // F9 switches it too
bool Orba_isFullScreen();
// Whether a scale that is not whole (full screen, mostly) keeps sharp
// pixels, nearest ones, instead of smooth (bilinear) ones. Whole scales are
// always sharp.
void Orba_setSharpScaling(bool sharp);
bool Orba_isSharpScaling();
