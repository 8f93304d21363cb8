#pragma once
// JPEG decoding with libjpeg(-turbo), shared by both platforms' picture readers: decoded at the
// smallest of the scales 1/8, 1/4, 1/2 and 1/1 that still covers the destination, as 32-bit
// pixels, and averaged down (or enlarged) row by row on the way, within the picture budget.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/pictures.h"

namespace jpeg {

enum class Result {
    Drawn,
    Refused,    // damaged, cut off, over a limit, or stopped: nothing more to try
    NotHandled, // a kind left to another decoder (CMYK, YCCK, unusual components)
};

// An output row: `width` pixels as B, G, R bytes and an opaque fourth byte (0xFFRRGGBB).
using RowSink = std::function<void(int y, const std::uint32_t* row)>;

// Fills `bytes` with the whole file; false when it cannot be read, is empty, or is longer than
// platform::MaxDecodeBytes.
using FileReader = std::function<bool(std::vector<unsigned char>& bytes)>;

struct Request {
    std::uint32_t storedWidth = 0; // the size the header was read with; another size is refused
    std::uint32_t storedHeight = 0;
    int width = 0; // the size wanted, as stored (before any orientation is applied)
    int height = 0;
    const platform::StopFlag* stop = nullptr;
};

// Decodes the file `read` gives into rows 0 .. request.height - 1 of `request.width` pixels,
// each handed to `sink` once, top to bottom. The colour profile its APP2 segments carry, joined
// in order, is put in `icc` (empty without one). Buffers are kept per thread.
Result Decode(const FileReader& read, const Request& request, const RowSink& sink,
              std::string& icc);

// The largest of 8, 4, 2 (else 1) whose reduced size still covers `width` x `height`.
unsigned ScaleDenominator(unsigned storedWidth, unsigned storedHeight, int width, int height);

} // namespace jpeg
