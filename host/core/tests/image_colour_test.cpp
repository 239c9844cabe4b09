// The sRGB curve and how clip pictures are read: 8-bit colour as sRGB,
// 16-bit and float pictures as they stand, alpha linear; and the memory
// estimate made before a picture is decoded.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

#include <stb/stb_image_write.h>

#include "core/image.h"
#include "core/srgb.h"
#include "testing/png_bytes.h"

namespace kvh {
namespace {

TEST(Srgb, CodesSurviveTheRoundTripAndTheCurveIsTheStandardOne) {
    for (int code = 0; code < 256; ++code) EXPECT_EQ(linearToSrgb8(srgb8ToLinear(uint8_t(code))), code) << code;
    EXPECT_NEAR(srgb8ToLinear(128), 0.21586, 1e-5);
    EXPECT_NEAR(srgb8ToLinear(10), 10 / 255.0 / 12.92, 1e-7);  // the linear toe
    EXPECT_EQ(linearToSrgb8(0.5f), 188);
    EXPECT_EQ(linearToSrgb8(0.0015654f), 5);  // on the toe: 0.0015654 * 12.92 * 255 = 5.16
    EXPECT_EQ(linearToSrgb8(-1.0f), 0);
    EXPECT_EQ(linearToSrgb8(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(linearToSrgb8(2.0f), 255);
    EXPECT_EQ(linearToSrgb8(std::numeric_limits<float>::infinity()), 255);
    uint8_t previous = 0;
    for (float v = 0; v <= 1.0f; v += 1.0f / 4096) {
        EXPECT_GE(linearToSrgb8(v), previous) << v;
        previous = linearToSrgb8(v);
    }
}

// A 1 x 1 16-bit RGB PNG.
std::string png16(uint16_t r, uint16_t g, uint16_t b) {
    return kvt::test::pngFile(1, 1, 16, 2, {0, char(r >> 8), char(r), char(g >> 8), char(g), char(b >> 8), char(b)});
}

TEST(ClipPictures, EightBitColourIsSrgbAndWiderPicturesStandAsTheyAre) {
    const std::string dir = ::testing::TempDir() + "/" + std::to_string(getpid());
    std::string error;

    const unsigned char rgba[4] = {128, 255, 0, 128};
    ASSERT_NE(stbi_write_png((dir + "-8bit.png").c_str(), 1, 1, 4, rgba, 4), 0);
    auto eight = LoadImageFile(dir + "-8bit.png", &error);
    ASSERT_NE(eight, nullptr) << error;
    EXPECT_NEAR(eight->pixel(0, 0)[0], 0.21586f, 1e-5f);
    EXPECT_EQ(eight->pixel(0, 0)[1], 1.0f);
    EXPECT_EQ(eight->pixel(0, 0)[2], 0.0f);
    EXPECT_NEAR(eight->pixel(0, 0)[3], 128 / 255.0f, 1e-6f);  // alpha is no colour

    std::ofstream(dir + "-16bit.png", std::ios::binary) << png16(32768, 65535, 6554);
    auto wide = LoadImageFile(dir + "-16bit.png", &error);
    ASSERT_NE(wide, nullptr) << error;
    EXPECT_NEAR(wide->pixel(0, 0)[0], 32768 / 65535.0f, 1e-6f);
    EXPECT_NEAR(wide->pixel(0, 0)[2], 0.1f, 1e-4f);
    EXPECT_EQ(wide->pixel(0, 0)[3], 1.0f);

    const float hdr[3] = {0.5f, 2.0f, 0.25f};
    ASSERT_NE(stbi_write_hdr((dir + "-float.hdr").c_str(), 1, 1, 3, hdr), 0);
    auto floats = LoadImageFile(dir + "-float.hdr", &error);
    ASSERT_NE(floats, nullptr) << error;
    EXPECT_NEAR(floats->pixel(0, 0)[0], 0.5f, 0.01f);
    EXPECT_NEAR(floats->pixel(0, 0)[1], 2.0f, 0.02f);
}

TEST(ClipPictures, AreRefusedAboveTheMemoryLimitOrTheReadersLimitBeforeDecoding) {
    const std::string png = ::testing::TempDir() + "/" + std::to_string(getpid()) + "-4x2.png";
    const unsigned char px[8 * 3] = {};
    ASSERT_NE(stbi_write_png(png.c_str(), 4, 2, 3, px, 12), 0);
    std::string error;
    // 8 pixels: 4 bytes each decoded and 16 as floats.
    EXPECT_NE(LoadImageFile(png, &error, 160), nullptr) << error;
    EXPECT_EQ(LoadImageFile(png, &error, 159), nullptr);
    EXPECT_NE(error.find("image '" + png + "' of 4 x 2 pixels needs"), std::string::npos) << error;
    EXPECT_NE(error.find("more than the memory limit"), std::string::npos) << error;

    // Sizes the picture reader refuses outright, named with their limit (its
    // own message for them is "unknown image type"). Headers are enough.
    struct Case {
        uint32_t w, h;
        uint8_t colourType;
        const char* message;
    } cases[] = {
        {20000, 20000, 6, "of 20000 x 20000 pixels is too large: its 1600000000 values (width x height x 4 "
                          "channels) pass the picture reader's limit of 1073741824 (2^30)"},
        {40000, 10000, 3, "of 40000 x 10000 pixels is too large: its 1600000000 values"},  // a palette counts 4
        {1u << 25, 1, 0, "of 33554432 x 1 pixels is too large: the picture reader takes at most 16777216 pixels a side"},
    };
    const std::string big = ::testing::TempDir() + "/" + std::to_string(getpid()) + "-big.png";
    for (const Case& c : cases) {
        std::ofstream(big, std::ios::binary) << kvt::test::pngFile(c.w, c.h, 8, c.colourType);
        EXPECT_EQ(LoadImageFile(big, &error, ~0ull), nullptr);
        EXPECT_NE(error.find("image '" + big + "' " + c.message), std::string::npos) << error;
    }
    // At the reader's limit the size is taken, and the missing pixels are what is wrong.
    std::ofstream(big, std::ios::binary) << kvt::test::pngFile(16384, 16384, 8, 6);
    EXPECT_EQ(LoadImageFile(big, &error, ~0ull), nullptr);
    EXPECT_NE(error.find("cannot read image"), std::string::npos) << error;
}

}  // namespace
}  // namespace kvh
