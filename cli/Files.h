#pragma once

// Files by identity, and the output file of -o.

#include <optional>
#include <string>
#include <string_view>

#ifndef _WIN32
struct stat;
#endif

namespace vantrel::cli {

// Which file a descriptor or a path names: device and file number (on
// Windows the volume's serial number and the file's 128-bit identifier).
struct FileId {
  unsigned long long device = 0, number = 0, numberHigh = 0;
  bool operator==(const FileId&) const = default;
};

// The identity of a regular file; nothing for anything else (a terminal, a
// pipe, a device) or a path that names nothing. A path's symbolic links are
// followed.
std::optional<FileId> RegularFileId(int fd);
std::optional<FileId> RegularFileId(const std::string& path);

// True when a descriptor is a regular file that holds nothing and is not
// open for appending: what a shell's "> f" leaves of f. On Windows, where
// an appending redirection only starts at the end, an empty file.
bool EmptiedForWriting(int fd);

// Where -o FILE puts the result, and how, as safely as a shell's "> FILE":
//
// - FILE is opened once, by Open, before anything is asked, without
//   following a symbolic link: every check is made on what was opened, a
//   link is followed by reading it from there, and what is written later
//   is what was checked, whatever the names become meanwhile. A name that
//   stands for something else by then is left as it is, and nothing is
//   written.
// - A regular file with one name (or no file yet) is replaced in one step,
//   only once the result is complete: the bytes go to a temporary file in
//   the same folder, made only when the result is ready and, where the
//   file system allows, without a name until it is complete (so that even
//   a killed process leaves nothing), then renamed over FILE. On any
//   failure, and when a signal ends the program first, FILE is untouched.
//   The replacement keeps FILE's owner and permissions, except that private
//   text never gets more than the owner's; a new file gets the usual
//   permissions, or only the owner's read and write for private text, as
//   the user's file-creation mask allows.
// - Everything else is written in place, as "> FILE" writes it: a FIFO, a
//   device, a symbolic link (the file it names, made if it is missing), a
//   file with more than one name (so that every name keeps seeing the same
//   file), a file mounted there (which cannot be renamed over), and a file
//   whose owner the user could not give back to it. Private text makes
//   such a regular file readable by its owner only first, and is refused
//   when only another user could do that.
// - /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N
//   are the tool's own descriptors, written as they are open (appending
//   stays appending).
// - Refused by Open, before anything is asked: what "> FILE" refuses (a
//   folder, a socket, a file the user may not write), a folder where no
//   file can be made (for a replacement, which needs one), and in a folder
//   that others may write in but only owners delete from (as /tmp):
//   another user's symbolic link, unless it is the folder owner's, and
//   another user's file or FIFO (also where a link leads), unless it is the
//   folder owner's. The system refuses both where it protects such folders,
//   at its strictest for files and FIFOs (the folder's group counts as
//   others); the tool does whatever the machine's setting.
//
// On Windows every file is replaced through a temporary file made at Open,
// which the system removes however the process ends; a symbolic link's
// target is replaced; the result takes the access rights its folder gives
// new files, private text too. A device (NUL, CON) or a named pipe is
// written in place.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Checks that the result can go to path and prepares it; 0, or the error
  // number of the step that failed.
  int Open(const std::string& path, bool privateText);
  // The first call makes the temporary file, or opens FILE.
  int Write(std::string_view bytes);
  int Commit();

  // The rest of "cannot write FILE: ..." for an error number these gave:
  // the system's words, after what was being done when it is not plain.
  std::string Why(int error) const;
  // True when the output is a terminal (through a descriptor's name or a
  // terminal's device), which gets what a terminal on standard output gets.
  bool IsTerminal() const;

 private:
  void Discard();

  int fd_ = -1;
#ifdef _WIN32
  std::string target_;
  std::string temporary_;
#else
  int Make();
  int Replace();
  int Refuse(int error, std::string doing);
  int RefuseShared(const struct stat& file);
  int RefuseChanged();

  static constexpr int kMaxLinks = 40;  // links followed one after another, as the system allows

  enum class Way { kReplace, kInPlace, kDescriptor } way_ = Way::kReplace;
  bool privateText_ = false;
  int folder_ = -1;   // FILE's folder (that of the file its links name), opened once
  std::string name_;  // FILE's name in it
  int target_ = -1;   // the existing file as checked: open for writing, or only held (a FIFO)
  bool exists_ = false;
  bool followed_ = false;  // FILE is a symbolic link
  bool create_ = false;    // in place through a symbolic link to nothing yet
  bool fifo_ = false;
  bool made_ = false;  // Make has run
  unsigned mode_ = 0;  // the replacement's permissions
  long owner_ = -1, group_ = -1;
  bool named_ = false;  // the temporary file has a name, temporary_
  std::string temporary_;
  std::string doing_;   // what was being done when the last step failed
  bool whole_ = false;  // doing_ says all, without the system's words
#endif
};

}  // namespace vantrel::cli
