#pragma once
// Averages a picture down to a smaller size one source row at a time: each row is reduced
// across as it arrives, and each finished output row is handed on at once, so that memory
// follows the output's width, not the picture.
#include <cstdint>
#include <functional>
#include <vector>

namespace raster {

class AreaFilter {
  public:
    // An output row: `width` pixels as 0xFFRRGGBB.
    using RowSink = std::function<void(int y, const std::uint32_t* row)>;

    // Prepares for `fromW` x `fromH` source pixels averaged to `toW` x `toH` (neither larger
    // than the source). The buffers are kept between pictures.
    void Start(int fromW, int fromH, int toW, int toH, RowSink sink);
    // The next source row, `fromW` pixels as 32-bit B, G, R, X bytes.
    void AddRow(const unsigned char* row);

  private:
    // How one axis maps: each source index gives its share (in 1/4096 of an output pixel) to
    // at most two output indices, `first` and `first + 1`; the shares of one output add up
    // to exactly 4096.
    struct Tap {
        int first = 0;
        std::uint32_t toFirst = 0;
        std::uint32_t toNext = 0;
    };
    // The same across, seen from each output pixel: the source pixels from `start` on, with
    // their shares (`weights`, from `offset` on, `count` of them, padded to an even number
    // with a zero so that they go two by two).
    struct Span {
        int start = 0;
        int count = 0;
        std::uint32_t offset = 0;
    };
    static void Taps(int from, int to, std::vector<Tap>& taps);
    void Spans();
    // The same spans all of one length, `fixedPixels_` (4, 8, 12 or 16 bytes; 0: spans too
    // long or a row too short for that), started early where needed so that none reads past
    // the row, their shares laid out for the vector sums. Lets a whole row go without tests.
    void FixedSpans();
    bool ReduceAndAddFixed(const unsigned char* row, std::uint32_t toFirst, std::uint32_t toNext);
    void Reduce(const unsigned char* row);
    void AddDown(std::uint32_t toFirst, std::uint32_t toNext);
    void Emit(int y);

    int fromW_ = 0, fromH_ = 0, toW_ = 0, toH_ = 0;
    int sourceRow_ = 0;
    int outputRow_ = 0; // the output row `current_` sums
    std::vector<Tap> across_, down_;
    std::vector<Span> spans_;
    std::vector<std::uint16_t> weights_;
    int fixedPixels_ = 0;
    std::vector<int> fixedStart_;
    std::vector<std::uint32_t> fixedWeights_;
    // Four values a pixel (B, G, R and the unused fourth byte), so that a pixel is one vector.
    std::vector<std::uint32_t> reduced_; // one source row reduced across, x 4096
    std::vector<std::uint32_t> current_; // the output row being summed
    std::vector<std::uint32_t> next_;    // and the one after it
    std::vector<std::uint32_t> out_;
    RowSink sink_;
};

} // namespace raster
