// Clip images: RGBA floats, row 0 the top row of the picture file (the
// first row stored in a PNG). Image slot 5 reads (x, y) with x the column and
// y the row counted from the top.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/host_object.h"
#include "core/memory_limit.h"

namespace kvh {

struct ImageData {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<float> rgba;  // width * height * 4

    const float* pixel(uint32_t x, uint32_t y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    // Bilinear resample to w x h (sample centres aligned).
    std::shared_ptr<ImageData> Resampled(uint32_t w, uint32_t h) const;
    // Pixel (x, y) of that resample, without making it.
    void ResampledPixel(uint32_t x, uint32_t y, uint32_t w, uint32_t h, float rgba[4]) const;
};

// Loads a PNG (or any format stb_image reads) as linear values: 8-bit colour
// through the sRGB curve, 16-bit and float pictures as they stand, alpha
// linear. Null with a message on error, when the picture is larger than the
// reader decodes (2^30 values, 2^24 pixels a side: said so with the limit), or
// when the decoded picture and its float copy would need more than
// `memoryLimit` bytes (both checked before decoding).
std::shared_ptr<ImageData> LoadImageFile(const std::string& path, std::string* error,
                                         uint64_t memoryLimit = kDefaultMemoryLimit);
// A deterministic procedural hatching, for clips without a file.
std::shared_ptr<ImageData> ProceduralHatching(uint32_t w, uint32_t h);

// Largest image an ImageFilter makes (each side and in total pixels).
constexpr uint32_t kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = 64ull << 20;

// Host objects: an Image over data, and an ImageFilter resampling a source.
// mode 1 makes a filter whose Generate fails, mode 3 one that answers with
// the picture at its own size whatever size is asked (tests).
HostObject* NewImage(std::shared_ptr<const ImageData> data);
// An Image of `data` seen at w x h, each pixel resampled when read: a filter
// asked for a large image makes no copy of it.
HostObject* NewImage(std::shared_ptr<const ImageData> data, uint32_t w, uint32_t h);
HostObject* NewImageFilter(std::shared_ptr<const ImageData> source, int mode = 0);

}  // namespace kvh
