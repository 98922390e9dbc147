#pragma once

namespace tarquel {

// The dots per inch every length of the program's windows is given at (100 %).
inline constexpr int BaseDpi = 96;

// Scales a length given at 96 DPI to `dpi`, rounding to the nearest pixel as Windows does
// (MulDiv's rounding: half away from zero).
constexpr int ScaleToDpi(int length, int dpi) {
  const long long scaled = static_cast<long long>(length) * dpi;
  const long long half = BaseDpi / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / BaseDpi : -((-scaled + half) / BaseDpi));
}

}  // namespace tarquel
