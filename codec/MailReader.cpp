// The reader of mail-safe blocks (MailSafe.h): one scanner of blocks fed by
// several views of the same input, each undoing one way that mail programs
// store text, and the choice among what the views found.
#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "MailSafe.h"

namespace vantrel {
namespace {

// The longest Base64 text a block is read with: past that of the longest
// code a window takes (43,696 characters), a block is damaged.
constexpr std::size_t kMaxBody = std::size_t{1} << 16;
// The most blocks, and bytes of their codes, one view keeps: an input
// with more is read as holding several blocks, however many of them there
// are, so that no input can make the reader hold much more than this.
constexpr std::size_t kMaxFindings = std::size_t{1} << 16;
constexpr std::size_t kMaxCodeBytesKept = std::size_t{4} << 20;

// Line breaks, blanks and format characters: everything a transport adds
// or takes away without meaning to, all of it dropped by the reader. The
// characters with the Unicode properties White_Space or Cf.
bool IsLineBreak(char32_t c) {
  return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}
bool IsBlank(char32_t c) {
  if (c > 0x3000 && c < 0xFEFF)
    return false;
  if (c < 0x80)
    return c == 0x09 || c == 0x20;
  if (c < 0x2000) {
    return c == 0xA0 || c == 0xAD || c == 0x1680 || c == 0x180E || (c >= 0x600 && c <= 0x605) ||
           c == 0x61C || c == 0x6DD || c == 0x70F || c == 0x890 || c == 0x891 || c == 0x8E2;
  }
  if (c <= 0x206F) {
    return c <= 0x200F || (c >= 0x202A && c <= 0x202F) || c == 0x205F ||
           (c >= 0x2060 && c <= 0x2064) || c >= 0x2066;
  }
  return c == 0x3000 || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) || c == 0x110BD ||
         c == 0x110CD || (c >= 0x13430 && c <= 0x1343F) || (c >= 0x1BCA0 && c <= 0x1BCA3) ||
         (c >= 0x1D173 && c <= 0x1D17A) || c == 0xE0001 || (c >= 0xE0020 && c <= 0xE007F);
}

char32_t Lower(char32_t c) {
  return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}
bool IsDigit(char32_t c) {
  return c >= U'0' && c <= U'9';
}
int HexValue(char32_t c) {
  if (IsDigit(c))
    return static_cast<int>(c - U'0');
  c = Lower(c);
  return c >= U'a' && c <= U'f' ? static_cast<int>(c - U'a' + 10) : -1;
}

// One block, or one damaged piece of one, as a view found it: where it
// stands in the input (offsets of the input's bytes or units).
struct Finding {
  MailSafeFind found;  // Intact, Damaged or Newer
  ByteArray code;
  bool quoted;
  std::uint64_t start, end;
  // For a block cut short, where the text it ran into ends (the next
  // opening, or the input's end): what other views find there may be
  // pieces of the same block.
  std::uint64_t reach;
};

// The code a block's Base64 text carries, when the block is intact.
bool ReadBody(const Text& body, ByteArray& code) {
  if (body.empty() || body.size() > kMaxBody || body.size() % 4 != 0)
    return false;
  ByteArray bytes;
  try {
    bytes = DecodeBytes(body);
  } catch (const CodecError&) {
    return false;
  }
  // Only the writer's own form: the decoder also takes padding it would
  // not write, and bits past the last byte that it ignores.
  if (bytes.size() <= 4 || EncodeByteArray(bytes) != body)
    return false;
  std::uint32_t crc = 0;
  for (std::size_t i = bytes.size() - 4; i < bytes.size(); ++i)
    crc = crc << 8 | bytes[i];
  bytes.resize(bytes.size() - 4);
  if (Crc32(bytes) != crc)
    return false;
  code = std::move(bytes);
  return true;
}

// Finds the blocks in a stream of characters. Each character comes with
// its place in the input and whether the view knows it to be quoted (an
// HTML blockquote).
class Scanner {
 public:
  // A primary view reads the input as it stands: only there is a closing
  // marker alone, or an opening cut before its "~", taken as a block.
  explicit Scanner(bool primary) : primary_(primary) {}

