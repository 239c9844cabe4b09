#include "png_encoder.h"

#include <tbb/parallel_for.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace kvr {

namespace {

constexpr uint32_t kChannels = 3;
constexpr size_t kWindow = 32768;        // deflate's window: what a band may refer back to
constexpr size_t kMaxChunk = 1u << 30;   // IDAT data per chunk (PNG allows up to 2^31 - 1)

// A byte buffer left uninitialised: every byte is written before it is read.
struct Bytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
    void reset(size_t n) {
        data.reset(new uint8_t[n]);
        size = n;
    }
    void grow(size_t n) {
        std::unique_ptr<uint8_t[]> bigger(new uint8_t[n]);
        std::memcpy(bigger.get(), data.get(), size);
        data = std::move(bigger);
        size = n;
    }
};

enum Filter : uint8_t { kNone, kSub, kUp, kAverage, kPaeth, kFilterCount };

// The five row filters: each writes row - predictor(left a, up b, up-left c)
// for the n bytes of `row`, with `prev` the row above (zeros for the first).
// Written as plain loops without branches so that they vectorise.
void filterNone(const uint8_t* row, const uint8_t*, size_t n, uint8_t* out) { std::memcpy(out, row, n); }

void filterSub(const uint8_t* row, const uint8_t*, size_t n, uint8_t* out) {
    for (size_t i = 0; i < kChannels; ++i) out[i] = row[i];
    for (size_t i = kChannels; i < n; ++i) out[i] = uint8_t(row[i] - row[i - kChannels]);
}

void filterUp(const uint8_t* row, const uint8_t* prev, size_t n, uint8_t* out) {
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(row[i] - prev[i]);
}

void filterAverage(const uint8_t* row, const uint8_t* prev, size_t n, uint8_t* out) {
    for (size_t i = 0; i < kChannels; ++i) out[i] = uint8_t(row[i] - (prev[i] >> 1));
    for (size_t i = kChannels; i < n; ++i) out[i] = uint8_t(row[i] - ((row[i - kChannels] + prev[i]) >> 1));
}

void filterPaeth(const uint8_t* row, const uint8_t* prev, size_t n, uint8_t* out) {
    for (size_t i = 0; i < kChannels; ++i) out[i] = uint8_t(row[i] - prev[i]);  // a = c = 0: predicts b
    for (size_t i = kChannels; i < n; ++i) {
        const int a = row[i - kChannels], b = prev[i], c = prev[i - kChannels];
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        // The nearest of a, b, c to a + b - c, ties going to a, then b.
        const int nearAB = pb < pa ? b : a;
        const int predicted = pc < std::min(pa, pb) ? c : nearAB;
        out[i] = uint8_t(row[i] - predicted);
    }
}

using RowFilter = void (*)(const uint8_t*, const uint8_t*, size_t, uint8_t*);
constexpr RowFilter kFilters[kFilterCount] = {filterNone, filterSub, filterUp, filterAverage, filterPaeth};

// Sum of the filtered bytes read as signed: the usual guess of which filter
// deflates best.
uint64_t signedSum(const uint8_t* data, size_t n) {
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += uint64_t(std::abs(int(int8_t(data[i]))));
    return sum;
}

// Filters rows [r0, r1) into `filtered` (one filter byte, then the row),
// each with the filter of least signed sum.
void filterRows(const uint8_t* rgb, size_t rowBytes, uint32_t r0, uint32_t r1, uint8_t* filtered) {
    std::vector<uint8_t> zeros(rowBytes, 0);
    std::array<std::vector<uint8_t>, kFilterCount> trial;
    for (auto& t : trial) t.resize(rowBytes);
    for (uint32_t y = r0; y < r1; ++y) {
        const uint8_t* row = rgb + size_t(y) * rowBytes;
        const uint8_t* prev = y > 0 ? row - rowBytes : zeros.data();
        uint8_t best = kNone;
        uint64_t bestSum = std::numeric_limits<uint64_t>::max();
        for (uint8_t f = kNone; f < kFilterCount; ++f) {
            kFilters[f](row, prev, rowBytes, trial[f].data());
            const uint64_t sum = signedSum(trial[f].data(), rowBytes);
            if (sum < bestSum) {
                bestSum = sum;
                best = f;
            }
        }
        uint8_t* out = filtered + size_t(y) * (rowBytes + 1);
        out[0] = best;
        std::memcpy(out + 1, trial[best].data(), rowBytes);
    }
}

