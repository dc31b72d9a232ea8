// The mail-safe form: its exact layout, its way back through what mail,
// chat and web pages do to text, and its reports of a changed block.
#include "codec/MailSafe.h"

#include "Mails.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>

namespace vantrel {
namespace {

ByteArray Bytes(std::string_view ascii) {
  return ByteArray(ascii.begin(), ascii.end());
}

Text Replace(Text text, std::u16string_view from, std::u16string_view to) {
  for (auto at = text.find(from); at != Text::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Applies a change to every line, lines ending in LF.
Text EachLine(const Text& text, const std::function<Text(Text)>& change) {
  Text out;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(u'\n', start), text.size());
    out += change(text.substr(start, end - start));
    if (end < text.size())
      out += u'\n';
    start = end + 1;
  }
  return out;
}

TEST(MailSafe, LayoutIsExactlyTheDocumentedOne) {
  EXPECT_EQ(Crc32(Bytes("123456789")), 0xCBF43926U);
  // "Uouy" and its CRC-32 0xE58DE8BA, in Base64, between the markers.
  EXPECT_EQ(MailSafeForm(Bytes("Uouy"), u"\r\n"), u"Vantrel1~VW91eeWN6Lo=~~end");

  // Long blocks: lines of 76, broken only inside the Base64 text or before
  // the closing marker, which stays whole.
  for (const std::size_t length : {48U, 49U, 50U, 51U, 52U, 53U, 100U, 1000U}) {
    const Text form = MailSafeForm(ByteArray(length, 'A'), u"\r\n");
    std::size_t longest = 0;
    for (std::size_t start = 0; start <= form.size();) {
      const std::size_t end = std::min(form.find(u"\r\n", start), form.size());
      longest = std::max(longest, end - start);
      start = end + 2;
    }
    EXPECT_LE(longest, kMailSafeLineWidth) << length;
    EXPECT_TRUE(form.starts_with(u"Vantrel1~") && form.ends_with(u"~~end")) << length;
    EXPECT_EQ(form.find_first_not_of(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                     u"0123456789+/=~\r\n"),
              Text::npos);
    const Text joined = Replace(form, u"\r\n", u"");
    EXPECT_EQ(form.find(u"\r\n") == Text::npos, joined.size() <= kMailSafeLineWidth) << length;
    EXPECT_EQ(ReadMailSafe(form).code, ByteArray(length, 'A'));
  }
}

// What mail programs, chat apps and web pages do to a block on its way.
struct Transport {
  const char* name;
  std::function<Text(const Text&, std::mt19937&)> apply;
};

const Transport kTransports[] = {
    {"LF line ends", [](const Text& t, auto&) { return Replace(t, u"\r\n", u"\n"); }},
    {"CR LF line ends", [](const Text& t, auto&) { return Replace(t, u"\n", u"\r\n"); }},
    {"re-wrapped anywhere",
     [](const Text& t, std::mt19937& random) {
       Text out;
       for (const char16_t c : Replace(t, u"\n", u"")) {
         if (random() % 23 == 0)
           out += u"\n";
         out += c;
       }
       return out;
     }},
    {"blanks inserted",
     [](const Text& t, std::mt19937& random) {
       Text out;
       for (const char16_t c : t) {
         out += c;
         if (random() % 17 == 0)
           out += random() % 2 == 0 ? u" " : u"\u00A0\t";
       }
       return out;
     }},
    {"trailing blanks added, then trimmed",
     [](const Text& t, auto&) {
       return EachLine(EachLine(t, [](Text line) { return line + u"   "; }), [](Text line) {
         while (!line.empty() && line.back() == u' ')
           line.pop_back();
         return line;
       });
     }},
    {"quoted twice",
     [](const Text& t, auto&) { return EachLine(t, [](Text line) { return u"> > " + line; }); }},
    {"inside a mail",
     [](const Text& t, auto&) {
       return u"Hi Ann,\n\nhere is the code (made with Vantrel ~ version 1):\n\n" + t +
              u"\n\nBest,\n~Bob\n-- \nsent from my phone";
     }},
    {"HTML whitespace collapsed",
     [](const Text& t, auto&) {
       Text out;
       for (const char16_t c : t) {
         const bool blank = c == u' ' || c == u'\n' || c == u'\r' || c == u'\t';
         if (!blank)
           out += c;
         else if (out.empty() || out.back() != u' ')
           out += u' ';
       }
       return out;
     }},
};

TEST(MailSafe, ComesBackExactThroughEveryTransportAloneAndTogether) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 200; ++round) {
    // A code of any length, bytes of any value (a code field can hold any
    // text of the code page).
    ByteArray code(1 + random() % (round < 100 ? 120 : 3000));
    for (auto& byte : code)
      byte = static_cast<std::uint8_t>(round % 2 == 0 ? 10 + random() % 116 : random() % 256);
    const Text form = MailSafeForm(code, round % 3 == 0 ? u"\n" : u"\r\n");
    Text all = form;
    for (const Transport& transport : kTransports) {
      const MailSafeRead read = ReadMailSafe(transport.apply(form, random));
      EXPECT_EQ(read.found, MailSafeFind::Intact) << transport.name;
      EXPECT_EQ(read.code, code) << transport.name;
      all = transport.apply(all, random);
    }
    const MailSafeRead read = ReadMailSafe(all);
    EXPECT_EQ(read.found, MailSafeFind::Intact) << "all together";
    EXPECT_EQ(read.code, code) << "all together";
  }
}

