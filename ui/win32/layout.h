#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "ui/design.h"

// The design's controls as the native windows make them: each with the
// control id it is created under.
namespace quarlo::ui::win32 {

using design::kAboutClient;
using design::Kind;
using design::kMainClient;
using design::Rect;
using design::toPixels;
using design::twipsToPixels;

struct ControlPlace : design::Control {
    int id;
};

// Ids start above IDOK and IDCANCEL, which the dialog keyboard interface
// sends for Enter and Escape; each is its control's place in focus order.
inline constexpr int kFirstMainId = 100;
inline constexpr int kFirstAboutId = 200;
inline constexpr int kFirstLanguageId = 210;

template <std::size_t N>
constexpr std::array<ControlPlace, N> withIds(const std::array<design::Control, N>& controls,
                                              int firstId) {
    std::array<ControlPlace, N> places{};
    for (std::size_t i = 0; i < N; ++i) {
        places[i] = ControlPlace{controls[i], firstId + static_cast<int>(i)};
    }
    return places;
}

inline constexpr auto kMainControls = withIds(design::kMainControls, kFirstMainId);
inline constexpr auto kAboutControls = withIds(design::kAboutControls, kFirstAboutId);
inline constexpr auto kLanguageControls = withIds(design::kAboutLanguageControls, kFirstLanguageId);

constexpr int mainId(std::string_view name) {
    return kFirstMainId + design::indexOf(design::kMainControls, name);
}
constexpr int aboutId(std::string_view name) {
    return kFirstAboutId + design::indexOf(design::kAboutControls, name);
}

enum ControlId {
    kCmdNew = mainId("cmdNew"),
    kTxtNew = mainId("txtNew"),
    kCmdLoad = mainId("cmdLoad"),
    kLstLoad = mainId("lstLoad"),
    kLblOp = mainId("lblOp"),
    kLblOutcome = mainId("lblOutcome"),
    kCmdAbout = mainId("cmdAbout"),
    kLblActive = mainId("lblActive"),
    kCmdRun = mainId("cmdRun"),
    kCmdToggle = mainId("cmdToggle"),
    kLblMode = mainId("lblMode"),
    kCheck1 = mainId("Check1"),
    kScrDiff = mainId("scrDiff"),
    kLblDiff = mainId("lblDiff"),
    kAboutLabel2 = aboutId("Label2"),
    kAboutPicture2 = aboutId("Picture2"),
    kAboutPicture1 = aboutId("Picture1"),
    kLanguageCaption = kFirstLanguageId,
    kLanguageChoice = kFirstLanguageId + 1,
    kLanguageNote = kFirstLanguageId + 2,
};

}  // namespace quarlo::ui::win32
