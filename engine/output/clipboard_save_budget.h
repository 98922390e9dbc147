#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tarquel {

// Clipboard format numbers the save needs to know (as Windows numbers them).
namespace clip {
inline constexpr unsigned Text = 1;
inline constexpr unsigned Bitmap = 2;
inline constexpr unsigned MetafilePicture = 3;
inline constexpr unsigned OemText = 7;
inline constexpr unsigned Dib = 8;
inline constexpr unsigned Palette = 9;
inline constexpr unsigned UnicodeText = 13;
inline constexpr unsigned EnhancedMetafile = 14;
inline constexpr unsigned Locale = 16;
inline constexpr unsigned DibV5 = 17;
}  // namespace clip

// True when the system makes `format` again by itself from one of `saved`: CF_TEXT, CF_OEMTEXT
// and CF_LOCALE from CF_UNICODETEXT; each of CF_BITMAP, CF_DIB and CF_DIBV5 from another of them,
// CF_PALETTE from a DIB; one metafile format from the other. Such a format is left out of the copy
// and comes back with the one it is made from. Whether a format is an original or was made by the
// system cannot be asked; the system lists the ones it makes after their source.
bool MadeAgainBySystem(unsigned format, const std::vector<unsigned>& saved);

// How much saving the user's clipboard before a paste may cost. Past either, the expansion is
// typed and the clipboard is not touched: a paste must never trade the user's clipboard for
// speed, and a delay-rendered format (a spreadsheet's, say) can keep its owner busy for up to
// the system's own 30 s.
struct ClipboardSaveLimits {
  // Counted from the save's start to its last copy: a person does not notice a quarter of a
  // second before a long expansion appears, and typing it instead takes about as long.
  std::uint64_t timeMs = 250;
  // Held in memory until the clipboard is back; a 4K screenshot as a bitmap is about 33 MB.
  std::size_t bytes = 64u * 1024u * 1024u;
};

// The clipboard as the save reads it, one format at a time, in the order the system lists them.
class ClipboardFormatReader {
 public:
  virtual ~ClipboardFormatReader() = default;
  enum class Listed { Format, End, Failed };
  virtual Listed Next(unsigned& format) = 0;
  // Asks the owner for the format's data (which may have it rendered: the slow part) and says
  // how many bytes a copy would hold; nothing when there is no data for it.
  virtual std::optional<std::size_t> Fetch(unsigned format) = 0;
  // Keeps a copy of the data just fetched. False when it cannot be copied.
  virtual bool Copy(unsigned format) = 0;
};

class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual std::uint64_t NowMs() const = 0;
};

enum class ClipboardSaveEnd {
  Whole,       // every format is copied or made again by the system from one that is
  OutOfTime,   // the budget's time passed
  TooLarge,    // the copies would pass the size bound
  Unreadable,  // a format gave no data, could not be copied, or the list failed
};

// Copies every format `reader` lists within `limits`, or says why not. A format that gives no
// data is a failure even if the system could have made it: the one it is made from might not
// be there to make it from (a spreadsheet that failed to render its text).
ClipboardSaveEnd SaveWithinBudget(ClipboardFormatReader& reader, const MonotonicClock& clock,
                                  const ClipboardSaveLimits& limits);

enum class ClipboardTextEnd {
  Text,       // the Unicode text is copied
  NoText,     // the clipboard holds no text, or its owner gave none
  OutOfTime,  // the budget's time passed: whatever came is not used
};

// {{clipboard}}'s read of the Unicode text, within the save's time (`limits.timeMs`): the
// expansion waits on it, and an owner that renders late (a spreadsheet) must not hold it for the
// system's 30 s. Only the text is fetched; the other formats are not even asked for.
ClipboardTextEnd ReadTextWithinBudget(ClipboardFormatReader& reader, const MonotonicClock& clock,
                                      const ClipboardSaveLimits& limits);

}  // namespace tarquel
