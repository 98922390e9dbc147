#include "engine/match/expander.h"

#include <cstring>
#include <memory>
#include <optional>

namespace tarquel {

// The table's index leaves out triggers that cannot fit the buffer; it must not leave out more.
// A character takes at most four bytes of UTF-8.
static_assert(TypedBufferLimit * 4 <= TriggerTable::LongestMatchableTrigger);

Expander* ActiveExpander = nullptr;

namespace {

bool HoldsControlCharacter(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

// One UTF-16 unit outside the surrogates, as UTF-8.
std::string Utf8Of(std::uint32_t unit) {
  std::string text;
  if (unit < 0x80) {
    text += static_cast<char>(unit);
  } else if (unit < 0x800) {
    text += static_cast<char>(0xC0 | (unit >> 6));
    text += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | (unit >> 12));
    text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (unit & 0x3F));
  }
  return text;
}

}  // namespace

namespace {

bool SameName(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool IsExcludedProgram(std::string_view executableName, const std::vector<std::string>& excluded) {
  if (executableName.empty()) return false;
  for (const std::string& name : excluded) {
    if (SameName(executableName, name)) return true;
  }
  return false;
}

ExcludeRule ParseExcludeRule(std::string_view value) {
  value = TrimBlanks(value);
  ExcludeRule rule;
  for (const auto& [prefix, kind] :
       {std::pair{std::string_view("program:"), ExcludeRule::Kind::Program},
        std::pair{std::string_view("class:"), ExcludeRule::Kind::WindowClass},
        std::pair{std::string_view("package:"), ExcludeRule::Kind::Package}}) {
    if (value.size() >= prefix.size() && SameName(value.substr(0, prefix.size()), prefix)) {
      rule.kind = kind;
      value = TrimBlanks(value.substr(prefix.size()));
      break;
    }
  }
  rule.name = std::string(value);
  return rule;
}

bool IsExcluded(const FocusedProgram& program, const std::vector<ExcludeRule>& rules) {
  const auto same = [](std::string_view seen, std::string_view name) {
    return !seen.empty() && SameName(seen, name);
  };
  for (const ExcludeRule& rule : rules) {
    switch (rule.kind) {
      case ExcludeRule::Kind::Program:
        if (same(program.executableName, rule.name) ||
            same(program.framedExecutableName, rule.name)) {
          return true;
        }
        break;
      case ExcludeRule::Kind::WindowClass:
        if (same(program.windowClass, rule.name) || same(program.topLevelClass, rule.name)) {
          return true;
        }
        break;
      case ExcludeRule::Kind::Package: {
        // "Name_PublisherId": the name alone is what a user finds in the app's folder name.
        const std::string_view family = program.packageFamily;
        if (same(family, rule.name) || same(family.substr(0, family.find('_')), rule.name)) {
          return true;
        }
        break;
      }
    }
  }
  return false;
}

namespace {

// ModifierState as bits, for one atomic store from another thread.
constexpr std::uint32_t PendingSync = 1u << 31;
constexpr std::uint32_t WithLocks = 1u << 30;

std::uint32_t ModifierBits(const ModifierState& m) {
  auto bit = [](bool set, unsigned i) { return (set ? 1u : 0u) << i; };
  return bit(m.leftShift, 0) | bit(m.rightShift, 1) | bit(m.leftCtrl, 2) | bit(m.rightCtrl, 3) |
         bit(m.leftAlt, 4) | bit(m.rightAlt, 5) | bit(m.leftWin, 6) | bit(m.rightWin, 7) |
         bit(m.capsLock, 8) | bit(m.numLock, 9);
}

ModifierState FromModifierBits(std::uint32_t bits) {
  auto bit = [bits](unsigned i) { return (bits >> i & 1u) != 0; };
  return {bit(0), bit(1), bit(2), bit(3), bit(4), bit(5), bit(6), bit(7), bit(8), bit(9)};
}

// A table that outlives the engine, in a snapshot that must not free it.
std::shared_ptr<const TriggerTable> Borrowed(const TriggerTable& table) {
  return std::shared_ptr<const TriggerTable>(&table, [](const TriggerTable*) {});
}

}  // namespace

Expander::Expander(Snapshot<TriggerTable>& tables, ExpanderOutput& output, KeyboardLayout& layout)
    : tables_(tables), output_(output), layout_(layout) {
  SetEndingCharacters(DefaultEndingCharacters);
  ActiveExpander = this;
}

Expander::Expander(const TriggerTable& table, ExpanderOutput& output, KeyboardLayout& layout)
    : ownTables_(std::make_unique<Snapshot<TriggerTable>>(Borrowed(table))),
      tables_(*ownTables_),
      output_(output),
      layout_(layout) {
  SetEndingCharacters(DefaultEndingCharacters);
  ActiveExpander = this;
}

Expander::~Expander() {
  if (ActiveExpander == this) ActiveExpander = nullptr;
}

void Expander::RequestModifierSync(const ModifierState& modifiers, bool withLocks) {
  modifierSync_.store(ModifierBits(modifiers) | PendingSync | (withLocks ? WithLocks : 0),
                      std::memory_order_release);
}

void Expander::TakeRequests() {
  const std::uint32_t forgets = forgetRequests_.load(std::memory_order_acquire);
  if (forgets != forgetsTaken_) {
    forgetsTaken_ = forgets;
    ForgetTyped();
  }
  if (modifierSync_.load(std::memory_order_relaxed) == 0) return;
  const std::uint32_t sync = modifierSync_.exchange(0, std::memory_order_acquire);
  if (sync == 0) return;
  ModifierState synced = FromModifierBits(sync);
  if ((sync & WithLocks) == 0) {
    synced.capsLock = modifiers_.capsLock;
    synced.numLock = modifiers_.numLock;
  }
  modifiers_ = synced;
}

bool Expander::OnKeyEvent(std::uint32_t virtualKey, std::uint32_t scanCode, bool extended,
                          bool release) {
  TakeRequests();
  // Followed also while paused, or the first keys after a pause would see stale modifiers.
  if (MayBeModifier(virtualKey) && TrackModifier(modifiers_, virtualKey, release)) return false;
  if (release) return false;
  if (secretField_.load(std::memory_order_acquire)) {
    // Not a character of a password stays behind.
    ForgetTyped();
    return false;
  }
  if (!enabled_.load(std::memory_order_relaxed)) return false;
  return OnKeyDown(KeyStroke{virtualKey, scanCode, extended, modifiers_});
}

void Expander::ForgetTyped() {
  typed_.Clear();
  folded_.Clear();
  typedCharacters_ = 0;
  wordBefore_ = false;
  pendingDeadKey_.clear();
}

void Expander::SetEndingCharacters(std::string_view characters) {
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  std::u32string others;
  for (std::size_t pos = 0; pos < characters.size();) {
    const char32_t c = NextCodePoint(characters, pos);
    if (c < 64) {
      low |= std::uint64_t{1} << c;
    } else if (c < 128) {
      high |= std::uint64_t{1} << (c - 64);
    } else if (others.find(c) == std::u32string::npos) {
      others += c;
    }
  }
  const bool anyOther = !others.empty();
  endingOtherList_.Publish(std::make_shared<const std::u32string>(std::move(others)));
  endingLow_.store(low, std::memory_order_relaxed);
  endingHigh_.store(high, std::memory_order_relaxed);
  endingOthers_.store(anyOther, std::memory_order_relaxed);
}

bool Expander::IsEndingCharacter(char32_t c) {
  if (c < 64) return (endingLow_.load(std::memory_order_relaxed) >> c & 1) != 0;
  if (c < 128) return (endingHigh_.load(std::memory_order_relaxed) >> (c - 64) & 1) != 0;
  if (!endingOthers_.load(std::memory_order_relaxed)) return false;
  return endingOtherList_.Read().find(c) != std::u32string::npos;
}

bool Expander::OnKeyDown(const KeyStroke& stroke) {
  const std::uint64_t ignored = ignoredShortcut_.load(std::memory_order_relaxed);
  const auto ignoredKey = static_cast<std::uint32_t>(ignored);
  if (ignoredKey != 0 && stroke.virtualKey == ignoredKey &&
      stroke.modifiers.HotkeyBits() == static_cast<std::uint32_t>(ignored >> 32)) {
    return false;
  }

  KeyText text;
  if (stroke.virtualKey == vk::Packet) {
    // Another program typing text: the window gets this character as it stands. Surrogate
    // halves arrive one event each and are not worth joining; they still stand between what
    // came before and what comes after.
    if (stroke.scanCode < 0x20 || (stroke.scanCode >= 0xD800 && stroke.scanCode <= 0xDFFF) ||
        stroke.scanCode > 0xFFFF) {
      ForgetTyped();
      return false;
    }
    text = KeyText(KeyText::Kind::Characters, Utf8Of(stroke.scanCode));
  } else {
    switch (RoleOfKey(stroke.virtualKey, stroke.modifiers)) {
      case KeyRole::Modifier:
        return false;
      case KeyRole::Erase:
        // The window drops a waiting accent rather than a character.
        if (!pendingDeadKey_.empty()) {
          pendingDeadKey_.clear();
        } else {
          EraseLastCharacter();
        }
        return false;
      case KeyRole::Forget:
        // Enter and Tab may be ending characters: they complete a trigger before the caret
        // moves on.
        if ((stroke.virtualKey == vk::Return || stroke.virtualKey == vk::Tab) &&
            pendingDeadKey_.empty() && !stroke.modifiers.Shift() && !stroke.modifiers.Ctrl() &&
            !stroke.modifiers.Alt() && !stroke.modifiers.Win() && typedCharacters_ != 0) {
          Append(stroke.virtualKey == vk::Return ? "\n" : "\t", 1);
          if (MatchAndExpand(1, false)) return true;
        }
        ForgetTyped();
        return false;
      case KeyRole::Type:
        break;
    }
    text = layout_.Translate(stroke);
  }

  if (text.kind() == KeyText::Kind::Nothing || text.text().empty() ||
      HoldsControlCharacter(text.text())) {
    // Ctrl+Alt with a key that types nothing is a shortcut, not AltGr typing.
    if (stroke.modifiers.Ctrl() && stroke.modifiers.Alt()) ForgetTyped();
    return false;
  }
  if (text.kind() == KeyText::Kind::DeadKey && pendingDeadKey_.empty()) {
    pendingDeadKey_ = text.text();
    return false;
  }

  if (!pendingDeadKey_.empty()) return OnKeyAfterDeadKey(text.text());
  const std::size_t count = CountCharacters(text.text());
  Append(text.text(), count);
  return MatchAndExpand(count, false);
}

bool Expander::OnKeyAfterDeadKey(std::string_view characters) {
  // What the window makes of the accent and this key: the composed letter, or both.
  std::string combined = ComposeDeadKey(pendingDeadKey_, characters);
  if (combined.empty()) combined = pendingDeadKey_ + std::string(characters);
  pendingDeadKey_.clear();
  const std::size_t count = CountCharacters(combined);
  Append(combined, count);
  return MatchAndExpand(count, true);
}

bool Expander::TextBuffer::MakeRoom(std::size_t size) {
  if (size <= bytes.size() - end) return true;
  const std::size_t kept = end - start;
  std::memmove(bytes.data(), bytes.data() + start, kept);
  start = 0;
  end = kept;
  return size <= bytes.size() - end;
}

void Expander::TextBuffer::Append(std::string_view text) {
  // Text longer than the whole array would be a layout typing hundreds of characters at once:
  // its end is what counts. Mostly one byte: a loop beats a call to memcpy.
  if (!MakeRoom(text.size())) text = text.substr(text.size() - (bytes.size() - end));
  for (char c : text) bytes[end++] = c;
}

void Expander::TextBuffer::AppendFolded(std::string_view text) {
  if (!MakeRoom(text.size())) text = text.substr(text.size() - (bytes.size() - end));
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      bytes[end++] = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
      ++pos;
      continue;
    }
    const std::size_t at = pos;
    const char32_t folded = FoldCase(NextCodePoint(text, pos));
    // Folding never makes a character longer in UTF-8; the folded form takes the place the
    // character itself would have taken.
    char encoded[4];
    std::size_t size = 0;
    if (folded < 0x80) {
      encoded[size++] = static_cast<char>(folded);
    } else if (folded < 0x800) {
      encoded[size++] = static_cast<char>(0xC0 | (folded >> 6));
      encoded[size++] = static_cast<char>(0x80 | (folded & 0x3F));
    } else if (folded < 0x10000) {
      encoded[size++] = static_cast<char>(0xE0 | (folded >> 12));
      encoded[size++] = static_cast<char>(0x80 | ((folded >> 6) & 0x3F));
      encoded[size++] = static_cast<char>(0x80 | (folded & 0x3F));
    } else {
      encoded[size++] = static_cast<char>(0xF0 | (folded >> 18));
      encoded[size++] = static_cast<char>(0x80 | ((folded >> 12) & 0x3F));
      encoded[size++] = static_cast<char>(0x80 | ((folded >> 6) & 0x3F));
      encoded[size++] = static_cast<char>(0x80 | (folded & 0x3F));
    }
    if (folded == 0xFFFD) {
      // A broken sequence stays as it came, byte for byte.
      size = pos - at;
      for (std::size_t i = 0; i < size; ++i) encoded[i] = text[at + i];
    }
    for (std::size_t i = 0; i < size; ++i) bytes[end++] = encoded[i];
  }
}

