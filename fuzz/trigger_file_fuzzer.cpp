// config.txt of any bytes, in any of the encodings it is read in: loading never crashes and
// gives UTF-8 entries, and what was loaded survives a save and a load unchanged. A loaded
// trigger holds no "=", line feed or Ctrl+Z, so the file format can always give it back. The
// same text in UTF-16 of either order loads the same table as its UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/trigger_file.h"
#include "util/text_encoding.h"

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

  const std::string saved = tarquel::FormatTriggerText(table);
  Check(tarquel::IsValidUtf8(saved));
  tarquel::TriggerLoadInfo again;
  const Entries entries = EntriesOf(table);
  Check(EntriesOf(tarquel::ParseTriggerText(saved, &again)) == entries);
  Check(again.droppedLines == 0 && again.invalidSequences == 0);
  // Written with a mark only when the first trigger would otherwise lose its U+FEFF.
  const bool marked = again.encoding == tarquel::TextEncoding::Utf8WithBom;
  Check(again.encoding == tarquel::TextEncoding::Utf8 || marked);
  Check(marked == (!table.empty() && table.begin()->first.starts_with("\xEF\xBB\xBF")));

  const std::string_view text = std::string_view(saved).substr(marked ? 3 : 0);
  Check(EntriesOf(tarquel::ParseTriggerText(Utf16File(text, false))) == entries);
  Check(EntriesOf(tarquel::ParseTriggerText(Utf16File(text, true))) == entries);
  return 0;
}
