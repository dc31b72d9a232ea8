#include "Streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace vantrel::cli {
namespace {

// read(2), tried again when a signal interrupts it.
ssize_t ReadRetrying(int fd, void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0 || errno != EINTR)
      return got;
  }
}

}  // namespace

ReadResult ReadPieces(int fd, const std::function<bool(std::string_view)>& take) {
  ReadResult result;
  std::array<char, 65536> buffer;
  for (;;) {
    const ssize_t got = ReadRetrying(fd, buffer.data(), buffer.size());
    if (got < 0) {
      result.outcome = ReadResult::kFailed;
      result.error = errno;
      return result;
    }
    if (got == 0)
      return result;
    if (!take(std::string_view(buffer.data(), static_cast<std::size_t>(got)))) {
      result.outcome = ReadResult::kTooLong;
      return result;
    }
  }
}

ByteRead ReadByte(int fd, char& c, int& error) {
  const ssize_t got = ReadRetrying(fd, &c, 1);
  if (got < 0) {
    error = errno;
    return ByteRead::kFailed;
  }
  return got == 0 ? ByteRead::kEnd : ByteRead::kByte;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written < 0)
      return errno;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

bool IsTerminal(int fd) {
  return ::isatty(fd) == 1;
}

bool IsOpen(int fd) {
  return ::fcntl(fd, F_GETFD) >= 0;
}

int OpenForReading(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  error = fd < 0 ? errno : 0;
  return fd;
}

void Close(int fd) {
  ::close(fd);
}

std::string ErrorText(int error) {
  return std::strerror(error);
}

}  // namespace vantrel::cli
