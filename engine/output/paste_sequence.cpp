#include "engine/output/paste_sequence.h"

#include "util/text_encoding.h"

namespace tarquel {

std::u16string ClipboardTextOf(std::string_view rendered) {
  std::string lines;
  lines.reserve(rendered.size() + rendered.size() / 16);
  for (char c : rendered) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return Utf8ToUtf16(lines);
}

namespace {

bool PutBack(PasteClipboard& clipboard) {
  if (clipboard.ReplacedByOthers()) return true;
  return clipboard.Restore();
}

}  // namespace

PasteOutcome PasteThroughClipboard(PasteClipboard& clipboard, std::string_view rendered) {
  if (!clipboard.Save()) return PasteOutcome::TypeInstead;
  switch (clipboard.Put(ClipboardTextOf(rendered))) {
    case PutResult::Untouched:
      return PasteOutcome::TypeInstead;
    case PutResult::Emptied:
      return PutBack(clipboard) ? PasteOutcome::TypeInstead
                                : PasteOutcome::TypeInsteadRestorePending;
    case PutResult::Done:
      break;
  }
  bool taken = clipboard.SendPaste() && clipboard.WaitUntilTaken();
  bool restored = PutBack(clipboard);
  if (taken) return restored ? PasteOutcome::Pasted : PasteOutcome::PastedRestorePending;
  return restored ? PasteOutcome::TypeInstead : PasteOutcome::TypeInsteadRestorePending;
}

}  // namespace tarquel
