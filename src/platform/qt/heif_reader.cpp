#include "heif_reader.h"

#include <QFile>

#include <libheif/heif.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <cstring>
#include <memory>

namespace platform::qt {
namespace {

constexpr int MaxSide = 32767;
constexpr std::int64_t MaxPixels = 100'000'000;

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;

// The file's primary picture, with libheif's own limits on (and its largest side ours).
Handle OpenPrimary(const QString& path, Context& context) {
    context.reset(heif_context_alloc());
    if (!context) return nullptr;
    heif_context_set_maximum_image_size_limit(context.get(), MaxSide);
    const QByteArray name = QFile::encodeName(path);
    if (heif_context_read_from_file(context.get(), name.constData(), nullptr).code != heif_error_Ok)
        return nullptr;
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &handle).code != heif_error_Ok)
        return nullptr;
    return Handle(handle);
}

// Pictures of more than 8 bits a channel are coded, and first converted, at 16 bits a channel.
std::uint64_t BytesPerPixel(const heif_image_handle* handle) {
    return heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? HeifBytesPerPixel * 2
                                                                  : HeifBytesPerPixel;
}

bool WithinBudget(int width, int height, std::uint64_t bytesPerPixel) {
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide) return false;
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    return pixels <= std::uint64_t(MaxPixels) && pixels * bytesPerPixel <= MaxHeifDecodeBytes;
}

PictureColour ColourOf(const heif_image_handle* handle) {
    PictureColour colour;
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        colour.icc.resize(size);
        if (size == 0 ||
            heif_image_handle_get_raw_color_profile(handle, colour.icc.data()).code != heif_error_Ok)
            colour.icc.clear();
    } else if (type == heif_color_profile_type_nclx) {
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx) {
            colour.primaries = nclx->color_primaries;
            colour.transfer = nclx->transfer_characteristics;
            const float values[8] = {nclx->color_primary_red_x,   nclx->color_primary_red_y,
                                     nclx->color_primary_green_x, nclx->color_primary_green_y,
                                     nclx->color_primary_blue_x,  nclx->color_primary_blue_y,
                                     nclx->color_primary_white_x, nclx->color_primary_white_y};
            std::memcpy(colour.chromaticities, values, sizeof values);
        }
        heif_nclx_color_profile_free(nclx);
    }
    return colour;
}

void ReleaseImage(void* image) {
    heif_image_release(static_cast<heif_image*>(image));
}

} // namespace

bool LooksLikeHeif(const QByteArray& head) {
    if (head.size() < 16 || head.mid(4, 4) != "ftyp") return false;
    const auto* d = reinterpret_cast<const unsigned char*>(head.constData());
    const std::uint32_t boxSize = std::uint32_t(d[0]) << 24 | d[1] << 16 | d[2] << 8 | d[3];
    static const char* const brands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis",
                                         "mif1", "msf1", "avif", "avis"};
    // The major brand, then the compatible brands (after the minor version).
    for (std::uint32_t at = 8; at + 4 <= boxSize && at + 4 <= std::uint32_t(head.size()); at += 4) {
        if (at == 12) continue;
        for (const char* brand : brands)
            if (std::memcmp(d + at, brand, 4) == 0) return true;
    }
    return false;
}

HeifInfo ReadHeifInfo(const QString& path) {
    HeifInfo info;
    Context context;
    const Handle handle = OpenPrimary(path, context);
    if (!handle) return info;
    // The coded size decides the decoder's memory; the upright size is what is shown.
    const int codedW = heif_image_handle_get_ispe_width(handle.get());
    const int codedH = heif_image_handle_get_ispe_height(handle.get());
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    const std::uint64_t bytes = BytesPerPixel(handle.get());
    if (!WithinBudget(codedW, codedH, bytes) || !WithinBudget(width, height, bytes)) return info;
    info.size = QSize(width, height);
    info.colour = ColourOf(handle.get());
    return info;
}

namespace {

QImage DecodeNow(const QString& path, QSize size) {
    Context context;
    const Handle handle = OpenPrimary(path, context);
    if (!handle || heif_image_handle_get_width(handle.get()) != size.width() ||
        heif_image_handle_get_height(handle.get()) != size.height() ||
        !WithinBudget(heif_image_handle_get_ispe_width(handle.get()),
                      heif_image_handle_get_ispe_height(handle.get()), BytesPerPixel(handle.get())))
        return QImage();
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    // Deeper pictures are narrowed to 8 bits a channel by libheif.
    const heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    heif_image* image = nullptr;
    if (heif_decode_image(handle.get(), &image, heif_colorspace_RGB, chroma, nullptr).code !=
            heif_error_Ok ||
        !image)
        return QImage();
    int stride = 0;
    auto* pixels = const_cast<uint8_t*>(
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
    if (!pixels || heif_image_get_width(image, heif_channel_interleaved) != size.width() ||
        heif_image_get_height(image, heif_channel_interleaved) != size.height()) {
        heif_image_release(image);
        return QImage();
    }
    // The picture's own buffer, released with the last copy of the image made from it.
    return QImage(pixels, size.width(), size.height(), stride,
                  alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888, ReleaseImage, image);
}

} // namespace

QImage DecodeHeif(const QString& path, QSize size, const StopFlag* stop) {
    if (!stop) return DecodeNow(path, size);
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        QImage image;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, path, size] {
        QImage image = DecodeNow(path, size);
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->image = std::move(image);
        shared->finished = true;
        shared->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(shared->mutex);
    while (!shared->done.wait_for(lock, std::chrono::milliseconds(20),
                                  [&] { return shared->finished; }))
        if (stop->load(std::memory_order_relaxed)) return QImage();
    return std::move(shared->image);
}

} // namespace platform::qt
