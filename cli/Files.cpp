#include "Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "Process.h"
#include "Streams.h"

namespace vantrel::cli {
namespace {

std::optional<FileId> IdOf(const struct stat& st) {
  if (!S_ISREG(st.st_mode))
    return std::nullopt;
  return FileId{static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino)};
}

// The temporary file a signal handler removes; one output at a time.
std::atomic<const char*> gTemporary{nullptr};

void RemoveTemporary() {
  if (const char* path = gTemporary.load())
    ::unlink(path);
}

// The permissions a new file gets from the user's file-creation mask.
mode_t UsualMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

std::optional<FileId> RegularFileId(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0)
    return std::nullopt;
  return IdOf(st);
}

std::optional<FileId> RegularFileId(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return std::nullopt;
  return IdOf(st);
}

OutputFile::~OutputFile() {
  Discard();
}

int OutputFile::Open(const std::string& path, bool privateText) {
  target_ = path;
  struct stat existing {};
  bool exists = ::lstat(path.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT)
    return errno;
  if (exists && S_ISLNK(existing.st_mode)) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved || ::stat(resolved.get(), &existing) != 0)
      return errno;
    target_ = resolved.get();
  }
  if (exists && S_ISDIR(existing.st_mode))
    return EISDIR;
  if (exists && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
    return errno;

  const std::size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string temporary = folder + "." + name + ".vantrel-XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0)
    return errno;
  fd_ = fd;
  temporary_ = std::move(temporary);
  gTemporary.store(temporary_.c_str());
  AddCleanup(RemoveTemporary);

  mode_t mode = privateText ? 0600 : UsualMode();
  if (exists) {
    mode = existing.st_mode & (privateText ? 0700 : 0777);
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
      // Only root may give a file away; others keep what the system lets
      // them, as an editor saving over the file would.
      [[maybe_unused]] const int ignored = ::fchown(fd_, existing.st_uid, existing.st_gid);
    }
  }
  if (::fchmod(fd_, mode) != 0) {
    const int error = errno;
    Discard();
    return error;
  }
  return 0;
}

int OutputFile::Write(std::string_view bytes) {
  return WriteAll(fd_, bytes);
}

int OutputFile::Commit() {
  int error = 0;
  if (::fsync(fd_) != 0)
    error = errno;
  if (::close(fd_) != 0 && error == 0)
    error = errno;
  fd_ = -1;
  if (error == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0)
    error = errno;
  if (error != 0) {
    Discard();
    return error;
  }
  gTemporary.store(nullptr);
  RemoveCleanup(RemoveTemporary);
  temporary_.clear();
  return 0;
}

void OutputFile::Discard() {
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    gTemporary.store(nullptr);
    RemoveCleanup(RemoveTemporary);
    temporary_.clear();
  }
}

}  // namespace vantrel::cli
