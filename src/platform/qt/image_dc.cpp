#include <QPainter>
#include <cstring>
#include <map>

#include "qt_internal.h"

namespace platform::qt {
namespace {

// Fonts are process-wide objects, as GDI's are: any device context can select a font that
// another one created.
struct FontEntry {
    QFont font;
    int selections = 0;
    bool stock = false;
};

std::map<FontHandle, FontEntry>& Fonts() {
    static std::map<FontHandle, FontEntry> fonts;
    return fonts;
}

FontHandle NewFont(const QFont& font, bool stock) {
    static FontHandle next = 0x1000;
    next += 4;
    Fonts()[next] = FontEntry{font, 0, stock};
    return next;
}

// What a device context has selected before anyone selects a font into it.
FontHandle StockFont() {
    static const FontHandle stock = [] {
        LogFont record;
        record.Height = 16;
        record.FaceName = "ＭＳ ゴシック";
        return NewFont(FontFromLogFont(record), true);
    }();
    return stock;
}

void Hold(FontHandle font, int delta) {
    auto entry = Fonts().find(font);
    if (entry != Fonts().end()) entry->second.selections += delta;
}

QColor ToQColor(Color color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

QRect ToQRect(const Rect& rect) {
    return QRect(rect.Left, rect.Top, rect.Width(), rect.Height());
}

// Text is drawn with grey-level edges: the nine-pass outline then blends smoothly into the
// picture behind it instead of showing stairs.
constexpr bool kAntialiasedText = true;

} // namespace

ImageDc::ImageDc(QImage& image, std::function<void(const QRect&)> changed)
    : image_(image), changed_(std::move(changed)), selected_(StockFont()) {
    Hold(selected_, +1);
}

ImageDc::~ImageDc() {
    Hold(selected_, -1);
}

FontHandle ImageDc::CreateFontIndirect(const LogFont& font) {
    QFont made = FontFromLogFont(font);
    if (!kAntialiasedText) made.setStyleStrategy(QFont::NoAntialias);
    return NewFont(made, false);
}

FontHandle ImageDc::SelectFont(FontHandle font) {
    if (!Fonts().count(font)) return 0;
    const FontHandle previous = selected_;
    Hold(previous, -1);
    Hold(font, +1);
    selected_ = font;
    return previous;
}

bool ImageDc::DeleteFont(FontHandle font) {
    auto entry = Fonts().find(font);
    // A font still selected somewhere stays, as a stock font always does.
    if (entry == Fonts().end() || entry->second.stock || entry->second.selections > 0) return false;
    Fonts().erase(entry);
    return true;
}

void ImageDc::SetBkMode(BkMode mode) {
    bkMode_ = mode;
}

void ImageDc::SetTextColor(Color color) {
    textColor_ = color;
}

void ImageDc::DrawText(const std::string& text, const Rect& rect, unsigned format) {
    const QRect box = ToQRect(rect).intersected(image_.rect());
    if (box.isEmpty() || text.empty()) return;
    const QString content = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const int flags = Qt::AlignTop | Qt::TextShowMnemonic |
                      ((format & DT_Center) ? Qt::AlignHCenter : Qt::AlignLeft);
    const QFont& font = Fonts().at(selected_).font;
    const QRect whole = ToQRect(rect);
    QPainter painter(&image_);
    painter.setClipRect(box);
    if (bkMode_ == BkMode::Transparent && kAntialiasedText) {
        // Large text: put down as drawn before in the same box, the same font and colour.
        const QImage drawn =
            DrawnText(font, content, whole.size(), flags, ToQColor(textColor_));
        if (!drawn.isNull()) {
            painter.drawImage(whole.topLeft(), drawn);
            painter.end();
            if (changed_) changed_(box);
            return;
        }
    }
    painter.setRenderHint(QPainter::TextAntialiasing, kAntialiasedText);
    painter.setFont(font);
    if (bkMode_ == BkMode::Opaque)
        painter.fillRect(painter.boundingRect(whole, flags, content), Qt::white);
    painter.setPen(ToQColor(textColor_));
    painter.drawText(whole, flags, content);
    painter.end();
    if (changed_) changed_(box);
}

void ImageDc::CopyFrom(int x, int y, int width, int height, DeviceContext& source, int sx, int sy) {
    auto* from = dynamic_cast<ImageDc*>(&source);
    if (!from || width <= 0 || height <= 0) return;
    // Keep only the part that lies inside both images, moving both ends alike.
    QRect src = QRect(sx, sy, width, height).intersected(from->image_.rect());
    QRect dest = src.translated(x - sx, y - sy).intersected(image_.rect());
    src = dest.translated(sx - x, sy - y);
    if (dest.isEmpty()) return;
    if (from->image_.format() == image_.format() && image_.depth() == 32) {
        // Same layout: straight row copies, the common case of the reveal's tiles.
        const auto rowBytes = static_cast<std::size_t>(dest.width()) * 4;
        const bool upward = &from->image_ == &image_ && src.y() < dest.y();
        for (int i = 0; i < dest.height(); ++i) {
            const int row = upward ? dest.height() - 1 - i : i;
            std::memmove(image_.scanLine(dest.y() + row) + dest.x() * 4,
                         from->image_.constScanLine(src.y() + row) + src.x() * 4, rowBytes);
        }
    } else {
        const QImage pixels = from->image_.copy(src);
        QPainter painter(&image_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(dest.topLeft(), pixels);
    }
    if (changed_) changed_(dest);
}

void ImageDc::Fill(const Rect& rect, Color color) {
    const QRect box = ToQRect(rect).intersected(image_.rect());
    if (box.isEmpty()) return;
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(box, ToQColor(color));
    painter.end();
    if (changed_) changed_(box);
}

namespace {

// Whether `rect` can be read and written as whole rows of 32-bit pixels.
bool PixelsReachable(const QImage& image, const Rect& rect) {
    return image.format() == QImage::Format_RGB32 && rect.Width() > 0 && rect.Height() > 0 &&
           image.rect().contains(ToQRect(rect));
}

} // namespace

bool ImageDc::ReadPixels(const Rect& rect, std::vector<std::uint32_t>& pixels) {
    if (!PixelsReachable(image_, rect)) return false;
    const auto w = static_cast<std::size_t>(rect.Width());
    pixels.resize(w * static_cast<std::size_t>(rect.Height()));
    for (int y = 0; y < rect.Height(); ++y)
        std::memcpy(pixels.data() + w * static_cast<std::size_t>(y),
                    image_.constScanLine(rect.Top + y) + rect.Left * 4, w * 4);
    return true;
}

bool ImageDc::WritePixels(const Rect& rect, const std::vector<std::uint32_t>& pixels) {
    const auto w = static_cast<std::size_t>(rect.Width());
    if (!PixelsReachable(image_, rect) ||
        pixels.size() != w * static_cast<std::size_t>(rect.Height()))
        return false;
    for (int y = 0; y < rect.Height(); ++y)
        std::memcpy(image_.scanLine(rect.Top + y) + rect.Left * 4,
                    pixels.data() + w * static_cast<std::size_t>(y), w * 4);
    if (changed_) changed_(ToQRect(rect));
    return true;
}

} // namespace platform::qt
