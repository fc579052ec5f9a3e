// The pads through XInput, loaded when first asked for (xinput1_4.dll, else
// the one every Windows since Vista has): four slots, read on each poll, so
// a pad plugged in meanwhile is heard at once.
#include "platform/pads.h"
#include "platform/win32/win32_api.h"
// After windows.h, which it needs.
#include <xinput.h>

namespace quarlo::platform {

namespace {

using GetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

class XInputPads : public Pads {
  public:
    explicit XInputPads(GetState get) : get_(get) {}

    std::vector<PadPress> poll(std::int64_t ms) override {
        PadState state;
        for (DWORD slot = 0; slot < XUSER_MAX_COUNT; ++slot) {
            XINPUT_STATE now{};
            if (get_(slot, &now) != ERROR_SUCCESS) {
                continue;
            }
            const WORD b = now.Gamepad.wButtons;
            state.up = state.up || (b & XINPUT_GAMEPAD_DPAD_UP) != 0;
            state.down = state.down || (b & XINPUT_GAMEPAD_DPAD_DOWN) != 0;
            state.confirm = state.confirm || (b & XINPUT_GAMEPAD_A) != 0;
            state.back = state.back || (b & XINPUT_GAMEPAD_B) != 0;
            // XInput's stick is positive upwards.
            const float y = -static_cast<float>(now.Gamepad.sThumbLY) / 32767.0f;
            if (y * y > state.stickY * state.stickY) {
                state.stickY = y;
            }
        }
        return presses_.next(state, ms);
    }

  private:
    GetState get_;
    PadPresses presses_;
};

}  // namespace

std::unique_ptr<Pads> openPads() {
    for (const wchar_t* dll : {L"xinput1_4.dll", L"xinput9_1_0.dll", L"xinput1_3.dll"}) {
        if (HMODULE module = LoadLibraryW(dll)) {
            if (auto get = reinterpret_cast<GetState>(
                    reinterpret_cast<void*>(GetProcAddress(module, "XInputGetState")))) {
                return std::make_unique<XInputPads>(get);
            }
        }
    }
    return nullptr;
}

}  // namespace quarlo::platform
