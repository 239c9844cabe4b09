// The message a channel shows when it is disabled because a switch is off.
#pragma once

#include <kv/kv_types.h>

namespace kv::shader {

// Fills the host Message object (code 0x84800004, table "common", entry 99,
// argument 1 = text) and returns 0x84800004.
KvResult DisabledChannelMessage(vt_IKvUnknown** message, const char* text);

// The integer value of `switchChannel` on the item, 0 when it cannot be read.
int32_t ReadSwitch(vt_IKvUnknown** item, vt_IKvUnknown** chanRead, const char* switchChannel);

}  // namespace kv::shader