  void Put(char32_t c, std::uint64_t at, bool quoted) {
    // "%7E", a "~" as a link carries it.
    if (percent_ > 0) {
      if (percent_ == 1 && c == U'7') {
        percent_ = 2;
        return;
      }
      if (percent_ == 2 && Lower(c) == U'e') {
        percent_ = 0;
        Take(U'~', percentAt_, quoted);
        return;
      }
      const int held = percent_;
      percent_ = 0;
      Take(U'%', percentAt_, quoted);
      if (held == 2)
        Take(U'7', percentAt_ + 1, quoted);
    }
    if (c == U'%') {
      percent_ = 1;
      percentAt_ = at;
      return;
    }
    Take(c, at, quoted);
  }

  void Finish() {
    if (percent_ > 0) {
      Take(U'%', percentAt_, false);
      if (percent_ == 2)
        Take(U'7', percentAt_ + 1, false);
      percent_ = 0;
    }
    while (ringSize_ > 0)
      Step();
    if (inBlock_)
      EndBlock(cleanEnd_, false, lastAt_);
    if (primary_ && !cutOpening_ && matched_ >= 4 && kept_ == matched_ + digits_.size())
      cutOpening_ = true;  // all the text is the start of an opening marker
    if (primary_ && matched_ == 7 && !digits_.empty())
      cutOpening_ = true;
  }

  // Whether an ordinary character would only be counted (Count).
  bool Idle() const {
    return ringSize_ == 0 && !inBlock_ && matched_ == 0 && skip_ == 0 && percent_ == 0;
  }
  void Count(std::uint64_t at) {
    lineStart_ = false;
    ++kept_;
    lastAt_ = at;
  }
  void LineBreak() {
    lineStart_ = true;
    lineQuoted_ = false;
  }

  std::vector<Finding>& Findings() { return findings_; }
  bool Overflowed() const { return overflowed_; }
  bool CutOpening() const { return cutOpening_; }

 private:
  struct Kept {
    char32_t c;
    std::uint64_t at;
    bool quoted;
  };

  // Keeps track of lines and quote marks, and drops what the reader ignores.
  void Take(char32_t c, std::uint64_t at, bool quoted) {
    if (c > U' ' && c < 0x7F) {
      if (c == U'>') {
        lineQuoted_ = lineQuoted_ || lineStart_;
        return;
      }
    } else if (IsLineBreak(c)) {
      lineStart_ = true;
      lineQuoted_ = false;
      return;
    } else if (IsBlank(c)) {
      return;
    }
    lineStart_ = false;
    ++kept_;
    // Most of a mail is text outside any block: it only needs counting.
    if (ringSize_ == 0 && !inBlock_ && matched_ == 0 && skip_ == 0 && c != U'~' && c != U'v' &&
        c != U'V') {
      lastAt_ = at;
      return;
    }
    ring_[(ringStart_ + ringSize_) & kRingMask] = {c, at, quoted || lineQuoted_};
    ++ringSize_;
    // A "~" waits for the four characters after it, which tell a closing
    // marker; anything else is taken at once.
    while (ringSize_ > 0 && (Ahead(0).c != U'~' || ringSize_ == 5))
      Step();
  }

  // The character at the ring's start, with those after it in view.
  const Kept& Ahead(std::size_t i) const { return ring_[(ringStart_ + i) & kRingMask]; }
  bool ClosingAhead() const {
    static constexpr char32_t kRest[] = U"~end";
    if (ringSize_ < 5)
      return false;
    for (std::size_t i = 0; i < 4; ++i) {
      if (Lower(Ahead(i + 1).c) != kRest[i])
        return false;
    }
    return true;
  }

  void Step() {
    const Kept k = Ahead(0);
    const bool closing = k.c == U'~' && ClosingAhead();
    const std::uint64_t closingEnd = closing ? Ahead(4).at : 0;
    ringStart_ = (ringStart_ + 1) & kRingMask;
    --ringSize_;
    lastAt_ = k.at;
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (k.c == U'~') {
      const bool opening = matched_ == 7 && !digits_.empty();
      if (inBlock_ && closing) {
        EndBlock(closingEnd, true);
        skip_ = 4;
      } else if (opening && inBlock_) {
        // The block ran into the opening of another: it was cut short.
        body_.resize(std::min(body_.size(), matchBody_));
        EndBlock(std::min(cleanEnd_, matchAt_ - 1), false, matchAt_ - 1);
        Open();
      } else if (opening) {
        Open();
      } else if (inBlock_) {
        bad_ = true;
        cut_ = true;
      } else if (closing) {
        if (primary_)
          Add({MailSafeFind::Damaged, {}, k.quoted, k.at, closingEnd, closingEnd});
        skip_ = 4;
      }
      ResetMatch();
      return;
    }
    if (inBlock_) {
      // A block cut short ends, for the place it takes, where its Base64
      // text does: the text after it is no part of it.
      const char32_t c = k.c;
      if (!cut_ && ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || IsDigit(c) ||
                    c == U'+' || c == U'/' || c == U'='))
        cleanEnd_ = k.at;
      else
        cut_ = true;
      if (body_.size() < kMaxBody)
        body_.push_back(k.c < 0x10000 ? static_cast<char16_t>(k.c) : u'\uFFFD');
      else
        bad_ = true;
    }
    Match(k);
  }