void Expander::TextBuffer::DropFirst() {
  if (start == end) return;
  ++start;
  while (start < end && (static_cast<unsigned char>(bytes[start]) & 0xC0) == 0x80) ++start;
}

void Expander::TextBuffer::DropLast() {
  if (start == end) return;
  end -= LastCharacterSize(View());
}

void Expander::Append(std::string_view text, std::size_t characters) {
  typed_.Append(text);
  folded_.AppendFolded(text);
  typedCharacters_ += characters;
  while (typedCharacters_ > TypedBufferLimit) {
    const std::string_view view = typed_.View();
    std::size_t first = 0;
    wordBefore_ = !view.empty() && IsLetterOrDigit(NextCodePoint(view, first));
    typed_.DropFirst();
    folded_.DropFirst();
    --typedCharacters_;
  }
}

void Expander::EraseLastCharacter() {
  if (typedCharacters_ == 0) return;
  typed_.DropLast();
  folded_.DropLast();
  --typedCharacters_;
}

namespace {

// Asks for the program with the focus once, and only when an entry of a group limited to some
// programs (or kept out of some) has matched.
class FocusFilter final : public GroupFilter {
 public:
  explicit FocusFilter(ExpanderOutput& output) : output_(output) {}
  bool Allows(const TriggerGroup& group) override {
    if (group.onlyIn.empty() && group.notIn.empty()) return true;
    const FocusedProgram& program = Focused();
    const auto names = [&program](const std::vector<std::string>& values) {
      for (const std::string& value : values) {
        if (IsExcluded(program, {ParseExcludeRule(value)})) return true;
      }
      return false;
    };
    if (!group.onlyIn.empty() && !names(group.onlyIn)) return false;
    return !names(group.notIn);
  }
  const FocusedProgram& Focused() {
    if (!focused_) focused_ = output_.ProgramWithFocus();
    return *focused_;
  }