TEST(MailSafe, EverySingleChangeIsDamageNeverAnotherCode) {
  const ByteArray code = Bytes("Uouy\x0b\x1b}\r\n");
  const Text form = MailSafeForm(code, u"\r\n");
  const std::u16string_view others =
      u"AZaz09+/=~BQgw \r\n>xX.-\"";  // alphabet, markers, ignorable, foreign
  std::vector<Text> changed;
  for (std::size_t at = 0; at <= form.size(); ++at) {
    if (at < form.size()) {
      changed.push_back(Text(form).erase(at, 1));
      for (const char16_t c : others) {
        if (c != form[at])
          changed.push_back(Text(form).replace(at, 1, 1, c));
      }
    }
    for (const char16_t c : others)
      changed.push_back(Text(form).insert(at, 1, c));
  }
  int damaged = 0;
  for (const Text& text : changed) {
    const MailSafeRead read = ReadMailSafe(text);
    // A change of a blank, a quote mark or a marker's case still reads the
    // same code; any other change, the version's digit too, is damage.
    if (read.found == MailSafeFind::Intact) {
      EXPECT_EQ(read.code, code);
    } else {
      EXPECT_EQ(read.found, MailSafeFind::Damaged) << std::string(text.begin(), text.end());
      damaged += read.found == MailSafeFind::Damaged;
    }
  }
  EXPECT_GT(damaged, static_cast<int>(changed.size()) / 2);

  // Cut anywhere after its opening, a block is damaged.
  for (std::size_t length = 9; length < form.size(); ++length)
    EXPECT_EQ(ReadMailSafe(form.substr(0, length)).found, MailSafeFind::Damaged) << length;
}

TEST(MailSafe, TellsBlocksFromOtherText) {
  const struct {
    std::u16string_view text;
    MailSafeFind found;
  } cases[] = {
      {u"", MailSafeFind::None},
      {u"Uouy", MailSafeFind::None},
      {u"~ Vantrel ~ is a program ~", MailSafeFind::None},
      {u"vantrel1~VW91eeWN6Lo=~~END", MailSafeFind::Intact},
      {u"Vantrel1~VW91eeWN6Lo=~~end and Vantrel1~garbage~~end", MailSafeFind::Several},
      {u"Vantrel1~garbage~~end and Vantrel1~VW91eeWN6Lo=~~end", MailSafeFind::Several},
      {u"> Vantrel1~garbage~~end\nVantrel1~VW91eeWN6Lo=~~end", MailSafeFind::Intact},
      {u"Vantrel1~VW91eeWN6Lo=~~end\n> Vantrel1~VW91eeWN6Lo=~~end", MailSafeFind::Intact},
      {u"Vantrel1~VW91ee\n> Vantrel1~VW91eeWN6Lo=~~end",
       MailSafeFind::Damaged},                                      // cut, then quoted
      {u"Vantrel1%7EVW91eeWN6Lo=%7e%7Eend", MailSafeFind::Intact},  // from a link
      {u"Vantrel1VW91eeWN6Lo=~~end", MailSafeFind::Damaged},        // first "~" lost
      {u"Vantrel3~VW91eeWN6Lo=~~end", MailSafeFind::Damaged},       // digit changed
      {u"Vantrel12~VW91eeWN6Lo=~~end", MailSafeFind::Damaged},      // digit added
      {u"Vantrel1~VW91eeWN6Lp=~~end", MailSafeFind::Damaged},       // bits past the last byte
      {u"Vantrel1~VW91eeWN6Lo=====~~end", MailSafeFind::Damaged},   // padding it does not write
      {u"Vantrel1~AAAAAA==~~end", MailSafeFind::Damaged},           // a checksum and no code
      {u"Vantrel1~VW91eeWN6Lo=~end", MailSafeFind::Damaged},
      {u"VW91eeWN6Lo=~~end", MailSafeFind::Damaged},
      {u"Vantrel2~anything at all~~end", MailSafeFind::Newer},
      {u"Vantrel2~VW91eeWN6Lo=~~end", MailSafeFind::Damaged},
      {u"Vantrel2~VW91eeWN6Lp=~~end", MailSafeFind::Newer},
  };
  for (const auto& [text, found] : cases)
    EXPECT_EQ(ReadMailSafe(text).found, found) << std::string(text.begin(), text.end());

  // A block cut short does not reach into a part after it that holds
  // another: two blocks, not the other one alone.
  EXPECT_EQ(ReadMailSafeBytes("Vantrel1~VW91ee\r\nBye, Ann.\r\n\r\n"
                              "SGksDQpWYW50cmVsMX5WVzkxZWVXTjZMbz1+fmVuZA0K\r\n")
                .found,
            MailSafeFind::Several);

  // Past the most blocks a reader keeps, an input holds several of them.
  std::string many;
  for (int i = 0; i < 66000; ++i)
    many += "Vantrel1~x~~end\n";
  EXPECT_EQ(ReadMailSafeBytes(many).found, MailSafeFind::Several);
  EXPECT_EQ(ReadMailSafeBytes(many.substr(0, 16 * 1000)).blocks, 1000U);
}

