// Draws the point library's patterns for checking by eye (even spread, no
// clumps, no seams): table prefixes of 128 and 1024 points tiled 2 × 2 with
// faint lines on the period borders, the whole table once, and the flattened A list of
// recursive tile 7 with its 4 × 4 sub-tile borders. Writes PNGs into the
// given folder (the references live in tests/references/).
//
// usage: plot_points <folder>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "image_buffer.h"
#include "point_table.h"
#include "wang_tiles.h"

namespace {

using namespace Stipple_Shader;

// A white canvas on which dots are drawn with anti-aliased edges.
class Canvas {
public:
    explicit Canvas(uint32_t size) : image_(size, size) {
        for (uint32_t y = 0; y < size; ++y)
            for (uint32_t x = 0; x < size; ++x) image_.at(x, y) = kvr::Vec3(1.0f, 1.0f, 1.0f);
    }
    uint32_t Size() const { return image_.width(); }

    // A disc at (cx, cy) in pixels, y up; darkens towards black.
    void Dot(float cx, float cy, float radius) {
        const float top = static_cast<float>(Size()) - cy;
        for (int y = static_cast<int>(top - radius - 1); y <= static_cast<int>(top + radius + 1); ++y)
            for (int x = static_cast<int>(cx - radius - 1); x <= static_cast<int>(cx + radius + 1); ++x) {
                if (x < 0 || y < 0 || x >= static_cast<int>(Size()) || y >= static_cast<int>(Size())) continue;
                const float d = std::hypot(static_cast<float>(x) + 0.5f - cx, static_cast<float>(y) + 0.5f - top);
                const float cover = std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
                kvr::Vec3& px = image_.at(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
                px = px * (1.0f - cover);
            }
    }

    // Faint grey lines splitting the canvas into parts × parts squares.
    void Grid(int parts, float grey) {
        for (int k = 1; k < parts; ++k) {
            const uint32_t at = static_cast<uint32_t>(k * static_cast<int>(Size()) / parts);
            for (uint32_t i = 0; i < Size(); ++i) {
                Tint(at, i, grey);
                Tint(i, at, grey);
            }
        }
    }

    bool Write(const std::string& path) const {
        std::string error;
        if (image_.writePng(path, error)) return true;
        std::fprintf(stderr, "plot_points: %s\n", error.c_str());
        return false;
    }

private:
    void Tint(uint32_t x, uint32_t y, float grey) {
        kvr::Vec3& px = image_.at(x, y);
        px = kvr::Vec3(std::min(px.x, grey), std::min(px.y, grey), std::min(px.z, grey));
    }

    kvr::ImageBuffer image_;
};

// Points of the unit square drawn `repeat` × `repeat` times over the canvas.
bool Plot(const std::string& path, const PatternPoint* points, int count, int repeat, int borders,
          float dotShare) {
    Canvas canvas(768);
    canvas.Grid(borders, 0.8f);
    const float period = static_cast<float>(canvas.Size()) / static_cast<float>(repeat);
    // Dot radius: a share of the spacing of `count` evenly spread points.
    const float radius = std::max(0.9f, dotShare * period / std::sqrt(static_cast<float>(count)));
    for (int ty = 0; ty < repeat; ++ty)
        for (int tx = 0; tx < repeat; ++tx)
            for (int i = 0; i < count; ++i)
                canvas.Dot((static_cast<float>(tx) + points[i].x) * period,
                           (static_cast<float>(ty) + points[i].y) * period, radius);
    return canvas.Write(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: plot_points <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    for (int n : {128, 1024})
        ok = Plot(folder + "/table_prefix_" + std::to_string(n) + ".png", PointTable8192, n, 2, 2, 0.3f) && ok;
    ok = Plot(folder + "/table_prefix_8192.png", PointTable8192, 8192, 1, 1, 0.3f) && ok;  // dots too small tiled
    WangTileSampler sampler;
    const int count = sampler.FlattenA(WangTileSet[7]);
    ok = Plot(folder + "/wang_tile7_flatten_a.png", sampler.Flattened(), count, 1, 4, 0.3f) && ok;
    return ok ? 0 : 1;
}
