#include "Sentences.h"

#include <algorithm>
#include <cstdio>

#include "Utf8.h"

namespace vantrel::cli {
namespace {

// The message's text on one line: blanks around each line trimmed, lines
// joined by a space, or by a colon after a line with no closing stop.
std::string OneLine(const Text& text) {
  std::string joined;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == Text::npos)
      end = text.size();
    Text line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == u'\r' || line.back() == u' '))
      line.pop_back();
    const std::size_t first = line.find_first_not_of(u' ');
    line = first == Text::npos ? Text() : line.substr(first);
    if (!line.empty()) {
      if (!joined.empty())
        joined += joined.back() == '.' || joined.back() == ';' ? " " : ": ";
      joined += EncodeUtf8(line);
    }
    start = end + 1;
  }
  return joined;
}

// A sentence of the window as the rest of a line after "vantrel-cli: ".
std::string Lowered(std::string sentence) {
  if (sentence.size() > 1 && sentence[0] >= 'A' && sentence[0] <= 'Z' &&
      !(sentence[1] >= 'A' && sentence[1] <= 'Z'))
    sentence[0] = static_cast<char>(sentence[0] - 'A' + 'a');
  return sentence;
}

std::string WindowSays(const Message& message) {
  return " (the window says \"" + OneLine(message.text) + "\").";
}

std::string CodePoint(char32_t character) {
  char number[16];
  std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(character));
  return number;
}

// Characters better named by number than shown: controls, and the
// invisible spaces, joiners and direction marks of General Punctuation.
bool Invisible(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x2000 && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202F) || (c >= 0x205F && c <= 0x206F) || c == 0xFEFF;
}

std::string Utf8Of(char32_t c) {
  std::string out;
  if (c < 0x10000) {
    out = EncodeUtf8(Text(1, static_cast<char16_t>(c)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  return out;
}

// The length of the UTF-8 sequence a lead byte starts, or 0 for a byte
// that starts none.
std::size_t SequenceLength(unsigned char lead) {
  return lead < 0x80                    ? 1
         : lead >= 0xC2 && lead <= 0xDF ? 2
         : lead >= 0xE0 && lead <= 0xEF ? 3
         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                        : 0;
}

}  // namespace

std::string Sentence(const Message& message) {
  switch (message.id) {
    case MsgId::NeedPassword:
      return "the password is empty" + WindowSays(message);
    case MsgId::NeedText:
      return "there is no text to encode: the input is empty" + WindowSays(message);
    case MsgId::NeedCode:
      return "there is no code to decode: the input is empty" + WindowSays(message);
    case MsgId::WrongPassword:
      return "wrong password: the code does not decode with this one" + WindowSays(message);
    case MsgId::CodecError:
      return "the input is not a code, or the password is wrong" + WindowSays(message);
    case MsgId::TooLong:
    case MsgId::IllFormed:
    case MsgId::Damaged:
    case MsgId::NewerForm:
      // The window's own words say what is wrong and what to do.
      return Lowered(OneLine(message.text));
    case MsgId::SeveralCodes: {
      // The window's first sentence, and the tool's own ways to choose.
      const Text& text = message.text;
      std::string said = Lowered(OneLine(text.substr(0, text.find(u'\r'))));
      if (said.starts_with("this text"))
        said.replace(0, 9, "the input");
      return said.substr(0, said.size() - (said.ends_with('.') ? 1 : 0)) +
             ": keep only the code you want in the input, or choose it with --block N (N = 1 "
             "for the first from the top).";
    }
    case MsgId::NothingToCopy:
    case MsgId::Copied:
    case MsgId::CopiedForMail:
    case MsgId::ClipboardBusy:
      break;  // the tool has no clipboard
    case MsgId::NotTyped:
    case MsgId::Oversized:
      break;  // the page's own
    case MsgId::Fatal:
      return "internal error" + WindowSays(message);
  }
  return "the window says \"" + OneLine(message.text) + "\".";
}

std::string NeedsAnyTextForm(const OutsideCodePage& where) {
  // Built by appending: GCC 12 at -O3 takes "literal" + string for an overlap.
  std::string sentence = "the character ";
  if (Invisible(where.character)) {
    sentence += CodePoint(where.character);
  } else {
    sentence += '"';
    sentence += Utf8Of(where.character);
    sentence += "\" (";
    sentence += CodePoint(where.character);
    sentence += ')';
  }
  sentence += " at line " + std::to_string(where.line) + ", column " +
              std::to_string(where.column) +
              " needs the any-text form, which older copies of Vantrel show as a notice "
              "instead of the text; without --compatible it is encoded all the same.";
  return sentence;
}

std::string Shown(std::string_view name) {
  std::string shown;
  while (!name.empty()) {
    const auto lead = static_cast<unsigned char>(name[0]);
    const std::size_t length = std::min(SequenceLength(lead), name.size());
    const Utf8Text one = DecodeUtf8(name.substr(0, length));
    if (length == 0 || one.badOffset) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += kHex[lead >> 4];
      shown += kHex[lead & 0xF];
      name.remove_prefix(1);
      continue;
    }
    const char32_t character =
        one.text.size() == 2 ? 0x10000 + ((static_cast<char32_t>(one.text[0]) - 0xD800) << 10) +
                                   (static_cast<char32_t>(one.text[1]) - 0xDC00)
                             : one.text[0];
    if (Invisible(character))
      shown += CodePoint(character);
    else
      shown += name.substr(0, length);
    name.remove_prefix(length);
  }
  return shown;
}

}  // namespace vantrel::cli
