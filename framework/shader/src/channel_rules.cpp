#include <cstring>

#include <framework/framework.h>

#include "shader/channel_table.h"
#include "shader/disabled_message.h"

namespace kv::shader {

bool ChannelMatch::matches(const char* name) const {
    if (!name || !text) return false;
    return prefix ? std::strncmp(name, text, std::strlen(text)) == 0 : std::strcmp(name, text) == 0;
}

bool SwitchIsOn(int32_t value) { return value != 0; }
bool SwitchIsOff(int32_t value) { return value == 0; }

KvResult DisabledChannelMessage(vt_IKvUnknown** message, const char* text) {
    CKvUser_Message msg(message);
    msg.SetCode(KV_MSG_DISABLED);
    msg.SetMessage("common", nullptr, 99);
    msg.SetArgumentString(1, text);
    return KV_MSG_DISABLED;
}

int32_t ReadSwitch(vt_IKvUnknown** item, vt_IKvUnknown** chanRead, const char* switchChannel) {
    CKvUser_Item it(item);
    const int index = it.ChannelLookup(switchChannel);
    if (index < 0) return 0;
    CKvUser_ChannelRead read(chanRead);
    return read.Integer(it, static_cast<unsigned>(index));
}

}  // namespace kv::shader
