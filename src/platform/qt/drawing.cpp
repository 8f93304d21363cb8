#include <QPainter>

#include "qt_internal.h"
#include "qt_services.h"
#include "qt_surface.h"

namespace platform::qt {
namespace {

// Colour GetPixel reports for a point outside the image.
constexpr Color kInvalidColor = 0xFFFFFFFF;

QImage BlankImage(int width, int height) {
    QImage image(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

class ImageSurface : public Surface {
  public:
    ImageSurface(int width, int height) : image_(BlankImage(width, height)), dc_(image_) {}

    // The part that still fits is kept; new area is black.
    void Resize(int width, int height) override {
        // The saver sizes its canvas to the window as it starts: most often the size it has.
        if (width == image_.width() && height == image_.height()) return;
        QImage resized = BlankImage(width, height);
        QPainter painter(&resized);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image_);
        painter.end();
        image_ = std::move(resized);
    }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    DeviceContext& Dc() override { return dc_; }
    bool SavePng(const std::string& path) override {
        return !image_.isNull() && image_.save(QString::fromStdString(path), "PNG");
    }
    Color PixelAt(int x, int y) const override {
        if (!image_.valid(x, y)) return kInvalidColor;
        const QRgb rgb = image_.pixel(x, y);
        return Rgb(qRed(rgb), qGreen(rgb), qBlue(rgb));
    }
    QImage& Image() { return image_; }

  private:
    QImage image_;
    ImageDc dc_;
};

class QtDrawing : public Drawing {
  public:
    std::unique_ptr<Surface> CreateSurface(int width, int height) override {
        return std::make_unique<ImageSurface>(width, height);
    }
};

} // namespace

QImage& ImageOf(Surface& surface) {
    if (auto* own = dynamic_cast<ImageSurface*>(&surface)) return own->Image();
    static QImage none;
    none = QImage();
    return none;
}

Drawing& DrawingService() {
    static QtDrawing drawing;
    return drawing;
}

} // namespace platform::qt