  // Follows "vantrel" and the version's digits.
  void Match(const Kept& k) {
    static constexpr char32_t kWord[] = U"vantrel";
    const char32_t c = Lower(k.c);
    if (matched_ == 7) {
      if (IsDigit(c)) {
        if (digits_.size() < 16)
          digits_.push_back(static_cast<char16_t>(c));
        return;
      }
      if (primary_ && !digits_.empty())
        cutOpening_ = true;  // "Vantrel1" and no "~"
      ResetMatch();
    }
    if (c == kWord[matched_]) {
      if (matched_ == 0) {
        matchAt_ = k.at;
        matchQuoted_ = k.quoted;
        matchBody_ = body_.size() == 0 ? 0 : body_.size() - 1;
      }
      ++matched_;
    } else if (c == U'v') {
      matched_ = 1;
      matchAt_ = k.at;
      matchQuoted_ = k.quoted;
      matchBody_ = body_.size() == 0 ? 0 : body_.size() - 1;
    } else {
      matched_ = 0;
    }
  }
  void ResetMatch() {
    matched_ = 0;
    digits_.clear();
  }

  void Open() {
    inBlock_ = true;
    bad_ = false;
    cut_ = false;
    cleanEnd_ = matchAt_;
    body_.clear();
    version_ = digits_;
    blockAt_ = matchAt_;
    blockQuoted_ = matchQuoted_;
  }

  // A block ends: at its closing marker, or cut short.
  void EndBlock(std::uint64_t end, bool closed, std::uint64_t reach = 0) {
    inBlock_ = false;
    ByteArray code;
    const bool intact = closed && !bad_ && ReadBody(body_, code);
    MailSafeFind found = MailSafeFind::Damaged;
    if (version_ != u"1") {
      // A version this reader does not know, unless its text is an intact
      // version 1 block: then it is the digit that was changed.
      found = intact ? MailSafeFind::Damaged : MailSafeFind::Newer;
      code.clear();
    } else if (intact) {
      found = MailSafeFind::Intact;
    }
    Add({found, std::move(code), blockQuoted_, blockAt_, end, std::max(end, reach)});
    body_.clear();
  }

  void Add(Finding finding) {
    codeBytes_ += finding.code.size();
    if (findings_.size() < kMaxFindings && codeBytes_ <= kMaxCodeBytesKept)
      findings_.push_back(std::move(finding));
    else
      overflowed_ = true;
  }

  const bool primary_;
  int percent_ = 0;  // 1 after "%", 2 after "%7"
  std::uint64_t percentAt_ = 0;

  bool lineStart_ = true;
  bool lineQuoted_ = false;
  static constexpr std::size_t kRingMask = 7;
  std::array<Kept, kRingMask + 1> ring_{};
  std::size_t ringStart_ = 0;
  std::size_t ringSize_ = 0;
  std::uint64_t kept_ = 0;
  std::uint64_t lastAt_ = 0;
  int skip_ = 0;

  std::size_t matched_ = 0;  // characters of "vantrel" matched
  std::u16string digits_;
  std::uint64_t matchAt_ = 0;
  bool matchQuoted_ = false;
  std::size_t matchBody_ = 0;  // the body's length before the match

  bool inBlock_ = false;
  bool bad_ = false;
  bool cut_ = false;            // a character that is no Base64 stood in the block
  std::uint64_t cleanEnd_ = 0;  // where its Base64 text ends so far
  Text body_;
  std::u16string version_;
  std::uint64_t blockAt_ = 0;
  bool blockQuoted_ = false;

  std::vector<Finding> findings_;
  std::size_t codeBytes_ = 0;
  bool overflowed_ = false;
  bool cutOpening_ = false;
};

