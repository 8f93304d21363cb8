#include <QPainter>
#include <atomic>
#include <list>
#include <mutex>

#include "qt_internal.h"

namespace platform::qt {
namespace {

// Qt keeps the glyphs of fonts up to 64 pixels in its glyph cache; larger text goes through
// glyph outlines at every drawing, some ten times the work (the day row and the clock of a
// screen from about 230 dpi on).
constexpr int kLargestCachedGlyph = 64;
// Enough for a month of days in their two colours and a few clock lines.
constexpr std::size_t kKept = 160;

struct Drawn {
    QFont font;
    QString text;
    QSize size;
    int flags;
    QRgb colour;
    QImage image;
};

std::atomic<bool> keeping{true};

} // namespace

void KeepDrawnText(bool keep) {
    keeping = keep;
}

QImage DrawnText(const QFont& font, const QString& text, QSize size, int flags,
                 const QColor& colour) {
    if (!keeping || font.pixelSize() <= kLargestCachedGlyph || size.isEmpty()) return {};
    static std::mutex guard;
    static std::list<Drawn> kept;
    const std::lock_guard<std::mutex> lock(guard);
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->size == size && it->flags == flags && it->colour == colour.rgb() &&
            it->text == text && it->font == font) {
            kept.splice(kept.begin(), kept, it); // the most recent first
            return kept.front().image;
        }
    }
    // The text alone on a clear image of its box, drawn as it is drawn on the frame.
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRect(QPoint(0, 0), size), flags, text);
    painter.end();
    kept.push_front({font, text, size, flags, colour.rgb(), image});
    if (kept.size() > kKept) kept.pop_back();
    return image;
}

} // namespace platform::qt
