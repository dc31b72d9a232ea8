#include "CliHost.h"

#include <stdexcept>

#include "Sentences.h"
#include "Streams.h"

namespace vantrel::cli {
namespace {

void WriteStandardError(std::string_view text) {
  // Nowhere left to report a failure to; the exit status still tells.
  WriteAll(kStandardError, text);
}

// Gravity of a status when several messages meet in one run.
int Rank(ExitStatus status) {
  switch (status) {
    case kSuccess:
      return 0;
    case kRejected:
    case kRefused:
    case kDamaged:
    case kSeveral:
      return 1;
    default:
      return 2;
  }
}

}  // namespace

ExitStatus StatusOf(MsgId id) {
  switch (id) {
    case MsgId::Copied:
    case MsgId::CopiedForMail:
      return kSuccess;
    case MsgId::WrongPassword:
    case MsgId::CodecError:
      return kRejected;
    case MsgId::Damaged:
      return kDamaged;
    case MsgId::SeveralCodes:
      return kSeveral;
    case MsgId::NewerForm:
    case MsgId::ClipboardBusy:
    case MsgId::NeedPassword:
    case MsgId::NeedText:
    case MsgId::NeedCode:
    case MsgId::TooLong:
    case MsgId::IllFormed:
    case MsgId::NothingToCopy:
    case MsgId::NotTyped:
    case MsgId::Oversized:
      return kRefused;
    case MsgId::Fatal:
      break;
  }
  return kInternal;  // the error report, which ends the program
}

std::string MessageLine(const Message& message) {
  return "vantrel-cli: " + Sentence(message) + "\n";
}

CliHost::CliHost(std::function<void(std::string_view)> writeError)
    : writeError_(writeError ? std::move(writeError) : WriteStandardError) {}

void CliHost::MsgBox(const Message& message) {
  Raise(StatusOf(message.id));
  writeError_(MessageLine(message));
}

void CliHost::ClipboardClear() {
  throw std::logic_error("vantrel-cli has no clipboard");
}

void CliHost::ClipboardSetText(const Text&) {
  throw std::logic_error("vantrel-cli has no clipboard");
}

void CliHost::End() {
  Raise(kInternal);
  throw EndRequested{};
}

void CliHost::Raise(ExitStatus status) {
  if (Rank(status) > Rank(status_))
    status_ = status;
}

}  // namespace vantrel::cli
