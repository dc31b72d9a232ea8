#pragma once

// The Base64 codec: conversion between text and byte arrays, the two code
// tables, the encoder and the decoder. Free procedures over module-level
// tables; nothing here knows about the window.
//
// Encoded text follows RFC 4648: the standard alphabet, "=" padding to a
// multiple of four, no line breaks. The decoder is stricter than most: it
// skips nothing (line breaks and blanks are errors) but it accepts any number
// of trailing "=" groups, and it reports every failure as a CodecError.

#include <array>
#include <cstdint>
#include <vector>

#include "Error.h"

namespace vantrel {

// Zero-based array of bytes with its length.
using ByteArray = std::vector<std::uint8_t>;

// What a Base64 text can have wrong with it, in the order the decoder checks.
enum class CodecFault {
  Length,    // its length is not a multiple of 4
  Range,     // a group holds a character code above 127
  Alphabet,  // a group holds a character outside the alphabet ("=" inside a group too)
  NoData,    // nothing but padding once the trailing "=" are removed: no byte at all
};

// The description of each fault, exactly as the user reads it.
const char16_t* CodecErrorText(CodecFault fault);

// The decoder's only way to fail. Its number is the first of the range kept
// for application-defined errors; its description is that of its fault.
class CodecError : public Error {
 public:
  static constexpr std::int32_t kNumber = -2147221504;  // 0x80040000
  explicit CodecError(CodecFault fault) : Error(kNumber, CodecErrorText(fault)), fault_(fault) {}
  CodecFault Fault() const noexcept { return fault_; }

 private:
  CodecFault fault_;
};

// Base64Chars[v] is the character code of Base64 value v (0..63).
extern const std::array<std::uint8_t, 64>& Base64Chars;
// Base64Values[c] is the Base64 value of character code c (0..127), or 255
// for a character outside the alphabet ("=" included).
extern const std::array<std::uint8_t, 128>& Base64Values;
// False until InitCodeTables has filled both tables; they never change after.
extern const bool& TablesReady;

// One byte per code unit: the unit itself when below 256, else 63 ("?").
ByteArray TextToBytes(const Text& text);
// One code unit per byte, U+0000 to U+00FF.
Text BytesToText(const ByteArray& bytes);
// Fills both code tables. The encoder and decoder call it on first use.
void InitCodeTables();

// Base64 text of TextToBytes(text). Never fails.
Text EncodeText(const Text& text);
// out := EncodeText(text), in out's own storage where it has room. text and
// out must be different texts.
void EncodeTextInto(const Text& text, Text& out);
// Base64 text of all of bytes, for callers that hold bytes rather than text.
// Never fails.
Text EncodeByteArray(const ByteArray& bytes);
// Base64 text of the first n elements of bytes. An n outside 0..bytes.size()
// is a subscript error (number 9); the program never passes one.
Text EncodeBytes(const ByteArray& bytes, std::int32_t n);

// The text a Base64 text encodes: the empty text for the empty text, else
// BytesToText(DecodeBytes(text)). Throws CodecError.
Text DecodeText(const Text& text);
// The bytes a Base64 text encodes, for callers that want bytes. Groups are checked in order; the
// first fault throws a CodecError and nothing is returned.
ByteArray DecodeBytes(const Text& text);

}  // namespace vantrel
