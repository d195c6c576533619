// Smooth scaling runs in two passes: each frame row a screen row needs is
// stretched across once, and two such rows are mixed into the screen row.
// Both mixes go byte by byte (each byte a channel) with weights out of 256,
// rounded, in loops the compiler turns into vector instructions.
#include "orba/scaler.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace orba {
namespace {

// Two rows mixed byte by byte, f/256 of the lower one.
void blendRows(const Uint8* __restrict upper, const Uint8* __restrict lower, Uint8* __restrict out,
               std::size_t bytes, Uint32 f) {
    const Uint32 g = 256 - f;
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = static_cast<Uint8>((upper[i] * g + lower[i] * f + 128) >> 8);
}

// Two runs of bytes mixed, each byte with its own weight out of 256.
void blendBytes(const Uint8* __restrict left, const Uint8* __restrict right, const Uint16* __restrict weights,
                Uint8* __restrict out, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        const auto mixed = static_cast<Uint16>(left[i] * (256 - weights[i]) + right[i] * weights[i] + 128);
        out[i] = static_cast<Uint8>(mixed >> 8);
    }
}

// A smooth sample along one axis: frame pixels `first` and `second`, and the
// weight of the second out of 256.
struct Sample {
    int first = 0, second = 0;
    Uint32 weight = 0;
};

// The view pixel's centre mapped into the frame, half a pixel back so that
// pixel centres meet, in 256ths rounded; clamped at the frame's edges.
Sample smoothSample(int at, int frameSize, int viewSize) {
    const std::int64_t scaled =
        ((2 * std::int64_t{at} + 1) * frameSize * 256 + viewSize) / (2 * viewSize) - 128;
    const std::int64_t position = std::clamp<std::int64_t>(scaled, 0, std::int64_t{frameSize - 1} * 256);
    const int first = static_cast<int>(position >> 8);
    return {first, std::min(first + 1, frameSize - 1), static_cast<Uint32>(position & 255)};
}

// The view pixels [first, last) of a row or column that show frame pixels
// within [from, to): the frame's range widened by one pixel for the smooth
// blend's neighbours and mapped with a pixel to spare, then clipped.
std::pair<int, int> viewSpan(int from, int to, int frameSize, int viewSize) {
    const std::int64_t first = std::int64_t{from - 1} * viewSize / frameSize - 1;
    const std::int64_t last = (std::int64_t{to + 1} * viewSize + frameSize - 1) / frameSize + 1;
    return {static_cast<int>(std::max<std::int64_t>(first, 0)),
            static_cast<int>(std::min<std::int64_t>(last, viewSize))};
}

const Uint32* frameRow(const SDL_Surface* frame, int y) {
    return reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(frame->pixels) +
                                           static_cast<std::ptrdiff_t>(y) * frame->pitch);
}

Uint32* screenRow(SDL_Surface* screen, const Viewport& view, int y, int x) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(screen->pixels) +
                                     static_cast<std::ptrdiff_t>(view.y + y) * screen->pitch) +
           view.x + x;
}

// The rows [y0, y1) and columns [x0, x1) of the view to write.
struct Span {
    int x0, x1, y0, y1;
    int width() const { return x1 - x0; }
};

void scaleSharp(const SDL_Surface* frame, SDL_Surface* screen, const Viewport& view, const Span& span) {
    std::vector<int> columns(static_cast<std::size_t>(span.width()));
    for (int x = span.x0; x < span.x1; ++x) columns[x - span.x0] = nearestSource(x, view.frameW, view.w);
    int lastSource = -1;
    for (int y = span.y0; y < span.y1; ++y) {
        Uint32* out = screenRow(screen, view, y, span.x0);
        const int source = nearestSource(y, view.frameH, view.h);
        if (source == lastSource) {  // the row above shows the same frame row
            std::memcpy(out, screenRow(screen, view, y - 1, span.x0), columns.size() * 4);
            continue;
        }
        const Uint32* in = frameRow(frame, source);
        for (std::size_t i = 0; i < columns.size(); ++i) out[i] = in[columns[i]];
        lastSource = source;
    }
}

