#pragma once
// The platform layer's one module-wide state. Only files of orba/ include this.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "orba/sdl_handles.h"
#include "orba/textbackend.h"
#include "orba/timedpictures.h"
#include "orba/viewport.h"

namespace orba {

constexpr int keyCount = 323;  // SDLK_LAST of SDL 1.2

// Keyed tables compare keys byte for byte and allow lookup by string_view.
template <class V>
using KeyedTable = std::map<std::string, V, std::less<>>;

// A picture of the table, with an identity that no later picture reuses.
// `surface` may be converted to the back buffer's format. SDL blends such a
// picture without a colour key in another way than the picture in its file's
// format, so translucent draws take the file's pixels: `fileFormat`, kept
// from loading or, for a 24-bit file (`from24Bits`), made on first use.
struct Picture {
    SurfacePtr surface;
    std::uint64_t id = 0;
    SurfacePtr fileFormat;
    bool from24Bits = false;
};

// One drawing operation into the back buffer: a fill (no source) or a blit of
// a picture or a rendered text. The frame keeps its operations until the
// flip; one equal to the operation at the same place in the previous frame
// draws the same pixels again.
struct DrawOp {
    SDL_Surface* source = nullptr;  // owned by the picture table or the text cache
    std::uint64_t sourceId = 0;     // identity of the source's pixels
    SDL_Rect area{};                // the fill's rectangle or the blit's source rectangle
    Sint16 x = 0, y = 0;            // where the blit goes
    Uint32 colour = 0;              // the fill's colour
    bool blended = false;           // the source's per-surface alpha for this blit
    Uint8 alpha = 255;
    bool coversAll = false;  // overwrites every pixel of the back buffer
    SDL_Rect bounds{};       // the pixels it may change (not compared: follows from the rest)

    bool operator==(const DrawOp& o) const {
        return sourceId == o.sourceId && source == o.source && area.x == o.area.x && area.y == o.area.y &&
               area.w == o.area.w && area.h == o.area.h && x == o.x && y == o.y && colour == o.colour &&
               blended == o.blended && alpha == o.alpha && coversAll == o.coversAll;
    }
};

// The back buffer's pixels of an area as they were before operation `op` of
// a frame, kept while every frame since drew the same operations before it:
// a redraw of that area starts from them and applies only the operations
// from `op` on. `lastArea` and `lastOp` tell the last redraw, as an area is
// kept only once a redraw repeats.
struct Underlay {
    std::vector<Uint8> pixels;  // the rows of `area`, unpadded
    SDL_Rect area{};
    std::size_t op = 0;
    bool valid = false;
    SDL_Rect lastArea{};
    std::size_t lastOp = 0;
};

// Where a flip's pixels go: to the window at once, kept for the window
// system to show at the frame's time (serveranimation.h), or nowhere, as
// the window shows them already.
enum class Showing { Now, Ahead, Unshown };

// The drawing of the frame in progress and of the one before, and what the
// screen shows.
struct FrameState {
    std::vector<DrawOp> current, previous;
    std::size_t applied = 0;     // operations of `current` already in the back buffer
    bool previousValid = false;  // the back buffer holds what `previous` drew
    bool screenKnown = false;    // the screen surface holds the back buffer as last presented
    std::uint64_t number = 1;    // counts flips; the text cache's clock
    std::uint64_t lastId = 0;    // the last identity given to a picture or text
    Uint32 updateSentMs = 0;     // SDL's ticks when the screen's last update was sent
    Uint32 updateTakenMs = 50;   // after this, the window system has taken an update sent asynchronously
    Underlay underlay;
    Showing showing = Showing::Now;
    std::uint64_t aheadDueMs = 0;  // the time of the frame being kept
    bool aheadRefused = false;     // a part of it could not be kept
    TimedPictures kept, sent;      // the frames kept ahead as the frame shows them, and those sent
    // Where the window may show other pixels than the screen surface (frame
    // pixels): the rectangles shown ahead. The next flip sends it.
    SDL_Rect windowStale{};
};

// A rendered text line, kept while it is drawn in every frame or so.
struct TextKey {
    const textlib::Font* font = nullptr;
    std::uint32_t rgb = 0;
    std::string text;
};
struct TextKeyView {
    const textlib::Font* font;
    std::uint32_t rgb;
    std::string_view text;
};
struct TextKeyLess {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
        if (a.font != b.font) return std::less<const textlib::Font*>()(a.font, b.font);
        if (a.rgb != b.rgb) return a.rgb < b.rgb;
        return std::string_view(a.text) < std::string_view(b.text);
    }
};
struct TextEntry {
    SurfacePtr surface;
    std::uint64_t id = 0;
    std::uint64_t lastFrame = 0;
    int reach = 0;  // pixels of the line the surface holds from its left end: all of them, or more than the
                    // window shows
};

