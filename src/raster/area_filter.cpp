#include "area_filter.h"

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define LUMORA_RASTER_SSE2 1
#endif

namespace raster {
namespace {

// Output position (in 1/4096 of an output pixel) of the source edge `i`, rounded; the last
// edge lands exactly on the last output edge.
std::int64_t Edge(std::int64_t i, int from, int to) {
    return (i * to * 4096 + from / 2) / from;
}

#ifdef LUMORA_RASTER_SSE2
std::uint32_t Load32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// The sums of one output pixel across: each source pixel's four bytes times its share, two
// pixels at a time (their bytes interleaved, so that one multiply-add takes both).
__m128i SumAcross(const unsigned char* p, const std::uint16_t* w, int count) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = zero;
    int k = 0;
    for (; k + 1 < count; k += 2, p += 8) {
        const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const __m128i mixed = _mm_unpacklo_epi8(two, _mm_srli_epi64(two, 32));
        const __m128i shares = _mm_set1_epi32(int(w[k] | std::uint32_t(w[k + 1]) << 16));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi8(mixed, zero), shares));
    }
    if (k < count) {
        const __m128i one = _mm_unpacklo_epi16(
            _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(Load32(p))), zero), zero);
        sum = _mm_add_epi32(sum, _mm_madd_epi16(one, _mm_set1_epi32(int(w[k]))));
    }
    return sum;
}

// A source row reduced across and added down in one go, for spans of 4 * Quads + 2 * Tail
// pixels: four pixels at a time with one load (pixels k and k + 2, then k + 1 and k + 3,
// interleaved for one multiply-add each), then two.
template <int Quads, int Tail, bool Next>
void ReduceAndAdd(const unsigned char* row, const int* start, const std::uint32_t* shares,
                  std::size_t outputs, std::uint32_t toFirst, std::uint32_t toNext,
                  std::uint32_t* current, std::uint32_t* next) {
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(128);
    const __m128i first = _mm_set1_epi32(int(toFirst)), second = _mm_set1_epi32(int(toNext));
    auto* cur = reinterpret_cast<__m128i*>(current);
    auto* nxt = reinterpret_cast<__m128i*>(next);
    for (std::size_t o = 0; o < outputs; ++o, ++cur, ++nxt) {
        const unsigned char* p = row + std::size_t(start[o]) * 4;
        __m128i sum = zero;
        for (int q = 0; q < Quads; ++q, p += 16, shares += 2) {
            const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i mixed = _mm_unpacklo_epi8(four, _mm_srli_si128(four, 8));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi8(mixed, zero),
                                                    _mm_set1_epi32(int(shares[0]))));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpackhi_epi8(mixed, zero),
                                                    _mm_set1_epi32(int(shares[1]))));
        }
        if (Tail) {
            const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            const __m128i mixed = _mm_unpacklo_epi8(two, _mm_srli_epi64(two, 32));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi8(mixed, zero),
                                                    _mm_set1_epi32(int(shares[0]))));
            ++shares;
        }
        // As in AddDown: values below 2^12 times shares of at most 2^12, exact.
        const __m128i v = _mm_srli_epi32(_mm_add_epi32(sum, half), 8);
        _mm_storeu_si128(cur, _mm_add_epi32(_mm_loadu_si128(cur), _mm_madd_epi16(v, first)));
        if (Next)
            _mm_storeu_si128(nxt, _mm_add_epi32(_mm_loadu_si128(nxt), _mm_madd_epi16(v, second)));
    }
}

template <int Quads, int Tail>
void ReduceAndAdd(const unsigned char* row, const int* start, const std::uint32_t* shares,
                  std::size_t outputs, std::uint32_t toFirst, std::uint32_t toNext,
                  std::uint32_t* current, std::uint32_t* next) {
    if (toNext)
        ReduceAndAdd<Quads, Tail, true>(row, start, shares, outputs, toFirst, toNext, current,
                                        next);
    else
        ReduceAndAdd<Quads, Tail, false>(row, start, shares, outputs, toFirst, toNext, current,
                                         next);
}
#endif

} // namespace

void AreaFilter::Taps(int from, int to, std::vector<Tap>& taps) {
    taps.resize(static_cast<std::size_t>(from));
    for (int i = 0; i < from; ++i) {
        const std::int64_t a = Edge(i, from, to), b = Edge(i + 1, from, to);
        Tap& t = taps[static_cast<std::size_t>(i)];
        t.first = static_cast<int>(a / 4096);
        const std::int64_t boundary = (t.first + 1) * std::int64_t{4096};
        t.toFirst = static_cast<std::uint32_t>(std::min(b, boundary) - a);
        t.toNext = static_cast<std::uint32_t>(b > boundary ? b - boundary : 0);
    }
}

