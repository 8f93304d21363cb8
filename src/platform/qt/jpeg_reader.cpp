#include "jpeg_reader.h"

#include <QFile>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
// jpeglib.h needs <cstdio> before it; jerror.h needs jpeglib.h.
#include <jerror.h>

#include "raster/area_filter.h"
#include "raster/enlarger.h"

namespace platform::qt {
namespace {

// The decoder's own limit: a file that asks for more (a progressive file's coefficients, which
// are kept for the whole picture whatever the scale decoded) is refused instead of being allowed
// to take the memory.
constexpr long MaxDecoderMemory = static_cast<long>(MaxDecodeBytes);
// Ordinary progressive files have about ten scans; a file of thousands of tiny scans would
// keep the decoder busy for minutes.
constexpr int MaxScans = 100;
constexpr int BatchRows = 16;

struct ErrorState {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool sawEnd = false; // libjpeg's premature-end warning: the file ended without its end marker
    bool cutOff = false; // after that, the decoder still needed data: rows are missing
};

struct ProgressState {
    jpeg_progress_mgr pub;
    const StopFlag* stop = nullptr;
    std::string* icc = nullptr;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorState*>(cinfo->err)->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
    if (level != -1) return; // trace messages
    auto* error = reinterpret_cast<ErrorState*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF)
        error->sawEnd = true;
    else if (error->sawEnd && (code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC))
        error->cutOff = true;
}

// Called for each row batch and, while a progressive file is read in, for each row of blocks.
void OnProgress(j_common_ptr cinfo) {
    const auto* progress = reinterpret_cast<ProgressState*>(cinfo->progress);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if ((progress->stop && progress->stop->load(std::memory_order_relaxed)) ||
        decompress->input_scan_number > MaxScans)
        OnError(cinfo);
}

struct Kept {
    std::vector<unsigned char> file;
    std::vector<unsigned char> rows;
    raster::AreaFilter filter;
    raster::Enlarger enlarger; // for a picture drawn larger than it is
};

Kept& KeptBuffers() {
    thread_local Kept kept;
    return kept;
}

// The largest of 8, 4, 2 (else 1) whose reduced size still covers `tw` x `th`.
unsigned ScaleDenominator(unsigned sw, unsigned sh, int tw, int th) {
    for (unsigned d = 8; d >= 2; d /= 2)
        if ((sw + d - 1) / d >= unsigned(tw) && (sh + d - 1) / d >= unsigned(th)) return d;
    return 1;
}

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

// Everything a decoding touches lives here, outside the frame that libjpeg may jump back to.
struct Job {
    jpeg_decompress_struct cinfo{};
    ErrorState error{};
    ProgressState progress{};
    QSize stored;
    int tw = 0, th = 0;
    const Placer* placer = nullptr;
    Kept* kept = nullptr;
    const StopFlag* stop = nullptr;
    std::string* icc = nullptr;
};

// A file whose rows only come after all its scans are read keeps every block's coefficients
// (64 of 2 bytes each) until then. Known from the header, so such a file is refused before the
// decoder sets them aside, whichever decoder would then read it.
bool CoefficientsOverBudget(j_decompress_ptr cinfo) {
    if (!jpeg_has_multiple_scans(cinfo)) return false;
    std::uint64_t bytes = 0;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& c = cinfo->comp_info[i];
        bytes += std::uint64_t(c.width_in_blocks) * c.height_in_blocks * DCTSIZE2 * sizeof(JCOEF);
    }
    return bytes > MaxDecodeBytes;
}

bool Stopped(const StopFlag* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

JpegResult Decode(Job& job) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    cinfo.err = jpeg_std_error(&job.error.pub);
    job.error.pub.error_exit = OnError;
    job.error.pub.emit_message = OnMessage;
    job.progress.pub.progress_monitor = OnProgress;
    job.progress.stop = job.stop;
    if (setjmp(job.error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::Refused;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = MaxDecoderMemory;
    cinfo.progress = &job.progress.pub;
    jpeg_mem_src(&cinfo, job.kept->file.data(), static_cast<unsigned long>(job.kept->file.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    // Every segment of the profile, each numbered, must be there for it to be used.
    JOCTET* profile = nullptr;
    unsigned int profileSize = 0;
    if (jpeg_read_icc_profile(&cinfo, &profile, &profileSize) && profile) {
        job.icc->assign(reinterpret_cast<const char*>(profile), profileSize);
        std::free(profile);
    }
    JpegResult result = JpegResult::Drawn;
    if (CoefficientsOverBudget(&cinfo)) {
        result = JpegResult::Refused;
    } else if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK ||
        (cinfo.num_components != 1 && cinfo.num_components != 3)) {
        result = JpegResult::NotHandled;
    } else if (int(cinfo.image_width) != job.stored.width() ||
               int(cinfo.image_height) != job.stored.height()) {
        result = JpegResult::Refused; // the file changed since it was opened
    } else {
        cinfo.scale_num = 1;
        cinfo.scale_denom = ScaleDenominator(cinfo.image_width, cinfo.image_height, job.tw, job.th);
        cinfo.out_color_space = JCS_EXT_BGRA; // Format_RGB32's bytes, with an opaque alpha
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&cinfo);
        const int ow = int(cinfo.output_width), oh = int(cinfo.output_height);
        const bool exact = ow == job.tw && oh == job.th;
        const bool enlarges = !exact && ow <= job.tw && oh <= job.th;
        if ((!enlarges && (ow < job.tw || oh < job.th)) || job.error.cutOff ||
            Stopped(job.stop)) {
            result = JpegResult::Refused;
        } else {
            const Placer& placer = *job.placer;
            auto place = [&placer](int y, const std::uint32_t* row) { placer.Row(y, row); };
            if (enlarges)
                job.kept->enlarger.Start(ow, oh, job.tw, job.th, place);
            else if (!exact)
                job.kept->filter.Start(ow, oh, job.tw, job.th, place);
            const std::size_t rowBytes = std::size_t(ow) * 4;
            job.kept->rows.resize(rowBytes * BatchRows);
            JSAMPROW rows[BatchRows];
            for (int i = 0; i < BatchRows; ++i)
                rows[i] = job.kept->rows.data() + rowBytes * std::size_t(i);
            while (cinfo.output_scanline < cinfo.output_height && !job.error.cutOff) {
                if (Stopped(job.stop)) break;
                const int first = int(cinfo.output_scanline);
                const int n = int(jpeg_read_scanlines(&cinfo, rows, BatchRows));
                for (int i = 0; i < n; ++i) {
                    if (exact)
                        placer.Row(first + i, reinterpret_cast<const std::uint32_t*>(rows[i]));
                    else if (enlarges)
                        job.kept->enlarger.AddRow(rows[i]);
                    else
                        job.kept->filter.AddRow(rows[i]);
                }
            }
            if (cinfo.output_scanline < cinfo.output_height || job.error.cutOff)
                result = JpegResult::Refused;
        }
    }
    jpeg_destroy_decompress(&cinfo);
    return result;
}

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
    const int tw = rotates ? area.height() : area.width();
    const int th = rotates ? area.width() : area.height();
    Kept& kept = KeptBuffers();
    if (!ReadWhole(path, kept.file)) return JpegResult::Refused;
    const Placer placer(canvas, area, tw, th, transformation);
    Job job;
    job.stored = stored;
    job.tw = tw;
    job.th = th;
    job.placer = &placer;
    job.kept = &kept;
    job.stop = stop;
    job.icc = &icc;
    return Decode(job);
}

} // namespace platform::qt
