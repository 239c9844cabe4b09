// GUID helpers, result-code checks and the string copy used at the ABI.
// Inside the plug-ins a failure travels as a thrown `unsigned` result code and
// is turned back into a code where the host called in.
#pragma once

#include <string>

#include "kv/kv_types.h"

namespace kv {

// 0 when equal; otherwise the difference of the first differing field
// (field 1 as a wrapping 32-bit difference, the others as unsigned differences).
int GUIDCompare(const st_KVtGUID* a, const st_KVtGUID* b);

// Fills `g` field by field, each value cut to its field's width.
void GUIDSet(st_KVtGUID* g, unsigned d1, unsigned d2, unsigned d3, unsigned b0, unsigned b1, unsigned b2,
             unsigned b3, unsigned b4, unsigned b5, unsigned b6, unsigned b7);

// Text form: "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", upper case, 36 characters.
constexpr unsigned kGUIDTextSize = 37;  // with the terminator
void GUIDToText(const st_KVtGUID* g, char (&text)[kGUIDTextSize]);
std::string GUIDToText(const st_KVtGUID* g);
// Parses the text form (either case); false and `out` untouched when malformed.
bool GUIDFromText(const char* text, st_KVtGUID* out);

// Throws rc when it is a failure code (bit 31 set).
void ThrowErr(unsigned rc);
// As ThrowErr, but lets "not implemented" (0x80000001) pass, for optional calls.
void ThrowOpt(unsigned rc);

// Copies `src` into the host's buffer of `len` bytes. Returns 0, or
// 0x8000001E after copying what fits (always terminated when len > 0).
KvResult StringOut(const char* src, char* buf, unsigned len);
KvResult StringOut(const std::string& src, char* buf, unsigned len);

}  // namespace kv

namespace kv_err {

// Throws `code` when rc is negative.
void check(int rc, unsigned code);
// Throws `code` when ok is false.
void check(bool ok, unsigned code);
// Throws rc when it is a failure code.
void check(unsigned rc);

}  // namespace kv_err