void AreaFilter::Spans() {
    const auto n = static_cast<std::size_t>(toW_);
    std::vector<int> lo(n, INT_MAX), hi(n, -1);
    auto touch = [&](int o, int x) {
        if (o < 0 || o >= toW_) return;
        lo[std::size_t(o)] = std::min(lo[std::size_t(o)], x);
        hi[std::size_t(o)] = std::max(hi[std::size_t(o)], x);
    };
    for (int x = 0; x < fromW_; ++x) {
        const Tap& t = across_[std::size_t(x)];
        touch(t.first, x);
        if (t.toNext) touch(t.first + 1, x);
    }
    spans_.assign(n, Span{});
    weights_.clear();
    for (std::size_t o = 0; o < n; ++o) {
        Span& s = spans_[o];
        s.offset = static_cast<std::uint32_t>(weights_.size());
        if (hi[o] < lo[o]) continue;
        s.start = lo[o];
        s.count = hi[o] - lo[o] + 1;
        for (int x = lo[o]; x <= hi[o]; ++x) {
            const Tap& t = across_[std::size_t(x)];
            const std::uint32_t w = t.first == int(o)       ? t.toFirst
                                    : t.first + 1 == int(o) ? t.toNext
                                                            : 0;
            weights_.push_back(static_cast<std::uint16_t>(w));
        }
        if (s.count % 2) weights_.push_back(0);
    }
}

void AreaFilter::FixedSpans() {
    fixedPixels_ = 0;
    int longest = 0;
    for (const Span& sp : spans_) longest = std::max(longest, sp.count);
    const int pixels = (longest + 1) / 2 * 2;
    if (pixels < 2 || pixels > 8 || pixels > fromW_) return;
    const int quads = pixels / 4, tail = pixels % 4 / 2;
    fixedStart_.assign(spans_.size(), 0);
    fixedWeights_.assign(spans_.size() * std::size_t(quads * 2 + tail), 0);
    std::uint32_t* out = fixedWeights_.data();
    std::vector<std::uint32_t> w(static_cast<std::size_t>(pixels));
    for (std::size_t o = 0; o < spans_.size(); ++o) {
        const Span& sp = spans_[o];
        const int start = std::min(sp.start, fromW_ - pixels);
        fixedStart_[o] = start;
        std::fill(w.begin(), w.end(), 0u);
        for (int k = 0; k < sp.count; ++k)
            w[std::size_t(sp.start - start + k)] = weights_[sp.offset + std::size_t(k)];
        for (int q = 0; q < quads; ++q) {
            *out++ = w[std::size_t(4 * q)] | w[std::size_t(4 * q + 2)] << 16;
            *out++ = w[std::size_t(4 * q + 1)] | w[std::size_t(4 * q + 3)] << 16;
        }
        if (tail) *out++ = w[std::size_t(4 * quads)] | w[std::size_t(4 * quads + 1)] << 16;
    }
    fixedPixels_ = pixels;
}

bool AreaFilter::ReduceAndAddFixed(const unsigned char* row, std::uint32_t toFirst,
                                   std::uint32_t toNext) {
#ifdef LUMORA_RASTER_SSE2
    const int* start = fixedStart_.data();
    const std::uint32_t* shares = fixedWeights_.data();
    const std::size_t n = spans_.size();
    std::uint32_t* cur = current_.data();
    std::uint32_t* nxt = next_.data();
    switch (fixedPixels_) {
    case 2:
        ReduceAndAdd<0, 1>(row, start, shares, n, toFirst, toNext, cur, nxt);
        return true;
    case 4:
        ReduceAndAdd<1, 0>(row, start, shares, n, toFirst, toNext, cur, nxt);
        return true;
    case 6:
        ReduceAndAdd<1, 1>(row, start, shares, n, toFirst, toNext, cur, nxt);
        return true;
    case 8:
        ReduceAndAdd<2, 0>(row, start, shares, n, toFirst, toNext, cur, nxt);
        return true;
    default:
        break;
    }
#else
    (void)row, (void)toFirst, (void)toNext;
#endif
    return false;
}

void AreaFilter::Start(int fromW, int fromH, int toW, int toH, RowSink sink) {
    fromW_ = fromW;
    fromH_ = fromH;
    toW_ = std::max(toW, 0);
    toH_ = toH;
    sourceRow_ = 0;
    outputRow_ = 0;
    sink_ = std::move(sink);
    Taps(fromW, toW_, across_);
    Taps(fromH, toH, down_);
    Spans();
    FixedSpans();
    const std::size_t width = static_cast<std::size_t>(toW_) * 4;
    reduced_.assign(width, 0);
    current_.assign(width, 0);
    next_.assign(width, 0);
    out_.assign(static_cast<std::size_t>(toW_), 0);
}

