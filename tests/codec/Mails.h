#pragma once

// Mails as they reach a reader of mail-safe blocks, saved or pasted: one
// table shared by the reader's, the window model's and the tool's tests.
// Each row makes a mail out of two blocks of different codes (an older and
// a newer one) and says what reading it gives.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/Text.h"

namespace vantrel::testing {

enum class MailOutcome {
  Old,      // the older block's code
  New,      // the newer block's code
  Damaged,  // a damaged block
  Newer,    // a block of a later form
  Several,  // several different blocks, none chosen
  None,     // no block
};

// Two blocks as a writer makes them: lines ending in LF, none at the end.
struct MailBlocks {
  std::string old, fresh;
};

struct Mail {
  std::string bytes;  // the mail as saved
  Text text;          // what a window's field holds when the mail is pasted
};

struct MailCase {
  const char* how;
  std::function<Mail(const MailBlocks&)> make;
  MailOutcome outcome;
  std::size_t blocks = 1;  // the different blocks a reader counts
  bool unicode = false;    // a field keeps it only if it keeps any Unicode text
};

namespace mails {

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos)
      return lines;
    start = end + 1;
  }
}

inline std::string Join(const std::vector<std::string>& lines, std::string_view between) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i)
    out += (i > 0 ? std::string(between) : std::string()) + lines[i];
  return out;
}

inline std::string Quote(const std::string& text) {
  return "> " + Join(Lines(text), "\n> ");
}

inline std::string Replace(std::string text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Text whose characters are all below 128 or UTF-8 as the window sees it.
inline Text FromUtf8(std::string_view bytes) {
  Text text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? char32_t{b} : static_cast<char32_t>(b & (0xFF >> (n + 1)));
    for (int k = 1; k < n; ++k)
      c = c << 6 | static_cast<char32_t>(
                       static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]) & 0x3FU);
    if (c >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(c);
    }
    i += static_cast<std::size_t>(n);
  }
  return text;
}

inline std::string ToUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

inline Mail Utf8Mail(const std::string& bytes) {
  return {bytes, FromUtf8(bytes)};
}

// Quoted-printable as mail programs write it: "=" and bytes outside
// printable ASCII as "=XX", lines broken with "=" before `width`.
inline std::string QuotedPrintable(const std::string& text, std::size_t width) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  std::size_t column = 0;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += '\n';
      column = 0;
      continue;
    }
    const std::string piece = b == '=' || b >= 0x7F || (b < 0x20 && b != '\t')
                                  ? std::string{'=', kHex[b >> 4], kHex[b & 0xF]}
                                  : std::string(1, c);
    if (column + piece.size() >= width) {
      out += "=\n";
      column = 0;
    }
    out += piece;
    column += piece.size();
  }
  return out;
}

inline std::string Base64Lines(const std::string& bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = 0;
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    for (std::size_t k = 0; k < 3; ++k)
      group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
    for (std::size_t k = 0; k < 4; ++k)
      out += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    if ((i / 3 + 1) % 19 == 0)
      out += "\r\n";
  }
  return out;
}

inline std::string Utf16(const Text& text, bool bigEndian, bool mark) {
  std::string out;
  const auto put = [&](char16_t unit) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
  };
  if (mark)
    put(0xFEFF);
  for (const char16_t unit : text)
    put(unit);
  return out;
}

inline std::string Headers(std::string_view encoding, std::string_view type) {
  return "From: Ann <ann@example.org>\r\nSubject: the code\r\nMIME-Version: 1.0\r\n"
         "Content-Type: " +
         std::string(type) + "\r\nContent-Transfer-Encoding: " + std::string(encoding) + "\r\n\r\n";
}

// A block with one character of its Base64 text changed.
inline std::string Damage(std::string block) {
  const std::size_t at = block.find('~') + 5;
  block[at] = block[at] == 'Q' ? 'R' : 'Q';
  return block;
}

// Lines of a long quoted history: n bytes of them.
inline std::string History(std::size_t n) {
  const std::string line =
      "> > In the meeting we agreed on the plan for the spring, see below.\r\n";
  std::string out;
  out.reserve(n + line.size());
  while (out.size() < n)
    out += line;
  return out;
}

