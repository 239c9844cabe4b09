#include "image_buffer.h"

#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/srgb.h"
#include "output_file.h"
#include "png_encoder.h"

namespace kvr {

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

std::vector<uint8_t> ImageBuffer::toRgb8() const {
    std::vector<uint8_t> out(px_.size() * 3);
    for (size_t i = 0; i < px_.size(); ++i) {
        out[3 * i] = kvh::linearToSrgb8(px_[i].x);
        out[3 * i + 1] = kvh::linearToSrgb8(px_[i].y);
        out[3 * i + 2] = kvh::linearToSrgb8(px_[i].z);
    }
    return out;
}

bool ImageBuffer::encodePng(std::vector<uint8_t>& png) const {
    png.clear();
    if (w_ == 0 || h_ == 0) return false;
    return kvr::encodePng(toRgb8().data(), w_, h_, png);
}

bool ImageBuffer::writePng(OutputFile& file, std::string& error) const {
    std::vector<uint8_t> png;
    if (!encodePng(png)) {
        error = "cannot encode the " + std::to_string(w_) + " x " + std::to_string(h_) + " image as PNG";
        return false;
    }
    return file.write(png.data(), png.size(), error) && file.finish(error);
}

bool ImageBuffer::writePng(const std::string& path, std::string& error) const {
    OutputFile file;
    return file.open(path, "PNG file", error) && writePng(file, error) && file.place(error);
}

bool ImageBuffer::writeFloatMap(OutputFile& file, std::string& error) const {
    const std::string header = "PF\n" + std::to_string(w_) + " " + std::to_string(h_) + "\n-1.0\n";
    if (!file.write(header.data(), header.size(), error)) return false;
    std::vector<float> row(size_t(w_) * 3);
    for (uint32_t y = h_; y-- > 0;) {
        for (uint32_t x = 0; x < w_; ++x) {
            const Vec3& c = at(x, y);
            row[3 * x] = c.x;
            row[3 * x + 1] = c.y;
            row[3 * x + 2] = c.z;
        }
        if (!file.write(row.data(), row.size() * sizeof(float), error)) return false;
    }
    return file.finish(error);
}

bool ImageBuffer::writeFloatMap(const std::string& path, std::string& error) const {
    OutputFile file;
    return file.open(path, "float map", error) && writeFloatMap(file, error) && file.place(error);
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
        out.px_[i] = {kvh::srgb8ToLinear(data[3 * i]), kvh::srgb8ToLinear(data[3 * i + 1]),
                      kvh::srgb8ToLinear(data[3 * i + 2])};
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
