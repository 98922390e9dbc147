#include "engine/output/placeholders.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "util/text_encoding.h"

namespace tarquel {

namespace {

constexpr std::string_view Open = "{{";
constexpr std::string_view Close = "}}";
constexpr std::string_view DatePrefix = "date:";
constexpr std::string_view KeyPrefix = "key:";
constexpr std::string_view DelayPrefix = "delay:";

// A date format longer than this is taken for text that only looks like one. The bound also
// keeps parsing linear: no attempt looks further than this for its closing braces.
constexpr std::size_t DateFormatLimit = 256;
constexpr std::size_t NameLimit = DatePrefix.size() + DateFormatLimit;

struct NamedPlaceholder {
  std::string_view name;
  PlaceholderKind kind;
};

constexpr std::array<NamedPlaceholder, 6> Names{{
    {"newline", PlaceholderKind::Newline},
    {"tab", PlaceholderKind::Tab},
    {"clipboard", PlaceholderKind::Clipboard},
    {"date", PlaceholderKind::Date},
    {"time", PlaceholderKind::Time},
    {"cursor", PlaceholderKind::Cursor},
}};

// A decimal number, saturating at `limit`; nothing unless `text` is digits only.
std::optional<std::uint32_t> Number(std::string_view text, std::uint32_t limit) {
  if (text.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min(limit, value * 10 + static_cast<std::uint32_t>(c - '0'));
  }
  return value;
}

// "Tab", "Shift+Tab", "Left:3". A count of 0 or above KeyCountLimit, or a name not known,
// makes it no key.
std::optional<ExpansionPart> RecogniseKey(std::string_view keyText) {
  std::string_view name = keyText;
  std::uint32_t count = 1;
  const std::size_t colon = keyText.rfind(':');
  if (colon != std::string_view::npos) {
    // Past the limit, and not only up to it: 101 must not pass for 100.
    const std::optional<std::uint32_t> written =
        Number(keyText.substr(colon + 1), KeyCountLimit + 1);
    if (!written || *written == 0 || *written > KeyCountLimit) return std::nullopt;
    count = *written;
    name = keyText.substr(0, colon);
  }
  const std::optional<KeyChord> chord = ParseKeyChord(name);
  if (!chord) return std::nullopt;
  ExpansionPart part{PlaceholderKind::Key, std::string(keyText)};
  part.key = *chord;
  part.number = count;
  return part;
}

// The placeholder that `name` (the text between the braces) spells, or nothing.
std::optional<ExpansionPart> Recognise(std::string_view name) {
  for (const NamedPlaceholder& named : Names) {
    if (name == named.name) return ExpansionPart{named.kind, {}};
  }
  if (name.starts_with(KeyPrefix)) return RecogniseKey(name.substr(KeyPrefix.size()));
  if (name.starts_with(DelayPrefix)) {
    const std::string_view written = name.substr(DelayPrefix.size());
    const std::optional<std::uint32_t> ms = Number(written, DelayLimitMs);
    if (!ms) return std::nullopt;
    ExpansionPart part{PlaceholderKind::Delay, std::string(written)};
    part.number = *ms;
    return part;
  }
  if (name.starts_with(DatePrefix)) {
    std::string_view format = name.substr(DatePrefix.size());
    // "{{date:{{time}}" is an unfinished date followed by a time, not a date whose format
    // holds braces.
    if (format.empty() || format.find(Open) != std::string_view::npos) return std::nullopt;
    return ExpansionPart{PlaceholderKind::Date, std::string(format)};
  }
  return std::nullopt;
}

void AppendLiteral(std::vector<ExpansionPart>& parts, std::string_view text) {
  if (text.empty()) return;
  if (!parts.empty() && parts.back().kind == PlaceholderKind::Literal) {
    parts.back().text += text;
    return;
  }
  parts.push_back({PlaceholderKind::Literal, std::string(text)});
}

bool IsContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

void AppendNumber(std::string& out, int value, int width) {
  char digits[16];
  int written = std::snprintf(digits, sizeof digits, "%0*d", width, value);
  if (written > 0) out.append(digits, static_cast<std::size_t>(written));
}

// Text from outside (the stored expansion, the clipboard, the system's names) joins the output
// as valid UTF-8, so that the characters counted here are the characters that arrive.
void AppendText(std::string& out, std::string_view text) {
  std::string lines = NormaliseLineBreaks(text);
  if (IsValidUtf8(lines)) {
    out += lines;
  } else {
    out += RepairUtf8(lines);
  }
}

}  // namespace

std::vector<ExpansionPart> ParseExpansion(std::string_view stored) {
  std::vector<ExpansionPart> parts;
  std::size_t pos = 0;
  while (pos < stored.size()) {
    std::size_t open = stored.find(Open, pos);
    if (open == std::string_view::npos) {
      AppendLiteral(parts, stored.substr(pos));
      break;
    }
    AppendLiteral(parts, stored.substr(pos, open - pos));
    std::string_view window = stored.substr(open + Open.size(), NameLimit + Close.size());
    std::size_t close = window.find(Close);
    std::optional<ExpansionPart> part;
    if (close != std::string_view::npos) part = Recognise(window.substr(0, close));
    if (!part) {
      // Only the first brace is literal: "{{{tab}}" is a brace and a tab.
      AppendLiteral(parts, stored.substr(open, 1));
      pos = open + 1;
      continue;
    }
    parts.push_back(std::move(*part));
    pos = open + Open.size() + close + Close.size();
  }
  return parts;
}

bool HoldsPlaceholder(std::string_view stored) {
  if (stored.find(Open) == std::string_view::npos) return false;
  for (const ExpansionPart& part : ParseExpansion(stored)) {
    if (part.kind != PlaceholderKind::Literal) return true;
  }
  return false;
}

RenderedExpansion RenderExpansion(std::string_view stored, const RenderContext& context) {
  RenderedExpansion rendered;
  std::optional<LocalTime> now;
  std::optional<std::optional<std::string>> clipboard;
  std::size_t cursorOffset = 0;
  // Where the text not yet in a step begins, and the delays' time still allowed.
  std::size_t pieceStart = 0;
  std::uint32_t delayLeft = DelayTotalLimitMs;
  bool keyAfterCursor = false;
  auto time = [&]() -> const LocalTime& {
    if (!now) now = context.clock.Now();
    return *now;
  };
  auto closeTextPiece = [&] {
    if (rendered.text.size() == pieceStart) return;
    rendered.steps.push_back({RenderedStep::Kind::Text, rendered.text.substr(pieceStart)});
    pieceStart = rendered.text.size();
  };

  for (const ExpansionPart& part : ParseExpansion(stored)) {
    std::string& out = rendered.text;
    switch (part.kind) {
      case PlaceholderKind::Literal:
        AppendText(out, part.text);
        break;
      case PlaceholderKind::Newline:
        out += '\n';
        break;
      case PlaceholderKind::Tab:
        out += '\t';
        break;
      case PlaceholderKind::Clipboard:
        if (!clipboard) clipboard = context.clipboard.Text();
        if (*clipboard) AppendText(out, CutAtCharacter(**clipboard, ClipboardPlaceholderLimit));
        break;
      case PlaceholderKind::Date:
        AppendText(out, part.text.empty() ? context.names.ShortDate(time())
                                          : FormatDate(part.text, time(), context.names));
        break;
      case PlaceholderKind::Time:
        AppendText(out, context.names.ShortTime(time()));
        break;
      case PlaceholderKind::Cursor:
        if (!rendered.hasCursor) {
          rendered.hasCursor = true;
          cursorOffset = out.size();
        }
        break;
      case PlaceholderKind::Key:
        closeTextPiece();
        if (rendered.hasCursor) keyAfterCursor = true;
        rendered.steps.push_back({RenderedStep::Kind::Key, {}, part.key, part.number});
        break;
      case PlaceholderKind::Delay: {
        closeTextPiece();
        const std::uint32_t ms = std::min(part.number, delayLeft);
        delayLeft -= ms;
        rendered.steps.push_back({RenderedStep::Kind::Delay, {}, {}, ms});
        break;
      }
    }
  }
  if (!rendered.steps.empty()) closeTextPiece();
  // The Left presses go out last: a key after the {{cursor}} has taken the caret elsewhere.
  if (keyAfterCursor) rendered.hasCursor = false;
  if (rendered.hasCursor) {
    rendered.cursorLeft = CountCharacters(std::string_view(rendered.text).substr(cursorOffset));
  }
  return rendered;
}

namespace {

// A letter that has a capital: where Capitalized case puts its capital.
bool HoldsCasedLetter(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t c = NextCodePoint(text, pos);
    if (IsUpperLetter(c) || IsLowerLetter(c)) return true;
  }
  return false;
}

}  // namespace

