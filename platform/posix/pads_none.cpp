// Built without SDL: no controller is heard, and the picker's keys still work.
#include "platform/pads.h"

namespace quarlo::platform {

std::unique_ptr<Pads> openPads() {
    return nullptr;
}

}  // namespace quarlo::platform
