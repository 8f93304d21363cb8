#pragma once
#include <memory>
#include <string>

#include "drawing.h"

namespace platform {

// A picture file opened for drawing. Its size is known from the file's header (upright, after
// the orientation the file records); the pixels are decoded when it is drawn, at no more than
// the size asked for.
class Picture {
public:
    virtual ~Picture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Draws the whole picture into `dest` on `target`, scaled smoothly (area averaging when
    // shrinking, 1:1 copy when the size is the same). False when decoding fails.
    virtual bool DrawScaled(Surface& target, const Rect& dest) = 0;
};

class Pictures {
public:
    virtual ~Pictures() = default;
    // Opens a BMP, JPEG (and whatever else the system decodes) file; null when the file is
    // missing, not a picture, or claims more than 100 megapixels or a side over 32767.
    virtual std::unique_ptr<Picture> Load(const std::string& path) = 0;
};

} // namespace platform
