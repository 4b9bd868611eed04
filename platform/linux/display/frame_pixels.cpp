// The pass goes run by run: a row of a spinning solid is a few long runs of hidden and shown
// pixels, so each run is found four pixels at a time (SSE2 where the processor has it) and then
// written whole.
#include "platform/linux/display/frame_pixels.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace voxtrel::display {

namespace {

struct Hidden {
    bool useKey;
    bool pixelAlpha;
    std::uint32_t keyBgr;
    bool operator()(std::uint32_t value) const {
        return (useKey && (value & 0x00FFFFFFu) == keyBgr) || (pixelAlpha && (value >> 24) == 0);
    }
};

std::uint32_t pixelAt(const std::uint8_t* row, int x) {
    std::uint32_t value;
    std::memcpy(&value, row + static_cast<std::size_t>(x) * 4, 4);
    return value;
}

constexpr int kAllHidden = 0xF;

// Which of the four pixels at `pixels` are hidden, one bit each.
int hiddenOfFour(const Hidden& hidden, const std::uint8_t* pixels) {
#ifdef __SSE2__
    const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    __m128i found = _mm_setzero_si128();
    if (hidden.pixelAlpha)
        found = _mm_cmpeq_epi32(_mm_srli_epi32(value, 24), _mm_setzero_si128());
    if (hidden.useKey) {
        const __m128i colour = _mm_and_si128(value, _mm_set1_epi32(0x00FFFFFF));
        found = _mm_or_si128(
            found, _mm_cmpeq_epi32(colour, _mm_set1_epi32(static_cast<int>(hidden.keyBgr))));
    }
    return _mm_movemask_ps(_mm_castsi128_ps(found));
#else
    int mask = 0;
    for (int i = 0; i < 4; ++i)
        mask |= hidden(pixelAt(pixels, i)) ? 1 << i : 0;
    return mask;
#endif
}

// The end of the run of pixels like the one at `x` (hidden or shown), four at a time while the
// row has four left.
int runEnd(const Hidden& hidden, const std::uint8_t* row, int x, int width, bool runHidden) {
    const int whole = runHidden ? kAllHidden : 0;
    while (x + 4 <= width && hiddenOfFour(hidden, row + static_cast<std::size_t>(x) * 4) == whole)
        x += 4;
    while (x < width && hidden(pixelAt(row, x)) == runHidden)
        ++x;
    return x;
}

} // namespace

void finishFramePixels(const LayeredFrame& frame, std::uint8_t* target, std::size_t targetStride,
                       std::vector<ShapeRun>& shape) {
    const Hidden hidden{frame.useKey, frame.pixelAlpha,
                        std::uint32_t{GetBValue(frame.key)} |
                            (std::uint32_t{GetGValue(frame.key)} << 8) |
                            (std::uint32_t{GetRValue(frame.key)} << 16)};
    // Without per-pixel alpha every shown pixel is opaque, whatever its alpha byte held.
    const std::uint32_t opaque = frame.pixelAlpha ? 0 : 0xFF000000u;
    const std::size_t sourceStride = static_cast<std::size_t>(frame.width) * 4;
    shape.clear();
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* source = frame.bgra.data() + sourceStride * y;
        std::uint8_t* row = target + targetStride * y;
        int x = 0;
        while (x < frame.width) {
            const int hiddenStart = x;
            x = runEnd(hidden, source, x, frame.width, true);
            std::memset(row + static_cast<std::size_t>(hiddenStart) * 4, 0,
                        static_cast<std::size_t>(x - hiddenStart) * 4);
            const int shownStart = x;
            x = runEnd(hidden, source, x, frame.width, false);
            if (x == shownStart)
                continue;
            shape.push_back({y, shownStart, x});
            std::uint8_t* out = row + static_cast<std::size_t>(shownStart) * 4;
            const std::uint8_t* in = source + static_cast<std::size_t>(shownStart) * 4;
            const std::size_t bytes = static_cast<std::size_t>(x - shownStart) * 4;
            if (opaque == 0) {
                if (out != in)
                    std::memcpy(out, in, bytes);
            } else {
                for (std::size_t i = 0; i < bytes; i += 4) {
                    std::uint32_t value;
                    std::memcpy(&value, in + i, 4);
                    value |= opaque;
                    std::memcpy(out + i, &value, 4);
                }
            }
        }
    }
}

} // namespace voxtrel::display