// Every white-space and format character a reader drops, each once.
inline std::vector<char32_t> Blanks() {
  std::vector<char32_t> all = {0x09,   0x0B,   0x0C,   0x20,    0x85,    0xA0,    0xAD,
                               0x1680, 0x180E, 0x2028, 0x2029,  0x202F,  0x205F,  0x3000,
                               0xFEFF, 0x061C, 0xFFF9, 0x110BD, 0x1D173, 0xE0001, 0xE007F};
  for (char32_t c = 0x2000; c <= 0x200F; ++c)
    all.push_back(c);
  for (char32_t c = 0x202A; c <= 0x202E; ++c)
    all.push_back(c);
  for (char32_t c = 0x2060; c <= 0x206F; ++c) {
    if (c != 0x2065)
      all.push_back(c);
  }
  return all;
}

}  // namespace mails

inline const std::vector<MailCase>& MailCases() {
  using namespace mails;
  static const std::vector<MailCase> cases = {
      {"the block alone", [](const MailBlocks& b) { return Utf8Mail(b.fresh + "\n"); },
       MailOutcome::New},
      {"top-posted reply",
       [](const MailBlocks& b) {
         return Utf8Mail("Here is mine:\n" + b.fresh + "\n\nOn Monday Ann wrote:\n" + Quote(b.old) +
                         "\n");
       },
       MailOutcome::New, 2},
      {"bottom-posted reply",
       [](const MailBlocks& b) {
         return Utf8Mail("On Monday you wrote:\n" + Quote(b.old) + "\n\nMine:\n" + b.fresh + "\n");
       },
       MailOutcome::New, 2},
      {"interleaved reply",
       [](const MailBlocks& b) {
         return Utf8Mail("> Hi,\n" + Quote(b.old) + "\nThanks.\n> Any news?\n" + b.fresh +
                         "\n> Bye\n");
       },
       MailOutcome::New, 2},
      {"the same block twice, once quoted",
       [](const MailBlocks& b) {
         return Utf8Mail(b.fresh + "\n\n" + Quote(b.fresh) + "\n" + b.fresh + "\n");
       },
       MailOutcome::New},
      {"two codes, neither quoted",
       [](const MailBlocks& b) { return Utf8Mail(b.old + "\n\n" + b.fresh + "\n"); },
       MailOutcome::Several, 2},
      {"two codes, both quoted",
       [](const MailBlocks& b) { return Utf8Mail(Quote(b.old) + "\n>\n" + Quote(b.fresh) + "\n"); },
       MailOutcome::Several, 2},
      {"a quoted code only",
       [](const MailBlocks& b) { return Utf8Mail("You wrote:\n" + Quote(b.old) + "\n"); },
       MailOutcome::Old},
      {"the new block damaged below the old one quoted",
       [](const MailBlocks& b) { return Utf8Mail(Quote(b.old) + "\n\n" + Damage(b.fresh) + "\n"); },
       MailOutcome::Damaged, 2},
      {"the old quoted block damaged, the new one intact",
       [](const MailBlocks& b) { return Utf8Mail(Quote(Damage(b.old)) + "\n\n" + b.fresh + "\n"); },
       MailOutcome::New, 2},
      {"quoted-printable body",
       [](const MailBlocks& b) {
         return Utf8Mail(Headers("quoted-printable", "text/plain; charset=utf-8") +
                         QuotedPrintable("Gr\xC3\xBC\xC3\x9F"
                                         "e,\n" +
                                             b.fresh + "\n",
                                         76));
       },
       MailOutcome::New},
      {"quoted-printable, soft breaks everywhere",
       [](const MailBlocks& b) {
         return Utf8Mail(QuotedPrintable(Join(Lines(b.fresh), "") + "\n", 7));
       },
       MailOutcome::New},
      {"HTML body",
       [](const MailBlocks& b) {
         std::string html = Join(Lines(b.fresh), "<wbr>&nbsp;<br>\r\n");
         html = Replace(Replace(html, "~~end", "&#126;&#x7E;end"), "l1~", "l1&tilde;");
         return Utf8Mail(Headers("7bit", "text/html") + "<html><body><div>Hi&nbsp;Ann,</div>" +
                         "<div dir=\"ltr\"><span style=\"font: 10pt\">" + html +
                         "</span></div></body></html>\r\n");
       },
       MailOutcome::New},
      {"HTML reply, old block in a blockquote",
       [](const MailBlocks& b) {
         return Utf8Mail("<div>" + Join(Lines(b.fresh), "<br>") + "</div><blockquote><div>" +
                         Join(Lines(b.old), "<br>") + "</div></blockquote>");
       },
       MailOutcome::New, 2},
      {"base64 part in a multipart mail",
       [](const MailBlocks& b) {
         return Utf8Mail(Headers("7bit", "multipart/mixed; boundary=\"xyz\"") +
                         "--xyz\r\nContent-Type: text/plain; charset=utf-8\r\n"
                         "Content-Transfer-Encoding: base64\r\n\r\n" +
                         Base64Lines("Hi,\r\n" + Replace(b.fresh, "\n", "\r\n") + "\r\nAnn\r\n") +
                         "\r\n--xyz--\r\n");
       },
       MailOutcome::New},
      {"Latin-1, with no-break spaces in the block",
       [](const MailBlocks& b) {
         const std::string body =
             "Gr\xFC\xDF"
             "e, caf\xE9:\n" +
             Replace(b.fresh, "\n", "\xA0\n\xA0") + "\n";
         Text text;
         for (const char c : body)
           text += static_cast<char16_t>(static_cast<unsigned char>(c));
         return Mail{body, text};
       },
       MailOutcome::New},
      {"Windows-1252, curly quotes around the block",
       [](const MailBlocks& b) {
         // Built by appending: GCC 12 takes "literal" + string for an overlap.
         Mail mail{"\x93", u"\u201C"};
         mail.bytes += b.fresh;
         mail.bytes += "\x94\n";
         mail.text += FromUtf8(b.fresh);
         mail.text += u"\u201D\n";
         return mail;
       },
       MailOutcome::New},
      {"UTF-16 with a byte order mark",
       [](const MailBlocks& b) {
         const Text text = FromUtf8("Hi \xE2\x80\x94 here:\r\n" + b.fresh + "\r\n");
         return Mail{Utf16(text, false, true), text};
       },
       MailOutcome::New},
      {"UTF-16 big-endian with a byte order mark",
       [](const MailBlocks& b) {
         const Text text = FromUtf8(b.fresh);
         return Mail{Utf16(text, true, true), text};
       },
       MailOutcome::New},
      {"UTF-16 without a byte order mark",
       [](const MailBlocks& b) {
         const Text text = FromUtf8(Quote(b.old) + "\n" + b.fresh);
         return Mail{Utf16(text, false, false), text};
       },
       MailOutcome::New, 2},
      {"10 MiB mail, the block first",
       [](const MailBlocks& b) { return Utf8Mail(b.fresh + "\r\n" + History(10 << 20)); },
       MailOutcome::New},
      {"10 MiB mail, the block last",
       [](const MailBlocks& b) { return Utf8Mail(History(10 << 20) + b.fresh + "\r\n"); },
       MailOutcome::New},
      {"every Unicode blank inside the block",
       [](const MailBlocks& b) {
         const std::vector<char32_t> blanks = Blanks();
         std::string out;
         std::size_t next = 0;
         for (const char c : b.fresh) {
           out += c;
           out += ToUtf8(blanks[next++ % blanks.size()]);
         }
         return Utf8Mail(out);
       },
       MailOutcome::New, 1, true},
      {"from a link, \"~\" as %7E",
       [](const MailBlocks& b) {
         return Utf8Mail("https://example.org/vantrel/#" +
                         Replace(Join(Lines(b.fresh), ""), "~", "%7E") + "\n");
       },
       MailOutcome::New},
      {"cut before its first \"~\"",
       [](const MailBlocks& b) { return Utf8Mail(Replace(b.fresh, "l1~", "l1")); },
       MailOutcome::Damaged},
      {"the version's digit changed",
       [](const MailBlocks& b) { return Utf8Mail(Replace(b.fresh, "l1~", "l3~")); },
       MailOutcome::Damaged},
      {"a later form", [](const MailBlocks&) { return Utf8Mail("Vantrel2~some new form~~end\n"); },
       MailOutcome::Newer},
      {"no block at all",
       [](const MailBlocks&) { return Utf8Mail("Hi Ann,\n\nno code today ~ sorry.\n"); },
       MailOutcome::None, 0},
  };
  return cases;
}

}  // namespace vantrel::testing
