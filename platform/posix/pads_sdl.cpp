// The pads through SDL's game controller API: every controller SDL maps,
// with the mappings and the devices to leave out that Steam hands it in the
// environment (SDL_GAMECONTROLLERCONFIG, SDL_GAMECONTROLLER_IGNORE_DEVICES),
// so that in Game Mode the pad Steam Input presents is the one heard.
#include <SDL.h>

#include <map>

#include "platform/pads.h"

namespace quarlo::platform {

namespace {

class SdlPads : public Pads {
  public:
    SdlPads() = default;
    SdlPads(const SdlPads&) = delete;
    SdlPads& operator=(const SdlPads&) = delete;
    ~SdlPads() override {
        for (auto& [id, pad] : pads_) {
            SDL_GameControllerClose(pad);
        }
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    bool start() {
        // No window of SDL's own has the focus: the pads are heard anyway.
        // The signals are the program's (a launch wrapper passes them on).
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            return false;
        }
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            add(i);
        }
        return true;
    }

    std::vector<PadPress> poll(std::int64_t ms) override {
        SDL_Event event;
        while (SDL_PollEvent(&event) == 1) {
            if (event.type == SDL_CONTROLLERDEVICEADDED) {
                add(event.cdevice.which);
            } else if (event.type == SDL_CONTROLLERDEVICEREMOVED) {
                if (const auto it = pads_.find(event.cdevice.which); it != pads_.end()) {
                    SDL_GameControllerClose(it->second);
                    pads_.erase(it);
                }
            }
        }
        PadState state;
        for (const auto& entry : pads_) {
            SDL_GameController* const pad = entry.second;
            const auto held = [&](SDL_GameControllerButton b) {
                return SDL_GameControllerGetButton(pad, b) == 1;
            };
            state.up = state.up || held(SDL_CONTROLLER_BUTTON_DPAD_UP);
            state.down = state.down || held(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
            state.confirm = state.confirm || held(SDL_CONTROLLER_BUTTON_A);
            state.back = state.back || held(SDL_CONTROLLER_BUTTON_B);
            const float y =
                static_cast<float>(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY)) /
                32767.0f;
            if (y * y > state.stickY * state.stickY) {
                state.stickY = y;
            }
        }
        return presses_.next(state, ms);
    }

  private:
    void add(int index) {
        if (SDL_IsGameController(index) != SDL_TRUE) {
            return;
        }
        if (SDL_GameController* pad = SDL_GameControllerOpen(index)) {
            const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
            if (!pads_.emplace(id, pad).second) {
                SDL_GameControllerClose(pad);
            }
        }
    }

    std::map<SDL_JoystickID, SDL_GameController*> pads_;
    PadPresses presses_;
};

}  // namespace

std::unique_ptr<Pads> openPads() {
    auto pads = std::make_unique<SdlPads>();
    if (!pads->start()) {
        return nullptr;
    }
    return pads;
}

}  // namespace quarlo::platform
