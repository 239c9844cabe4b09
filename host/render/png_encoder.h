// PNG encoding of 8-bit RGB rows on every core.
//
//   std::vector<uint8_t> png;
//   if (!kvr::encodePng(rgb.data(), w, h, png)) ...   // rgb: w * 3 bytes per row, top row first
//
// The picture is cut into bands of rows. Each band is filtered (per row, the
// filter of least absolute sum) and deflated on its own thread, primed with
// the 32 KiB of filtered data before it so that matches across the cut stay
// possible; the bands end byte-aligned (sync flush) and are joined into one
// zlib stream, each band in an IDAT chunk of its own, with the Adler-32 of
// the whole stream combined from the bands'. The file is a standard
// 8-bit RGB, non-interlaced PNG.
#pragma once

#include <cstdint>
#include <vector>

namespace kvr {

struct PngOptions {
    int level = 3;               // zlib compression level, 1 (fastest) to 9
    uint32_t rowsPerBand = 64;   // rows deflated together on one thread
};

// False (and `out` empty) when the size is 0 or too large for PNG; throws
// std::bad_alloc when memory runs out.
bool encodePng(const uint8_t* rgb, uint32_t width, uint32_t height, std::vector<uint8_t>& out,
               const PngOptions& options = {});

}  // namespace kvr
