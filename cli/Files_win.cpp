// Files on Windows. A file's identity is its volume's serial number and its
// index on that volume. The output's temporary file is marked for deletion
// from the moment it is made, so that the system removes it however the
// process ends, even killed; the mark is lifted just before the file is
// renamed over the target in one step (MoveFileExW).
//
// Windows has no permission bits: the result takes the access rights its
// folder gives new files (in a user's own folders, the user, SYSTEM and
// Administrators), private text included, and a file it replaces does not
// pass its own on.

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstring>

#include "Files.h"
#include "Process.h"
#include "Streams.h"
#include "WinSystem.h"

namespace vantrel::cli {
namespace {

// The whole 128-bit identifier, which ReFS (a Dev Drive) needs to tell
// files apart. Wine cannot identify standard handles it made from Unix
// descriptors (their volume reads as 0), so there "encode f >> f" from a
// Unix shell goes undetected; from cmd it is refused.
std::optional<FileId> IdOf(HANDLE handle) {
  FILE_STANDARD_INFO standard{};
  FILE_ID_INFO id{};
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) ||
      standard.Directory || !GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id))
    return std::nullopt;
  FileId file{id.VolumeSerialNumber, 0, 0};
  std::memcpy(&file.number, id.FileId.Identifier, sizeof file.number);
  std::memcpy(&file.numberHigh, id.FileId.Identifier + sizeof file.number, sizeof file.numberHigh);
  return file;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The temporary file the console event handler removes; one output at a time.
std::atomic<const wchar_t*> gTemporary{nullptr};
std::wstring gTemporaryName;

void RemoveTemporary() {
  if (const wchar_t* path = gTemporary.load())
    DeleteFileW(path);
}

bool MarkForDeletion(HANDLE handle, bool mark) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = mark ? TRUE : FALSE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

// The path of the file a link (or any path) finally names.
std::wstring FinalPath(const std::wstring& path, DWORD& error) {
  const HANDLE handle = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return {};
  }
  std::wstring final(MAX_PATH, L'\0');
  DWORD length =
      GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
  if (length >= final.size()) {
    final.resize(length);
    length = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
  }
  error = length == 0 ? GetLastError() : 0;
  CloseHandle(handle);
  final.resize(length < final.size() ? length : 0);
  return final;
}

}  // namespace

std::optional<FileId> RegularFileId(int fd) {
  return IdOf(HandleOf(fd));
}

std::optional<FileId> RegularFileId(const std::string& path) {
  const HANDLE handle = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::optional<FileId> id = IdOf(handle);
  if (handle != INVALID_HANDLE_VALUE)
    CloseHandle(handle);
  return id;
}

bool EmptiedForWriting(int fd) {
  const HANDLE handle = HandleOf(fd);
  LARGE_INTEGER size{};
  return IdOf(handle) && GetFileSizeEx(handle, &size) && size.QuadPart == 0;
}

OutputFile::~OutputFile() {
  Discard();
}

int OutputFile::Open(const std::string& path, bool) {
  std::wstring target = Wide(path);
  // A device (NUL, CON, a COM port) or a named pipe cannot be replaced: it
  // is written as it is, as "> NUL" writes it.
  if (const HANDLE device =
          CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
      device != INVALID_HANDLE_VALUE) {
    const DWORD type = GetFileType(device);
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
      fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(device), _O_WRONLY | _O_BINARY);
      if (fd_ < 0) {
        CloseHandle(device);
        return ERROR_TOO_MANY_OPEN_FILES;
      }
      return 0;
    }
    CloseHandle(device);
  }
  DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (const DWORD error = exists ? 0 : GetLastError();
      error != 0 && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
    return static_cast<int>(error);
  if (exists && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    DWORD error = 0;
    target = FinalPath(target, error);
    if (error != 0)
      return static_cast<int>(error);
    attributes = GetFileAttributesW(target.c_str());
  }
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return ERROR_ACCESS_DENIED;  // what cmd's "> folder" says too
  if (exists) {
    // A file the user may not write (read-only, or denied by its access
    // rights) is refused, as a shell's redirection would refuse it.
    const HANDLE probe =
        CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
      return static_cast<int>(GetLastError());
    CloseHandle(probe);
  }
  target_ = Utf8(target);

  const std::size_t slash = target.find_last_of(L"\\/");
  std::size_t nameAt = slash == std::wstring::npos ? 0 : slash + 1;
  if (slash == std::wstring::npos && target.size() > 1 && target[1] == L':')
    nameAt = 2;  // "C:name", in the drive's current folder
  // Short, so that any name that fits leaves room for it beside it.
  const std::wstring stem = target.substr(0, nameAt) + L".vantrel-";
  static unsigned counter = 0;
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::wstring temporary;
  for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
    const unsigned long long mix = (GetTickCount64() << 20) ^
                                   (static_cast<unsigned long long>(GetCurrentProcessId()) << 8) ^
                                   ++counter;
    temporary = stem;
    for (int shift = 20; shift >= 0; shift -= 4)
      temporary.push_back(L"0123456789abcdef"[(mix >> shift) & 0xF]);
    handle = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
      return static_cast<int>(GetLastError());
  }
  if (handle == INVALID_HANDLE_VALUE)
    return ERROR_FILE_EXISTS;
  const bool marked = MarkForDeletion(handle, true);
  fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd_ < 0) {
    if (!marked)
      DeleteFileW(temporary.c_str());
    CloseHandle(handle);
    return ERROR_TOO_MANY_OPEN_FILES;
  }
  temporary_ = Utf8(temporary);
  gTemporaryName = std::move(temporary);
  gTemporary.store(gTemporaryName.c_str());
  AddCleanup(RemoveTemporary);
  return 0;
}

int OutputFile::Write(std::string_view bytes) {
  return WriteAll(fd_, bytes);
}

int OutputFile::Commit() {
  if (temporary_.empty()) {  // a device, written in place
    const int error = _close(fd_) == 0 ? 0 : ERROR_WRITE_FAULT;
    fd_ = -1;
    return error;
  }
  const HANDLE handle = HandleOf(fd_);
  int error = 0;
  if (!FlushFileBuffers(handle) || !MarkForDeletion(handle, false))
    error = static_cast<int>(GetLastError());
  if (_close(fd_) != 0 && error == 0)
    error = ERROR_WRITE_FAULT;
  fd_ = -1;
  if (error == 0 && !MoveFileExW(Wide(temporary_).c_str(), Wide(target_).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = static_cast<int>(GetLastError());
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
    _close(fd_);  // a file still marked for deletion goes now
  fd_ = -1;
  if (!temporary_.empty()) {
    DeleteFileW(Wide(temporary_).c_str());
    gTemporary.store(nullptr);
    RemoveCleanup(RemoveTemporary);
    temporary_.clear();
  }
}

std::string OutputFile::Why(int error) const {
  return ErrorText(error);
}

bool OutputFile::IsTerminal() const {
  return fd_ >= 0 && temporary_.empty() && cli::IsTerminal(fd_);  // -o CON
}

}  // namespace vantrel::cli
