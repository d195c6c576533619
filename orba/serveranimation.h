#pragma once
// Frames to come shown by the X server itself, at their times, while the
// engine sleeps until the player acts. A waiting page whose page-feed icon
// moves would otherwise wake the engine for each of the icon's cells. Here
// the changed rectangles go to the server once, as pixmaps, and each is
// copied onto the window behind a SYNC Await that holds the engine's
// connection until the server's clock reaches the rectangle's time, or until
// the engine calls the rest off from a second connection of its own. Only
// files of orba/ include this.
#include <SDL.h>

#include <cstdint>

namespace orba {

// Whether frames can be shown ahead on this screen's window: an X server with
// SYNC and a window that takes the surface's rows as they are (windowupdate.h).
bool canShowAhead(const SDL_Surface* screen);
// Keeps a rectangle of the screen surface, to be shown at `dueMs` of the frame
// clock. False, with nothing kept, when it is too large or the kept
// rectangles fill what one sending may hold.
bool keepAhead(const SDL_Surface* screen, const SDL_Rect& area, std::uint64_t dueMs);
// Hands what was kept to the server. False when nothing went: nothing was
// kept, or the server's clock could not be read.
bool sendAhead();
// Drops what was kept and not sent.
void dropAhead();
// Calls off what the server has not shown yet; the engine's requests sent
// after this are taken at once. The window may show any of the sent
// rectangles. Nothing when nothing was sent.
void stopAhead();
// Stops and lets go of the server's resources and the second connection: the
// screen was made anew or SDL is about to close.
void forgetAhead();
// As forgetAhead, when SDL closes; the tests' receiver goes too.
void closeAhead();

}  // namespace orba
