#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "drawing.h"

namespace platform {

// The most memory that decoding one picture may need. A picture whose decoding would need more
// (4 bytes a pixel at the size decoded, and for a JPEG whose rows only come after every scan has
// been read, the decoder's coefficients) is refused before anything that large is set aside.
constexpr std::uint64_t MaxDecodeBytes = std::uint64_t(256) << 20;

// Set from another thread to ask a drawing in progress to stop early.
using StopFlag = std::atomic<bool>;

// A picture file opened for drawing. Its size is known from the file's header (upright, after
// the orientation the file records); the pixels are decoded when it is drawn, at no more than
// the size asked for.
class Picture {
public:
    virtual ~Picture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Draws the whole picture into `dest` on `target`, scaled smoothly (area averaging when
    // shrinking, 1:1 copy when the size is the same). False when decoding fails, when the data
    // ends before the last row, or when `stop` (if given; checked between batches of rows) was
    // set; `dest` may then hold part of the picture.
    virtual bool DrawScaled(Surface& target, const Rect& dest, const StopFlag* stop) = 0;
    bool DrawScaled(Surface& target, const Rect& dest) { return DrawScaled(target, dest, nullptr); }
};

class Pictures {
public:
    virtual ~Pictures() = default;
    // Opens a BMP, JPEG (and whatever else the system decodes) file; null when the file is
    // missing, not a picture, claims more than 100 megapixels or a side over 32767, or is
    // decoded at its full size and would need more than MaxDecodeBytes.
    virtual std::unique_ptr<Picture> Load(const std::string& path) = 0;
};

} // namespace platform
