#include "orba/serveranimation.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "orba/frameclock.h"
#include "orba/orba_testing.h"
#include "orba/timedpictures.h"
#include "orba/windowupdate.h"

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <xcb/sync.h>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace orba {
namespace {

// One sending holds at most this many timed rectangles (an Await and a copy
// are 88 bytes: the lot stays far below what the connection's buffers take
// while the server holds the requests), and pictures of at most these sizes.
constexpr std::size_t maxSteps = 150;
constexpr std::size_t maxPictureBytes = 64 * 1024;
constexpr std::size_t maxPicturesBytes = 1024 * 1024;

// What was kept and not yet sent.
TimedPictures& kept() {
    static TimedPictures k;
    return k;
}

std::function<void(std::uint64_t, const SDL_Rect&, const std::vector<std::uint8_t>&)>& testSink() {
    static std::function<void(std::uint64_t, const SDL_Rect&, const std::vector<std::uint8_t>&)> sink;
    return sink;
}

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
// No X server: every frame is the engine's to show.
bool serverCanShow(const SDL_Surface*) { return false; }
bool sendToServer(const TimedPictures&) { return false; }
void callOff() {}
void closeServer() {}
#else
// The engine's side of the server's animation: the second connection, from
// which a sending is called off, the server's clock and the counter that
// calls off, and what the last sending left on the server.
struct Server {
    bool looked = false;
    bool usable = false;
    const DirectWindow* target = nullptr;
    xcb_connection_t* second = nullptr;
    xcb_sync_counter_t serverTime = 0;
    xcb_sync_counter_t calledOff = 0;  // reaching `generation` calls off the sending of that number
    std::uint32_t generation = 0;
    bool running = false;
    xcb_gcontext_t gc = 0;  // the copies' own: calling off clips it to nothing
    std::vector<xcb_pixmap_t> pixmaps;
};

Server& server() {
    static Server s;
    return s;
}

// SERVERTIME among the server's counters. The reply's entries are read by
// hand: each is a counter, a resolution, a name's length and the name,
// padded to 4 bytes.
xcb_sync_counter_t serverTimeCounter(xcb_connection_t* c) {
    xcb_sync_list_system_counters_reply_t* reply =
        xcb_sync_list_system_counters_reply(c, xcb_sync_list_system_counters(c), nullptr);
    if (!reply) return 0;
    const auto* at = reinterpret_cast<const std::uint8_t*>(reply + 1);
    const std::uint8_t* end = at + std::size_t{reply->length} * 4;
    xcb_sync_counter_t found = 0;
    for (std::uint32_t i = 0; i < reply->counters_len && at + 14 <= end; ++i) {
        std::uint32_t id = 0;
        std::uint16_t length = 0;
        std::memcpy(&id, at, 4);
        std::memcpy(&length, at + 12, 2);
        const auto* name = reinterpret_cast<const char*>(at + 14);
        if (at + 14 + length > end) break;
        if (length == 10 && std::memcmp(name, "SERVERTIME", 10) == 0) found = id;
        at += (14u + length + 3u) & ~3u;
    }
    std::free(reply);
    return found;
}

bool hasSync(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* sync = xcb_get_extension_data(c, &xcb_sync_id);
    return sync && sync->present;
}

xcb_sync_int64_t syncValue(std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    return xcb_sync_int64_t{static_cast<std::int32_t>(bits >> 32), static_cast<std::uint32_t>(bits)};
}

bool noError(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(c, cookie);
    const bool none = error == nullptr;
    std::free(error);
    return none;
}

// The conditions of an Await: the server's clock reaching `serverMs`, or the
// call-off counter reaching `generation`. No event comes of them: the
// thresholds are never met.
std::array<xcb_sync_waitcondition_t, 2> awaitConditions(const Server& s, std::int64_t serverMs,
                                                        std::uint32_t generation) {
    const xcb_sync_int64_t never{INT32_MAX, UINT32_MAX};
    return {{
        {{s.serverTime, XCB_SYNC_VALUETYPE_ABSOLUTE, syncValue(serverMs),
          XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON},
         never},
        {{s.calledOff, XCB_SYNC_VALUETYPE_ABSOLUTE, syncValue(generation),
          XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON},
         never},
    }};
}

// Whether the server takes what a sending asks, tried once with requests
// whose errors come back here instead of to Xlib's handler, which would end
// the program: an Await on both counters (both met already) from the
// engine's connection, and a context of the engine's clipped from the second.
bool serverTakesSendings(const Server& s) {
    xcb_connection_t* c = s.target->connection;
    const auto conditions = awaitConditions(s, 0, 0);
    if (!noError(c, xcb_sync_await_checked(c, 2, conditions.data()))) return false;
    const xcb_gcontext_t gc = xcb_generate_id(c);
    if (!noError(c, xcb_create_gc_checked(c, gc, s.target->window, 0, nullptr))) return false;
    const bool clipped = noError(s.second, xcb_set_clip_rectangles_checked(
                                               s.second, XCB_CLIP_ORDERING_UNSORTED, gc, 0, 0, 0, nullptr));
    xcb_free_gc(c, gc);
    xcb_flush(c);
    return clipped;
}

// Opens the second connection to the window's display and finds what the
// sendings need; once per screen.
void lookAtServer(Server& s, const SDL_Surface* screen) {
    s.looked = true;
    s.target = directWindow(screen);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!s.target || SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11) return;
    info.info.x11.lock_func();
    s.second = xcb_connect(DisplayString(info.info.x11.display), nullptr);
    if (hasSync(s.target->connection) && !xcb_connection_has_error(s.second) && hasSync(s.second)) {
        std::free(xcb_sync_initialize_reply(s.second, xcb_sync_initialize(s.second, 3, 1), nullptr));
        s.serverTime = serverTimeCounter(s.second);
        s.calledOff = xcb_generate_id(s.second);
        s.usable = s.serverTime != 0 &&
                   noError(s.second, xcb_sync_create_counter_checked(s.second, s.calledOff, syncValue(0))) &&
                   serverTakesSendings(s);
    }
    info.info.x11.unlock_func();
}

bool serverCanShow(const SDL_Surface* screen) {
    Server& s = server();
    if (!s.looked) lookAtServer(s, screen);
    return s.usable;
}

// How far the server's clock is ahead of the frame clock: read in the middle
// of the quickest of three round trips, as a slow one leaves the moment the
// server read its clock less certain.
std::optional<std::int64_t> serverClockAhead(Server& s) {
    std::optional<std::int64_t> ahead;
    std::uint64_t quickest = UINT64_MAX;
    for (int i = 0; i < 3; ++i) {
        const std::uint64_t before = frameClock().nowMs();
        xcb_sync_query_counter_reply_t* reply =
            xcb_sync_query_counter_reply(s.second, xcb_sync_query_counter(s.second, s.serverTime), nullptr);
        const std::uint64_t after = frameClock().nowMs();
        if (!reply) return std::nullopt;
        const auto value = static_cast<std::int64_t>(
            (std::uint64_t{static_cast<std::uint32_t>(reply->counter_value.hi)} << 32) |
            reply->counter_value.lo);
        std::free(reply);
        if (after - before >= quickest) continue;
        quickest = after - before;
        ahead = value - static_cast<std::int64_t>((before + after) / 2);
    }
    return ahead;
}

// Holds the connection until the server's clock reaches `serverMs` or the
// sending is called off.
void awaitTime(const Server& s, std::int64_t serverMs) {
    const auto conditions = awaitConditions(s, serverMs, s.generation);
    xcb_sync_await(s.target->connection, 2, conditions.data());
}

// What the last sending left on the server goes, after its copies.
void freeLastSending(Server& s) {
    xcb_connection_t* c = s.target->connection;
    for (const xcb_pixmap_t pixmap : s.pixmaps) xcb_free_pixmap(c, pixmap);
    if (s.gc != 0) xcb_free_gc(c, s.gc);
    s.pixmaps.clear();
    s.gc = 0;
}

void uploadPictures(Server& s, const TimedPictures& k) {
    xcb_connection_t* c = s.target->connection;
    const std::uint32_t noExposures = 0;  // a copy from a pixmap sends no event either
    s.gc = xcb_generate_id(c);
    xcb_create_gc(c, s.gc, s.target->window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    for (const TimedPictures::Picture& picture : k.pictures) {
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        const std::uint16_t w = picture.area.w, h = picture.area.h;
        xcb_create_pixmap(c, s.target->depth, pixmap, s.target->window, w, h);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, s.gc, w, h, 0, 0, 0, s.target->depth,
                      static_cast<std::uint32_t>(picture.rows.size()), picture.rows.data());
        s.pixmaps.push_back(pixmap);
    }
}

bool sendToServer(const TimedPictures& k) {
    Server& s = server();
    if (!s.usable) return false;
    const std::optional<std::int64_t> ahead = serverClockAhead(s);
    if (!ahead) return false;
    freeLastSending(s);
    uploadPictures(s, k);
    ++s.generation;
    xcb_connection_t* c = s.target->connection;
    for (const auto& [dueMs, index] : k.steps) {
        awaitTime(s, static_cast<std::int64_t>(dueMs) + *ahead);
        const SDL_Rect& area = k.pictures[index].area;
        xcb_copy_area(c, s.pixmaps[index], s.target->window, s.gc, 0, 0, area.x, area.y, area.w, area.h);
    }
    xcb_flush(c);
    s.running = true;
    return true;
}

// The copies' context is clipped to nothing first, so the copies the counter
// lets go draw nothing; then the counter reaches the sending's number. The
// second connection's errors (a context freed meanwhile) are read and
// dropped, so none pile up.
void callOff() {
    Server& s = server();
    if (!s.running) return;
    s.running = false;
    xcb_set_clip_rectangles(s.second, XCB_CLIP_ORDERING_UNSORTED, s.gc, 0, 0, 0, nullptr);
    xcb_sync_set_counter(s.second, s.calledOff, syncValue(s.generation));
    xcb_flush(s.second);
    while (xcb_generic_event_t* event = xcb_poll_for_event(s.second)) std::free(event);
}

void closeServer() {
    Server& s = server();
    callOff();
    if (s.usable) freeLastSending(s);
    if (s.second) xcb_disconnect(s.second);
    s = Server{};
}
#endif

}  // namespace

