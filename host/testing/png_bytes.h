// PNG files made byte by byte, for tests of picture reading: kinds the
// writer at hand does not make (16-bit), and files cut short after their header.
#pragma once

#include <cstdint>
#include <string>

namespace kvt::test {

inline std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

inline uint32_t crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

inline std::string pngChunk(const std::string& type, const std::string& data) {
    return be32(uint32_t(data.size())) + type + data + be32(crc32(type + data));
}

// A PNG of w x h pixels (`colourType` 2 RGB, 6 RGBA) whose `rows` (each with
// its filter byte) go into one stored deflate block of at most 65535 bytes;
// no rows: the file ends after its header.
inline std::string pngFile(uint32_t w, uint32_t h, uint8_t bitDepth, uint8_t colourType, const std::string& rows = "") {
    std::string png = std::string("\x89PNG\r\n\x1a\n", 8) +
                      pngChunk("IHDR", be32(w) + be32(h) + std::string{char(bitDepth), char(colourType), 0, 0, 0});
    if (rows.empty()) return png;
    uint32_t s1 = 1, s2 = 0;
    for (unsigned char c : rows) s1 = (s1 + c) % 65521, s2 = (s2 + s1) % 65521;
    const uint16_t n = uint16_t(rows.size());
    const std::string deflate = std::string{0x78, 0x01, 0x01, char(n), char(n >> 8), char(~n), char(uint16_t(~n) >> 8)} +
                                rows + be32((s2 << 16) | s1);
    return png + pngChunk("IDAT", deflate) + pngChunk("IEND", "");
}

}  // namespace kvt::test
