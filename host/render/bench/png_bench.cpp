// Cost of writing the rendered picture as PNG at 2048 x 2048 (scenes/xtoon.json
// rendered at one sample per pixel), encoded to memory: the renderer's own
// encoder (bands of rows deflated on every core) at several levels and thread
// counts, beside stb's encoder and, where it is installed, libpng with fast
// settings. The "bytes" counter is the size of the PNG.
#include <benchmark/benchmark.h>

#include <tbb/task_arena.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include <stb_image_write.h>

#ifdef KV_BENCH_LIBPNG
#include <png.h>
#endif

#include "png_encoder.h"
#include "render_job.h"
#include "renderer.h"

namespace kvr {
namespace {

constexpr uint32_t kSide = 2048;

struct Picture {
    ImageBuffer image;
    std::vector<uint8_t> rgb;
    Picture() {
        std::ifstream in(std::string(KV_SCENES_DIR) + "/xtoon.json");
        nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
        RenderOverrides size;
        size.width = size.height = kSide;
        size.spp = 1;
        RenderJob job;
        std::string error;
        if (doc.is_discarded() || !loadRenderJobJson(doc, KV_SCENES_DIR, size, job, error)) {
            std::fprintf(stderr, "png bench: %s\n", error.c_str());
            std::exit(1);
        }
        image = Renderer(job.scene, job.session->Layout(), job.roads).Render();
        rgb = image.toRgb8();
    }
};

const Picture& ThePicture() {
    static const Picture picture;
    return picture;
}

void Report(benchmark::State& state, size_t bytes) {
    state.counters["bytes"] = double(bytes);
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
}

// range(0): level; range(1): threads (0: every core).
void BM_PngBands(benchmark::State& state) {
    const Picture& p = ThePicture();
    PngOptions options;
    options.level = int(state.range(0));
    tbb::task_arena arena(state.range(1) == 0 ? tbb::task_arena::automatic : int(state.range(1)));
    std::vector<uint8_t> png;
    for (auto _ : state) arena.execute([&] { encodePng(p.rgb.data(), kSide, kSide, png, options); });
    Report(state, png.size());
}
BENCHMARK(BM_PngBands)
    ->ArgsProduct({{1, 3, 6}, {1, 0}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// range(0): stb's compression level (8 is its default).
void BM_PngStb(benchmark::State& state) {
    const Picture& p = ThePicture();
    stbi_write_png_compression_level = int(state.range(0));
    std::vector<uint8_t> out;
    auto append = [](void* to, void* data, int n) {
        auto* bytes = static_cast<uint8_t*>(data);
        static_cast<std::vector<uint8_t>*>(to)->insert(static_cast<std::vector<uint8_t>*>(to)->end(), bytes, bytes + n);
    };
    for (auto _ : state) {
        out.clear();
        stbi_write_png_to_func(append, &out, int(kSide), int(kSide), 3, p.rgb.data(), int(kSide * 3));
    }
    stbi_write_png_compression_level = 8;
    Report(state, out.size());
}
BENCHMARK(BM_PngStb)->Arg(1)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

#ifdef KV_BENCH_LIBPNG
void AppendBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// range(0): zlib level; range(1): 1 for the Sub filter only, 0 for libpng's adaptive choice.
void BM_PngLibpng(benchmark::State& state) {
    const Picture& p = ThePicture();
    std::vector<uint8_t> out;
    std::vector<png_bytep> rows(kSide);
    for (uint32_t y = 0; y < kSide; ++y) rows[y] = const_cast<png_bytep>(p.rgb.data() + size_t(y) * kSide * 3);
    for (auto _ : state) {
        out.clear();
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, &AppendBytes, nullptr);
        png_set_compression_level(png, int(state.range(0)));
        if (state.range(1)) png_set_filter(png, 0, PNG_FILTER_SUB);
        png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        png_destroy_write_struct(&png, &info);
    }
    Report(state, out.size());
}
BENCHMARK(BM_PngLibpng)->ArgsProduct({{1, 6}, {0, 1}})->UseRealTime()->Unit(benchmark::kMillisecond);
#endif

// The float picture to 8-bit rows that every encoder starts from.
void BM_ToRgb8(benchmark::State& state) {
    const Picture& p = ThePicture();
    for (auto _ : state) benchmark::DoNotOptimize(p.image.toRgb8());
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
}
BENCHMARK(BM_ToRgb8)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kvr

BENCHMARK_MAIN();
