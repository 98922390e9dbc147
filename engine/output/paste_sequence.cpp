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

PasteProtocol::Plan PasteProtocol::Begin() {
  switch (state_) {
    case State::Idle:
      return Plan::SaveFirst;
    case State::Read:
    case State::RestoreDue:
      state_ = State::Saved;
      return Plan::ReuseSaved;
    case State::Saved:
    case State::Promised:
    case State::AwaitingRead:
      return Plan::Type;
  }
  return Plan::Type;
}

void PasteProtocol::Saved() {
  if (state_ == State::Idle) state_ = State::Saved;
}

void PasteProtocol::Put(PutResult result, std::uint64_t now) {
  if (state_ != State::Saved) return;
  switch (result) {
    case PutResult::Done:
      state_ = State::Promised;
      since_ = now;
      refused_ = 0;
      return;
    case PutResult::Untouched:
    case PutResult::Emptied:
      // What the clipboard holds now (the user's, or our earlier text, or nothing) is not the
      // saved copy: put it back.
      state_ = State::RestoreDue;
      since_ = now;
      return;
  }
}

void PasteProtocol::PasteSent(std::uint64_t now) {
  if (state_ != State::Promised) return;
  state_ = State::AwaitingRead;
  since_ = now;
  unread_ = false;
}

bool PasteProtocol::OnRead(Reader reader, std::uint64_t now) {
  const bool target = reader != Reader::Other;
  switch (state_) {
    case State::AwaitingRead:
    case State::Read:
    case State::RestoreDue:
      // RestoreDue: the target reads again while the clipboard could not yet be put back.
      if (!target) {
        ++refused_;
        return false;
      }
      if (state_ != State::RestoreDue) {
        state_ = State::Read;
        since_ = now;
      }
      return true;
    case State::Promised:
      // Nobody was asked to paste yet.
      ++refused_;
      return false;
    case State::Idle:
    case State::Saved:
      return false;
  }
  return false;
}

void PasteProtocol::OnReplaced() {
  state_ = State::Idle;
}

bool PasteProtocol::RestoreDue(std::uint64_t now) const {
  std::optional<std::uint64_t> due = NextDue();
  return due && now >= *due;
}

void PasteProtocol::Restored(RestoreResult result, std::uint64_t now) {
  if (state_ == State::Idle || state_ == State::Saved) return;
  if (state_ == State::AwaitingRead || state_ == State::Promised) unread_ = true;
  switch (result) {
    case RestoreResult::Restored:
    case RestoreResult::Replaced:
      state_ = State::Idle;
      return;
    case RestoreResult::Busy:
      state_ = State::RestoreDue;
      since_ = now + bounds_.retryMs;
      return;
  }
}

std::optional<std::uint64_t> PasteProtocol::NextDue() const {
  switch (state_) {
    case State::Promised:  // Ctrl+V never reported: as good as unread
    case State::AwaitingRead:
      return since_ + bounds_.lateReadMs;
    case State::Read:
      return since_ + bounds_.settleMs;
    case State::RestoreDue:
      return since_;
    case State::Idle:
    case State::Saved:
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace tarquel
