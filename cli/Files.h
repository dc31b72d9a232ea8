#pragma once

// Files by identity, and an output file that appears whole or not at all.

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::cli {

// Which file a descriptor or a path names: device and file number.
struct FileId {
  unsigned long long device = 0, number = 0;
  bool operator==(const FileId&) const = default;
};

// The identity of a regular file; nothing for anything else (a terminal, a
// pipe, a device) or a path that names nothing. A path's symbolic links are
// followed.
std::optional<FileId> RegularFileId(int fd);
std::optional<FileId> RegularFileId(const std::string& path);

// A file that replaces the one at a path only when it is complete. The
// bytes go to a temporary file in the same folder, which Commit renames over
// the path in one step; on any failure, and when the program ends by a
// signal first, the temporary file is removed and the path is untouched.
//
// A symbolic link at the path is followed: the file it names is replaced,
// the link stays. An existing file keeps its owner where the system allows
// and its permissions, except that private text never gets more than the
// owner's; a new file gets the usual permissions for the user, or only the
// owner's read and write for private text. A file the user may not write
// is refused, as a shell's redirection would refuse it.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Prepares to replace path; 0, or the errno of the step that failed.
  int Open(const std::string& path, bool privateText);
  int Write(std::string_view bytes);
  int Commit();

 private:
  void Discard();

  int fd_ = -1;
  std::string target_;
  std::string temporary_;
};

}  // namespace vantrel::cli