void AreaFilter::AddRow(const unsigned char* row) {
    if (sourceRow_ >= fromH_) return;
    const Tap& down = down_[static_cast<std::size_t>(sourceRow_)];
    while (outputRow_ < down.first)
        Emit(outputRow_++);
    if (!ReduceAndAddFixed(row, down.toFirst, down.toNext)) {
        Reduce(row);
        AddDown(down.toFirst, down.toNext);
    }
    if (++sourceRow_ == fromH_)
        while (outputRow_ < toH_)
            Emit(outputRow_++);
}

void AreaFilter::Reduce(const unsigned char* row) {
    std::uint32_t* red = reduced_.data();
    const std::uint16_t* weights = weights_.data();
    for (const Span& s : spans_) {
        const unsigned char* p = row + std::size_t(s.start) * 4;
        const std::uint16_t* w = weights + s.offset;
#ifdef LUMORA_RASTER_SSE2
        _mm_storeu_si128(reinterpret_cast<__m128i*>(red), SumAcross(p, w, s.count));
#else
        std::uint32_t sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < s.count; ++k, p += 4)
            for (int c = 0; c < 4; ++c)
                sum[c] += w[k] * std::uint32_t(p[c]);
        std::memcpy(red, sum, sizeof sum);
#endif
        red += 4;
    }
}

// The sums across (at most 255 x 4096) are rounded to 1/16 of a level before the shares down
// are applied, which keeps the sums down far inside 32 bits.
void AreaFilter::AddDown(std::uint32_t toFirst, std::uint32_t toNext) {
    const std::size_t n = reduced_.size();
    std::size_t i = 0;
#ifdef LUMORA_RASTER_SSE2
    // Each value is below 2^12 and each share at most 2^12, so a 16-bit multiply-add of the
    // value (high half zero) and the share (high half zero) is their exact product.
    const __m128i half = _mm_set1_epi32(128);
    const __m128i first = _mm_set1_epi32(int(toFirst)), next = _mm_set1_epi32(int(toNext));
    auto* cur = reinterpret_cast<__m128i*>(current_.data());
    auto* nxt = reinterpret_cast<__m128i*>(next_.data());
    const auto* red = reinterpret_cast<const __m128i*>(reduced_.data());
    for (; i + 4 <= n; i += 4, ++cur, ++nxt, ++red) {
        const __m128i v = _mm_srli_epi32(_mm_add_epi32(_mm_loadu_si128(red), half), 8);
        _mm_storeu_si128(cur, _mm_add_epi32(_mm_loadu_si128(cur), _mm_madd_epi16(v, first)));
        if (toNext)
            _mm_storeu_si128(nxt, _mm_add_epi32(_mm_loadu_si128(nxt), _mm_madd_epi16(v, next)));
    }
#endif
    for (; i < n; ++i) {
        const std::uint32_t v = (reduced_[i] + 128) >> 8;
        current_[i] += v * toFirst;
        next_[i] += v * toNext;
    }
}

void AreaFilter::Emit(int y) {
    const std::size_t n = static_cast<std::size_t>(toW_);
    std::size_t x = 0;
#ifdef LUMORA_RASTER_SSE2
    // Sums are in 1/16 of a level times 4096; the packs saturate at 255 as the test below.
    const __m128i half = _mm_set1_epi32(1 << 15);
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    const auto* c = reinterpret_cast<const __m128i*>(current_.data());
    for (; x + 4 <= n; x += 4, c += 4) {
        auto level = [&](int i) {
            return _mm_srli_epi32(_mm_add_epi32(_mm_loadu_si128(c + i), half), 16);
        };
        const __m128i low = _mm_packs_epi32(level(0), level(1));
        const __m128i high = _mm_packs_epi32(level(2), level(3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(&out_[x]),
                         _mm_or_si128(_mm_packus_epi16(low, high), opaque));
    }
#endif
    for (; x < n; ++x) {
        const std::uint32_t* c = &current_[x * 4];
        const std::uint32_t b = (c[0] + (1u << 15)) >> 16;
        const std::uint32_t g = (c[1] + (1u << 15)) >> 16;
        const std::uint32_t r = (c[2] + (1u << 15)) >> 16;
        out_[x] =
            0xFF000000u | std::min(r, 255u) << 16 | std::min(g, 255u) << 8 | std::min(b, 255u);
    }
    sink_(y, out_.data());
    current_.swap(next_);
    std::fill(next_.begin(), next_.end(), 0u);
}

} // namespace raster
