#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/match/trigger_table.h"

namespace tarquel {

// The table, or one group of it (an index into Groups()), for another expander or another PC.
// Each entry is written with the options in force for it (its own over its group's), so that
// importing the file again gives the same entries with the same options.

// An espanso match file: `matches:` with trigger, replace, word / left_word / right_word and
// propagate_case. {{newline}} and {{tab}} become line breaks and tabs, {{cursor}} $|$, and
// {{clipboard}}, {{date}}, {{time}} and {{date:FORMAT}} variables of espanso; keys and pauses
// ({{key:Tab}}, {{delay:50}}) have no espanso form and stay as they are (espanso types them as
// text). What espanso has no word for (an ending character dropped, any case without
// conforming) goes into a `tarquel_options:` key that espanso passes over.
std::string ExportEspanso(const TriggerTable& table, std::optional<std::size_t> group = {});

// CSV with the header `trigger,expansion,options,group`: the expansion as config.txt stores it,
// the options in the words of an options line ("after ending, word start, conform case"), the
// group's name (empty for entries of no group). Lines end in CR LF.
std::string ExportCsv(const TriggerTable& table, std::optional<std::size_t> group = {});

}  // namespace tarquel
