#include "ui/import_preview.h"

#include <algorithm>
#include <utility>

#include "store/import.h"

namespace tarquel {

namespace {

constexpr std::string_view Break = "\r\n";

std::string Count(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// One line of the preview: long expansions are cut so that a row stays a row.
std::string Shortened(std::string_view text) {
  constexpr std::size_t Longest = 60;
  if (text.size() <= Longest) return std::string(text);
  std::size_t cut = Longest;
  // Not inside a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "...";
}

bool SameEntries(const TriggerTable& a, const TriggerTable& b) {
  if (a.size() != b.size() || a.Groups() != b.Groups()) return false;
  for (const TriggerTable::Entry& entry : a) {
    const std::string* other = b.Find(entry.first);
    if (other == nullptr || *other != entry.second ||
        a.InfoOf(entry.first) != b.InfoOf(entry.first)) {
      return false;
    }
  }
  return true;
}

// The group of `before` at `index`, as `now` numbers it; added when `now` has lost it.
std::size_t GroupInNow(TriggerTable& now, const TriggerTable& before, std::size_t index) {
  const TriggerGroup& group = before.Groups()[index];
  if (group.name.empty()) return 0;
  if (std::optional<std::size_t> present = now.FindGroup(group.name)) return *present;
  return now.AddGroup(group);
}

}  // namespace

std::optional<std::wstring> ImportPathArgument(const std::vector<std::wstring>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (argument == ImportArgument) {
      if (i + 1 < arguments.size() && !arguments[i + 1].empty()) return arguments[i + 1];
      return std::nullopt;
    }
    if (argument.size() > ImportArgument.size() + 1 && argument.starts_with(ImportArgument) &&
        argument[ImportArgument.size()] == L'=') {
      return argument.substr(ImportArgument.size() + 1);
    }
  }
  return std::nullopt;
}

std::string ImportPreviewText(const ImportPlan& plan, std::string_view source) {
  const ImportResult& result = plan.result;
  std::string text = "From " + std::string(ImportFormatName(result.format)) + " (" +
                     std::string(source) +
                     "): " + Count(result.entries.size(), "entry", "entries") + ".";
  text += Break;
  text += Count(plan.added.size(), "new entry", "new entries") + ", " +
          Count(plan.alreadyThere.size(), "already in your list as it is",
                "already in your list as they are") +
          ".";
  text += Break;
  auto more = [&](std::size_t total) {
    if (total > PreviewListLimit) {
      text += "  ... and " + std::to_string(total - PreviewListLimit) + " more";
      text += Break;
    }
  };
  if (!plan.conflicts.empty()) {
    text += Break;
    text += Count(plan.conflicts.size(), "trigger you already have", "triggers you already have") +
            " with another expansion or other options: see the list below.";
    text += Break;
  }
  if (!result.notes.empty()) {
    text += Break;
    text += "Not carried over:";
    text += Break;
    for (std::size_t i = 0; i < std::min(result.notes.size(), PreviewListLimit); ++i) {
      const ImportNote& note = result.notes[i];
      text += "  " + note.where;
      if (!note.trigger.empty()) text += " " + note.trigger;
      text += ": " + note.why +
              (note.dropped ? " (the entry is not imported)" : " (imported without it)");
      text += Break;
    }
    more(result.notes.size());
  }
  return text;
}

std::string ImportedText(const ImportPlan& plan) {
  std::size_t replaced = 0;
  std::size_t both = 0;
  for (const ImportConflict& conflict : plan.conflicts) {
    if (conflict.choice == ConflictChoice::TakeTheirs) ++replaced;
    if (conflict.choice == ConflictChoice::KeepBoth) ++both;
  }
  std::string text = "Imported from " + std::string(ImportFormatName(plan.result.format)) + ": " +
                     Count(plan.added.size() + both, "entry added", "entries added");
  if (replaced > 0) text += ", " + Count(replaced, "replaced", "replaced");
  return text + " (Ctrl+Z in the list takes it back)";
}

std::array<std::string, ConflictColumns> ConflictCells(const ImportPlan& plan,
                                                       std::size_t conflict) {
  const ImportConflict& row = plan.conflicts[conflict];
  const ImportedEntry& entry = plan.result.entries[row.entry];
  return {entry.trigger, Shortened(row.mine), Shortened(entry.expansion), ChoiceText(row)};
}

std::string ChoiceText(ConflictChoice choice) {
  switch (choice) {
    case ConflictChoice::TakeTheirs:
      return "Take theirs";
    case ConflictChoice::KeepBoth:
      return "Keep both";
    case ConflictChoice::KeepMine:
      break;
  }
  return "Keep mine";
}

std::string ChoiceText(const ImportConflict& conflict) {
  if (conflict.choice != ConflictChoice::KeepBoth) return ChoiceText(conflict.choice);
  return "Keep both (theirs as " + conflict.bothTrigger + ")";
}

ConflictChoice NextChoice(ConflictChoice choice) {
  switch (choice) {
    case ConflictChoice::KeepMine:
      return ConflictChoice::TakeTheirs;
    case ConflictChoice::TakeTheirs:
      return ConflictChoice::KeepBoth;
    case ConflictChoice::KeepBoth:
      break;
  }
  return ConflictChoice::KeepMine;
}

std::optional<ConflictChoice> CommonChoice(const ImportPlan& plan) {
  if (plan.conflicts.empty()) return std::nullopt;
  const ConflictChoice first = plan.conflicts.front().choice;
  for (const ImportConflict& conflict : plan.conflicts) {
    if (conflict.choice != first) return std::nullopt;
  }
  return first;
}

std::string ChoicesText(const ImportPlan& plan) {
  std::size_t mine = 0;
  std::size_t theirs = 0;
  std::size_t both = 0;
  for (const ImportConflict& conflict : plan.conflicts) {
    switch (conflict.choice) {
      case ConflictChoice::KeepMine:
        ++mine;
        break;
      case ConflictChoice::TakeTheirs:
        ++theirs;
        break;
      case ConflictChoice::KeepBoth:
        ++both;
        break;
    }
  }
  std::string text;
  for (const auto& [n, words] : {std::pair<std::size_t, std::string_view>{mine, "of yours kept"},
                                 {theirs, "taken from the file"},
                                 {both, "kept beside yours"}}) {
    if (n == 0) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(n) + " " + std::string(words);
  }
  return text;
}

void UndoImport(TriggerTable& now, const TriggerTable& before, const TriggerTable& after) {
  if (SameEntries(now, after)) {
    now = before;
    return;
  }
  for (const TriggerTable::Entry& entry : after) {
    const std::string* was = before.Find(entry.first);
    const bool changedByImport =
        was == nullptr || *was != entry.second ||
        before.Groups()[before.InfoOf(entry.first).group].name !=
            after.Groups()[after.InfoOf(entry.first).group].name ||
        before.InfoOf(entry.first).options != after.InfoOf(entry.first).options;
    if (!changedByImport) continue;
    // Changed again since the import: the newer change stays.
    const std::string* current = now.Find(entry.first);
    if (current == nullptr || *current != entry.second) continue;
    if (was == nullptr) {
      now.Erase(entry.first);
    } else {
      const EntryInfo& info = before.InfoOf(entry.first);
      now.Set(entry.first, *was, EntryInfo{info.options, GroupInNow(now, before, info.group)});
    }
  }
}

}  // namespace tarquel
