// config.txt of any bytes, in any of the encodings it is read in: loading never crashes and
// gives UTF-8 entries, and what was loaded survives a save and a load unchanged. A loaded
// trigger holds no "=", line feed or Ctrl+Z, so the file format can always give it back. The
// same text in UTF-16 of either order loads the same table as its UTF-8.
//
// A save writes the table into the file as it is: with nothing changed a UTF-8 file comes back
// byte for byte, and after changes drawn from the input (entries deleted, changed, moved to
// another group or added, options and groups changed, groups added) the saved file loads into
// exactly the changed table, with every comment line of the file still there, in its order, and
// whatever follows a Ctrl+Z as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/trigger_file.h"
#include "store/trigger_line_syntax.h"
#include "util/text_encoding.h"
#include "util/text_lines.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const tarquel::TriggerTable& table) {
  return Entries(table.begin(), table.end());
}

std::string Utf16File(std::string_view utf8, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : tarquel::Utf8ToUtf16(utf8)) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// The changes to make, drawn from the input itself so that each input is one reproducible case.
class Draws {
 public:
  explicit Draws(std::string_view bytes) : state_(std::hash<std::string_view>{}(bytes) | 1) {}
  std::uint64_t Next(std::uint64_t below) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return below == 0 ? 0 : state_ % below;
  }

 private:
  std::uint64_t state_;
};

tarquel::TriggerOptions AnyOptions(Draws& draw) {
  tarquel::TriggerOptions options;
  if (std::uint64_t when = draw.Next(4); when > 0) {
    options.when = static_cast<tarquel::FireWhen>(when - 1);
  }
  if (std::uint64_t where = draw.Next(3); where > 0) {
    options.where = static_cast<tarquel::FireWhere>(where - 1);
  }
  if (std::uint64_t rule = draw.Next(4); rule > 0) {
    options.caseRule = static_cast<tarquel::CaseRule>(rule - 1);
  }
  return options;
}

tarquel::TriggerGroup Changed(tarquel::TriggerGroup group, Draws& draw) {
  switch (draw.Next(4)) {
    case 0:
      group.enabled = !group.enabled;
      break;
    case 1:
      group.defaults = AnyOptions(draw);
      break;
    case 2:
      group.onlyIn.push_back("p" + std::to_string(draw.Next(3)) + ".exe");
      break;
    default:
      group.notIn.push_back("class:C" + std::to_string(draw.Next(3)));
      break;
  }
  return group;
}

tarquel::TriggerTable ChangedTable(const tarquel::TriggerTable& loaded, Draws& draw) {
  tarquel::TriggerTable table = loaded;
  for (std::size_t i = 1; i < table.Groups().size(); ++i) {
    if (draw.Next(4) == 0) Check(table.SetGroup(i, Changed(table.Groups()[i], draw)));
  }
  if (draw.Next(3) == 0) {
    tarquel::TriggerGroup group;
    group.name = "new group " + std::to_string(draw.Next(3));
    group.defaults = AnyOptions(draw);
    table.AddGroup(group);
  }
  const auto anyGroup = [&] { return static_cast<std::size_t>(draw.Next(table.Groups().size())); };
  for (const auto& [trigger, expansion] : loaded) {
    const tarquel::EntryInfo& info = table.InfoOf(trigger);
    switch (draw.Next(8)) {
      case 0:
        table.Erase(trigger);
        break;
      case 1:
        table.Set(trigger, expansion + (draw.Next(2) == 0 ? "\r" : " more"), info);
        break;
      case 2:
        table.Set(trigger, expansion, {AnyOptions(draw), info.group});
        break;
      case 3:
        table.Set(trigger, expansion, {info.options, anyGroup()});
        break;
      default:
        break;
    }
  }
  for (std::uint64_t added = draw.Next(4); added > 0; --added) {
    const std::string trigger =
        (draw.Next(2) == 0 ? "\xEF\xBB\xBFnew" : "new") + std::to_string(draw.Next(1000));
    table.Set(trigger, "added", {AnyOptions(draw), anyGroup()});
  }
  return table;
}

