#pragma once
// Platform layer: one window, frame pacing, the per-frame input snapshot, the
// back buffer with its keyed picture table, text, sound and the run log.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "orba/error.h"
#include "orba/format.h"

// --- window, frame loop and input ---
// The text of the Error raised on Escape, a close request or SIGTERM.
inline constexpr char orbaQuitMessage[] = "dOrba system quit.";
// Opens everything once; the window shows the width x height frame at a
// whole scale (display.h).
void Orba_init(std::string_view caption, int width, int height, bool fullScreen, int windowScale = 1);
void Orba_quit();  // tears everything down; safe without a successful init
void Orba_update(
    std::uint32_t frameMs);  // pace, snapshot input, poll events, hot keys; may throw the quit Error
// As Orba_update, for a frame while the game waits for the player, when
// frames 1 to changeFrame - 1 after the last one would show nothing new
// (orbaNeverChanges: no frame would by itself). It sleeps until frame
// changeFrame is due or until the player presses a key or a button or asks
// to close, and then runs the frame due next at once, in its own period; the
// pointer moving is shown when its frame is due. Returns how many frames
// passed unseen before this one, for the caller to step their timers. Without
// an X connection or with a joystick, it paces as Orba_update does.
inline constexpr std::uint32_t orbaNeverChanges = UINT32_MAX;
std::uint32_t Orba_updateWaiting(std::uint32_t frameMs, std::uint32_t changeFrame);
// Frames shown ahead: while the game waits for the player and the frames to
// come change only pictures (the page-feed icon's cells), they may be drawn
// now and handed to the window system, which shows each at its time while
// the engine sleeps; the player's input calls the rest off. Possible on X11
// with the SYNC extension, after a wait for input that none ended, unless
// the last frames drawn ahead since the last input could not be handed over.
bool Orba_canShowAhead();
// As Orba_flip, for the frame `frame` periods after the last one run: its
// changes are kept to be shown at that frame's time. False when they cannot
// be (too large, or too many kept): nothing of this frame is kept.
bool Orba_flipAhead(std::uint32_t frame, std::uint32_t frameMs);
// As Orba_flip, for the frame the window shows already: nothing is sent.
// Drawing the frame of now again after frames drawn ahead brings the back
// buffer and the screen back to it.
void Orba_flipUnshown();
// Hands the kept frames to the window system; false when nothing went. The
// next Orba_updateWaiting sleeps through them.
bool Orba_showAhead();
// Polls window events between frames (input waits for the next snapshot) and
// raises the quit Error on Escape or a close request; for long-running scripts,
// so cheap to call often: it reads the clock and polls only when 10 ms have
// passed since the last poll.
void Orba_checkQuit();
// Whether a new press of Escape raises the quit Error (the default), or is
// only a key of the frame for the caller's own screens; the close request
// always quits.
void Orba_setEscapeQuits(bool quits);
bool Orba_isPressKey(int sym);  // key held in this frame
bool Orba_isPushKey(int sym);   // held now, not in the previous frame
int Orba_getMouseX();           // pointer position in frame pixels at the time of the call
int Orba_getMouseY();
void Orba_warpMouse(int x, int y);  // moves the pointer, kept within the frame
std::uint8_t Orba_getPushMouse();   // buttons held now and not in the previous frame
bool Orba_isPushJoy(int button);    // joystick button newly pressed
bool Orba_isPressJoyDir(int dir);   // stick beyond the threshold: 0 up, 1 down, 2 right, 3 left
bool Orba_isPushJoyDir(int dir);    // beyond the threshold now and not before
bool Orba_isPushDecide();           // Z, Return, Space, joystick button 0 or left click, newly pressed

void Orba_setCaptionText(std::string_view title);  // window title, taken as it is
void Orba_logText(std::string_view text);          // to standard output and run.log
void Orba_logException(const std::exception& e);   // its text and a line break, to both

template <class... A>
void Orba_setCaption(std::string_view format, const A&... args) {
    Orba_setCaptionText(formatText(format, {FormatArg(args)...}));
}
template <class... A>
void Orba_log(std::string_view format, const A&... args) {
    Orba_logText(formatText(format, {FormatArg(args)...}));
}

// --- images and drawing (all into the back buffer) ---
void Orba_flip();                   // present the back buffer at the offset
void Orba_setOffset(int x, int y);  // where the next flip places the back buffer
void Orba_fillRect(int x, int y, int w, int h, int r, int g, int b);      // w = h = 0: to the window's edges
void Orba_drawRect(int cx, int cy, int rx, int ry, int r, int g, int b);  // 1-pixel outline around a centre
void Orba_loadBMP(std::string_view key, std::string_view file, int r, int g,
                  int b);                 // r=-1 corner key, r<-1 none
inline constexpr int orbaCornerKey = -1;  // as r of Orba_loadBMP: the top-left pixel's colour is transparent
inline constexpr int orbaNoKey = -2;      // as r of Orba_loadBMP: no transparent colour
void Orba_freeBMP(std::string_view key);
int Orba_getWidth(std::string_view key);  // 0 for an absent key
int Orba_getHeight(std::string_view key);
void Orba_draw(std::string_view key, int x, int y, int sx, int sy, int w, int h);      // top-left placed
void Orba_drawEx(std::string_view key, int cx, int cy, int sx, int sy, int w, int h);  // centre placed
void Orba_setAlpha(std::string_view key, int alpha);
long double Orba_sinDeg(float degrees);

// --- fonts and text ---
void Orba_openFont(std::string_view key, int size, std::string_view file);  // becomes the current font
void Orba_setColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);
void Orba_setColorHex(int rgb);
int Orba_getColorHex();
void Orba_drawText(std::string_view text, int x, int y, int alpha);
int Orba_getTextWidth(std::string_view text);  // pixels the current font draws it in; 0 without a font
int Orba_getFontHeight();                      // the current font's line height; 0 without a font

// --- sound effects and music ---
void Orba_loadWAV(std::string_view key, std::string_view file);
void Orba_playWAV(std::string_view key, int loops, int channel);  // channel outside -1..7 becomes -1
void Orba_playBgm(std::string_view file, int loops, int fadeInMs);
void Orba_stopBgm(int fadeOutMs);
// The music's and the sound effects' volume, 0 to 100 percent of the mixer's full
// volume (the start); a change is heard at once, in what plays already too.
void Orba_setMusicVolume(int percent);
void Orba_setSoundVolume(int percent);
