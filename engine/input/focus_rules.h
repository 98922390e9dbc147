#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarquel {

// What is known of the control with the keyboard focus when it changes.
struct FocusedField {
  // The focused window's class ("Edit", "RichEdit20W", "Chrome_RenderWidgetHostHWND").
  std::string windowClass;
  // Its style holds ES_PASSWORD. The bit means something else for other classes (a button's
  // text on the left, say), so it counts only for an edit control.
  bool passwordStyle = false;
  // UI Automation's IsPassword for the focused element (a browser's or modern app's field),
  // when it was asked and answered.
  std::optional<bool> automationIsPassword;
};

// A classic edit control or one made from it (RichEdit, Delphi's TEdit, WinForms' EDIT).
bool IsEditClass(std::string_view windowClass);

// Whether what is typed there is a password: neither kept nor expanded.
bool IsSecretField(const FocusedField& field);

// Integrity levels as the relative identifier of a token's mandatory label.
namespace integrity {
inline constexpr std::uint32_t Low = 0x1000;
inline constexpr std::uint32_t Medium = 0x2000;
inline constexpr std::uint32_t High = 0x3000;
inline constexpr std::uint32_t System = 0x4000;
}  // namespace integrity

// Windows lets no program send input to, or see the keys of, a program of a higher integrity
// level (one run as administrator, seen from one that is not). `theirs` is empty when the
// query was refused: a process that will not tell is one we may not touch, so it counts as
// higher.
bool IsAboveOurs(std::optional<std::uint32_t> theirs, std::uint32_t ours);

}  // namespace tarquel