// Text as HTML: tags dropped (those that end a line give a line break),
// entities read, and what stands in a blockquote marked quoted.
class Html {
 public:
  void Put(char32_t c, std::uint64_t at, Scanner& out) {
    switch (state_) {
      case State::Text:
        if (c == U'<') {
          state_ = State::Open;
          startAt_ = at;
        } else if (c == U'&') {
          state_ = State::Entity;
          startAt_ = at;
          entity_.clear();
        } else {
          out.Put(c, at, depth_ > 0);
        }
        return;
      case State::Open:
        if ((Lower(c) >= U'a' && Lower(c) <= U'z') || c == U'/' || c == U'!' || c == U'?') {
          state_ = State::Tag;
          name_.assign(1, static_cast<char>(Lower(c)));
          named_ = false;
          return;
        }
        state_ = State::Text;
        out.Put(U'<', startAt_, depth_ > 0);
        Put(c, at, out);
        return;
      case State::Tag:
        if (c == U'>') {
          state_ = State::Text;
          EndTag(at, out);
        } else if (!named_ && ((Lower(c) >= U'a' && Lower(c) <= U'z') || IsDigit(c)) &&
                   name_.size() < 12) {
          name_.push_back(static_cast<char>(Lower(c)));
        } else {
          named_ = true;
        }
        return;
      case State::Entity:
        if (c == U';') {
          state_ = State::Text;
          const char32_t read = EntityValue();
          if (read != 0) {
            out.Put(read, startAt_, depth_ > 0);
            return;
          }
          Unread(out);
          out.Put(c, at, depth_ > 0);
          return;
        }
        if ((IsDigit(c) || (Lower(c) >= U'a' && Lower(c) <= U'z') || c == U'#') &&
            entity_.size() < 24) {
          entity_.push_back(static_cast<char>(c));
          return;
        }
        state_ = State::Text;
        Unread(out);
        Put(c, at, out);
        return;
    }
  }

  bool InText() const { return state_ == State::Text; }

  void Finish(Scanner& out) {
    if (state_ == State::Open)
      out.Put(U'<', startAt_, depth_ > 0);
    if (state_ == State::Entity)
      Unread(out);
    state_ = State::Text;
  }

 private:
  enum class State { Text, Open, Tag, Entity };

  void EndTag(std::uint64_t at, Scanner& out) {
    static constexpr const char* kLineTags[] = {
        "br",  "p",    "/p",    "div",    "/div",       "li",         "/li", "tr",
        "/tr", "hr",   "h1",    "h2",     "h3",         "/h1",        "/h2", "/h3",
        "pre", "/pre", "table", "/table", "blockquote", "/blockquote"};
    if (name_ == "blockquote")
      ++depth_;
    if (name_ == "/blockquote" && depth_ > 0)
      --depth_;
    for (const char* tag : kLineTags) {
      if (name_ == tag) {
        out.Put(U'\n', at, depth_ > 0);
        return;
      }
    }
  }

  // What an entity stands for, or 0 for one this reader does not know.
  char32_t EntityValue() const {
    if (entity_.size() > 1 && entity_[0] == '#') {
      char32_t value = 0;
      const bool hex = entity_[1] == 'x' || entity_[1] == 'X';
      for (std::size_t i = hex ? 2 : 1; i < entity_.size(); ++i) {
        const int digit =
            hex ? HexValue(static_cast<char32_t>(entity_[i]))
                : (IsDigit(static_cast<char32_t>(entity_[i])) ? entity_[i] - '0' : -1);
        if (digit < 0 || value > 0x10FFFF)
          return 0;
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
      }
      return value > 0 && value <= 0x10FFFF ? value : 0;
    }
    static const std::pair<const char*, char32_t> kNamed[] = {{"nbsp", 0xA0},
                                                              {"amp", U'&'},
                                                              {"lt", U'<'},
                                                              {"gt", U'>'},
                                                              {"quot", U'"'},
                                                              {"apos", U'\''},
                                                              {"tilde", U'~'},
                                                              {"equals", U'='},
                                                              {"plus", U'+'},
                                                              {"sol", U'/'},
                                                              {"shy", 0xAD},
                                                              {"ensp", 0x2002},
                                                              {"emsp", 0x2003},
                                                              {"thinsp", 0x2009},
                                                              {"zwnj", 0x200C},
                                                              {"zwj", 0x200D},
                                                              {"lrm", 0x200E},
                                                              {"rlm", 0x200F},
                                                              {"ZeroWidthSpace", 0x200B},
                                                              {"NewLine", U'\n'},
                                                              {"Tab", U'\t'}};
    for (const auto& [name, value] : kNamed) {
      if (entity_ == name)
        return value;
    }
    return 0;
  }

