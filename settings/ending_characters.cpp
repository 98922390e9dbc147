#include "settings/ending_characters.h"

#include <array>
#include <utility>

namespace tarquel {

namespace {

constexpr std::array<std::pair<std::string_view, char>, 3> Names{{
    {"{space}", ' '},
    {"{enter}", '\n'},
    {"{tab}", '\t'},
}};

// Names are read in any case: "{Enter}" as "{enter}".
bool StartsWithName(std::string_view text, std::string_view name) {
  if (text.size() < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != name[i]) return false;
  }
  return true;
}

}  // namespace

std::string EndingCharactersFromText(std::string_view value) {
  std::string characters;
  std::size_t pos = 0;
  while (pos < value.size()) {
    bool named = false;
    for (const auto& [name, character] : Names) {
      if (StartsWithName(value.substr(pos), name)) {
        characters += character;
        pos += name.size();
        named = true;
        break;
      }
    }
    if (!named) characters += value[pos++];
  }
  if (characters.empty()) return EndingCharactersFromText(DefaultEndingCharactersText);
  return characters;
}

std::string ReadEndingCharacters(const Settings& settings) {
  return EndingCharactersFromText(SettingsValue(settings, EndingCharactersKey).value_or(""));
}

}  // namespace tarquel
