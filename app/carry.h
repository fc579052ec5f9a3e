#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "carry/carry.h"

namespace quarlo::platform {
struct Platform;
}

namespace quarlo::app {

class Game;

// The carry place of a game folder, as the player set it: a folder, or an
// rclone remote with the rclone program to call.
struct CarryPlace {
    std::string place;
    std::string rclone = "rclone";
};

std::optional<CarryPlace> carryPlace(Game& game);
// Sets it ("" forgets it); the outcome's sentence.
std::string setCarryPlace(Game& game, const std::string& place, const std::string& rclone);

// This computer's id, made on first use and kept in Quarlo's own settings;
// "" when it can be neither read nor kept.
std::string computerId(platform::Platform& platform);

// Carries the named characters (all when none), the game folder held by the
// caller for it. With no place set, a "Failed." line.
carry::Report carryNow(Game& game, platform::Platform& platform,
                       const std::vector<std::string>& characters, bool dryRun,
                       std::function<bool(std::size_t, std::size_t)> progress = {},
                       int rcloneLimitMs = 300000);

// A character whose last session (a run of the game through `quarlo run`)
// has not reached the place yet: marked before the game starts, cleared once
// the carry after it succeeded, so that the picker can say so.
bool carryPending(Game& game, const std::string& name);
void markCarryPending(Game& game, const std::string& name, bool pending);

}  // namespace quarlo::app
