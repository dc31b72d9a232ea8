#include "Files.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <vector>

#include "Process.h"
#include "Sentences.h"
#include "Streams.h"

namespace vantrel::cli {
namespace {

std::optional<FileId> IdOf(const struct stat& st) {
  if (!S_ISREG(st.st_mode))
    return std::nullopt;
  return FileId{static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino)};
}

// The named temporary file a signal handler removes; one output at a time.
std::atomic<int> gFolder{-1};
std::array<char, 32> gTemporary{};

void RemoveTemporary() {
  if (const int folder = gFolder.load(); folder >= 0)
    ::unlinkat(folder, gTemporary.data(), 0);
}

// The user's file-creation mask.
mode_t Umask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// The descriptor a name stands for, as a shell's redirection takes it.
std::optional<int> DescriptorNamed(std::string_view path) {
  if (path == "/dev/stdin")
    return 0;
  if (path == "/dev/stdout")
    return 1;
  if (path == "/dev/stderr")
    return 2;
  for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!path.starts_with(folder))
      continue;
    path.remove_prefix(folder.size());
    int fd = -1;
    const auto [end, error] = std::from_chars(path.data(), path.data() + path.size(), fd);
    if (error == std::errc() && end == path.data() + path.size() && !path.empty() && path[0] != '-')
      return fd;
  }
  return std::nullopt;
}

bool InGroup(gid_t group) {
  if (group == ::getegid())
    return true;
  const int count = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<std::size_t>(count > 0 ? count : 0));
  const int got = ::getgroups(count, groups.data());
  for (int i = 0; i < got; ++i) {
    if (groups[static_cast<std::size_t>(i)] == group)
      return true;
  }
  return false;
}

// A name for a temporary file, short enough beside any name that fits.
std::string TemporaryName() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static unsigned counter = 0;
  std::array<unsigned char, 6> random{};
  if (::getrandom(random.data(), random.size(), GRND_NONBLOCK) !=
      static_cast<ssize_t>(random.size())) {
    const unsigned mix = static_cast<unsigned>(::getpid()) * 2654435761U + ++counter;
    for (std::size_t i = 0; i < random.size(); ++i)
      random[i] = static_cast<unsigned char>(mix >> (4 * i));
  }
  std::string name = ".vantrel-";
  for (const unsigned char r : random)
    name += kLetters[r % (sizeof kLetters - 1)];
  return name;
}

// Tries fresh names until make(name) does not find a file of that name
// there already: its result, or -1 with errno. A name made is the one the
// signal handler removes from then on.
template <class Make>
int WithFreshName(int folder, std::string& name, Make make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryName();
    const int result = make(name);
    if (result >= 0) {
      static_assert(sizeof ".vantrel-xxxxxx" <= sizeof gTemporary);
      name.copy(gTemporary.data(), name.size());
      gTemporary[name.size()] = '\0';
      gFolder.store(folder);
      AddCleanup(RemoveTemporary);
      return result;
    }
    if (errno != EEXIST)
      return -1;
  }
  return -1;
}

