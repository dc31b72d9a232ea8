// The decoder against any sequence of code units: it either returns a text or
// throws a CodecError (and nothing else), and whatever the
// encoder makes it gives back unchanged. The any-text form too: reading any
// plain text never fails and gives a well-formed text, and any well-formed
// text comes back from its form, through a code as well.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

#include "FuzzInput.h"
#include "codec/AnyText.h"
#include "codec/MailSafe.h"
#include "codec/Module1.h"

namespace {

using vantrel::Text;
using vantrel::fuzz::Require;

bool IsBase64Char(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
         (unit >= u'0' && unit <= u'9') || unit == u'+' || unit == u'/';
}

// Any text as a decoded plain text: what the form's reader takes from it is a
// well-formed text, or bytes, that come back from their own form. (The reader
// is lenient where no text is lost: it takes a run that holds characters a
// writer keeps as they are, so not every form it reads is one a writer makes.)
void CheckAnyTextRead(const Text& plain) {
  const vantrel::AnyTextRead read = vantrel::ReadAnyTextForm(plain);
  switch (read.kind) {
    case vantrel::AnyTextRead::Kind::Plain:
      break;
    case vantrel::AnyTextRead::Kind::Unicode:
      Require(!vantrel::FirstIllFormed(read.text), "a form read as a broken text");
      Require(vantrel::ReadAnyTextForm(vantrel::AnyTextForm(read.text)).text == read.text,
              "a text read from a form does not come back from its own form");
      break;
    case vantrel::AnyTextRead::Kind::Bytes:
      Require(vantrel::ReadAnyTextForm(vantrel::AnyBytesForm(read.bytes)).bytes == read.bytes,
              "bytes read from a form do not come back from their own form");
      break;
  }
}

// Any text into DecodeText: a text of bytes, or one of the four failures.
void CheckDecode(const Text& code) {
  try {
    const Text plain = vantrel::DecodeText(code);
    CheckAnyTextRead(plain);
    Require(code.size() % 4 == 0, "a code whose length is not a multiple of 4 decoded");
    std::size_t data = code.size();
    while (data > 0 && code[data - 1] == u'=')
      --data;
    Require(plain.size() == data * 3 / 4, "decoded length is not 3/4 of the data characters");
    for (const char16_t unit : plain)
      Require(unit < 256, "decoded text holds a unit above 255");
  } catch (const vantrel::CodecError& error) {
    Require(error.Number() == vantrel::CodecError::kNumber, "codec error with a wrong number");
    Require(code.size() % 4 == 0 || error.Fault() == vantrel::CodecFault::Length,
            "a length not a multiple of 4 gave another error than the length error");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "DecodeText threw: %s\n", error.what());
    Require(false, "DecodeText threw something other than a CodecError");
  } catch (...) {
    Require(false, "DecodeText threw something other than a CodecError");
  }
}

// Bytes through the encoder and back.
void CheckRoundTrip(const std::uint8_t* data, std::size_t size) {
  const Text plain(data, data + size);
  Text code;
  try {
    code = vantrel::EncodeText(plain);
  } catch (...) {
    Require(false, "EncodeText threw");
  }
  Require(code.size() == (size + 2) / 3 * 4, "code length is not 4 per started group of 3");
  const std::size_t padding = (3 - size % 3) % 3;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const bool pad = i >= code.size() - padding;
    Require(pad ? code[i] == u'=' : IsBase64Char(code[i]), "encoder wrote a stray character");
  }
  try {
    Require(vantrel::DecodeText(code) == plain, "decoding an encoded text changed it");
  } catch (const vantrel::Error&) {
    Require(false, "the decoder refused the encoder's output");
  }
}

// Any well-formed text through its form, and through the code of its form.
void CheckAnyTextRoundTrip(const Text& text) {
  if (vantrel::FirstIllFormed(text))
    return;
  const Text form = vantrel::AnyTextForm(text);
  Require(form.size() == vantrel::AnyTextFormLength(text), "the form's length is not foretold");
  for (const char16_t unit : form)
    Require(unit >= 10 && unit <= 125, "the form holds a character outside 10..125");
  const vantrel::AnyTextRead read = vantrel::ReadAnyTextForm(form);
  Require(read.kind == vantrel::AnyTextRead::Kind::Unicode && read.text == text,
          "a text did not come back from its form");
  try {
    const vantrel::AnyTextRead decoded =
        vantrel::ReadAnyTextForm(vantrel::DecodeText(vantrel::EncodeText(form)));
    Require(decoded.kind == vantrel::AnyTextRead::Kind::Unicode && decoded.text == text,
            "a text did not come back from the code of its form");
  } catch (...) {
    Require(false, "the code of a form did not decode");
  }
}

// Any text through the mail-safe reader: it never fails, and what it reads
// as intact is a code whose block it reads back the same.
void CheckMailSafe(const Text& text) {
  const vantrel::MailSafeRead read = vantrel::ReadMailSafe(text);
  if (read.found != vantrel::MailSafeFind::Intact)
    return;
  Require(!read.code.empty(), "an intact block without a code");
  const vantrel::MailSafeRead again =
      vantrel::ReadMailSafe(vantrel::MailSafeForm(read.code, u"\n"));
  Require(again.found == vantrel::MailSafeFind::Intact && again.code == read.code,
          "a block made of a code read back as another");
}

// Any bytes through the reader of saved mail, every view at once: an
// intact code reads back the same, the count of blocks agrees with the
// outcome, and choosing each block in turn never fails.
void CheckMailSafeBytes(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vantrel::MailSafeRead read = vantrel::ReadMailSafeBytes(bytes);
  Require((read.found == vantrel::MailSafeFind::None) == (read.blocks == 0),
          "a block found but none counted, or counted but none found");
  Require(read.found != vantrel::MailSafeFind::Several || read.blocks >= 2,
          "several blocks said for fewer than two");
  if (read.found == vantrel::MailSafeFind::Intact) {
    const vantrel::MailSafeRead again =
        vantrel::ReadMailSafe(vantrel::MailSafeForm(read.code, u"\n"));
    Require(again.found == vantrel::MailSafeFind::Intact && again.code == read.code,
            "a block made of a code read back as another");
  }
  for (std::size_t pick = 1; pick <= read.blocks && pick <= 3; ++pick) {
    const vantrel::MailSafeRead chosen = vantrel::ReadMailSafeBytes(bytes, pick);
    Require(chosen.blocks == read.blocks && chosen.found != vantrel::MailSafeFind::Several &&
                chosen.found != vantrel::MailSafeFind::None,
            "a block chosen by its place was not read");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantrel::fuzz::ByteReader reader(data, size);
  const Text units = reader.Units();
  CheckDecode(units);
  CheckMailSafe(units);
  CheckMailSafeBytes(data, size);
  CheckAnyTextRead(units);
  CheckAnyTextRoundTrip(units);
  CheckRoundTrip(data, size);
  return 0;
}
