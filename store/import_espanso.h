#pragma once

#include <vector>

#include "store/import.h"

namespace tarquel {

// espanso's match files: one .yml, or every file of its match folder (packages included).
// Every .yml whose name does not begin with "_" is read, and the files its `imports:` name
// (relative to it) when they are in the list; `global_vars` count in every file.
//   trigger / triggers      an entry each, the same expansion
//   replace                 $|$ {{cursor}}; vars of type date (format; an offset is noted, not
//                           kept), clipboard and echo; \n and tabs as YAML gives them
//   word / left_word / right_word, propagate_case, label
// Regex triggers, forms, images, rich text, and shell, script, random, choice and match vars
// are not imported; each is noted with its file and line. Bad YAML, or a file of another
// shape, imports nothing.
ImportResult ImportEspanso(const std::vector<ImportFile>& files);

// The key Tarquel's espanso export writes for options espanso has no word for ("drop ending",
// "any case"), in the words of an options line; espanso passes over keys it does not know.
inline constexpr const char* EspansoTarquelOptionsKey = "tarquel_options";

}  // namespace tarquel
