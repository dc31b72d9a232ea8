#include "CliHost.h"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "Utf8.h"

namespace vantrel::cli {
namespace {

void WriteStandardError(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return;  // nowhere left to report to; the exit status still tells
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Gravity of a status when several messages meet in one run.
int Rank(ExitStatus status) {
  switch (status) {
    case kSuccess:
      return 0;
    case kRejected:
    case kRefused:
      return 1;
    default:
      return 2;
  }
}

}  // namespace

ExitStatus StatusOf(MsgId id) {
  switch (id) {
    case MsgId::Copied:
      return kSuccess;
    case MsgId::WrongPassword:
    case MsgId::CodecError:
      return kRejected;
    case MsgId::NeedPassword:
    case MsgId::NeedText:
    case MsgId::NeedCode:
    case MsgId::TooLong:
    case MsgId::NotEncodable:
    case MsgId::NothingToCopy:
      return kRefused;
    case MsgId::Fatal:
      break;
  }
  return kInternal;  // the error report, which ends the program
}

std::string MessageLine(const Text& prompt) {
  Text plain;
  plain.reserve(prompt.size() + 1);
  for (std::size_t i = 0; i < prompt.size(); ++i) {
    if (prompt[i] == u'\r' && i + 1 < prompt.size() && prompt[i + 1] == u'\n')
      continue;
    plain.push_back(prompt[i]);
  }
  plain.push_back(u'\n');
  return EncodeUtf8(plain);
}

CliHost::CliHost(std::function<void(std::string_view)> writeError)
    : writeError_(writeError ? std::move(writeError) : WriteStandardError) {}

void CliHost::MsgBox(const Message& message) {
  Raise(StatusOf(message.id));
  writeError_(MessageLine(message.text));
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
