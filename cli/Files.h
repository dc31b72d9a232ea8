#pragma once

// Files by identity, and the output file of -o.

#include <optional>
#include <string>
#include <string_view>

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
//   file), and a file whose owner the user could not give back to it.
//   Private text makes such a regular file readable by its owner only
//   first, and is refused when only another user could do that.
// - /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N
//   are the tool's own descriptors, written as they are open (appending
//   stays appending).
// - Refused by Open, before anything is asked: what "> FILE" refuses (a
//   folder, a socket, a file the user may not write), a folder where no
//   file can be made (for a replacement, which needs one), and a symbolic
//   link another user planted in a folder that everyone may write in and
//   only owners may delete from (as /tmp), unless it is the folder owner's:
//   the system itself refuses to follow such links where it protects them.
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
  int Refuse(int error, std::string doing);

  enum class Way { kReplace, kInPlace, kDescriptor } way_ = Way::kReplace;
  bool privateText_ = false;
  int folder_ = -1;   // FILE's folder, opened once so that it cannot change under the tool
  std::string name_;  // FILE's name in it
  bool exists_ = false;
  bool create_ = false;  // in place through a symbolic link to nothing yet
  bool fifo_ = false;
  bool made_ = false;  // Make has run
  unsigned mode_ = 0;  // the replacement's permissions
  long owner_ = -1, group_ = -1;
  bool named_ = false;  // the temporary file has a name, temporary_
  std::string temporary_;
  std::string doing_;  // what was being done when the last step failed
#endif
};

}  // namespace vantrel::cli