void FinishForTrigger(RenderedExpansion& rendered, CaseShape shape, std::string_view ending) {
  if (shape != CaseShape::AsWritten) {
    rendered.text = ConformCase(rendered.text, shape);
    // Between keys and pauses the text goes out in pieces: all of them in capitals, or only
    // the first letter of the whole.
    bool capitalized = false;
    for (RenderedStep& step : rendered.steps) {
      if (step.kind != RenderedStep::Kind::Text) continue;
      if (shape == CaseShape::AllCaps) {
        step.text = ConformCase(step.text, shape);
      } else if (!capitalized) {
        const std::string conformed = ConformCase(step.text, shape);
        capitalized = HoldsCasedLetter(step.text);
        step.text = conformed;
      }
    }
  }
  if (ending.empty()) return;
  rendered.text += ending;
  if (!rendered.steps.empty()) {
    RenderedStep step;
    step.text = std::string(ending);
    rendered.steps.push_back(std::move(step));
  }
  if (rendered.hasCursor) rendered.cursorLeft += CountCharacters(ending);
}

std::string FormatDate(std::string_view format, const LocalTime& time, const LocaleNames& names) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    char code = format[++i];
    switch (code) {
      case 'Y':
        AppendNumber(out, time.year, 4);
        break;
      case 'm':
        AppendNumber(out, time.month, 2);
        break;
      case 'd':
        AppendNumber(out, time.day, 2);
        break;
      case 'H':
        AppendNumber(out, time.hour, 2);
        break;
      case 'M':
        AppendNumber(out, time.minute, 2);
        break;
      case 'S':
        AppendNumber(out, time.second, 2);
        break;
      case 'j':
        AppendNumber(out, time.yearDay + 1, 3);
        break;
      case 'A':
        out += names.DayName(time.weekday, false);
        break;
      case 'a':
        out += names.DayName(time.weekday, true);
        break;
      case 'B':
        out += names.MonthName(time.month, false);
        break;
      case 'b':
        out += names.MonthName(time.month, true);
        break;
      case '%':
        out += '%';
        break;
      default:
        out += '%';
        out += code;
        break;
    }
  }
  return out;
}

