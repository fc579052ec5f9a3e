#include <gtest/gtest.h>

#include <vector>

#include "platform/pads.h"

#ifdef QUARLO_TEST_SDL
#include <SDL.h>
#endif

namespace quarlo::platform {
namespace {

using P = PadPress;

// A button counts as it goes down, once; the D-pad and the stick, held,
// repeat as a held key does, first after a pause.
TEST(PadPresses, ButtonsOnceAndHeldMovesRepeat) {
    struct Look {
        PadState state;
        std::int64_t ms;
        std::vector<P> presses;
    };
    PadState a;
    a.confirm = true;
    PadState b;
    b.back = true;
    PadState dpadUp;
    dpadUp.up = true;
    PadState stickDown;
    stickDown.stickY = 0.8f;
    PadState nudge;
    nudge.stickY = 0.3f;  // below the threshold: no move
    const std::vector<Look> looks{
        {a, 0, {P::confirm}},
        {a, 16, {}},  // still held: once
        {{}, 32, {}},
        {b, 48, {P::back}},
        {dpadUp, 64, {P::up}},
        {dpadUp, 64 + 399, {}},
        {dpadUp, 64 + 400, {P::up}},  // the pause, then
        {dpadUp, 64 + 549, {}},
        {dpadUp, 64 + 550, {P::up}},  // every 150 ms
        {stickDown, 700, {P::down}},  // another direction: at once
        {nudge, 720, {}},
        {stickDown, 740, {P::down}},
    };
    PadPresses presses;
    for (const Look& look : looks) {
        EXPECT_EQ(presses.next(look.state, look.ms), look.presses) << look.ms;
    }
}

#ifdef QUARLO_TEST_SDL
// A controller plugged in while the picker listens (SDL's virtual one, as
// Steam Input presents its own): its D-pad, stick, A and B are heard.
TEST(SdlPads, APadPluggedInMeanwhileIsHeard) {
    const auto pads = openPads();
    ASSERT_TRUE(pads);
    EXPECT_TRUE(pads->poll(0).empty());
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0);
    pads->poll(1);
    SDL_Joystick* pad = SDL_JoystickOpen(index);
    ASSERT_NE(pad, nullptr);
    const auto press = [&](SDL_GameControllerButton button, std::int64_t ms) {
        SDL_JoystickSetVirtualButton(pad, button, 1);
        const auto heard = pads->poll(ms);
        SDL_JoystickSetVirtualButton(pad, button, 0);
        pads->poll(ms + 1);
        return heard;
    };
    EXPECT_EQ(press(SDL_CONTROLLER_BUTTON_DPAD_DOWN, 10), std::vector<P>{P::down});
    EXPECT_EQ(press(SDL_CONTROLLER_BUTTON_A, 20), std::vector<P>{P::confirm});
    EXPECT_EQ(press(SDL_CONTROLLER_BUTTON_B, 30), std::vector<P>{P::back});
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, -30000);
    EXPECT_EQ(pads->poll(40), std::vector<P>{P::up});
    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(index);
}
#endif

}  // namespace
}  // namespace quarlo::platform
