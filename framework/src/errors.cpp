// GUID comparison and text form, result-code throws, string copy.
#include "framework/errors.h"

#include <cstdio>
#include <cstring>

namespace kv {

int GUIDCompare(const st_KVtGUID* a, const st_KVtGUID* b) {
    if (a->d1 != b->d1) return static_cast<int>(a->d1 - b->d1);
    if (a->d2 != b->d2) return static_cast<int>(a->d2) - static_cast<int>(b->d2);
    if (a->d3 != b->d3) return static_cast<int>(a->d3) - static_cast<int>(b->d3);
    for (int i = 0; i < 8; ++i)
        if (a->d4[i] != b->d4[i]) return static_cast<int>(a->d4[i]) - static_cast<int>(b->d4[i]);
    return 0;
}

void GUIDSet(st_KVtGUID* g, unsigned d1, unsigned d2, unsigned d3, unsigned b0, unsigned b1, unsigned b2,
             unsigned b3, unsigned b4, unsigned b5, unsigned b6, unsigned b7) {
    g->d1 = d1;
    g->d2 = static_cast<uint16_t>(d2);
    g->d3 = static_cast<uint16_t>(d3);
    const unsigned b[8] = {b0, b1, b2, b3, b4, b5, b6, b7};
    for (int i = 0; i < 8; ++i) g->d4[i] = static_cast<uint8_t>(b[i]);
}

void GUIDToText(const st_KVtGUID* g, char (&text)[kGUIDTextSize]) {
    std::snprintf(text, kGUIDTextSize, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g->d1, g->d2, g->d3,
                  g->d4[0], g->d4[1], g->d4[2], g->d4[3], g->d4[4], g->d4[5], g->d4[6], g->d4[7]);
}

std::string GUIDToText(const st_KVtGUID* g) {
    char text[kGUIDTextSize];
    GUIDToText(g, text);
    return text;
}

bool GUIDFromText(const char* text, st_KVtGUID* out) {
    if (!text || std::strlen(text) != 36) return false;
    uint8_t nib[32];
    int n = 0;
    for (int i = 0; i < 36; ++i) {
        const char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') return false;
            continue;
        }
        if (c >= '0' && c <= '9') nib[n++] = static_cast<uint8_t>(c - '0');
        else if (c >= 'A' && c <= 'F') nib[n++] = static_cast<uint8_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') nib[n++] = static_cast<uint8_t>(c - 'a' + 10);
        else return false;
    }
    auto hex = [&](int from, int count) {
        unsigned v = 0;
        for (int i = 0; i < count; ++i) v = v * 16 + nib[from + i];
        return v;
    };
    st_KVtGUID g;
    g.d1 = hex(0, 8);
    g.d2 = static_cast<uint16_t>(hex(8, 4));
    g.d3 = static_cast<uint16_t>(hex(12, 4));
    for (int i = 0; i < 8; ++i) g.d4[i] = static_cast<uint8_t>(hex(16 + 2 * i, 2));
    *out = g;
    return true;
}

void ThrowErr(unsigned rc) { kv_err::check(rc); }

void ThrowOpt(unsigned rc) {
    if (rc != static_cast<unsigned>(KV_E_NOTIMPL)) kv_err::check(rc);
}

KvResult StringOut(const char* src, char* buf, unsigned len) {
    if (len == 0 || !buf) return KV_E_SHORTBUFFER;
    if (!src) src = "";
    const size_t n = std::strlen(src);
    if (len > n) {
        std::memcpy(buf, src, n + 1);
        return KV_OK;
    }
    std::memcpy(buf, src, len - 1);
    buf[len - 1] = '\0';
    return KV_E_SHORTBUFFER;
}

KvResult StringOut(const std::string& src, char* buf, unsigned len) { return StringOut(src.c_str(), buf, len); }

}  // namespace kv

namespace kv_err {

void check(int rc, unsigned code) {
    if (rc < 0) throw code;
}
void check(bool ok, unsigned code) {
    if (!ok) throw code;
}
void check(unsigned rc) {
    if (rc & 0x80000000u) throw rc;
}

}  // namespace kv_err
