#include "platform/settle.h"

#include <map>
#include <mutex>
#include <thread>

namespace quarlo::platform {

namespace {

struct Memory {
    std::mutex mutex;
    std::map<std::string, FileVersion> written;
    std::function<void(int)> pause;
};

Memory& memory() {
    static Memory m;
    return m;
}

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool waitUntilSettled(const std::string& path,
                      const std::function<std::optional<FileVersion>()>& look) {
    std::optional<FileVersion> before = look();
    if (!before) {
        return true;
    }
    {
        Memory& m = memory();
        const std::lock_guard<std::mutex> lock(m.mutex);
        const auto it = m.written.find(path);
        if (it != m.written.end() && it->second == *before) {
            return true;
        }
    }
    const std::int64_t pauseNs = std::chrono::nanoseconds(kSettlePause).count();
    if (nowNs() - before->modifiedNs >= pauseNs) {
        return true;
    }
    const int most = static_cast<int>(kSettleLimit / kSettlePause);
    for (int n = 0; n < most; ++n) {
        if (const auto& pause = memory().pause) {
            pause(n);
        } else {
            std::this_thread::sleep_for(kSettlePause);
        }
        const std::optional<FileVersion> after = look();
        if (!after || after == before) {
            return true;
        }
        before = after;
    }
    return false;
}

void rememberWritten(const std::string& path, const FileVersion& version) {
    Memory& m = memory();
    const std::lock_guard<std::mutex> lock(m.mutex);
    m.written[path] = version;
}

void setSettlePauseForTests(std::function<void(int pause)> pause) {
    memory().pause = std::move(pause);
}

}  // namespace quarlo::platform
