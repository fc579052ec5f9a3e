#include "platform/pads.h"

namespace quarlo::platform {

std::vector<PadPress> PadPresses::next(const PadState& now, std::int64_t ms) {
    std::vector<PadPress> out;
    if (now.confirm && !before_.confirm) {
        out.push_back(PadPress::confirm);
    }
    if (now.back && !before_.back) {
        out.push_back(PadPress::back);
    }
    const bool up = now.up || now.stickY <= -kStickThreshold;
    const bool down = !up && (now.down || now.stickY >= kStickThreshold);
    if ((up && !upHeld_) || (down && !downHeld_)) {
        out.push_back(up ? PadPress::up : PadPress::down);
        repeatAt_ = ms + kFirstRepeatMs;
    } else if ((up || down) && ms >= repeatAt_) {
        out.push_back(up ? PadPress::up : PadPress::down);
        repeatAt_ = ms + kRepeatMs;
    }
    upHeld_ = up;
    downHeld_ = down;
    before_ = now;
    return out;
}

}  // namespace quarlo::platform
