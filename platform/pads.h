#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace quarlo::platform {

// What a game controller tells a full-screen picker: the moves it knows.
enum class PadPress { up, down, confirm, back };

// One look at every controller at once: whether any holds each input, and
// the left stick's up-down position (-1 fully up, 1 fully down).
struct PadState {
    bool up = false;
    bool down = false;
    bool confirm = false;  // A, the bottom face button
    bool back = false;     // B, the right one
    float stickY = 0;
};

// Turns looks at the pads into presses: a button counts when it goes down;
// the D-pad and the stick, held, repeat after a pause as a held key does.
class PadPresses {
  public:
    std::vector<PadPress> next(const PadState& now, std::int64_t ms);

    static constexpr float kStickThreshold = 0.5f;
    static constexpr std::int64_t kFirstRepeatMs = 400;
    static constexpr std::int64_t kRepeatMs = 150;

  private:
    PadState before_;
    bool upHeld_ = false;
    bool downHeld_ = false;
    std::int64_t repeatAt_ = 0;
};

// The controllers the system presents (in Steam's Game Mode, the pad Steam
// Input makes of the one in the player's hands), read on each poll; a pad
// plugged in meanwhile is heard from its first press.
class Pads {
  public:
    virtual ~Pads() = default;
    // What was pressed since the last poll; `ms` a steady clock's reading.
    virtual std::vector<PadPress> poll(std::int64_t ms) = 0;
};

// Null where no controller can be read on this system.
std::unique_ptr<Pads> openPads();

}  // namespace quarlo::platform
