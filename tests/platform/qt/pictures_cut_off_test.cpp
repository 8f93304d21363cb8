#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <string>

#include "platform/shared/platform_under_test.h"

namespace {

// A picture with detail everywhere, so that every part of the file carries rows.
QImage Detailed() {
    QImage image(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                           qRgb((x * 37 + y * 11) & 0xFF, (x * y * 5) & 0xFF, (y * 29) & 0xFF));
    return image;
}

std::string Encoded(const char* format, bool progressive) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(Detailed()));
    return bytes.toStdString();
}

TEST(PicturesCutOff, DataEndingBeforeTheLastRowIsRefusedAMissingEndMarkerIsNot) {
    const std::string baseline = Encoded("jpeg", false);
    const std::string progressive = Encoded("jpeg", true);
    const std::string png = Encoded("png", false);
    const struct {
        const char* Name;
        std::string Bytes;
        bool Drawn;
    } cases[] = {
        {"baseline whole", baseline, true},
        {"baseline without its end marker", baseline.substr(0, baseline.size() - 2), true},
        {"baseline cut in half", baseline.substr(0, baseline.size() / 2), false},
        {"baseline short of its last rows", baseline.substr(0, baseline.size() - 40), false},
        {"progressive without its end marker", progressive.substr(0, progressive.size() - 2), true},
        {"progressive cut in its last scan", progressive.substr(0, progressive.size() - 40), false},
        {"png cut in half", png.substr(0, png.size() / 2), false},
    };
    const std::string folder = under_test::TempDirectory() + "/";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = folder + "cut.pic";
        ASSERT_TRUE(under_test::WriteBytes(path, c.Bytes));
        auto picture = under_test::Pictures().Load(path);
        auto surface = under_test::Drawing().CreateSurface(96, 64);
        const bool drawn = picture && picture->DrawScaled(*surface, {0, 0, 96, 64});
        EXPECT_EQ(drawn, c.Drawn);
    }
}

} // namespace