// Raw deflate of `n` bytes at `data`, primed with the window before it;
// the last band finishes the stream, the others end on a byte boundary.
bool deflateBand(const uint8_t* data, size_t n, const uint8_t* window, size_t windowSize, int level, bool last,
                 Bytes& out) {
    z_stream zs{};
    const int init = deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    if (init == Z_MEM_ERROR) throw std::bad_alloc();  // as the buffers around it do
    if (init != Z_OK) return false;
    bool ok = windowSize == 0 || deflateSetDictionary(&zs, window, uInt(windowSize)) == Z_OK;
    out.reset(deflateBound(&zs, uLong(n)) + 64);
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = uInt(n);
    size_t written = 0;
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    while (ok) {
        if (written == out.size) out.grow(out.size * 2);
        zs.next_out = out.data.get() + written;
        zs.avail_out = uInt(out.size - written);
        const int rc = deflate(&zs, flush);
        written = out.size - zs.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) ok = false;
        if (!last && zs.avail_in == 0 && zs.avail_out > 0) break;  // flushed
    }
    deflateEnd(&zs);
    out.size = written;
    return ok;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), b, b + 4);
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t n) {
    put32(out, uint32_t(n));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (n) out.insert(out.end(), data, data + n);
    put32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// IDAT chunks of at most kMaxChunk bytes each.
void putImageData(std::vector<uint8_t>& out, const uint8_t* data, size_t n) {
    for (size_t done = 0; done < n; done += kMaxChunk) putChunk(out, "IDAT", data + done, std::min(kMaxChunk, n - done));
}

// The zlib header for `level` (deflate, 32 KiB window, no dictionary).
std::array<uint8_t, 2> zlibHeader(int level) {
    const uint8_t levelBits = level <= 1 ? 0 : level <= 5 ? 1 : level == 6 ? 2 : 3;
    uint8_t flg = uint8_t(levelBits << 6);
    flg = uint8_t(flg + (31 - (0x78 * 256 + flg) % 31));
    return {0x78, flg};
}

}  // namespace

bool encodePng(const uint8_t* rgb, uint32_t width, uint32_t height, std::vector<uint8_t>& out,
               const PngOptions& options) {
    out.clear();
    constexpr uint32_t kMaxSide = 0x7FFFFFFFu;
    if (!rgb || width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;
    const size_t rowBytes = size_t(width) * kChannels;
    const size_t lineBytes = rowBytes + 1;
    if (lineBytes > kMaxChunk) return false;
    const int level = std::clamp(options.level, 1, 9);
    // A band stays within zlib's 32-bit lengths.
    const uint32_t rowsPerBand = uint32_t(std::clamp<size_t>(options.rowsPerBand, 1, kMaxChunk / lineBytes));
    const uint32_t bands = (height + rowsPerBand - 1) / rowsPerBand;

    Bytes filtered;
    filtered.reset(lineBytes * height);
    tbb::parallel_for(uint32_t(0), bands, [&](uint32_t b) {
        filterRows(rgb, rowBytes, b * rowsPerBand, std::min(height, (b + 1) * rowsPerBand), filtered.data.get());
    });

    std::vector<Bytes> packed(bands);
    std::vector<uLong> adlers(bands);
    std::vector<char> ok(bands, 0);
    tbb::parallel_for(uint32_t(0), bands, [&](uint32_t b) {
        const size_t begin = size_t(b) * rowsPerBand * lineBytes;
        const size_t end = std::min(size_t(height), size_t(b + 1) * rowsPerBand) * lineBytes;
        const size_t window = std::min(begin, kWindow);
        const uint8_t* band = filtered.data.get() + begin;
        adlers[b] = adler32(adler32(0, nullptr, 0), band, uInt(end - begin));
        ok[b] = deflateBand(band, end - begin, band - window, window, level, b + 1 == bands, packed[b]);
    });
    if (std::find(ok.begin(), ok.end(), 0) != ok.end()) return false;

    uLong adler = adler32(0, nullptr, 0);
    size_t total = 2 + 4;
    for (uint32_t b = 0; b < bands; ++b) {
        const size_t begin = size_t(b) * rowsPerBand * lineBytes;
        const size_t end = std::min(size_t(height), size_t(b + 1) * rowsPerBand) * lineBytes;
        adler = adler32_combine(adler, adlers[b], z_off_t(end - begin));
        total += packed[b].size;
    }

    std::vector<uint8_t> stream;
    stream.reserve(total);
    const auto header = zlibHeader(level);
    stream.insert(stream.end(), header.begin(), header.end());
    for (const Bytes& p : packed) stream.insert(stream.end(), p.data.get(), p.data.get() + p.size);
    put32(stream, uint32_t(adler));

    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.reserve(stream.size() + stream.size() / kMaxChunk * 12 + 64);
    out.insert(out.end(), kSignature, kSignature + 8);
    std::vector<uint8_t> ihdr;
    put32(ihdr, width);
    put32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
    putChunk(out, "IHDR", ihdr.data(), ihdr.size());
    putImageData(out, stream.data(), stream.size());
    putChunk(out, "IEND", nullptr, 0);
    return true;
}

}  // namespace kvr
