// The band-parallel PNG encoder writes standard files: every chunk's CRC
// holds, the IDAT data is one zlib stream with the right Adler-32, and a
// decoder gives the pixels back, for one band and for many.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <stb_image.h>

#include "png_encoder.h"

namespace kvr {
namespace {

// Smooth ramps with flat patches and a little noise, as renders look.
std::vector<uint8_t> Picture(uint32_t w, uint32_t h) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    uint32_t noise = 12345;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            noise = noise * 1664525u + 1013904223u;
            uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            const bool flat = (x / 16 + y / 16) % 3 == 0;
            p[0] = flat ? 40 : uint8_t(x * 255 / std::max(w, 1u));
            p[1] = flat ? 40 : uint8_t(y * 255 / std::max(h, 1u));
            p[2] = uint8_t(noise >> 29);
        }
    return rgb;
}

uint32_t Read32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Walks the chunks, checking each CRC; returns the joined IDAT data.
std::vector<uint8_t> CheckedImageData(const std::vector<uint8_t>& png, std::vector<std::string>& types) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_GE(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), kSignature, 8), 0);
    std::vector<uint8_t> idat;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t n = Read32(&png[at]);
        const uint8_t* type = &png[at + 4];
        EXPECT_LE(at + 12 + n, png.size());
        EXPECT_EQ(crc32(0, type, n + 4), Read32(type + 4 + n)) << std::string(type, type + 4);
        types.emplace_back(type, type + 4);
        if (types.back() == "IDAT") idat.insert(idat.end(), type + 4, type + 4 + n);
        at += 12 + n;
    }
    return idat;
}

void ExpectRoundTrip(uint32_t w, uint32_t h, const PngOptions& options) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " level " + std::to_string(options.level) +
                 " band " + std::to_string(options.rowsPerBand));
    const std::vector<uint8_t> rgb = Picture(w, h);
    std::vector<uint8_t> png;
    ASSERT_TRUE(encodePng(rgb.data(), w, h, png, options));

    std::vector<std::string> types;
    const std::vector<uint8_t> idat = CheckedImageData(png, types);
    ASSERT_GE(types.size(), 3u);
    EXPECT_EQ(types.front(), "IHDR");
    EXPECT_EQ(types.back(), "IEND");
    // One zlib stream (uncompress checks the Adler-32) of filtered rows.
    std::vector<uint8_t> raw(size_t(h) * (size_t(w) * 3 + 1) + 1);
    uLongf rawSize = uLongf(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &rawSize, idat.data(), uLong(idat.size())), Z_OK);
    EXPECT_EQ(rawSize, size_t(h) * (size_t(w) * 3 + 1));

    int dw = 0, dh = 0, n = 0;
    uint8_t* decoded = stbi_load_from_memory(png.data(), int(png.size()), &dw, &dh, &n, 3);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(uint32_t(dw), w);
    ASSERT_EQ(uint32_t(dh), h);
    EXPECT_EQ(std::memcmp(decoded, rgb.data(), rgb.size()), 0);
    stbi_image_free(decoded);
}

TEST(PngEncoder, WritesStandardFilesThatDecodeToTheSamePixels) {
    ExpectRoundTrip(1, 1, {});
    ExpectRoundTrip(5, 3, {});
    ExpectRoundTrip(300, 200, {});                          // four bands of 64 rows and a short one
    ExpectRoundTrip(97, 130, {1, 7});                       // many small bands, fastest level
    ExpectRoundTrip(2, 500, {9, 1});                        // one row per band, each primed from the last
    ExpectRoundTrip(700, 120, {6, 100});                    // a band larger than deflate's window
}

TEST(PngEncoder, RefusesPicturesItCannotWrite) {
    std::vector<uint8_t> png{1, 2, 3};
    const uint8_t pixel[3] = {0, 0, 0};
    EXPECT_FALSE(encodePng(pixel, 0, 1, png));
    EXPECT_TRUE(png.empty());
    EXPECT_FALSE(encodePng(pixel, 1, 0, png));
    EXPECT_FALSE(encodePng(nullptr, 1, 1, png));
    EXPECT_FALSE(encodePng(pixel, 0x80000000u, 1, png));
}

}  // namespace
}  // namespace kvr