// Holds SDL's audio lock while it lives. The mixer's thread takes that lock
// before it mixes each buffer, so it stops there, asleep, until released.
class MixerHold {
public:
    MixerHold() { SDL_LockAudio(); }
    ~MixerHold() { SDL_UnlockAudio(); }
    MixerHold(const MixerHold&) = delete;
    MixerHold& operator=(const MixerHold&) = delete;
};

// The player's choices of how the frame is shown (display.h).
struct DisplaySettings {
    int scale = 1;  // the window as a multiple of the frame
    bool fullScreen = false;
    bool sharp = false;  // nearest pixels at a scale that is not whole
    bool operator==(const DisplaySettings&) const = default;
};

// How the frame reaches the screen (display.cpp).
struct DisplayState {
    DisplaySettings settings;
    int desktopW = 0, desktopH = 0;  // the desktop's size before the window opened; 0: unknown
    Viewport view;                   // where the frame shows on the screen
    // Only while the screen is larger than the frame: the frame as last
    // presented, at the frame's size and the screen's 32-bit format.
    SurfacePtr shown;
    bool shownAtOffset = false;  // `shown` holds the back buffer placed at an offset other than (0, 0)
};

struct State {
    bool initialised = false;
    int width = 0, height = 0, depth = 0;
    std::uint32_t videoFlags = 0;
    SDL_Surface* screen = nullptr;  // owned by SDL
    SurfacePtr backBuffer;
    int offsetX = 0, offsetY = 0;

    bool quitRequested = false;
    bool escapeQuits = true;  // false while the engine's own screens take Escape
    // Snapshot of this frame and the frame before; a press released within the
    // frame still counts as held in that frame.
    std::uint8_t mouseButtons = 0, prevMouseButtons = 0;
    std::array<bool, keyCount> keys{}, prevKeys{};
    JoystickPtr joystick;
    bool joystickPresent = false;
    int buttonCount = 0;
    std::vector<bool> buttons, prevButtons;
    std::int16_t axisX = 0, axisY = 0, prevAxisX = 0, prevAxisY = 0;
    std::uint64_t lastFrameMs = 0;  // the monotonic clock's millisecond the last frame ended at
    std::uint32_t delayCalls = 0;
    bool lastWaitQuiet = false;  // the last frame waited for input and none came
    bool aheadDeclined = false;  // frames drawn ahead could not be handed over since the last input

    KeyedTable<Picture> pictures;
    FrameState frame;

    bool ttfReady = false;
    KeyedTable<textlib::FontPtr> fonts;
    std::string currentFont;
    SDL_Color textColour{0, 0, 0, 0};
    std::map<TextKey, TextEntry, TextKeyLess> textCache;

    KeyedTable<ChunkPtr> sounds;
    ReaderPtr musicFile;  // what the music streams from; freed after it
    MusicPtr music;
    bool audioOpen = false;
    std::optional<std::uint32_t> quietSince;  // ticks when nothing was playing any more
    std::unique_ptr<MixerHold> mixerHold;     // once that has lasted a while