  // An "&" that began no entity, and what followed it, as they stood.
  void Unread(Scanner& out) {
    out.Put(U'&', startAt_, depth_ > 0);
    std::uint64_t at = startAt_;
    for (const char c : entity_)
      out.Put(static_cast<char32_t>(c), ++at, depth_ > 0);
  }

  State state_ = State::Text;
  std::uint64_t startAt_ = 0;
  std::string name_;
  bool named_ = false;
  std::string entity_;
  int depth_ = 0;
};

// What an ASCII character is to a scanner between blocks: one that only
// counts towards the text (1), a blank (2), a line break (3), or one of
// markers, quotes, links and HTML, which needs a closer look (0).
constexpr std::array<std::uint8_t, 128> kAsciiKind = [] {
  std::array<std::uint8_t, 128> table{};
  for (std::size_t c = 0x21; c < 0x7F; ++c)
    table[c] = 1;
  for (const char c : {'v', 'V', '~', '%', '<', '>', '&'})
    table[static_cast<std::size_t>(c)] = 0;
  table[' '] = table['\t'] = 2;
  for (const char c : {'\n', '\v', '\f', '\r'})
    table[static_cast<std::size_t>(c)] = 3;
  return table;
}();

// A stream of characters read as it stands and as HTML.
struct CharViews {
  explicit CharViews(bool primary) : plain(primary), html(false) {}
  void Put(char32_t c, std::uint64_t at) {
    if (c < 0x80 && kAsciiKind[c] != 0 && plain.Idle() && html.Idle() && htmlReader.InText()) {
      if (kAsciiKind[c] == 1) {
        plain.Count(at);
        html.Count(at);
      } else if (kAsciiKind[c] == 3) {
        plain.LineBreak();
        html.LineBreak();
      }
      return;
    }
    plain.Put(c, at, false);
    htmlReader.Put(c, at, html);
  }
  void Finish() {
    plain.Finish();
    htmlReader.Finish(html);
    html.Finish();
  }
  Scanner plain;
  Scanner html;
  Html htmlReader;
};

// Bytes of a charset that keeps ASCII as ASCII: UTF-8 where it is valid,
// and every other byte as its Latin-1 character.
class Bytes8 {
 public:
  explicit Bytes8(bool primary) : chars(primary) {}

  void Put(std::uint8_t b, std::uint64_t at) {
    if (need_ > 0) {
      if ((b & 0xC0) == 0x80) {
        pending_[have_++] = b;
        value_ = value_ << 6 | (b & 0x3F);
        if (--need_ == 0) {
          const char32_t least = have_ == 2 ? 0x80 : have_ == 3 ? 0x800 : 0x10000;
          if (value_ >= least && value_ <= 0x10FFFF && !(value_ >= 0xD800 && value_ <= 0xDFFF)) {
            chars.Put(value_, startAt_);
          } else {
            Unread();
          }
          have_ = 0;
        }
        return;
      }
      Unread();
      need_ = 0;
      have_ = 0;
    }
    if (b < 0x80) {
      chars.Put(b, at);
    } else if (b >= 0xC2 && b <= 0xF4) {
      need_ = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
      value_ = b & (b < 0xE0 ? 0x1F : b < 0xF0 ? 0x0F : 0x07);
      pending_[0] = b;
      have_ = 1;
      startAt_ = at;
    } else {
      chars.Put(b, at);
    }
  }
  void Finish() {
    if (need_ > 0)
      Unread();
    need_ = 0;
    chars.Finish();
  }
  CharViews chars;

 private:
  // Bytes that began no UTF-8 character, each as its Latin-1 character.
  void Unread() {
    for (std::size_t i = 0; i < have_; ++i)
      chars.Put(pending_[i], startAt_ + i);
    have_ = 0;
  }
  int need_ = 0;
  std::size_t have_ = 0;
  std::array<std::uint8_t, 4> pending_{};
  char32_t value_ = 0;
  std::uint64_t startAt_ = 0;
};

