// Expansions of any bytes parse and render without fault; what comes out is valid UTF-8, the
// parts of a parse give back the stored text, a text without "{{" is its own only literal,
// the cursor's count never exceeds the characters rendered, and the steps of keys and delays
// hold the whole text in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/output/placeholders.h"
#include "util/text_encoding.h"

namespace {

class FuzzClock final : public tarquel::Clock {
 public:
  tarquel::LocalTime Now() const override { return {2026, 2, 29, 23, 59, 59, 6, 59}; }
};

class FuzzClipboard final : public tarquel::ClipboardTextSource {
 public:
  explicit FuzzClipboard(std::string text) : text_(std::move(text)) {}
  std::optional<std::string> Text() const override { return text_; }

 private:
  std::string text_;
};

std::string Spelled(const tarquel::ExpansionPart& part) {
  using tarquel::PlaceholderKind;
  switch (part.kind) {
    case PlaceholderKind::Literal:
      return part.text;
    case PlaceholderKind::Newline:
      return "{{newline}}";
    case PlaceholderKind::Tab:
      return "{{tab}}";
    case PlaceholderKind::Clipboard:
      return "{{clipboard}}";
    case PlaceholderKind::Date:
      return part.text.empty() ? "{{date}}" : "{{date:" + part.text + "}}";
    case PlaceholderKind::Time:
      return "{{time}}";
    case PlaceholderKind::Cursor:
      return "{{cursor}}";
    case PlaceholderKind::Key:
      return "{{key:" + part.text + "}}";
    case PlaceholderKind::Delay:
      return "{{delay:" + part.text + "}}";
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line, when there is one, is the clipboard's text.
  std::size_t split = input.find('\n');
  std::string clipboardText(split == std::string_view::npos ? "" : input.substr(0, split));
  std::string_view stored = split == std::string_view::npos ? input : input.substr(split + 1);

  std::string spelled;
  for (const tarquel::ExpansionPart& part : tarquel::ParseExpansion(stored)) {
    spelled += Spelled(part);
  }
  if (spelled != stored) std::abort();

  FuzzClock clock;
  tarquel::EnglishNames names;
  FuzzClipboard clipboard(clipboardText);
  tarquel::RenderedExpansion rendered = tarquel::RenderExpansion(stored, {clock, names, clipboard});
  if (!tarquel::IsValidUtf8(rendered.text)) std::abort();
  if (rendered.text.find('\r') != std::string::npos) std::abort();
  if (rendered.cursorLeft > tarquel::CountCharacters(rendered.text)) std::abort();
  if (!rendered.hasCursor && rendered.cursorLeft != 0) std::abort();
  // The steps, when there are any, hold the text whole and in order, and delays within bounds.
  if (!rendered.steps.empty()) {
    std::string joined;
    std::uint64_t delays = 0;
    for (const tarquel::RenderedStep& step : rendered.steps) {
      joined += step.text;
      if (step.kind == tarquel::RenderedStep::Kind::Delay) delays += step.number;
      if (step.kind == tarquel::RenderedStep::Kind::Key &&
          (step.number == 0 || step.number > tarquel::KeyCountLimit)) {
        std::abort();
      }
    }
    if (joined != rendered.text || delays > tarquel::DelayTotalLimitMs) std::abort();
  }
  if (stored.find("{{") == std::string_view::npos &&
      rendered.text != tarquel::RepairUtf8(tarquel::NormaliseLineBreaks(stored))) {
    std::abort();
  }
  return 0;
}
