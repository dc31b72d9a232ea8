#include "Files.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
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

// Whether the system, where it protects files in shared folders at their
// strictest, keeps a user from opening this one to write into with
// O_CREAT (as "> FILE" does): a file or a FIFO in a folder that others may
// write in but only owners delete from, unless it is the user's or the
// folder owner's. Applied whatever the machine's own setting.
bool ProtectedInSharedFolder(const struct stat& dir, const struct stat& file) {
  return (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & (S_IWGRP | S_IWOTH)) != 0 &&
         (S_ISREG(file.st_mode) || S_ISFIFO(file.st_mode)) && file.st_uid != dir.st_uid &&
         file.st_uid != ::geteuid();
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when a file is mounted where it is (a file bound onto another):
// nothing can be renamed over it.
bool MountPoint(int fd, const struct stat& file, const struct stat& dir) {
  struct statx st {};
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &st) == 0 &&
      (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
    return (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  return file.st_dev != dir.st_dev;
}

// A user, by name where the system knows one.
std::string OwnerName(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
    return "user " + Shown(found->pw_name);
  return "user number " + std::to_string(uid);
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
  if (fifo_ && !made_ && target_ >= 0) {
    // Nothing to write after all: a reader waiting at the FIFO gets the end
    // of it, as after "> FIFO" from a program that wrote nothing.
    constexpr int kFlags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(("/proc/self/fd/" + std::to_string(target_)).c_str(), kFlags);
    if (fd < 0 && errno == ENOENT)  // no /proc: by its name, never through a link
      fd = ::openat(folder_, name_.c_str(), kFlags | O_NOFOLLOW);
    if (fd >= 0)
      ::close(fd);
  }
  if (target_ >= 0)
    ::close(target_);
  if (folder_ >= 0)
    ::close(folder_);
}

int OutputFile::Refuse(int error, std::string doing) {
  doing_ = std::move(doing);
  return error;
}

int OutputFile::RefuseShared(const struct stat& file) {
  whole_ = true;
  doing_ = std::string(followed_ ? "the link leads to " : "it is ") +
           (S_ISFIFO(file.st_mode) ? "a FIFO" : "a file") + " that belongs to " +
           OwnerName(file.st_uid) +
           ", in a folder where others may make files but only owners may remove them, and it "
           "is neither yours nor the folder owner's; the system keeps such a file from other "
           "users' writes, and so does vantrel-cli. Nothing was written: choose another name, or "
           "remove the file first.";
  return EACCES;
}

int OutputFile::RefuseChanged() {
  whole_ = true;
  doing_ =
      "it was changed by someone else after vantrel-cli had checked it; nothing was written, and "
      "what is there now is left as it is.";
  return EAGAIN;
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

  // The name is opened once, without following a symbolic link, and every
  // check is made on what was opened; a link is followed by reading it from
  // there. What is written later is what was checked now, before the
  // password is asked for, whatever the names become meanwhile.
  struct stat st {};
  struct stat dir {};
  for (int links = 0;; ++links) {
    target_ = ::openat(folder_, name_.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (target_ < 0) {
      if (errno != ENOENT)
        return errno;
      if (links > 0) {
        create_ = true;  // the file a link names is made, as "> FILE" makes it
        return 0;
      }
      mode_ = (privateText ? 0600 : 0666) & ~Umask();
      return folderWritable();
    }
    if (::fstat(target_, &st) != 0 || ::fstat(folder_, &dir) != 0)
      return errno;
    if (!S_ISLNK(st.st_mode))
      break;
    if (links == kMaxLinks)
      return ELOOP;
    way_ = Way::kInPlace;
    followed_ = true;
    // A link in a folder that everyone may write in but only owners may
    // delete from may have been planted there by anyone: it is followed
    // only when it is the user's or the folder owner's, as the system's
    // protection of such links has it.
    if ((dir.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH) && st.st_uid != dir.st_uid &&
        st.st_uid != ::geteuid())
      return Refuse(EACCES, "another user's symbolic link in a shared folder is not followed");
    std::string to(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(target_, "", to.data(), to.size());
    if (length < 0)
      return errno;
    if (static_cast<std::size_t>(length) == to.size())
      return ENAMETOOLONG;
    to.resize(static_cast<std::size_t>(length));
    ::close(target_);
    target_ = -1;
    if (const std::size_t cut = to.rfind('/'); cut != std::string::npos) {
      const std::string where = cut == 0 ? "/" : to.substr(0, cut);
      const int next = ::openat(folder_, where.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (next < 0)
        return errno;
      ::close(folder_);
      folder_ = next;
      to.erase(0, cut + 1);
    }
    name_ = to.empty() ? "." : to;
  }
  if (S_ISDIR(st.st_mode))
    return EISDIR;
  if (S_ISSOCK(st.st_mode))
    return ENXIO;  // what opening it would say
  if (ProtectedInSharedFolder(dir, st))
    return RefuseShared(st);
  exists_ = true;
  if (S_ISFIFO(st.st_mode)) {
    // Opened once the result is ready, so that its reader does not wait
    // meanwhile; whether it may be written is known now.
    way_ = Way::kInPlace;
    fifo_ = true;
    return ::faccessat(target_, "", W_OK, AT_EMPTY_PATH | AT_EACCESS) == 0 ? 0 : errno;
  }
  // Opened for writing now, as "> FILE" opens it but without emptying it,
  // and checked to be what was looked at.
  const int opened =
      ::openat(folder_, name_.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (opened < 0)
    return errno;
  ::close(target_);
  target_ = opened;
  struct stat now {};
  if (::fstat(target_, &now) != 0)
    return errno;
  if (!SameFile(now, st))
    return RefuseChanged();
  if (const int flags = ::fcntl(target_, F_GETFL);
      flags < 0 || ::fcntl(target_, F_SETFL, flags & ~O_NONBLOCK) != 0)
    return errno;
  if (!S_ISREG(st.st_mode)) {
    // A device, opened now to know whether it is a terminal.
    way_ = Way::kInPlace;
    fd_ = target_;
    target_ = -1;
    return 0;
  }

  const bool root = ::geteuid() == 0;
  if (!root && (st.st_uid != ::geteuid() || !InGroup(st.st_gid)))
    way_ = Way::kInPlace;  // a replacement could not be given the file's owner and group
  if (st.st_nlink > 1)
    way_ = Way::kInPlace;  // a replacement would leave the other names with the old text
  if (MountPoint(target_, st, dir))
    way_ = Way::kInPlace;  // a file mounted there cannot be replaced, only written
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
  if (way_ == Way::kDescriptor)
    return 0;
  if (way_ == Way::kInPlace) {
    if (fifo_) {
      // The FIFO checked before, through the descriptor that holds it.
      fd_ = ::open(("/proc/self/fd/" + std::to_string(target_)).c_str(),
                   O_WRONLY | O_NOCTTY | O_CLOEXEC);
      if (fd_ < 0 && errno == ENOENT) {  // no /proc: by its name, then compared
        fd_ = ::openat(folder_, name_.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        struct stat opened {};
        struct stat checked {};
        if (fd_ >= 0 && (::fstat(fd_, &opened) != 0 || ::fstat(target_, &checked) != 0 ||
                         !SameFile(opened, checked)))
          return RefuseChanged();
      }
    } else if (create_) {
      // Made where the link points, unless something else came there since.
      fd_ = ::openat(folder_, name_.c_str(),
                     O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                     privateText_ ? 0600 : 0666);
    } else if (fd_ < 0) {
      fd_ = target_;
      target_ = -1;
    }
    if (fd_ < 0)
      return errno;
    struct stat st {};
    struct stat dir {};
    if (::fstat(fd_, &st) != 0 || ::fstat(folder_, &dir) != 0)
      return errno;
    if (create_ && !S_ISREG(st.st_mode))
      return RefuseChanged();
    if (ProtectedInSharedFolder(dir, st))
      return RefuseShared(st);  // its owner changed since it was checked
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
  if (!made_) {
    if (const int error = Make(); error != 0) {
      Discard();
      return error;
    }
  }
  return WriteAll(fd_, bytes);
}

int OutputFile::Commit() {
  if (!made_) {
    if (const int error = Write({}); error != 0)
      return error;
  }
  if (fd_ < 0)
    return EBADF;
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
  if (error == 0 && way_ == Way::kReplace)
    error = Replace();
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

// The result takes FILE's name, if the name still stands for what Open
// checked (nothing, or the file it opened); otherwise nothing is replaced.
int OutputFile::Replace() {
  struct stat now {};
  const bool there = ::fstatat(folder_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0;
  if (!there && errno != ENOENT)
    return errno;
  struct stat checked {};
  if (exists_ && (!there || ::fstat(target_, &checked) != 0 || !SameFile(now, checked)))
    return RefuseChanged();
  if (!exists_) {
    if (there)
      return RefuseChanged();
    if (::renameat2(folder_, temporary_.c_str(), folder_, name_.c_str(), RENAME_NOREPLACE) == 0)
      return 0;
    if (errno == EEXIST)
      return RefuseChanged();
    if (errno != EINVAL && errno != ENOSYS)
      return errno;
  }
  return ::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) == 0 ? 0 : errno;
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
  if (whole_)
    return doing_;
  return doing_.empty() ? ErrorText(error) : doing_ + ": " + ErrorText(error);
}

bool OutputFile::IsTerminal() const {
  return fd_ >= 0 && cli::IsTerminal(fd_);
}

}  // namespace vantrel::cli