void Disarm() {
  gFolder.store(-1);
  RemoveCleanup(RemoveTemporary);
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

bool EmptiedForWriting(int fd) {
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0 && flags >= 0 &&
         (flags & O_APPEND) == 0;
}

OutputFile::~OutputFile() {
  Discard();
  if (fifo_ && !made_) {
    // Nothing to write after all: a reader waiting at the FIFO gets the end
    // of it, as after "> FIFO" from a program that wrote nothing.
    const int fd = ::openat(folder_, name_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0)
      ::close(fd);
  }
  if (folder_ >= 0)
    ::close(folder_);
}

int OutputFile::Refuse(int error, std::string doing) {
  doing_ = std::move(doing);
  return error;
}

int OutputFile::Open(const std::string& path, bool privateText) {
  privateText_ = privateText;
  if (const std::optional<int> fd = DescriptorNamed(path)) {
    const int flags = ::fcntl(*fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
      return EBADF;
    way_ = Way::kDescriptor;
    fd_ = *fd;
    return 0;
  }

  // The folder is opened by the system, which follows the links on the way
  // under its own rules; only the last name is the tool's to judge.
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string folderShown =
      slash == std::string::npos ? "the current folder" : "its folder " + Shown(folder);
  if (name_.empty() || name_ == "." || name_ == "..")
    return EISDIR;
  folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0)
    return Refuse(errno, "no file can be made in " + folderShown);
  const auto folderWritable = [&] {
    if (::faccessat(folder_, ".", W_OK | X_OK, AT_EACCESS) != 0)
      return Refuse(errno, "no file can be made in " + folderShown);
    return 0;
  };

  struct stat st {};
  if (::fstatat(folder_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT)
      return errno;
    mode_ = (privateText ? 0600 : 0666) & ~Umask();
    return folderWritable();
  }
  if (S_ISLNK(st.st_mode)) {
    way_ = Way::kInPlace;
    // A link in a folder that everyone may write in but only owners may
    // delete from may have been planted there by anyone: it is followed
    // only when it is the user's or the folder owner's, as the system's
    // protection of such links has it.
    struct stat dir {};
    if (::fstat(folder_, &dir) != 0)
      return errno;
    if ((dir.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH) && st.st_uid != dir.st_uid &&
        st.st_uid != ::geteuid())
      return Refuse(EACCES, "another user's symbolic link in a shared folder is not followed");
    if (::fstatat(folder_, name_.c_str(), &st, 0) != 0) {
      if (errno != ENOENT)
        return errno;
      create_ = true;  // the file it names is made, as "> FILE" makes it
      return 0;
    }
  }
  if (S_ISDIR(st.st_mode))
    return EISDIR;
  if (S_ISSOCK(st.st_mode))
    return ENXIO;  // what opening it would say
  if (::faccessat(folder_, name_.c_str(), W_OK, AT_EACCESS) != 0)
    return errno;
  exists_ = true;
  if (S_ISCHR(st.st_mode)) {
    // Opened now, as "> FILE" opens it, to know whether it is a terminal;
    // a FIFO waits until the result is ready, so that its reader does not.
    way_ = Way::kInPlace;
    fd_ = ::openat(folder_, name_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    return fd_ < 0 ? errno : 0;
  }
  if (!S_ISREG(st.st_mode)) {
    way_ = Way::kInPlace;
    fifo_ = S_ISFIFO(st.st_mode);
    return 0;
  }

  const bool root = ::geteuid() == 0;
  if (!root && (st.st_uid != ::geteuid() || !InGroup(st.st_gid)))
    way_ = Way::kInPlace;  // a replacement could not be given the file's owner and group
  if (st.st_nlink > 1)
    way_ = Way::kInPlace;  // a replacement would leave the other names with the old text
  if (way_ == Way::kInPlace) {
    if (privateText && (st.st_mode & 077) != 0 && !root && st.st_uid != ::geteuid()) {
      return Refuse(EPERM,
                    "others may read it, and only its owner may make it private for decoded text");
    }
    return 0;
  }
  mode_ = st.st_mode & (privateText ? 0700 : 0777);
  owner_ = st.st_uid;
  group_ = st.st_gid;
  return folderWritable();
}

int OutputFile::Make() {
  made_ = true;
  if (way_ == Way::kInPlace) {
    if (fd_ >= 0)
      return 0;  // a device, opened already
    fd_ =
        ::openat(folder_, name_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (create_ ? O_CREAT : 0),
                 privateText_ ? 0600 : 0666);
    if (fd_ < 0)
      return errno;
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
      return errno;
    if (!S_ISREG(st.st_mode))
      return 0;
    // Private before it is emptied, so that nothing is lost if it cannot be.
    if (privateText_ && (st.st_mode & 077) != 0 && ::fchmod(fd_, st.st_mode & 0700) != 0)
      return errno;
    return ::ftruncate(fd_, 0) == 0 ? 0 : errno;
  }

  // Without a name where the file system allows it; the name comes in
  // Commit, once the result is complete.
  fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd_ >= 0 && ::access(("/proc/self/fd/" + std::to_string(fd_)).c_str(), F_OK) != 0) {
    ::close(fd_);  // no /proc to give it a name through
    fd_ = -1;
  }
  if (fd_ < 0) {
    fd_ = WithFreshName(folder_, temporary_, [&](const std::string& name) {
      return ::openat(folder_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    });
    if (fd_ < 0)
      return Refuse(errno, "no temporary file can be made beside it");
    named_ = true;
  }
  if (exists_) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
      return errno;
    if ((st.st_uid != static_cast<uid_t>(owner_) || st.st_gid != static_cast<gid_t>(group_)) &&
        ::fchown(fd_, static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0)
      return Refuse(errno, "its owner cannot be kept");
  }
  return ::fchmod(fd_, mode_) == 0 ? 0 : errno;
}

int OutputFile::Write(std::string_view bytes) {
  if (fd_ < 0) {
    if (const int error = Make(); error != 0) {
      Discard();
      return error;
    }
  }
  return WriteAll(fd_, bytes);
}

int OutputFile::Commit() {
  if (fd_ < 0) {
    if (const int error = Write({}); error != 0)
      return error;
  }
  if (way_ == Way::kDescriptor)
    return 0;
  struct stat st {};
  int error = 0;
  if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && ::fsync(fd_) != 0)
    error = errno;
  if (error == 0 && way_ == Way::kReplace && !named_) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (WithFreshName(folder_, temporary_, [&](const std::string& name) {
          return ::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW);
        }) != 0)
      error = errno;
    named_ = error == 0;
  }
  if (::close(fd_) != 0 && error == 0)
    error = errno;
  fd_ = -1;
  if (error == 0 && way_ == Way::kReplace &&
      ::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) != 0)
    error = errno;
  if (error != 0) {
    Discard();
    return error;
  }
  if (named_) {
    Disarm();
    named_ = false;
  }
  return 0;
}

void OutputFile::Discard() {
  if (fd_ >= 0 && way_ != Way::kDescriptor)
    ::close(fd_);
  fd_ = -1;
  if (named_) {
    ::unlinkat(folder_, temporary_.c_str(), 0);
    Disarm();
    named_ = false;
  }
}

std::string OutputFile::Why(int error) const {
  return doing_.empty() ? ErrorText(error) : doing_ + ": " + ErrorText(error);
}

bool OutputFile::IsTerminal() const {
  return fd_ >= 0 && cli::IsTerminal(fd_);
}

}  // namespace vantrel::cli
