#include "engine/match/expander.h"

#include <cstring>
#include <memory>

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
  ActiveExpander = this;
}

Expander::Expander(const TriggerTable& table, ExpanderOutput& output, KeyboardLayout& layout)
    : ownTables_(std::make_unique<Snapshot<TriggerTable>>(Borrowed(table))),
      tables_(*ownTables_),
      output_(output),
      layout_(layout) {
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
  start_ = 0;
  end_ = 0;
  typedCharacters_ = 0;
  pendingDeadKey_.clear();
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

void Expander::Append(std::string_view text, std::size_t characters) {
  if (text.size() > typed_.size() - end_) {
    const std::size_t kept = end_ - start_;
    std::memmove(typed_.data(), typed_.data() + start_, kept);
    start_ = 0;
    end_ = kept;
  }
  // Text longer than the whole array would be a layout typing hundreds of characters at once:
  // its end is what counts.
  if (text.size() > typed_.size() - end_) text = text.substr(text.size() - (typed_.size() - end_));
  // Mostly one byte: a loop beats a call to memcpy.
  for (char c : text) typed_[end_++] = c;
  typedCharacters_ += characters;
  while (typedCharacters_ > TypedBufferLimit) {
    ++start_;
    while (start_ < end_ && (static_cast<unsigned char>(typed_[start_]) & 0xC0) == 0x80) ++start_;
    --typedCharacters_;
  }
}

void Expander::EraseLastCharacter() {
  if (end_ == start_) return;
  end_ -= LastCharacterSize(TypedBuffer());
  --typedCharacters_;
}

bool Expander::MatchAndExpand(std::size_t lastKeyCharacters, bool deadKeyWaited) {
  const TriggerTable::Entry* match = tables_.Read().FindTriggerEnding(TypedBuffer());
  if (match == nullptr) return false;
  return Expand(*match, lastKeyCharacters, deadKeyWaited);
}

bool Expander::Expand(const TriggerTable::Entry& entry, std::size_t lastKeyCharacters,
                      bool deadKeyWaited) {
  const TriggerTable::Entry* match = &entry;
  // Typed into one of this program's windows or an excluded program's: the text stays as typed.
  FocusedProgram focused = output_.ProgramWithFocus();
  if (focused.ownWindow || IsExcluded(focused, excludedPrograms_.Read())) {
    ForgetTyped();
    return false;
  }

  ExpansionRequest request;
  request.trigger = match->first;
  request.expansion = match->second;
  request.settleDeadKey = deadKeyWaited;
  // The swallowed key's characters never reached the window; a settled accent will have.
  const std::size_t shown = CountCharacters(match->first) + (deadKeyWaited ? 1 : 0);
  request.backspaces = shown > lastKeyCharacters ? shown - lastKeyCharacters : 0;

  std::string line;
  line.reserve(28 + match->first.size());
  line += "Expander Triggered by: '";
  line += match->first;
  line += "'\n";
  output_.WriteDiagnostic(line);
  output_.SendExpansion(request);
  ForgetTyped();
  return true;
}

}  // namespace tarquel
