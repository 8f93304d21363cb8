#pragma once
// Enlarges a picture one source row at a time by bilinear interpolation, the counterpart of
// AreaFilter: each source row is widened as it arrives and each output row is handed on as
// soon as the two source rows around it are in, so that memory follows the output's width.
#include <cstdint>
#include <vector>

#include "area_filter.h"

namespace raster {

class Enlarger {
  public:
    using RowSink = AreaFilter::RowSink;

    // Prepares for `fromW` x `fromH` source pixels enlarged to `toW` x `toH` (neither smaller
    // than the source; an equal side is kept pixel for pixel). Pixel centres line up: the
    // first and last output pixels of a row or column are the source's own.
    void Start(int fromW, int fromH, int toW, int toH, RowSink sink);
    // The next source row, `fromW` pixels as 32-bit B, G, R, X bytes.
    void AddRow(const unsigned char* row);

  private:
    // Where an output index falls in the source: between `index` and `index + 1`, `fraction`
    // (in 1/256) of the way to the second.
    struct Position {
        int index = 0;
        std::uint32_t fraction = 0;
    };
    static void Positions(int from, int to, std::vector<Position>& positions);
    void Widen(const unsigned char* row, std::vector<std::uint32_t>& out) const;
    void Emit(int y);

    int fromW_ = 0, fromH_ = 0, toW_ = 0, toH_ = 0;
    int sourceRow_ = 0; // the rows received so far
    int outputRow_ = 0;
    std::vector<Position> across_, down_;
    // The last two source rows widened (B, G, R, x 256 each): `above_` is row sourceRow_ - 2.
    std::vector<std::uint32_t> above_, below_;
    std::vector<std::uint32_t> out_;
    RowSink sink_;
};

} // namespace raster