std::string NormaliseLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
      continue;
    }
    out += '\n';
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return out;
}

std::string_view CutAtCharacter(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && IsContinuationByte(text[end])) --end;
  return text.substr(0, end);
}

namespace {

constexpr std::array<std::string_view, 7> EnglishDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};
constexpr std::array<std::string_view, 12> EnglishMonths{
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

std::string Named(std::string_view name, bool abbreviated) {
  return std::string(abbreviated ? name.substr(0, 3) : name);
}

}  // namespace

std::string EnglishNames::DayName(int weekday, bool abbreviated) const {
  if (weekday < 0 || weekday >= static_cast<int>(EnglishDays.size())) return {};
  return Named(EnglishDays[static_cast<std::size_t>(weekday)], abbreviated);
}

std::string EnglishNames::MonthName(int month, bool abbreviated) const {
  if (month < 1 || month > static_cast<int>(EnglishMonths.size())) return {};
  return Named(EnglishMonths[static_cast<std::size_t>(month - 1)], abbreviated);
}

std::string EnglishNames::ShortDate(const LocalTime& time) const {
  return FormatDate("%Y-%m-%d", time, *this);
}

std::string EnglishNames::ShortTime(const LocalTime& time) const {
  return FormatDate("%H:%M", time, *this);
}

}  // namespace tarquel
