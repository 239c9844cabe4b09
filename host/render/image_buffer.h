// The rendered image: linear RGB floats, row 0 at the top. Written as an 8-bit
// sRGB PNG (values clamped to [0, 1], then the sRGB curve, as every viewer
// expects) and as a linear float map. Writes go through OutputFile: a file is
// written whole or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vec3.h"

namespace kvr {

class OutputFile;

class ImageBuffer {
public:
    ImageBuffer() = default;
    ImageBuffer(uint32_t w, uint32_t h) : w_(w), h_(h), px_(size_t(w) * h) {}

    uint32_t width() const { return w_; }
    uint32_t height() const { return h_; }
    Vec3& at(uint32_t x, uint32_t y) { return px_[size_t(y) * w_ + x]; }
    const Vec3& at(uint32_t x, uint32_t y) const { return px_[size_t(y) * w_ + x]; }

    // 8-bit sRGB codes, three per pixel.
    std::vector<uint8_t> toRgb8() const;
    // The PNG file's bytes; false for an empty image or when the encoder fails.
    bool encodePng(std::vector<uint8_t>& png) const;
    // To a path, put in place; to an open file, finished but not placed.
    bool writePng(const std::string& path, std::string& error) const;
    bool writePng(OutputFile& file, std::string& error) const;
    // Portable float map ("PF", little-endian, rows bottom to top), linear.
    bool writeFloatMap(const std::string& path, std::string& error) const;
    bool writeFloatMap(OutputFile& file, std::string& error) const;

    // Reads an 8-bit picture as sRGB into linear values.
    static bool readPng(const std::string& path, ImageBuffer& out, std::string& error);
    static bool readFloatMap(const std::string& path, ImageBuffer& out, std::string& error);

private:
    uint32_t w_ = 0, h_ = 0;
    std::vector<Vec3> px_;
};

// How far two images of equal size are apart, on the 0-255 scale of their
// sRGB codes.
struct ImageDifference {
    bool sameSize = false;
    double meanAbs = 0;          // mean over every channel
    double maxAbs = 0;
    double fractionAbove = 0;    // share of pixels with a channel off by more than the threshold
};
ImageDifference compareImages(const ImageBuffer& a, const ImageBuffer& b, double threshold255);

}  // namespace kvr
