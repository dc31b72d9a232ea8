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

// The decoder's only way to fail. Its number is the first of the range kept
// for application-defined errors; its description is one of the texts below.
class CodecError : public Error {
 public:
  static constexpr std::int32_t kNumber = -2147221504;  // 0x80040000
  explicit CodecError(Text description) : Error(kNumber, std::move(description)) {}
};

inline constexpr char16_t kLengthErrorText[] =
    u"Length Of Encoded Input String Is Not A Multiple of 4.";
inline constexpr char16_t kRangeErrorText[] =
    u"Illegal Character In Encoded data Or Wrong Password";
inline constexpr char16_t kAlphabetErrorText[] =
    u"Illegal Character In Encoded Data Or Wrong Password";
// Input that is nothing but padding once the trailing "=" are removed (four
// "=", or one character and three "="): it decodes to no byte at all.
inline constexpr char16_t kNoDataErrorText[] = u"No Data In Encoded Input String Or Wrong Password";

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
// Base64 text of all of bytes. Never fails.
Text EncodeByteArray(const ByteArray& bytes);
// Base64 text of the first n elements of bytes. An n outside 0..bytes.size()
// is a subscript error (number 9); the program never passes one.
Text EncodeBytes(const ByteArray& bytes, std::int32_t n);

// The text a Base64 text encodes: the empty text for the empty text, else
// BytesToText(DecodeBytes(text)). Throws CodecError.
Text DecodeText(const Text& text);
// The bytes a Base64 text encodes. Groups are checked in order; the first
// fault throws a CodecError and nothing is returned.
ByteArray DecodeBytes(const Text& text);

}  // namespace vantrel
