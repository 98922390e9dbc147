#pragma once

#include <vector>

#include "store/import.h"

namespace tarquel {

// AutoHotkey v1 and v2 scripts: their auto-replace hotstrings, `:OPTIONS:abbrev::replacement`.
//   *  ?  O  C  C1  B0 (the abbreviation stays: it is typed again before the replacement)
//   R  T (no Send syntax), #Hotstring defaults, continuation sections ( ... ) with Join, LTrim,
//   RTrim0, Comments and `; backtick escapes; comments ; and /* */
//   Send keys {Enter} {Tab} {Left 3} ^a and the like as {{key:...}}; {U+nnnn}; {{} {!} ...
//   #IfWinActive ahk_exe x.exe / ahk_class X (v1) and #HotIf WinActive("ahk_exe x.exe") (v2):
//   a group limited to those programs (#IfWinNotActive, !WinActive: kept out of them)
// Hotstrings that run code (X, or a body below the abbreviation) are noted and not imported;
// a scope with no Tarquel form (a window title) puts its hotstrings into a group switched off.
// A continuation section that never ends imports nothing.
ImportResult ImportAutoHotkey(const std::vector<ImportFile>& files);

}  // namespace tarquel
