#pragma once
// What a saver window shows, by the image each part was revealed from, for windows that keep no
// copy of their own and repaint from the canvases they were handed.
#include <QImage>
#include <QRegion>
#include <algorithm>
#include <vector>

namespace platform::qt {

struct ShownParts {
    struct Part {
        const QImage* image;
        QRegion region; // window pixels
    };
    std::vector<Part> parts;

    // `area` of `image` is shown now: it leaves every other image's part.
    void Reveal(const QImage* image, const QRect& area) {
        const QRegion added(area.intersected(image->rect()));
        Part* same = nullptr;
        for (Part& part : parts) {
            if (part.image == image)
                same = &part;
            else
                part.region -= added;
        }
        if (same)
            same->region += added;
        else
            parts.push_back({image, added});
        std::erase_if(parts, [](const Part& part) { return part.region.isEmpty(); });
    }
};

} // namespace platform::qt
