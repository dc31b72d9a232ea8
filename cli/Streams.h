#pragma once

// Reading and writing the tool's streams through plain descriptors, so that
// every byte goes through exactly as it stands. With Terminal.h, Files.h and
// Process.h this is the part of the tool that speaks to the system; the rest
// is portable.
//
// On Windows a descriptor is the C runtime's (0, 1 and 2 are the standard
// handles), read and written straight through its handle; a console is read
// and written in UTF-16, converted from and to UTF-8. An error number there
// is the system's (GetLastError), not errno.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vantrel::cli {

inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

struct ReadResult {
  enum Outcome { kOk, kTooLong, kFailed, kNoTerminal } outcome = kOk;
  int error = 0;  // the system's error number for kFailed
  std::string bytes;
};

// Hands each piece read to take, up to the end of the stream; kTooLong as
// soon as take returns false, and nothing more is read. Keeps no bytes.
ReadResult ReadPieces(int fd, const std::function<bool(std::string_view)>& take);

// Everything up to the end of the stream, or kTooLong as soon as it holds
// more than limit bytes.
ReadResult ReadAll(int fd, std::size_t limit);

// The first line, without its line ending (LF or CR LF; a CR left at the end
// of the stream goes too). Reads one byte at a time, so the rest of the
// stream stays unread for whoever reads it next. kTooLong when the line
// holds more than limit bytes. The bytes' storage is reserved once and never
// moves, so a password read here leaves no copy behind to wipe.
ReadResult ReadFirstLine(int fd, std::size_t limit);

// One byte, so that a line can be read without reading past it: kByte with
// the byte in c, kEnd at the end of the stream, or kFailed with the error
// number in error.
enum class ByteRead { kByte, kEnd, kFailed };
ByteRead ReadByte(int fd, char& c, int& error);

// Writes all of bytes; returns 0, or the error number of the write that failed.
int WriteAll(int fd, std::string_view bytes);

bool IsTerminal(int fd);
bool IsOpen(int fd);

// Opens a named file for reading: the descriptor, or -1 with the error number in error.
int OpenForReading(const std::string& path, int& error);
void Close(int fd);

// The system's description of an error number.
std::string ErrorText(int error);

}  // namespace vantrel::cli
