// Helpers of the render tests: scene documents from scenes/ (KV_SCENES_DIR),
// rendered small, and compared with stored reference images.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/session.h"
#include "render_job.h"
#include "renderer.h"

#ifndef KV_SCENES_DIR
#define KV_SCENES_DIR "scenes"
#endif

namespace kvr::test {

inline nlohmann::json sceneDocument(const std::string& name) {
    std::ifstream in(std::string(KV_SCENES_DIR) + "/" + name);
    return nlohmann::json::parse(in);
}

inline bool pluginBuilt(const std::string& file) { return !kvh::Session::FindPluginFile(file).empty(); }

// Renders `doc` at w x h with `spp` samples on `threads` threads; an empty
// image and a test failure when the scene does not load.
inline ImageBuffer renderDocument(const nlohmann::json& doc, uint32_t w, uint32_t h, uint32_t spp, uint32_t threads) {
    RenderJob job;
    std::string error;
    RenderOverrides o;
    o.width = w;
    o.height = h;
    o.spp = spp;
    if (!loadRenderJobJson(doc, KV_SCENES_DIR, o, job, error)) {
        ADD_FAILURE() << error;
        return {};
    }
    Renderer r(job.scene, job.session->Layout(), job.roads);
    return r.Render(threads);
}

// The object seen through each pixel centre (-1: background), row by row.
inline std::vector<int> objectMap(const nlohmann::json& doc, uint32_t w, uint32_t h) {
    RenderJob job;
    std::string error;
    RenderOverrides o;
    o.width = w;
    o.height = h;
    std::vector<int> map(size_t(w) * h, -1);
    if (!loadRenderJobJson(doc, KV_SCENES_DIR, o, job, error)) {
        ADD_FAILURE() << error;
        return map;
    }
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            RayHit hit;
            if (job.scene.rays->intersect(job.scene.camera.position, job.scene.camera.direction(x + 0.5, y + 0.5), 0,
                                          1e30f, hit))
                map[size_t(y) * w + x] = int(hit.object);
        }
    return map;
}

// `got` against the reference image `path`, with a threshold of 12 (0-255
// scale) for a differing pixel: 8-bit rounding, and the few silhouette pixels
// where another machine's ray kernel may choose the other surface. A test
// failure and no common size when the reference cannot be read.
inline ImageDifference compareWithReference(const ImageBuffer& got, const std::string& path) {
    ImageBuffer ref;
    std::string error;
    if (!ImageBuffer::readPng(path, ref, error)) {
        ADD_FAILURE() << path << ": " << error;
        return {};
    }
    return compareImages(got, ref, 12.0);
}

// Mean absolute difference (0-255 scale) over the pixels where `mask` is set.
template <class Mask>
double meanDifference(const ImageBuffer& a, const ImageBuffer& b, Mask mask) {
    double sum = 0;
    size_t n = 0;
    for (uint32_t y = 0; y < a.height(); ++y)
        for (uint32_t x = 0; x < a.width(); ++x) {
            if (!mask(x, y)) continue;
            for (int c = 0; c < 3; ++c) sum += std::fabs(a.at(x, y)[c] - b.at(x, y)[c]) * 255.0;
            ++n;
        }
    return n ? sum / (3.0 * double(n)) : 0.0;
}

}  // namespace kvr::test
