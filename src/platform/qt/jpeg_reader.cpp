#include "jpeg_reader.h"

#include <QFile>

#include <cstdint>
#include <cstring>
#include <vector>

#include "jpeg/decode.h"

namespace platform::qt {
namespace {

// Puts rows of the picture as stored (`tw` x `th` after scaling) upright into the canvas:
// mirrored and flipped first, then turned a quarter clockwise, as Qt applies a transformation.
class Placer {
  public:
    Placer(QImage& canvas, const QRect& area, int tw, int th, QImageIOHandler::Transformations t)
        : base_(canvas.bits()), stride_(canvas.bytesPerLine()), area_(area), tw_(tw), th_(th),
          mirror_(t.testFlag(QImageIOHandler::TransformationMirror)),
          flip_(t.testFlag(QImageIOHandler::TransformationFlip)),
          rotate_(t.testFlag(QImageIOHandler::TransformationRotate90)) {}

    void Row(int y, const std::uint32_t* row) const {
        const int my = flip_ ? th_ - 1 - y : y;
        if (!rotate_) {
            auto* out = Pixel(area_.left(), area_.top() + my);
            if (!mirror_) {
                std::memcpy(out, row, std::size_t(tw_) * 4);
            } else {
                for (int x = 0; x < tw_; ++x)
                    out[tw_ - 1 - x] = row[x];
            }
            return;
        }
        const int column = area_.left() + th_ - 1 - my;
        for (int x = 0; x < tw_; ++x)
            *Pixel(column, area_.top() + (mirror_ ? tw_ - 1 - x : x)) = row[x];
    }

  private:
    std::uint32_t* Pixel(int x, int y) const {
        return reinterpret_cast<std::uint32_t*>(base_ + std::ptrdiff_t(y) * stride_) + x;
    }

    uchar* base_;
    qsizetype stride_;
    QRect area_;
    int tw_, th_;
    bool mirror_, flip_, rotate_;
};

bool ReadWhole(const QString& path, std::vector<unsigned char>& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const qint64 size = file.size();
    if (size <= 0 || std::uint64_t(size) > MaxDecodeBytes) return false;
    bytes.resize(std::size_t(size));
    return file.read(reinterpret_cast<char*>(bytes.data()), size) == size;
}

} // namespace

JpegResult DrawJpeg(const QString& path, QSize stored,
                    QImageIOHandler::Transformations transformation, QImage& canvas,
                    const QRect& area, const StopFlag* stop, std::string& icc) {
    icc.clear();
    if (canvas.format() != QImage::Format_RGB32 || !canvas.rect().contains(area) || area.isEmpty())
        return JpegResult::NotHandled;
    const bool rotates = transformation.testFlag(QImageIOHandler::TransformationRotate90);
    jpeg::Request request;
    request.storedWidth = std::uint32_t(stored.width());
    request.storedHeight = std::uint32_t(stored.height());
    request.width = rotates ? area.height() : area.width();
    request.height = rotates ? area.width() : area.height();
    request.stop = stop;
    const Placer placer(canvas, area, request.width, request.height, transformation);
    switch (jpeg::Decode([&path](std::vector<unsigned char>& bytes) { return ReadWhole(path, bytes); },
                         request,
                         [&placer](int y, const std::uint32_t* row) { placer.Row(y, row); }, icc)) {
    case jpeg::Result::Drawn:
        return JpegResult::Drawn;
    case jpeg::Result::NotHandled:
        return JpegResult::NotHandled;
    case jpeg::Result::Refused:
        break;
    }
    return JpegResult::Refused;
}

} // namespace platform::qt