std::string Narrow(const Text& text) {
  return std::string(text.begin(), text.end());
}

TEST(MailSafe, ReadsEveryMailOfTheTableAsBytesAndAsText) {
  using testing::MailOutcome;
  const ByteArray oldCode = Bytes("Ouy7\x0b older code, long enough for a block of two lines...");
  const ByteArray newCode = Bytes("Pvz8\x0c newer code, long enough for a block of two lines...");
  const testing::MailBlocks blocks{Narrow(MailSafeForm(oldCode, u"\n")),
                                   Narrow(MailSafeForm(newCode, u"\n"))};
  ASSERT_NE(blocks.fresh.find('\n'), std::string::npos);
  for (const testing::MailCase& c : testing::MailCases()) {
    const testing::Mail mail = c.make(blocks);
    for (const MailSafeRead& read : {ReadMailSafeBytes(mail.bytes), ReadMailSafe(mail.text)}) {
      SCOPED_TRACE(c.how);
      const MailSafeFind found = c.outcome == MailOutcome::Old || c.outcome == MailOutcome::New
                                     ? MailSafeFind::Intact
                                 : c.outcome == MailOutcome::Damaged ? MailSafeFind::Damaged
                                 : c.outcome == MailOutcome::Newer   ? MailSafeFind::Newer
                                 : c.outcome == MailOutcome::Several ? MailSafeFind::Several
                                                                     : MailSafeFind::None;
      EXPECT_EQ(read.found, found);
      EXPECT_EQ(read.blocks, c.blocks);
      if (found == MailSafeFind::Intact) {
        EXPECT_EQ(read.code, c.outcome == MailOutcome::Old ? oldCode : newCode);
      }
    }
  }
}

// For random damage made to a block before a transport stores it, or to
// the stored mail after, the reader finds damage, nothing, or the same
// code: never another one.
TEST(MailSafe, DamageBeforeOrAfterATransportIsNeverAnotherCode) {
  using namespace testing::mails;
  const std::pair<const char*, std::function<std::string(const std::string&)>> transports[] = {
      {"as it stands", [](const std::string& t) { return t; }},
      {"quoted-printable", [](const std::string& t) { return QuotedPrintable(t, 76); }},
      {"quoted-printable, short lines", [](const std::string& t) { return QuotedPrintable(t, 9); }},
      {"HTML",
       [](const std::string& t) {
         return "<div>" +
                testing::mails::Replace(testing::mails::Replace(t, "\n", "<br>\n"), "~", "&#126;") +
                "</div>";
       }},
      {"base64 part",
       [](const std::string& t) {
         return Headers("base64", "text/plain") + Base64Lines("Hi,\r\n" + t + "\r\n");
       }},
      {"UTF-16", [](const std::string& t) { return Utf16(FromUtf8(t), false, true); }},
      {"UTF-16 big-endian", [](const std::string& t) { return Utf16(FromUtf8(t), true, false); }},
      {"link",
       [](const std::string& t) {
         return "https://x.org/#" + testing::mails::Replace(t, "~", "%7E");
       }},
  };
  const std::string_view changes = "AZaz09+/=~> \n<&%;#\x00\xA0\xC2";
  std::mt19937 random(20261209);
  const auto damage = [&](std::string text) {
    const std::size_t at = random() % text.size();
    const char c = changes[random() % changes.size()];
    switch (random() % 3) {
      case 0:
        text[at] = c;
        break;
      case 1:
        text.erase(at, 1);
        break;
      default:
        text.insert(at, 1, c);
    }
    return text;
  };
  std::map<MailSafeFind, int> seen;
  for (int round = 0; round < 150; ++round) {
    ByteArray code(1 + random() % 90);
    for (auto& byte : code)
      byte = static_cast<std::uint8_t>(10 + random() % 116);
    const std::string block = Narrow(MailSafeForm(code, u"\n"));
    for (const auto& [name, transport] : transports) {
      for (const bool before : {true, false}) {
        const std::string mail = before ? transport(damage(block)) : damage(transport(block));
        const MailSafeRead read = ReadMailSafeBytes(mail);
        ++seen[read.found];
        EXPECT_NE(read.found, MailSafeFind::Several) << name << "\n" << mail;
        if (read.found == MailSafeFind::Intact) {
          EXPECT_EQ(read.code, code) << name << "\n" << mail;
        }
      }
    }
  }
  // Most damage is seen as such; a change the reader ignores, or one to a
  // mail's headers, leaves the code as it was.
  EXPECT_GT(seen[MailSafeFind::Damaged], seen[MailSafeFind::None] + seen[MailSafeFind::Newer]);
  EXPECT_GT(seen[MailSafeFind::Intact], 0);
}

}  // namespace
}  // namespace vantrel