bool canShowAhead(const SDL_Surface* screen) { return testSink() ? true : serverCanShow(screen); }

bool keepAhead(const SDL_Surface* screen, const SDL_Rect& area, std::uint64_t dueMs) {
    TimedPictures& k = kept();
    const std::size_t bytes = std::size_t{area.w} * area.h * screen->format->BytesPerPixel;
    if (k.steps.size() >= maxSteps || bytes == 0 || bytes > maxPictureBytes) return false;
    return k.keep(dueMs, screen, area, maxPicturesBytes);
}

bool sendAhead() {
    const TimedPictures& k = kept();
    bool sent = false;
    if (!k.steps.empty() && testSink()) {
        for (const auto& [dueMs, index] : k.steps)
            testSink()(dueMs, k.pictures[index].area, k.pictures[index].rows);
        sent = true;
    } else if (!k.steps.empty()) {
        sent = sendToServer(k);
    }
    dropAhead();
    return sent;
}

void dropAhead() { kept() = TimedPictures{}; }

void stopAhead() { callOff(); }

void forgetAhead() {
    dropAhead();
    closeServer();
}

void closeAhead() {
    forgetAhead();
    testSink() = nullptr;
}

}  // namespace orba

void Orba_testShowAheadInto(
    std::function<void(std::uint64_t dueMs, const SDL_Rect& area, const std::vector<std::uint8_t>& rows)>
        sink) {
    orba::testSink() = std::move(sink);
}