// Bytes as UTF-16 of one byte order.
class Utf16 {
 public:
  explicit Utf16(bool bigEndian) : chars(true), bigEndian_(bigEndian) {}
  void Put(std::uint8_t b, std::uint64_t at) {
    if (!odd_) {
      first_ = b;
      firstAt_ = at;
      odd_ = true;
      return;
    }
    odd_ = false;
    const char32_t unit = bigEndian_ ? char32_t{first_} << 8 | b : char32_t{b} << 8 | first_;
    if (high_ != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        chars.Put(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00), highAt_);
        high_ = 0;
        return;
      }
      chars.Put(0xFFFD, highAt_);
      high_ = 0;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      high_ = unit;
      highAt_ = firstAt_;
    } else {
      chars.Put(unit >= 0xDC00 && unit <= 0xDFFF ? char32_t{0xFFFD} : unit, firstAt_);
    }
  }
  void Finish() {
    if (high_ != 0)
      chars.Put(0xFFFD, highAt_);
    chars.Finish();
  }
  CharViews chars;

 private:
  const bool bigEndian_;
  bool odd_ = false;
  std::uint8_t first_ = 0;
  std::uint64_t firstAt_ = 0;
  char32_t high_ = 0;
  std::uint64_t highAt_ = 0;
};

// Bytes as quoted-printable: "=XX" is a byte, "=" at a line's end (blanks
// may follow it) joins the line to the next.
class QuotedPrintable {
 public:
  QuotedPrintable() : bytes(false) {}
  void Put(std::uint8_t b, std::uint64_t at) {
    switch (state_) {
      case 0:
        if (b == '=') {
          state_ = 1;
          equalsAt_ = at;
        } else {
          bytes.Put(b, at);
        }
        return;
      case 1:
        if (HexValue(b) >= 0) {
          high_ = b;
          state_ = 2;
        } else if (b == '\n') {
          state_ = 0;
        } else if (b == '\r' || b == ' ' || b == '\t') {
          state_ = 3;
        } else {
          state_ = 0;
          bytes.Put('=', equalsAt_);
          Put(b, at);
        }
        return;
      case 2:
        state_ = 0;
        if (HexValue(b) >= 0) {
          bytes.Put(static_cast<std::uint8_t>(HexValue(high_) * 16 + HexValue(b)), equalsAt_);
        } else {
          bytes.Put('=', equalsAt_);
          bytes.Put(high_, equalsAt_ + 1);
          Put(b, at);
        }
        return;
      default:  // blanks or a CR after "="
        if (b == '\n') {
          state_ = 0;
        } else if (!(b == '\r' || b == ' ' || b == '\t')) {
          state_ = 0;
          bytes.Put('=', equalsAt_);
          Put(b, at);
        }
        return;
    }
  }
  void Finish() {
    if (state_ == 1 || state_ == 2)
      bytes.Put('=', equalsAt_);
    if (state_ == 2)
      bytes.Put(high_, equalsAt_ + 1);
    state_ = 0;
    bytes.Finish();
  }
  Bytes8 bytes;

 private:
  int state_ = 0;
  std::uint8_t high_ = 0;
  std::uint64_t equalsAt_ = 0;
};

// Bytes as the body of a base64 MIME part: runs of the Base64 alphabet,
// across line breaks, each started afresh after an empty line or any other
// character.
class Base64Part {
 public:
  Base64Part() : bytes(false) {}
  void Put(std::uint8_t b, std::uint64_t at) {
    const int value = Value(b);
    if (value >= 0) {
      if (count_ == 0)
        quadAt_ = at;
      quad_ = quad_ << 6 | static_cast<std::uint32_t>(value);
      lineEmpty_ = false;
      ++run_;
      if (++count_ == 4) {
        Emit(static_cast<std::uint8_t>(quad_ >> 16), quadAt_);
        Emit(static_cast<std::uint8_t>(quad_ >> 8), quadAt_ + 1);
        Emit(static_cast<std::uint8_t>(quad_), quadAt_ + 2);
        count_ = 0;
        quad_ = 0;
      }
      return;
    }
    if (b == '\n') {
      if (lineEmpty_)
        Restart();
      lineEmpty_ = true;
      return;
    }
    if (b == '\r')
      return;
    if (b == '=') {
      if (count_ >= 2) {
        quad_ <<= 6 * (4 - count_);
        Emit(static_cast<std::uint8_t>(quad_ >> 16), quadAt_);
        if (count_ == 3)
          Emit(static_cast<std::uint8_t>(quad_ >> 8), quadAt_ + 1);
      }
      count_ = 0;
      quad_ = 0;
      lineEmpty_ = false;
      return;
    }
    lineEmpty_ = false;
    Restart();
  }
  void Finish() { bytes.Finish(); }
  Bytes8 bytes;