 private:
  ExpanderOutput& output_;
  std::optional<FocusedProgram> focused_;
};

}  // namespace

bool Expander::MatchAndExpand(std::size_t lastKeyCharacters, bool deadKeyWaited) {
  const TriggerTable& table = tables_.Read();
  FocusFilter filter(output_);
  const std::string_view text = TypedBuffer();
  const std::string_view folded = FoldedBuffer();
  const bool startsWord = !wordBefore_;
  const bool endingKey = lastKeyCharacters == 1 && table.HasEndingTriggers() && !text.empty() &&
                         IsEndingCharacter(LastCodePoint(text));
  const std::optional<TriggerTable::KeyMatch> best =
      table.MatchKey({text, folded, startsWord}, endingKey ? LastCharacterSize(text) : 0, filter);
  if (!best) return false;
  return Expand(best->match, best->endingBytes, lastKeyCharacters, deadKeyWaited, filter.Focused());
}

bool Expander::Expand(const TriggerTable::Match& match, std::size_t endingBytes,
                      std::size_t lastKeyCharacters, bool deadKeyWaited,
                      const FocusedProgram& focused) {
  // Typed into one of this program's windows or an excluded program's: the text stays as typed.
  if (focused.ownWindow || IsExcluded(focused, excludedPrograms_.Read())) {
    ForgetTyped();
    return false;
  }

  const std::string_view text = TypedBuffer();
  const std::string_view typedTrigger =
      text.substr(text.size() - endingBytes - match.typedBytes, match.typedBytes);
  ExpansionRequest request;
  request.trigger = text.substr(text.size() - endingBytes - match.typedBytes);
  request.expansion = match.entry->second;
  request.settleDeadKey = deadKeyWaited;
  if (match.options.when == FireWhen::EndingKept)
    request.ending = text.substr(text.size() - endingBytes);
  if (match.options.caseRule == CaseRule::Conform) request.caseShape = ShapeOf(typedTrigger);
  // The swallowed key's characters never reached the window; a settled accent will have.
  const std::size_t shown = match.characters + (endingBytes != 0 ? 1 : 0) + (deadKeyWaited ? 1 : 0);
  request.backspaces = shown > lastKeyCharacters ? shown - lastKeyCharacters : 0;

  std::string line;
  line.reserve(28 + match.entry->first.size());
  line += "Expander Triggered by: '";
  line += match.entry->first;
  line += "'\n";
  output_.WriteDiagnostic(line);
  output_.SendExpansion(request);
  ForgetTyped();
  return true;
}

}  // namespace tarquel
