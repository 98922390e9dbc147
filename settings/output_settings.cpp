#include "settings/output_settings.h"

#include <charconv>

namespace tarquel {

namespace {

std::string_view Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::optional<std::size_t> ParseCount(std::string_view text) {
  text = Trim(text);
  std::size_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

bool SaysOff(std::string_view text) {
  text = Trim(text);
  for (std::string_view off : {"off", "OFF", "Off", "false", "no", "0"}) {
    if (text == off) return true;
  }
  return false;
}

}  // namespace

OutputSettings ReadOutputSettings(const Settings& settings) {
  OutputSettings output;
  if (std::optional<std::string> threshold = SettingsValue(settings, PasteThresholdKey)) {
    output.pasteThreshold = ParseCount(*threshold).value_or(DefaultPasteThreshold);
  }
  for (const std::string& value : SettingsValues(settings, TypeInKey)) {
    TypeInRule rule = ParseTypeInRule(value);
    if (!rule.name.empty()) output.typeIn.push_back(std::move(rule));
  }
  for (const std::string& value : SettingsValues(settings, PressKeysInKey)) {
    TypeInRule rule = ParseTypeInRule(value);
    if (!rule.name.empty()) output.pressKeysIn.push_back(std::move(rule));
  }
  for (const std::string& value : SettingsValues(settings, PaceKey)) {
    if (std::optional<PaceRule> rule = ParsePaceRule(value))
      output.pace.push_back(std::move(*rule));
  }
  if (std::optional<std::string> undo = SettingsValue(settings, UndoBackspaceKey)) {
    output.undoBackspace = !SaysOff(*undo);
  }
  return output;
}

}  // namespace tarquel
