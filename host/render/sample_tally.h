// Counts of samples, per object, in which a material did something the
// renderer warns about (a colour that is not finite, nested ray vectors left
// open, ...), kept per render thread (nothing shared is written while
// shading) and summed after the render.
#pragma once

#include <tbb/enumerable_thread_specific.h>

#include <cstdint>
#include <vector>

namespace kvr {

class SampleTally {
public:
    struct Entry {
        uint64_t samples = 0;
        uint32_t x = 0, y = 0;  // the first pixel in raster order
    };

    void note(size_t object, uint32_t x, uint32_t y) {
        if (object >= entries_.size()) entries_.resize(object + 1);
        merge(entries_[object], {1, x, y});
    }
    void add(const SampleTally& other) {
        if (entries_.size() < other.entries_.size()) entries_.resize(other.entries_.size());
        for (size_t i = 0; i < other.entries_.size(); ++i) merge(entries_[i], other.entries_[i]);
    }
    // One entry per object of the scene.
    const std::vector<Entry>& entries() const { return entries_; }

    // Adds the counts; the first pixel of the two stays.
    static void merge(Entry& into, const Entry& o) {
        if (!o.samples) return;
        if (!into.samples || o.y < into.y || (o.y == into.y && o.x < into.x)) into.x = o.x, into.y = o.y;
        into.samples += o.samples;
    }

private:
    std::vector<Entry> entries_;
};

// One tally per thread that notes a sample (made on its first one: a render
// without anything to note touches nothing), summed on demand.
class SampleCounter {
public:
    void note(size_t object, uint32_t x, uint32_t y) { perThread_.local().note(object, x, y); }
    SampleTally sum() const {
        SampleTally total;
        for (const SampleTally& t : perThread_) total.add(t);
        return total;
    }
    void clear() { perThread_.clear(); }

private:
    tbb::enumerable_thread_specific<SampleTally> perThread_;
};

}  // namespace kvr
