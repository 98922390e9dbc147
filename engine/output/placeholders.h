#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/input/key_input.h"  // CountCharacters: code points, as the target counts them
#include "engine/output/key_events.h"
#include "util/text_case.h"

namespace tarquel {

// The output room, first step: an expansion as stored becomes the text that is sent. Nothing
// here knows Windows; the clock, the locale's names and the clipboard come in through the
// interfaces below, which the Windows side implements and tests fake.

// The local wall-clock time, broken down as the renderer needs it.
struct LocalTime {
  int year = 1970;
  int month = 1;    // 1 to 12
  int day = 1;      // 1 to 31
  int hour = 0;     // 0 to 23
  int minute = 0;   // 0 to 59
  int second = 0;   // 0 to 60 (a leap second)
  int weekday = 4;  // 0 Sunday to 6 Saturday
  int yearDay = 0;  // 0 (1 January) to 365
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

// Day and month names and the plain date and time forms of the user's locale, as UTF-8.
class LocaleNames {
 public:
  virtual ~LocaleNames() = default;
  virtual std::string DayName(int weekday, bool abbreviated) const = 0;
  virtual std::string MonthName(int month, bool abbreviated) const = 0;
  // What {{date}} and {{time}} give.
  virtual std::string ShortDate(const LocalTime& time) const = 0;
  virtual std::string ShortTime(const LocalTime& time) const = 0;
};

// English names, ISO dates ("2026-12-09") and 24-hour times ("03:05"): the host's locale, and
// the fallback where the system will not name a day.
class EnglishNames final : public LocaleNames {
 public:
  std::string DayName(int weekday, bool abbreviated) const override;
  std::string MonthName(int month, bool abbreviated) const override;
  std::string ShortDate(const LocalTime& time) const override;
  std::string ShortTime(const LocalTime& time) const override;
};

class ClipboardTextSource {
 public:
  virtual ~ClipboardTextSource() = default;
  // The clipboard's text as UTF-8, or nothing when it holds none or cannot be opened.
  virtual std::optional<std::string> Text() const = 0;
};

// {{clipboard}} puts in at most this many bytes, cut before a character that would not fit.
inline constexpr std::size_t ClipboardPlaceholderLimit = 64 * 1024;

// {{key:NAME:N}} presses its key at most this many times; a larger count makes it no placeholder.
inline constexpr std::uint32_t KeyCountLimit = 100;
// One {{delay:MS}} waits at most this long, and the delays of one expansion together at most
// DelayTotalLimitMs (later ones are shortened): the keys the user types meanwhile wait behind
// the expansion, and an output that makes no progress for 5 s is taken for stuck.
inline constexpr std::uint32_t DelayLimitMs = 3000;
inline constexpr std::uint32_t DelayTotalLimitMs = 10000;

enum class PlaceholderKind {
  Literal,    // `text` as it stands
  Newline,    // {{newline}}
  Tab,        // {{tab}}
  Clipboard,  // {{clipboard}}
  Date,       // {{date}}, or {{date:FORMAT}} with the format in `text`
  Time,       // {{time}}
  Cursor,     // {{cursor}}
  Key,        // {{key:NAME}} or {{key:NAME:COUNT}}, with NAME[:COUNT] as written in `text`
  Delay,      // {{delay:MS}}, with MS as written in `text`
};

struct ExpansionPart {
  PlaceholderKind kind = PlaceholderKind::Literal;
  std::string text;
  KeyChord key{};            // Key
  std::uint32_t number = 0;  // Key: presses, 1 to KeyCountLimit; Delay: ms, at most DelayLimitMs

  friend bool operator==(const ExpansionPart&, const ExpansionPart&) = default;
};

// Placeholders are recognised exactly as written ("{{newline}}", lower case, no blanks); any
// other text, braces included, is a literal, so that an expansion written before placeholders
// existed keeps its meaning. Neighbouring literals are joined into one part.
std::vector<ExpansionPart> ParseExpansion(std::string_view stored);

// True when `stored` names any placeholder, so the common plain expansion skips the renderer.
bool HoldsPlaceholder(std::string_view stored);

// One piece of an expansion that holds keys or delays, in the order they go out.
struct RenderedStep {
  enum class Kind { Text, Key, Delay };
  Kind kind = Kind::Text;
  std::string text;          // Text: never empty
  KeyChord key{};            // Key
  std::uint32_t number = 0;  // Key: presses; Delay: milliseconds, within the limits above

  friend bool operator==(const RenderedStep&, const RenderedStep&) = default;
};

// What is sent. A line break is the one character '\n' (sent as Enter when typed, CR LF when
// pasted); a clipboard text's CR LF and lone CR become '\n' too, so every line break counts
// as one character, as edit controls count it.
struct RenderedExpansion {
  // All of the text, also when keys or delays come between its pieces.
  std::string text;
  // Left presses that bring the caret from the end of `text` to where the first {{cursor}}
  // stood: the characters after it, a surrogate pair being one character; 0 without one. A
  // key pressed after the {{cursor}} may move the caret anywhere (another field, another
  // line): such a {{cursor}} counts as none.
  std::size_t cursorLeft = 0;
  bool hasCursor = false;
  // Empty unless the expansion holds a {{key}} or a {{delay}}; then its text, keys and delays
  // in order, and `text` is the texts' pieces joined.
  std::vector<RenderedStep> steps;

  bool HoldsKeys() const {
    for (const RenderedStep& step : steps) {
      if (step.kind == RenderedStep::Kind::Key) return true;
    }
    return false;
  }

  friend bool operator==(const RenderedExpansion&, const RenderedExpansion&) = default;
};

struct RenderContext {
  const Clock& clock;
  const LocaleNames& names;
  const ClipboardTextSource& clipboard;
};

// The clock is read at most once, so {{date}} and {{time}} in one expansion agree; the
// clipboard is read at most once and only when a {{clipboard}} is there.
RenderedExpansion RenderExpansion(std::string_view stored, const RenderContext& context);

// What the trigger as typed asks of the rendered text: its case conformed (the text as it goes
// out, so that a placeholder's name never changes and what a placeholder put in does), and a
// printable ending character typed after it, which a {{cursor}}'s Left presses then cross too.
void FinishForTrigger(RenderedExpansion& rendered, CaseShape shape, std::string_view ending);

// strftime's %Y %m %d %H %M %S %A %a %B %b %j and %%. Any other "%x", and a lone "%" at the
// end, stay as written so that a mistyped format shows itself.
std::string FormatDate(std::string_view format, const LocalTime& time, const LocaleNames& names);

// `text` with CR LF and lone CR as '\n'.
std::string NormaliseLineBreaks(std::string_view text);

// The longest start of `text` of at most `limit` bytes that ends on a character boundary.
std::string_view CutAtCharacter(std::string_view text, std::size_t limit);

}  // namespace tarquel
