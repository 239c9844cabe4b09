#include "core/image.h"
#include "core/fault_injection.h"
#include "core/input_file.h"
#include "core/services.h"
#include "core/srgb.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include <stb/stb_image.h>

namespace kvh {

void ImageData::ResampledPixel(uint32_t x, uint32_t y, uint32_t w, uint32_t h, float rgba[4]) const {
    float sy = std::clamp((y + 0.5f) * height / h - 0.5f, 0.0f, float(height - 1));
    uint32_t y0 = uint32_t(sy), y1 = std::min(y0 + 1, height - 1);
    float fy = sy - y0;
    float sx = std::clamp((x + 0.5f) * width / w - 0.5f, 0.0f, float(width - 1));
    uint32_t x0 = uint32_t(sx), x1 = std::min(x0 + 1, width - 1);
    float fx = sx - x0;
    for (int c = 0; c < 4; ++c) {
        float top = pixel(x0, y0)[c] * (1 - fx) + pixel(x1, y0)[c] * fx;
        float bot = pixel(x0, y1)[c] * (1 - fx) + pixel(x1, y1)[c] * fx;
        rgba[c] = top * (1 - fy) + bot * fy;
    }
}

std::shared_ptr<ImageData> ImageData::Resampled(uint32_t w, uint32_t h) const {
    auto out = std::make_shared<ImageData>();
    out->width = w;
    out->height = h;
    out->rgba.resize(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) ResampledPixel(x, y, w, h, &out->rgba[(size_t(y) * w + x) * 4]);
    return out;
}

namespace {

std::string StbReason() {
    const char* why = stbi_failure_reason();
    return why && *why ? why : "corrupt or cut short";
}

// What the picture reader decodes at most: a side, and values (width x height
// x channels, a palette counting as 4 channels) of a PNG.
constexpr uint64_t kReaderMaxSide = 1u << 24, kReaderMaxValues = 1u << 30;

// Why the picture reader refuses the size a PNG file's header declares, or
// empty (no PNG, or a size it takes).
std::string PngTooLarge(const std::string& path) {
    unsigned char head[26] = {};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "";
    const size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (got != sizeof head || std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0)
        return "";
    auto be32 = [&](int at) { return uint64_t(head[at]) << 24 | uint64_t(head[at + 1]) << 16 | head[at + 2] << 8 | head[at + 3]; };
    const uint64_t w = be32(16), h = be32(20);
    const int colour = head[25];
    const uint64_t channels = colour == 0 ? 1 : colour == 2 ? 3 : colour == 4 ? 2 : colour == 3 || colour == 6 ? 4 : 0;
    if (!channels || !w || !h) return "";
    const std::string what = "image '" + path + "' of " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
    if (w > kReaderMaxSide || h > kReaderMaxSide)
        return what + " is too large: the picture reader takes at most " + std::to_string(kReaderMaxSide) +
               " pixels a side";
    if (w * h * channels > kReaderMaxValues)
        return what + " is too large: its " + std::to_string(w * h * channels) + " values (width x height x " +
               std::to_string(channels) + " channels) pass the picture reader's limit of " +
               std::to_string(kReaderMaxValues) + " (2^30)";
    return "";
}

}  // namespace

std::shared_ptr<ImageData> LoadImageFile(const std::string& path, std::string* error, uint64_t memoryLimit) {
    auto fail = [&](const std::string& why) -> std::shared_ptr<ImageData> {
        if (error) *error = why;
        return nullptr;
    };
    if (const std::string why = NotARegularFile(path); !why.empty())
        return fail("cannot read image '" + path + "': " + why);
    // Size and kind first, from the header alone: the estimate comes before the decoding.
    int w = 0, h = 0, n = 0;
    if (!stbi_info(path.c_str(), &w, &h, &n)) {
        // The reader refuses a picture too large for it as a file it does not know.
        const std::string tooLarge = PngTooLarge(path);
        return fail(tooLarge.empty() ? "cannot read image '" + path + "': " + StbReason() : tooLarge);
    }
    const bool hdr = stbi_is_hdr(path.c_str()) != 0;
    const bool wide = !hdr && stbi_is_16_bit(path.c_str()) != 0;
    const uint64_t pixels = uint64_t(w) * uint64_t(h);
    const uint64_t decoded = pixels * 4 * (hdr ? sizeof(float) : wide ? 2 : 1);
    const uint64_t bytes = decoded + pixels * 4 * sizeof(float);
    if (bytes > memoryLimit) return fail(OverMemoryLimit("image '" + path + "'", uint64_t(w), uint64_t(h), bytes, memoryLimit));
    try {
        // The decoded picture first (a broken file fails before the float copy exists).
        auto img = std::make_shared<ImageData>();
        img->width = uint32_t(w);
        img->height = uint32_t(h);
        auto convert = [&](auto* px, auto value) -> std::shared_ptr<ImageData> {
            if (!px) return fail("cannot read image '" + path + "': " + StbReason());
            std::unique_ptr<void, void (*)(void*)> owned(px, stbi_image_free);
            // The file may have changed since its header was read.
            if (uint32_t(w) != img->width || uint32_t(h) != img->height)
                return fail("cannot read image '" + path + "': it changed while being read");
            img->rgba.resize(size_t(pixels) * 4);
            for (size_t i = 0; i < img->rgba.size(); ++i) img->rgba[i] = value(px[i], i % 4 == 3);
            return img;
        };
        // 8-bit pictures are sRGB (alpha is linear); 16-bit and float ones are taken as they stand.
        if (hdr) return convert(stbi_loadf(path.c_str(), &w, &h, &n, 4), [](float v, bool) { return v; });
        if (wide)
            return convert(stbi_load_16(path.c_str(), &w, &h, &n, 4), [](stbi_us v, bool) { return v / 65535.0f; });
        return convert(stbi_load(path.c_str(), &w, &h, &n, 4),
                       [](stbi_uc v, bool alpha) { return alpha ? v / 255.0f : srgb8ToLinear(v); });
    } catch (const std::bad_alloc&) {
        return fail("out of memory reading image '" + path + "' of " + std::to_string(w) + " x " + std::to_string(h) +
                    " pixels (" + DescribeBytes(bytes) + ")");
    }
}

std::shared_ptr<ImageData> ProceduralHatching(uint32_t w, uint32_t h) {
    auto img = std::make_shared<ImageData>();
    img->width = w;
    img->height = h;
    img->rgba.resize(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            // Tone increases to the right, hatching density downwards.
            float tone = (x + 0.5f) / w;
            float lines = 4.0f + 28.0f * (y + 0.5f) / h;
            float s = 0.5f + 0.5f * std::sin((x + y) * 6.2831853f * lines / float(w));
            float v = std::clamp(tone + (s - 0.5f) * 0.5f, 0.0f, 1.0f);
            float* d = &img->rgba[(size_t(y) * w + x) * 4];
            d[0] = d[1] = d[2] = v;
            d[3] = 1.0f;
        }
    return img;
}

namespace {

class Image final : public HostObject {
public:
    Image(std::shared_ptr<const ImageData> d, uint32_t w, uint32_t h);
    void* Query(const st_KVtGUID& iid) override {
        return IsAnyGuid(&iid) || IsGuid(iid, kv::guid_Image) ? iface_.ptr() : nullptr;
    }
    std::shared_ptr<const ImageData> data;
    uint32_t width, height;  // as seen; data's own size or a resample
    ComInterface iface_;

private:
    ~Image() override = default;
};

KvResult ImageSize(void* self, uint32_t* w, uint32_t* h) {
    const Image& img = *Owner<Image>(self);
    if (w) *w = img.width;
    if (h) *h = img.height;
    return KV_OK;
}
KvResult ImagePixel(void* self, uint32_t x, uint32_t y, int32_t format, float* rgba) {
    const Image& img = *Owner<Image>(self);
    if (!rgba) return KV_E_FAILED;
    if (format != KV_IMAGE_RGBA_FP) return KV_E_NOTIMPL;
    if (x >= img.width || y >= img.height) return KV_E_OUTOFBOUNDS;
    const ImageData& d = *img.data;
    if (img.width == d.width && img.height == d.height)
        std::memcpy(rgba, d.pixel(x, y), 4 * sizeof(float));
    else
        d.ResampledPixel(x, y, img.width, img.height, rgba);
    return KV_OK;
}
const vt_IKvImage kImageTable = MakeTable<vt_IKvImage>([](vt_IKvImage& t) {
    t.Size = &ImageSize;
    t.GetPixel = &ImagePixel;
});
Image::Image(std::shared_ptr<const ImageData> d, uint32_t w, uint32_t h)
    : HostObject("Image"), data(std::move(d)), width(w), height(h) {
    iface_.Bind(this, &kImageTable);
}

class ImageFilter final : public HostObject {
public:
    ImageFilter(std::shared_ptr<const ImageData> s, int m);
    void* Query(const st_KVtGUID& iid) override {
        return IsAnyGuid(&iid) || IsGuid(iid, kv::guid_ImageFilter) ? iface_.ptr() : nullptr;
    }
    std::shared_ptr<const ImageData> source;
    int mode;
    ComInterface iface_;

private:
    ~ImageFilter() override = default;
};

KvResult FilterGenerate(void* self, uint32_t w, uint32_t h, vt_IKvUnknown** monitor, void** out) {
    ImageFilter* f = Owner<ImageFilter>(self);
    CheckFilterMonitor(monitor);
    if (!out) return KV_E_FAILED;
    if (faults::Hit(FaultSite::ImageFilterGenerate)) return kInjectedFault;
    if (f->mode == 1 || !f->source || f->source->width == 0 || f->source->height == 0) return KV_E_FAILED;
    if (f->mode == 3) w = f->source->width, h = f->source->height;  // the picture as it stands
    if (w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide || uint64_t(w) * h > kMaxImagePixels)
        return KV_E_OUTOFBOUNDS;
    *out = static_cast<Image*>(NewImage(f->source, w, h))->iface_.ptr();
    return KV_OK;
}
const vt_IKvImageFilter kFilterTable =
    MakeTable<vt_IKvImageFilter>([](vt_IKvImageFilter& t) { t.Generate = &FilterGenerate; });
ImageFilter::ImageFilter(std::shared_ptr<const ImageData> s, int m)
    : HostObject("ImageFilter"), source(std::move(s)), mode(m) {
    iface_.Bind(this, &kFilterTable);
}

}  // namespace

HostObject* NewImage(std::shared_ptr<const ImageData> data) {
    const uint32_t w = data ? data->width : 0, h = data ? data->height : 0;
    return new Image(std::move(data), w, h);
}
HostObject* NewImage(std::shared_ptr<const ImageData> data, uint32_t w, uint32_t h) {
    return new Image(std::move(data), w, h);
}
HostObject* NewImageFilter(std::shared_ptr<const ImageData> source, int mode) {
    return new ImageFilter(std::move(source), mode);
}

}  // namespace kvh
