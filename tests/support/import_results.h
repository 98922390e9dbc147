#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "store/import.h"

namespace tarquel::testing {

// An AutoHotkey script imported as a file of its own.
inline ImportResult ImportAhk(std::string script, std::string name = "h.ahk") {
  return ImportFiles({{std::move(name), std::move(script)}});
}

inline const ImportedEntry* EntryOf(const ImportResult& result, std::string_view trigger) {
  for (const ImportedEntry& entry : result.entries) {
    if (entry.trigger == trigger) return &entry;
  }
  return nullptr;
}

// Whether the result tells the user about `trigger`, giving a reason that contains `why`, and
// whether it says the entry was left out (`dropped`) or only a part of it.
inline bool Noted(const ImportResult& result, std::string_view trigger, std::string_view why,
                  bool dropped) {
  for (const ImportNote& note : result.notes) {
    if (note.trigger == trigger && note.why.find(why) != std::string::npos &&
        note.dropped == dropped) {
      return true;
    }
  }
  return false;
}

}  // namespace tarquel::testing