 private:
  // Runs shorter than this are words of a text, not a part: not decoded.
  static constexpr std::size_t kShortestRun = 20;

  static int Value(std::uint8_t b) {
    if (b >= 'A' && b <= 'Z')
      return b - 'A';
    if (b >= 'a' && b <= 'z')
      return b - 'a' + 26;
    if (b >= '0' && b <= '9')
      return b - '0' + 52;
    return b == '+' ? 62 : b == '/' ? 63 : -1;
  }
  void Emit(std::uint8_t byte, std::uint64_t at) {
    if (run_ < kShortestRun) {
      held_[heldCount_++] = {byte, at};
      return;
    }
    for (std::size_t i = 0; i < heldCount_; ++i)
      bytes.Put(held_[i].first, held_[i].second);
    heldCount_ = 0;
    bytes.Put(byte, at);
  }
  void Restart() {
    count_ = 0;
    quad_ = 0;
    run_ = 0;
    heldCount_ = 0;
  }
  int count_ = 0;
  std::uint32_t quad_ = 0;
  std::uint64_t quadAt_ = 0;
  bool lineEmpty_ = true;
  std::size_t run_ = 0;
  std::array<std::pair<std::uint8_t, std::uint64_t>, kShortestRun> held_{};
  std::size_t heldCount_ = 0;
};

// One of the different blocks an input holds.
struct Candidate {
  MailSafeFind found;
  ByteArray code;
  std::uint64_t first;  // where it first stands
  bool unquoted;        // it stands on a line of its own at least once
};

}  // namespace

struct MailSafeReader::Views {
  explicit Views(bool readUtf16) : utf16(readUtf16) {}
  const bool utf16;
  Bytes8 direct{true};
  Utf16 little{false};
  Utf16 big{true};
  QuotedPrintable quoted;
  Base64Part base64;
  // UTF-16 text holds a zero byte in every ASCII character: the UTF-16
  // views start at the first zero byte, or at a byte order mark.
  bool utf16Started = false;
  std::uint8_t previous = 0;
  std::uint64_t at = 0;
  bool finished = false;

  std::vector<Scanner*> Scanners() {
    std::vector<Scanner*> all = {&direct.chars.plain,       &direct.chars.html,
                                 &quoted.bytes.chars.plain, &quoted.bytes.chars.html,
                                 &base64.bytes.chars.plain, &base64.bytes.chars.html};
    if (utf16) {
      for (Utf16* view : {&little, &big}) {
        all.push_back(&view->chars.plain);
        all.push_back(&view->chars.html);
      }
    }
    return all;
  }
};

MailSafeReader::MailSafeReader(bool utf16) : views_(std::make_unique<Views>(utf16)) {}
MailSafeReader::~MailSafeReader() = default;

void MailSafeReader::Feed(std::string_view bytes) {
  Views& v = *views_;
  for (const char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    v.direct.Put(b, v.at);
    v.quoted.Put(b, v.at);
    v.base64.Put(b, v.at);
    if (v.utf16 && !v.utf16Started &&
        (b == 0 ||
         (v.at == 1 && ((v.previous == 0xFF && b == 0xFE) || (v.previous == 0xFE && b == 0xFF))))) {
      v.utf16Started = true;
      if (v.at % 2 == 1) {  // keep the pairs where they stand from the start
        v.little.Put(v.previous, v.at - 1);
        v.big.Put(v.previous, v.at - 1);
      }
    }
    if (v.utf16Started) {
      v.little.Put(b, v.at);
      v.big.Put(b, v.at);
    }
    v.previous = b;
    ++v.at;
  }
}

