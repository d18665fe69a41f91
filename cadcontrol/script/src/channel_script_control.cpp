#include "drafthand/script/channel_script_control.h"

namespace drafthand::script {

int32_t ChannelScriptControl::CommandTimeOut() const {
    const int32_t stored = channel_.command_timeout();
    // Only while nobody has put another value since.
    if (negative_timeout_ && stored == -1) {
        return *negative_timeout_;
    }
    return stored;
}

void ChannelScriptControl::store_command_timeout(int32_t milliseconds) {
    channel_.set_command_timeout(milliseconds);
    if (milliseconds < 0) {
        negative_timeout_ = milliseconds;
    } else {
        negative_timeout_.reset();
    }
}

} // namespace drafthand::script