// The frame's rows stretched across the span, the last two kept. Each
// stretched pixel's two frame pixels are gathered into `left_` and `right_`
// first, so that the mix runs over plain runs of bytes.
class StretchedRows {
public:
    StretchedRows(const SDL_Surface* frame, const Viewport& view, const Span& span) : frame_(frame) {
        for (int x = span.x0; x < span.x1; ++x) {
            columns_.push_back(smoothSample(x, view.frameW, view.w));
            weights_.insert(weights_.end(), 4, static_cast<Uint16>(columns_.back().weight));
        }
        for (auto* row : {&rows_[0], &rows_[1], &left_, &right_}) row->resize(columns_.size());
    }

    // Frame row y stretched, computed unless it is one of the two kept.
    const std::vector<Uint32>& row(int y) {
        if (kept_[0] == y) return rows_[0];
        if (kept_[1] != y) stretch(y);
        return rows_[1];
    }

    // Makes row `first` kept in the first place, ahead of the next row(second).
    void keepFirst(int first) {
        if (kept_[1] == first) {
            std::swap(rows_[0], rows_[1]);
            std::swap(kept_[0], kept_[1]);
        } else if (kept_[0] != first) {
            stretch(first);
            std::swap(rows_[0], rows_[1]);
            std::swap(kept_[0], kept_[1]);
        }
    }

private:
    void stretch(int y) {
        const Uint32* in = frameRow(frame_, y);
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            left_[i] = in[columns_[i].first];
            right_[i] = in[columns_[i].second];
        }
        blendBytes(reinterpret_cast<const Uint8*>(left_.data()),
                   reinterpret_cast<const Uint8*>(right_.data()), weights_.data(),
                   reinterpret_cast<Uint8*>(rows_[1].data()), columns_.size() * 4);
        kept_[1] = y;
    }

    const SDL_Surface* frame_;
    std::vector<Sample> columns_;
    std::vector<Uint16> weights_;  // each column's weight, once for each of its bytes
    std::vector<Uint32> rows_[2], left_, right_;
    int kept_[2] = {-1, -1};
};

void scaleSmooth(const SDL_Surface* frame, SDL_Surface* screen, const Viewport& view, const Span& span) {
    StretchedRows rows(frame, view, span);
    for (int y = span.y0; y < span.y1; ++y) {
        const Sample s = smoothSample(y, view.frameH, view.h);
        rows.keepFirst(s.first);
        const std::vector<Uint32>& upper = rows.row(s.first);
        Uint32* out = screenRow(screen, view, y, span.x0);
        if (s.weight == 0) {
            std::memcpy(out, upper.data(), upper.size() * 4);
            continue;
        }
        const std::vector<Uint32>& lower = rows.row(s.second);
        blendRows(reinterpret_cast<const Uint8*>(upper.data()), reinterpret_cast<const Uint8*>(lower.data()),
                  reinterpret_cast<Uint8*>(out), upper.size() * 4, s.weight);
    }
}

}  // namespace

SDL_Rect scaleFrame(SDL_Surface* frame, SDL_Surface* screen, const Viewport& view, const SDL_Rect& changed,
                    bool smooth) {
    if (changed.w == 0 || changed.h == 0 || view.w <= 0 || view.h <= 0) return SDL_Rect{0, 0, 0, 0};
    const auto [x0, x1] = viewSpan(changed.x, changed.x + changed.w, view.frameW, view.w);
    const auto [y0, y1] = viewSpan(changed.y, changed.y + changed.h, view.frameH, view.h);
    const Span span{x0, x1, y0, y1};
    SDL_LockSurface(frame);
    SDL_LockSurface(screen);
    if (smooth)
        scaleSmooth(frame, screen, view, span);
    else
        scaleSharp(frame, screen, view, span);
    SDL_UnlockSurface(screen);
    SDL_UnlockSurface(frame);
    return SDL_Rect{static_cast<Sint16>(view.x + x0), static_cast<Sint16>(view.y + y0),
                    static_cast<Uint16>(x1 - x0), static_cast<Uint16>(y1 - y0)};
}

}  // namespace orba