MailSafeRead MailSafeReader::Finish(std::size_t pick) {
  Views& v = *views_;
  if (!v.finished) {
    v.finished = true;
    v.direct.Finish();
    v.quoted.Finish();
    v.base64.Finish();
    if (v.utf16) {
      v.little.Finish();
      v.big.Finish();
    }
  }
  MailSafeRead read;
  std::vector<Finding> intact;
  std::vector<Finding> broken;
  bool overflowed = false;
  for (Scanner* scanner : v.Scanners()) {
    read.cutOpening = read.cutOpening || scanner->CutOpening();
    overflowed = overflowed || scanner->Overflowed();
    for (Finding& f : scanner->Findings())
      (f.found == MailSafeFind::Intact ? intact : broken).push_back(f);
  }

  // Each code once, where it first stands.
  std::vector<Candidate> candidates;
  // Codes are told apart by their length and checksum first.
  std::map<std::pair<std::size_t, std::uint32_t>, std::vector<std::size_t>> byCode;
  for (const Finding& f : intact) {
    std::vector<std::size_t>& same = byCode[{f.code.size(), Crc32(f.code)}];
    const auto known = std::find_if(same.begin(), same.end(), [&](std::size_t i) {
      return std::equal(f.code.begin(), f.code.end(), candidates[i].code.begin());
    });
    if (known == same.end()) {
      same.push_back(candidates.size());
      candidates.push_back({MailSafeFind::Intact, f.code, f.start, !f.quoted});
    } else {
      Candidate& c = candidates[*known];
      c.first = std::min(c.first, f.start);
      c.unquoted = c.unquoted || !f.quoted;
    }
  }
  // A damaged block where another view reads one intact was changed by the
  // transport that view undoes; what two views find damaged at the same
  // place is one damaged block.
  std::sort(intact.begin(), intact.end(),
            [](const Finding& a, const Finding& b) { return a.start < b.start; });
  std::vector<std::uint64_t> reach(intact.size());  // the furthest end up to each
  for (std::size_t i = 0; i < intact.size(); ++i)
    reach[i] = std::max(i > 0 ? reach[i - 1] : 0, intact[i].end);
  const auto explained = [&](const Finding& f) {
    const auto after =
        std::upper_bound(intact.begin(), intact.end(), f.end,
                         [](std::uint64_t end, const Finding& i) { return end < i.start; });
    const auto n = static_cast<std::size_t>(after - intact.begin());
    return n > 0 && reach[n - 1] >= f.start;
  };
  std::sort(broken.begin(), broken.end(),
            [](const Finding& a, const Finding& b) { return a.start < b.start; });
  std::uint64_t clusterEnd = 0;
  bool inCluster = false;
  for (const Finding& f : broken) {
    if (explained(f))
      continue;
    if (inCluster && f.start <= clusterEnd) {
      clusterEnd = std::max(clusterEnd, f.reach);
      Candidate& c = candidates.back();
      c.unquoted = c.unquoted || !f.quoted;
      if (f.found == MailSafeFind::Damaged)
        c.found = MailSafeFind::Damaged;
      continue;
    }
    inCluster = true;
    clusterEnd = f.reach;
    candidates.push_back({f.found, {}, f.start, !f.quoted});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.first < b.first; });

  read.blocks = candidates.size();
  const auto take = [&](Candidate& c) {
    read.found = c.found;
    read.code = std::move(c.code);
    return read;
  };
  if (pick > 0) {
    if (pick <= candidates.size() && !overflowed)
      return take(candidates[pick - 1]);
    read.found = candidates.empty() ? MailSafeFind::None : MailSafeFind::Several;
    return read;
  }
  if (candidates.empty())
    return read;
  read.cutOpening = false;
  if (overflowed) {
    read.found = MailSafeFind::Several;
    return read;
  }
  if (candidates.size() == 1)
    return take(candidates[0]);
  Candidate* unquoted = nullptr;
  std::size_t unquotedCount = 0;
  for (Candidate& c : candidates) {
    if (c.unquoted) {
      unquoted = &c;
      ++unquotedCount;
    }
  }
  if (unquotedCount == 1)
    return take(*unquoted);
  read.found = MailSafeFind::Several;
  return read;
}

MailSafeRead ReadMailSafe(std::u16string_view text, std::size_t pick) {
  // Text is read as its UTF-8 bytes: every view but UTF-16 applies to it.
  MailSafeReader reader(false);
  std::string piece;
  const auto put = [&](char32_t c) {
    if (c < 0x80) {
      piece.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      piece.push_back(static_cast<char>(0xC0 | (c >> 6)));
      piece.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      piece.push_back(static_cast<char>(0xE0 | (c >> 12)));
      piece.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      piece.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      piece.push_back(static_cast<char>(0xF0 | (c >> 18)));
      piece.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      piece.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      piece.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    if (piece.size() >= 4096) {
      reader.Feed(piece);
      piece.clear();
    }
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      put(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      put(unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : unit);
    }
  }
  reader.Feed(piece);
  return reader.Finish(pick);
}

MailSafeRead ReadMailSafeBytes(std::string_view bytes, std::size_t pick) {
  MailSafeReader reader;
  reader.Feed(bytes);
  return reader.Finish(pick);
}

}  // namespace vantrel
