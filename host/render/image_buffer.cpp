#include "image_buffer.h"

#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "png_encoder.h"

namespace kvr {

namespace {

uint8_t toByte(float v) {
    if (!(v > 0)) return 0;  // also NaN
    if (v >= 1) return 255;
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

std::vector<uint8_t> ImageBuffer::toRgb8() const {
    std::vector<uint8_t> out(px_.size() * 3);
    for (size_t i = 0; i < px_.size(); ++i) {
        out[3 * i] = toByte(px_[i].x);
        out[3 * i + 1] = toByte(px_[i].y);
        out[3 * i + 2] = toByte(px_[i].z);
    }
    return out;
}

bool ImageBuffer::writePng(const std::string& path, std::string& error) const {
    std::vector<uint8_t> png;
    if (!encodePng(toRgb8().data(), w_, h_, png)) {
        error = "cannot encode PNG file '" + path + "'";
        return false;
    }
    File f(std::fopen(path.c_str(), "wb"));
    if (!f || std::fwrite(png.data(), 1, png.size(), f.get()) != png.size() || std::fclose(f.release()) != 0) {
        error = "cannot write PNG file '" + path + "'";
        return false;
    }
    return true;
}

bool ImageBuffer::writeFloatMap(const std::string& path, std::string& error) const {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        error = "cannot write float map '" + path + "'";
        return false;
    }
    std::fprintf(f.get(), "PF\n%u %u\n-1.0\n", w_, h_);
    for (uint32_t y = h_; y-- > 0;)
        for (uint32_t x = 0; x < w_; ++x) {
            const Vec3& c = at(x, y);
            float v[3] = {c.x, c.y, c.z};
            if (std::fwrite(v, sizeof(float), 3, f.get()) != 3) {
                error = "cannot write float map '" + path + "'";
                return false;
            }
        }
    return true;
}

bool ImageBuffer::readPng(const std::string& path, ImageBuffer& out, std::string& error) {
    int w = 0, h = 0, n = 0;
    uint8_t* data = stbi_load(path.c_str(), &w, &h, &n, 3);
    if (!data) {
        error = "cannot read image '" + path + "'";
        return false;
    }
    out = ImageBuffer(uint32_t(w), uint32_t(h));
    for (size_t i = 0; i < size_t(w) * h; ++i)
        out.px_[i] = {data[3 * i] / 255.0f, data[3 * i + 1] / 255.0f, data[3 * i + 2] / 255.0f};
    stbi_image_free(data);
    return true;
}

bool ImageBuffer::readFloatMap(const std::string& path, ImageBuffer& out, std::string& error) {
    File f(std::fopen(path.c_str(), "rb"));
    unsigned w = 0, h = 0;
    float scale = 0;
    char tag[3] = {};
    if (!f || std::fscanf(f.get(), "%2s %u %u %f", tag, &w, &h, &scale) != 4 || std::strcmp(tag, "PF") != 0 ||
        scale >= 0 || w == 0 || h == 0 || w > 65536 || h > 65536 || std::fgetc(f.get()) == EOF) {
        error = "'" + path + "' is not a little-endian float map";
        return false;
    }
    out = ImageBuffer(w, h);
    for (uint32_t y = h; y-- > 0;)
        for (uint32_t x = 0; x < w; ++x) {
            float v[3];
            if (std::fread(v, sizeof(float), 3, f.get()) != 3) {
                error = "float map '" + path + "' is truncated";
                return false;
            }
            out.at(x, y) = {v[0], v[1], v[2]};
        }
    return true;
}

ImageDifference compareImages(const ImageBuffer& a, const ImageBuffer& b, double threshold255) {
    ImageDifference d;
    if (a.width() != b.width() || a.height() != b.height() || a.width() == 0 || a.height() == 0) return d;
    d.sameSize = true;
    std::vector<uint8_t> pa = a.toRgb8(), pb = b.toRgb8();
    size_t above = 0;
    double sum = 0;
    for (size_t i = 0; i < pa.size(); i += 3) {
        bool off = false;
        for (int c = 0; c < 3; ++c) {
            double diff = std::fabs(double(pa[i + c]) - double(pb[i + c]));
            sum += diff;
            d.maxAbs = std::max(d.maxAbs, diff);
            off = off || diff > threshold255;
        }
        above += off ? 1 : 0;
    }
    d.meanAbs = sum / double(pa.size());
    d.fractionAbove = double(above) / double(pa.size() / 3);
    return d;
}

}  // namespace kvr
