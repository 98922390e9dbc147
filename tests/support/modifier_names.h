#pragma once

#include <cstdint>

#include "settings/shortcut.h"

namespace tarquel::testing {

// The modifier bits of a shortcut by the names a person writes them with.
inline constexpr std::uint32_t Alt = ModifierAlt;
inline constexpr std::uint32_t Ctrl = ModifierCtrl;
inline constexpr std::uint32_t Shift = ModifierShift;
inline constexpr std::uint32_t Win = ModifierWin;

}  // namespace tarquel::testing
