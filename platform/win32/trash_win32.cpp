#include "platform/win32/trash_win32.h"

namespace quarlo::platform::win32 {

TrashOutcome Win32Trash::moveToTrash(const std::vector<std::string>& paths) {
    return paths.empty() ? TrashOutcome::done : TrashOutcome::unavailable;
}

}  // namespace quarlo::platform::win32
