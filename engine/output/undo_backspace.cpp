#include "engine/output/undo_backspace.h"

#include <algorithm>
#include <utility>

#include "util/text_encoding.h"

namespace tarquel {

namespace {

bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// CR LF and a lone CR become LF.
std::u16string WithLineFeeds(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      out.push_back(u'\n');
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(a) == lower(b);
  });
}

// Characters that join their neighbours into one shape (a zero-width joiner, an emoji
// presentation selector, a skin tone, a flag's halves, a keycap, a combining accent): a field
// may erase the whole shape with one Backspace, so a count of code points would erase too much.
bool JoinsItsNeighbours(char32_t c) {
  return c == 0x200D || c == 0xFE0E || c == 0xFE0F || c == 0x20E3 || (c >= 0x0300 && c <= 0x036F) ||
         (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0x1F1E6 && c <= 0x1F1FF);
}

}  // namespace

bool ErasedOneBackspaceEach(std::string_view text) {
  const std::u16string units = Utf8ToUtf16(text);
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    if (JoinsItsNeighbours(c)) return false;
  }
  return true;
}

bool IsReadableField(std::string_view windowClass) {
  return (windowClass.size() == 4 && StartsWithNoCase(windowClass, "edit")) ||
         StartsWithNoCase(windowClass, "richedit") ||
         StartsWithNoCase(windowClass, "WindowsForms10.EDIT.") ||
         StartsWithNoCase(windowClass, "WindowsForms10.RichEdit");
}

bool FieldShowsExpansion(const FieldContents& field, std::size_t rightPresses,
                         std::string_view expected) {
  if (field.selectionStart != field.selectionEnd) return false;
  const std::u16string_view text = field.text;
  std::size_t end = field.selectionEnd;
  if (end > text.size()) return false;
  for (std::size_t step = 0; step < rightPresses; ++step) {
    if (end >= text.size()) return false;
    const bool pair = end + 1 < text.size() && ((text[end] == u'\r' && text[end + 1] == u'\n') ||
                                                IsLowSurrogate(text[end + 1]));
    end += pair ? 2 : 1;
  }
  const std::u16string wanted = WithLineFeeds(Utf8ToUtf16(expected));
  // Enough of the field's end to hold `wanted` with every line break as two units.
  const std::size_t tail = std::min(end, wanted.size() * 2 + 1);
  const std::u16string shown = WithLineFeeds(text.substr(end - tail, tail));
  return shown.size() >= wanted.size() &&
         std::u16string_view(shown).substr(shown.size() - wanted.size()) == wanted;
}

void UndoBackspace::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled_) chance_.reset();
}

void UndoBackspace::ExpansionSent(SentExpansion sent) {
  chance_.reset();
  if (!enabled_) return;
  if (!sent.fieldReadable || !ErasedOneBackspaceEach(sent.text)) return;
  chance_ = std::move(sent);
}

std::optional<UndoAction> UndoBackspace::OnKeyDown(UserKey key) {
  std::optional<SentExpansion> chance = std::exchange(chance_, std::nullopt);
  if (!chance || key != UserKey::Backspace) return std::nullopt;
  return UndoAction{chance->cursorLeft, chance->charactersPut, std::move(chance->triggerAsTyped),
                    std::move(chance->text)};
}

}  // namespace tarquel
