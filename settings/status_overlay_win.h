#pragma once

namespace tarquel {

inline constexpr const wchar_t* OverlayClassName = L"TarquelOverlay";
// At 96 DPI; scaled to the DPI of the monitor it opens on.
inline constexpr int OverlayWidth = 200;
inline constexpr int OverlayHeight = 80;

// A small translucent panel, "ENABLED" on green or "DISABLED" on red, centred horizontally a
// quarter of the way down the primary screen; it closes itself after 1.5 s. Nothing keeps its
// handle, and a failed creation shows nothing.
void ShowStatusOverlay(bool enabled);

}  // namespace tarquel
