// What the tool reads, whatever the system: built on each system's
// ReadPieces and ReadByte.
#include <utility>

#include "Streams.h"

namespace vantrel::cli {

ReadResult ReadAll(int fd, std::size_t limit) {
  std::string bytes;
  ReadResult result = ReadPieces(fd, [&](std::string_view piece) {
    if (piece.size() > limit - bytes.size())
      return false;
    bytes.append(piece);
    return true;
  });
  result.bytes = std::move(bytes);
  return result;
}

ReadResult ReadFirstLine(int fd, std::size_t limit) {
  ReadResult result;
  result.bytes.reserve(limit + 2);
  for (;;) {
    char c = 0;
    int error = 0;
    const ByteRead got = ReadByte(fd, c, error);
    if (got == ByteRead::kFailed) {
      result.outcome = ReadResult::kFailed;
      result.error = error;
      return result;
    }
    if (got == ByteRead::kEnd || c == '\n')
      break;
    result.bytes.push_back(c);
    c = 0;
    if (result.bytes.size() > limit + 1) {  // one more for a CR before the LF
      result.outcome = ReadResult::kTooLong;
      return result;
    }
  }
  if (!result.bytes.empty() && result.bytes.back() == '\r')
    result.bytes.pop_back();  // its place is overwritten by the string's terminator
  if (result.bytes.size() > limit)
    result.outcome = ReadResult::kTooLong;
  return result;
}

}  // namespace vantrel::cli