    DisplayState display;
};

State& state();

// Tear-down steps owned by the text and sound files, called by Orba_quit.
void closeFonts();
void closeSound();
// Holds the mixer's thread once no sample and no music has played for a
// moment (sound.cpp, checked in every frame); soundStarted lets it run again
// and is called whenever a sample or music starts.
void settleSound();
void soundStarted();
// How soon settleSound has something to look at (none while the mixer is held).
std::optional<std::uint32_t> msUntilSoundCheck();

// The frame's drawing (frame.cpp). Operations are recorded and applied to the
// back buffer when needed: before a picture they use changes or goes, when
// the back buffer is read, and at the flip, which skips a frame that draws
// exactly what the previous one drew.
std::uint64_t newSourceId();
void recordFill(int x, int y, Uint16 w, Uint16 h, Uint32 colour);
void recordBlit(SDL_Surface* source, std::uint64_t sourceId, const SDL_Rect& area, int x, int y, bool blended,
                Uint8 alpha);
void settleDrawing();  // applies every recorded operation not yet applied
void forgetDrawing();  // the back buffer may be changed from outside: the next frame is drawn in full
void dropDrawing();    // at tear-down: what is recorded is never applied
// At the flip: applies what the frame needs and shows the result on the screen.
void presentFrame();
// The same for a frame to come, whose changes are kept to be shown at dueMs
// (false when they cannot be: nothing of this frame is kept), and for the
// frame the window shows already, which sends nothing.
bool presentFrameAhead(std::uint64_t dueMs);
void presentFrameUnshown();
// Hands the frames kept ahead to the window system; the window's pixels
// there are no longer known. False when nothing went.
bool sendFramesAhead();
// Calls off the frames sent ahead that the window system has not shown by
// `nowMs`, and brings the frame last presented (presentedFrame) up to those it
// has, so that a screenshot or a thumbnail shows what the window shows. True
// when some were called off: the engine must show them itself.
bool stopFramesAhead(std::uint64_t nowMs);
// The window shows the screen's area (a rectangle of it) at once, or it is
// kept or left as the flip asks; the whole screen likewise.
void showArea(SDL_Surface* screen, const SDL_Rect& area);
void showWholeScreen(SDL_Surface* screen);
// After the screen surface was made anew, it is presented in full next time.
void screenReplaced();
// Frees the rendered texts not drawn in the last two frames (text.cpp).
void evictTexts();
// Within an area of two surfaces of one layout (layoutsMatch), the smallest
// rectangle outside of which they hold the same bytes; false when none
// differ (frame.cpp).
bool layoutsMatch(const SDL_Surface* a, const SDL_Surface* b);
bool differingPixels(SDL_Surface* a, SDL_Surface* b, const SDL_Rect& within, SDL_Rect& result);
// After a request to the window system, SDL's pump runs in full once (window.cpp).
void windowRequested();

// The display (display.cpp). The desktop's size is read before the first
// mode is set, when SDL reports it; applyDisplayMode sets the mode the
// settings ask for, false when SDL refuses it. While the screen is larger
// than the frame (screenScaled), the flip goes through presentScaled with
// the area of the back buffer that may have changed, and presentedFrame is
// the frame last presented at the frame's size (else the screen).
void noteDesktopSize();
bool applyDisplayMode();
SurfacePtr makeBackBuffer();  // the frame's size, the screen's format
bool screenScaled();
// `stale`: an area of the frame to be shown again whether it changed or not.
void presentScaled(SDL_Rect changed, bool screenKnown, SDL_Rect stale);
SDL_Surface* presentedFrame();
// The pointer in frame pixels (orbaPointerOutside both ways off the frame),
// and a frame pixel's place in the window.
Point pointerInFrame();
Point frameToWindow(int x, int y);
bool onFrame(int windowX, int windowY);  // not on the bars

}  // namespace orba