// Every entry with its options and the name of its group, every named group with its settings.
void CheckSame(const tarquel::TriggerTable& read, const tarquel::TriggerTable& written) {
  Check(EntriesOf(read) == EntriesOf(written));
  for (const auto& [trigger, expansion] : written) {
    const tarquel::EntryInfo& was = written.InfoOf(trigger);
    const tarquel::EntryInfo& is = read.InfoOf(trigger);
    Check(is.options == was.options);
    Check(read.Groups()[is.group].name == written.Groups()[was.group].name);
  }
  for (const tarquel::TriggerGroup& group : written.Groups()) {
    if (group.name.empty()) continue;
    const std::optional<std::size_t> found = read.FindGroup(group.name);
    Check(found.has_value() && read.Groups()[*found] == group);
  }
}

// The lines of a UTF-8 text that are neither entries, options nor group lines (blank ones left
// out), and what follows its first Ctrl+Z.
std::pair<std::vector<std::string>, std::string> CommentsOf(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> comments;
  std::string_view rest = tarquel::TextBeforeCtrlZ(text);
  const std::string tail(text.substr(rest.size()));
  while (!rest.empty()) {
    const std::string_view line = tarquel::TakeLine(rest);
    const std::size_t equals = line.find('=');
    if (line.empty() || (equals != std::string_view::npos && equals > 0)) continue;
    if (equals == std::string_view::npos &&
        (tarquel::ParseOptionsLine(line) || tarquel::ParseGroupLine(line))) {
      continue;
    }
    comments.emplace_back(line);
  }
  return {comments, tail};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tarquel::TriggerLoadInfo info;
  const tarquel::TriggerTable table = tarquel::ParseTriggerText(bytes, &info);

  for (const auto& [trigger, expansion] : table) {
    Check(!trigger.empty() && trigger.find_first_of("=\n\x1A") == std::string::npos &&
          expansion.find_first_of("\n\x1A") == std::string::npos);
    Check(tarquel::IsValidUtf8(trigger) && tarquel::IsValidUtf8(expansion));
  }
  // Only a decoder that repairs reports repairs.
  Check(info.invalidSequences == 0 || info.encoding == tarquel::TextEncoding::Utf8WithBom ||
        info.encoding == tarquel::TextEncoding::Utf16Le ||
        info.encoding == tarquel::TextEncoding::Utf16Be);

  // The table alone, as a new file.
  const std::string saved = tarquel::FormatTriggerText(table);
  Check(tarquel::IsValidUtf8(saved));
  tarquel::TriggerLoadInfo again;
  const Entries entries = EntriesOf(table);
  CheckSame(tarquel::ParseTriggerText(saved, &again), table);
  Check(again.droppedLines == 0 && again.invalidSequences == 0);
  // Written with a mark only when the first trigger would otherwise lose its U+FEFF.
  const bool marked = again.encoding == tarquel::TextEncoding::Utf8WithBom;
  Check(again.encoding == tarquel::TextEncoding::Utf8 || marked);
  Check(marked == saved.starts_with("\xEF\xBB\xBF\xEF\xBB\xBF"));

  const std::string_view text = std::string_view(saved).substr(marked ? 3 : 0);
  Check(EntriesOf(tarquel::ParseTriggerText(Utf16File(text, false))) == entries);
  Check(EntriesOf(tarquel::ParseTriggerText(Utf16File(text, true))) == entries);

  // The same table written into the file it came from.
  const tarquel::TriggerTextUpdate same = tarquel::UpdateTriggerText(bytes, table);
  Check(!same.dropsLines);
  Check(same.changesEncoding == info.SaveChangesEncoding());
  if (info.encoding == tarquel::TextEncoding::Utf8 ||
      (info.encoding == tarquel::TextEncoding::Utf8WithBom && info.invalidSequences == 0)) {
    Check(same.text == bytes);
  }
  CheckSame(tarquel::ParseTriggerText(same.text), table);

  // Changes of every kind written into it.
  Draws draw(bytes);
  const tarquel::TriggerTable changed = ChangedTable(table, draw);
  const tarquel::TriggerTextUpdate update = tarquel::UpdateTriggerText(bytes, changed);
  tarquel::TriggerLoadInfo afterChange;
  CheckSame(tarquel::ParseTriggerText(update.text, &afterChange), changed);
  Check(CommentsOf(update.text) == CommentsOf(same.text));
  // A save never writes what it cannot read back as UTF-8 (what follows a Ctrl+Z aside).
  Check(afterChange.encoding == tarquel::TextEncoding::Utf8 ||
        afterChange.encoding == tarquel::TextEncoding::Utf8WithBom);
  return 0;
}
