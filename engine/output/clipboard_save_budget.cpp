#include "engine/output/clipboard_save_budget.h"

#include <algorithm>
#include <initializer_list>

namespace tarquel {

namespace {

bool AnyOf(std::initializer_list<unsigned> sources, const std::vector<unsigned>& saved) {
  return std::any_of(sources.begin(), sources.end(), [&saved](unsigned source) {
    return std::find(saved.begin(), saved.end(), source) != saved.end();
  });
}

}  // namespace

bool MadeAgainBySystem(unsigned format, const std::vector<unsigned>& saved) {
  using namespace clip;
  switch (format) {
    // The Unicode text is always kept: made from an older program's CF_TEXT it costs one copy,
    // while leaving it out when it is the original could lose every character outside the
    // code page.
    case Text:
    case OemText:
    case Locale:
      return AnyOf({UnicodeText}, saved);
    // Listed first, one of the bitmap formats is the original and the others are made from it.
    case Bitmap:
      return AnyOf({Dib, DibV5}, saved);
    case Dib:
      return AnyOf({Bitmap, DibV5}, saved);
    case DibV5:
      return AnyOf({Bitmap, Dib}, saved);
    case Palette:
      return AnyOf({Dib, DibV5}, saved);
    case EnhancedMetafile:
      return AnyOf({MetafilePicture}, saved);
    case MetafilePicture:
      return AnyOf({EnhancedMetafile}, saved);
    default:
      return false;
  }
}

ClipboardSaveEnd SaveWithinBudget(ClipboardFormatReader& reader, const MonotonicClock& clock,
                                  const ClipboardSaveLimits& limits) {
  const std::uint64_t start = clock.NowMs();
  auto late = [&] { return clock.NowMs() - start > limits.timeMs; };
  std::vector<unsigned> saved;
  std::size_t total = 0;
  for (;;) {
    unsigned format = 0;
    switch (reader.Next(format)) {
      case ClipboardFormatReader::Listed::End:
        return ClipboardSaveEnd::Whole;
      case ClipboardFormatReader::Listed::Failed:
        return ClipboardSaveEnd::Unreadable;
      case ClipboardFormatReader::Listed::Format:
        break;
    }
    if (late()) return ClipboardSaveEnd::OutOfTime;
    if (MadeAgainBySystem(format, saved)) continue;
    std::optional<std::size_t> size = reader.Fetch(format);
    // Checked before the answer: a format that took too long to come is a miss even if it came.
    if (late()) return ClipboardSaveEnd::OutOfTime;
    if (!size) return ClipboardSaveEnd::Unreadable;
    if (*size > limits.bytes - total) return ClipboardSaveEnd::TooLarge;
    if (!reader.Copy(format)) return ClipboardSaveEnd::Unreadable;
    total += *size;
    saved.push_back(format);
  }
}

ClipboardTextEnd ReadTextWithinBudget(ClipboardFormatReader& reader, const MonotonicClock& clock,
                                      const ClipboardSaveLimits& limits) {
  const std::uint64_t start = clock.NowMs();
  auto late = [&] { return clock.NowMs() - start > limits.timeMs; };
  for (;;) {
    unsigned format = 0;
    switch (reader.Next(format)) {
      case ClipboardFormatReader::Listed::End:
      case ClipboardFormatReader::Listed::Failed:
        // A list cut short may have hidden the text, but nothing is lost by leaving it out:
        // the placeholder stays empty.
        return late() ? ClipboardTextEnd::OutOfTime : ClipboardTextEnd::NoText;
      case ClipboardFormatReader::Listed::Format:
        break;
    }
    if (late()) return ClipboardTextEnd::OutOfTime;
    if (format != clip::UnicodeText) continue;
    std::optional<std::size_t> size = reader.Fetch(format);
    // As in the save: a text that took too long to come is a miss even if it came, since the
    // expansion no longer waits for it.
    if (late()) return ClipboardTextEnd::OutOfTime;
    if (!size || !reader.Copy(format)) return ClipboardTextEnd::NoText;
    return ClipboardTextEnd::Text;
  }
}

}  // namespace tarquel
