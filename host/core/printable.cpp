#include "core/printable.h"

#include <cstdint>

namespace kvh {

namespace {

// Length of the well-formed UTF-8 sequence at `s` of a character that prints,
// or 0: a control character, a byte that starts no sequence, a sequence cut
// short, overlong or beyond U+10FFFF, or a surrogate.
size_t printableSequence(std::string_view s) {
    const auto byte = [&](size_t i) { return uint8_t(s[i]); };
    const uint8_t lead = byte(0);
    if (lead >= 0x20 && lead < 0x7f) return 1;
    const size_t n = lead >= 0xc2 && lead <= 0xdf ? 2 : lead >= 0xe0 && lead <= 0xef ? 3
                     : lead >= 0xf0 && lead <= 0xf4 ? 4 : 0;
    if (n == 0 || s.size() < n) return 0;
    uint32_t code = lead & (0xff >> (n + 1));
    for (size_t i = 1; i < n; ++i) {
        if ((byte(i) & 0xc0) != 0x80) return 0;
        code = code << 6 | (byte(i) & 0x3f);
    }
    static constexpr uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[n] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
    if (code >= 0x80 && code <= 0x9f) return 0;  // C1 controls (U+009B starts a sequence as ESC [ does)
    return n;
}

}  // namespace

std::string Printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        if (const size_t n = printableSequence(text)) {
            out.append(text.substr(0, n));
            text.remove_prefix(n);
            continue;
        }
        const uint8_t b = uint8_t(text[0]);
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 15];
        text.remove_prefix(1);
    }
    return out;
}

}  // namespace kvh
