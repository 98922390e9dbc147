#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarquel {

// What the Run value hands the program at logon: start in the notification area, the window
// hidden until asked for.
inline constexpr std::wstring_view LogonArgument = L"--logon";

// The Run value for the program at `programPath`: the path in double quotes (the system splits
// an unquoted value at its spaces), then LogonArgument.
std::wstring RunValueCommand(std::wstring_view programPath);

// Whether the program's arguments (`arguments[0]` is the program itself) ask for a logon start.
bool IsLogonStart(const std::vector<std::wstring>& arguments);

// A restart as administrator hands over with TakeOverArgument and the old instance's process
// id: the new one waits for that process to end. Returns the id, or nothing when the arguments
// name none (or one that is not a number).
inline constexpr std::wstring_view TakeOverArgument = L"--take-over";
std::optional<std::uint32_t> TakeOverProcessId(const std::vector<std::wstring>& arguments);

// Whether `value` is the Run value 1.0 wrote for the program at `programPath`: that path,
// quoted or not, with nothing after it, compared without regard to ASCII case as Windows
// compares file names. Only such a value is safely rewritten as RunValueCommand: one naming
// another copy of the program, or carrying arguments of its own, was put there on purpose.
bool IsOldRunValueOf(std::wstring_view value, std::wstring_view programPath);

}  // namespace tarquel
