#include "ui/trigger_editor.h"

#include <iterator>

#include "engine/text_encoding.h"
#include "ui/trigger_list.h"

namespace tarquel {

namespace {

constexpr char CtrlZ = '\x1A';

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

NewEntry Refusal(std::string problem) {
  NewEntry entry;
  entry.verdict = NewEntry::Verdict::Refuse;
  entry.problem = std::move(problem);
  return entry;
}

}  // namespace

NewEntry PrepareNewEntry(std::string_view triggerField, std::string_view expansionField) {
  if (triggerField.empty() || expansionField.empty()) return {};

  std::string trigger;
  if (!triggerField.starts_with(':')) trigger += ':';
  trigger += triggerField;

  if (trigger.find('=') != std::string::npos) {
    return Refusal(
        "A trigger cannot contain \"=\": config.txt keeps each trigger in front of the first "
        "\"=\" of its line, so the rest would become part of the expansion.");
  }
  if (HasLineBreak(trigger) || HasLineBreak(expansionField)) {
    return Refusal(
        "A trigger or an expansion cannot contain a line break: config.txt keeps each entry on "
        "a line of its own.");
  }
  if (trigger.find(CtrlZ) != std::string::npos ||
      expansionField.find(CtrlZ) != std::string_view::npos) {
    // Windows text-mode reading ends the file there, which would lose every later entry.
    return Refusal(
        "A trigger or an expansion cannot contain the character Ctrl+Z: reading config.txt "
        "stops at it, and every entry after it would be lost.");
  }

  NewEntry entry;
  entry.verdict = NewEntry::Verdict::Store;
  entry.trigger = std::move(trigger);
  entry.expansion = std::string(expansionField);
  return entry;
}

const TriggerTable::Entry* EntryOfRow(const TriggerTable& table, std::size_t row,
                                      std::string_view rowText) {
  if (row >= table.size()) return nullptr;
  const TriggerTable::Entry& entry = *std::next(table.begin(), static_cast<std::ptrdiff_t>(row));
  std::string shown = FormatTriggerRow(entry.first, entry.second);
  // The list takes each row as a C string: a NUL byte read from config.txt ends it there.
  if (std::size_t nul = shown.find('\0'); nul != std::string::npos) shown.resize(nul);
  // The list holds UTF-16: bytes that are no UTF-8 come back as U+FFFD.
  shown = RepairUtf8(shown);
  return rowText == shown ? &entry : nullptr;
}

std::string DeletingKeyLine(std::string_view key) {
  std::string line = "Deleting Key: '";
  line += key;
  line += "' (Len: " + std::to_string(key.size()) + ")\n";
  return line;
}

std::string EraseResultLine(std::size_t removed, std::size_t newSize) {
  return "Erase Result: " + std::to_string(removed) + " | New Size: " + std::to_string(newSize) +
         "\n";
}

}  // namespace tarquel
