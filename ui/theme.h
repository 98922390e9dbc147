#pragma once

#include <cstdint>

namespace tarquel {

// Windows COLORREF layout, 0x00BBGGRR, without needing <windows.h>.
constexpr std::uint32_t Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8 |
         static_cast<std::uint32_t>(blue) << 16;
}

inline constexpr std::uint32_t BackgroundColor = Rgb(32, 33, 36);
inline constexpr std::uint32_t HeaderColor = Rgb(45, 45, 50);
inline constexpr std::uint32_t FieldColor = Rgb(48, 49, 52);
inline constexpr std::uint32_t AccentColor = Rgb(139, 92, 246);
inline constexpr std::uint32_t AccentPressedColor = Rgb(167, 139, 250);
inline constexpr std::uint32_t PrimaryTextColor = Rgb(245, 245, 245);
inline constexpr std::uint32_t SecondaryTextColor = Rgb(160, 160, 160);
inline constexpr std::uint32_t EnabledColor = Rgb(0, 255, 100);
inline constexpr std::uint32_t DisabledColor = Rgb(255, 50, 50);
inline constexpr std::uint32_t CloseMarkColor = Rgb(255, 100, 100);
inline constexpr std::uint32_t ButtonTextColor = Rgb(255, 255, 255);

}  // namespace tarquel
