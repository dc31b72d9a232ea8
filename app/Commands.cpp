// The commands behind the menu and the close box: Encode, Decode, Copy,
// Copy For Mail and the closing slide-away.
#include <algorithm>
#include <cmath>
#include <utility>

#include "AnsiCodePage.h"
#include "Form1.h"
#include "codec/AnyText.h"
#include "codec/MailSafe.h"
#include "codec/Module1.h"

namespace vantrel {
namespace {

// A code's bytes are its characters' codes in the fields' code page.
ByteArray CodeBytes(const Text& code) {
  ByteArray bytes(code.size());
  std::transform(code.begin(), code.end(), bytes.begin(), AnsiCode);
  return bytes;
}

Text CodeText(const ByteArray& bytes) {
  Text code(bytes.size(), u'\0');
  std::transform(bytes.begin(), bytes.end(), code.begin(), AnsiChar);
  return code;
}

// The mail-safe block that text holds, if any (codec/MailSafe.h chooses
// among several).
MailSafeRead BlockIn(const Text& text) {
  return ReadMailSafe(text);
}

// Says why a block cannot be read, when it cannot.
bool RefuseBlock(Host& host, const MailSafeRead& block, bool forMail) {
  if (block.found == MailSafeFind::Several) {
    host.MsgBox(messages::SeveralCodes(block.blocks, forMail));
    return true;
  }
  if (block.found == MailSafeFind::Damaged) {
    host.MsgBox(messages::Damaged());
    return true;
  }
  if (block.found == MailSafeFind::Newer) {
    host.MsgBox(messages::NewerForm());
    return true;
  }
  return false;
}

}  // namespace

bool Form1::RefuseUnencodable(Text& form) {
  constexpr auto kLimit = static_cast<std::size_t>(kMaxPlainLength);
  // Almost every text holds only codes 10 to 125 and is encoded as it is,
  // as it always was.
  if (text1IsBytesForm_ || !NeedsAnyTextForm(text1_)) {
    if (text1_.size() > kLimit) {
      host_.MsgBox(messages::TooLongToEncode(text1_.size()));
      return true;
    }
    return false;
  }
  if (const auto broken = FirstIllFormed(text1_)) {
    host_.MsgBox(messages::IllFormed(text1_[*broken], PlaceIn(text1_, *broken)));
    return true;
  }
  // Each character takes at least one place in the form, so a text longer
  // than the limit is not even written.
  if (text1_.size() <= kLimit)
    form = AnyTextForm(text1_);
  if (form.empty() || form.size() > kLimit) {
    const std::u16string_view text(text1_);
    host_.MsgBox(messages::TooLongToEncode(
        CharacterCount(text), CharacterCount(text.substr(0, AnyTextFitting(text, kLimit)))));
    return true;
  }
  return false;
}

void Form1::Encode_Click() {
  Run([&] {
    if (text3_.empty()) {
      host_.MsgBox(messages::NeedPassword());
      return;
    }
    if (text1_.empty()) {
      host_.MsgBox(messages::NeedText());
      return;
    }
    // A text with other characters is encoded through its any-text form.
    Text form;
    if (RefuseUnencodable(form))
      return;
    // Text3 is never written by a command, and the code field is emptied
    // first, so both fields are moved aside rather than copied. Text1 with
    // its end marker (the marker is what Decode looks for) is read only by
    // the first pass, which reads it where it stands. The code gets its
    // room once, and the steps below swap storage where a field is copied
    // and then overwritten: a command allocates twice, not at every step.
    Fields before{std::move(text1_), std::move(text2_)};
    try {
      const std::size_t room = (before.text1.size() + 3) / 3 * 4;
      text1_.clear();
      text2_.clear();  // the code replaces whatever stood in the code field
      text2_.reserve(room);
      // Text1 & "." shifted into Text2
      ShiftIntoCode(form.empty() ? before.text1 : form, u".");
      std::swap(text1_, text2_);       // Text1 := Text2
      EncodeTextInto(text1_, text2_);  // Base64 is ASCII: already in the code page
      std::swap(text1_, text2_);       // Text1 := Text2
      text2_.clear();
      ShiftIntoCode();
      text1_.clear();
      text1IsBytesForm_ = false;
    } catch (...) {
      RestoreFields(std::move(before));
      throw;
    }
  });
}

void Form1::Decode_Click() {
  Run([&] {
    if (text3_.empty()) {
      host_.MsgBox(messages::NeedPassword());
      return;
    }
    if (text2_.empty()) {
      host_.MsgBox(messages::NeedCode());
      return;
    }
    // A mail-safe block stands for the code it carries. Unless the command
    // succeeds, the code field gets back what the user put there.
    MailSafeRead block = BlockIn(text2_);
    if (RefuseBlock(host_, block, false))
      return;
    // A text that is no code but the start of a block cut before its "~"
    // was damaged on its way, whatever the password.
    const auto failed = [&](const Message& message) {
      host_.MsgBox(block.cutOpening ? messages::Damaged() : message);
    };
    struct GiveBack {
      Text& field;
      Text pasted;
      ~GiveBack() {
        if (!pasted.empty() && !field.empty())
          field = std::move(pasted);
      }
    } giveBack{text2_, {}};
    if (block.found == MailSafeFind::Intact)
      giveBack.pasted = std::exchange(text2_, CodeText(block.code));
    if (text2_.size() > static_cast<std::size_t>(kMaxCodeLength)) {
      failed(messages::TooLongToDecode(text2_.size()));
      return;
    }
    // The code is kept by moving it aside where the command overwrites it,
    // rather than by a copy up front; until then it is still in its field.
    Fields before{std::move(text1_), Text()};
    bool codeMoved = false;
    try {
      text1_.clear();  // the plain text replaces whatever stood in its field
      ShiftIntoPlain();
      before.text2 = std::move(text2_);
      codeMoved = true;
      text2_ = std::move(text1_);
      text1_ = ToCodePage(DecodeText(text2_));
      text2_ = std::move(text1_);
      text1_.clear();
      ShiftIntoPlain();
      if (text1_.empty() || text1_.back() != u'.') {
        RestoreFields(std::move(before));
        failed(messages::WrongPassword());
        return;
      }
      text1_.pop_back();
      text2_.clear();
      // A text in the any-text form comes back as the text it carries; a
      // plain text that only looks like it, and a file's bytes, which only
      // vantrel-cli writes out, are shown as they are.
      if (text1_.starts_with(kAnyTextMarker)) {
        AnyTextRead read = ReadAnyTextForm(text1_);
        if (read.kind == AnyTextRead::Kind::Unicode)
          text1_ = std::move(read.text);
      }
    } catch (const CodecError& error) {
      RestoreFields(std::move(before));
      failed(messages::CodecFailure(error));
    } catch (...) {
      if (!codeMoved)
        before.text2 = text2_;
      RestoreFields(std::move(before));
      throw;
    }
  });
}

void Form1::CToC_Click() {
  Run([&] {
    if (text2_.empty()) {
      host_.MsgBox(messages::NothingToCopy());
      return;
    }
    PutOnClipboard(text2_, messages::Copied(), false);
  });
}

void Form1::CopyForMail_Click() {
  Run([&] {
    if (text2_.empty()) {
      host_.MsgBox(messages::NothingToCopy());
      return;
    }
    MailSafeRead block = BlockIn(text2_);
    if (RefuseBlock(host_, block, true))
      return;
    PutOnClipboard(block.found == MailSafeFind::Intact ? MailSafeForm(block.code, u"\r\n")
                                                       : MailSafeFormOf(text2_, u"\r\n"),
                   messages::CopiedForMail(), true);
  });
}

Text MailSafeFormOf(const Text& code, std::u16string_view lineBreak) {
  return MailSafeForm(CodeBytes(code), lineBreak);
}

void Form1::PutOnClipboard(const Text& text, const Message& copied, bool forMail) {
  try {
    host_.ClipboardClear();
    host_.ClipboardSetText(text);
  } catch (const ClipboardBusy&) {
    host_.MsgBox(messages::ClipboardBusy(forMail));
    return;
  }
  host_.MsgBox(copied);
}

void Form1::Form_Unload() {
  // Every failing step is skipped and the next one runs: closing never fails.
  const auto attempt = [](auto step) {
    try {
      step();
    } catch (...) {
    }
  };
  // Each step sets the whole geometry from where the window started, and
  // moves it by a multiple of 60 twips (1/24 inch, a whole number of pixels
  // at every scaling from 100 % to 500 % in steps of 25 %), so that no
  // rounding of twips to pixels can make it drift: the window shrinks
  // around its centre, down to the toolkit's minimum size, and slides on
  // towards the lower right. It is gone once its top edge is below the
  // screen or its left edge past the screen's right; the program ends
  // there. Each step travels 60 twips, or further when the steps fall
  // behind the pace that ends the animation within kClosingSeconds on any
  // screen, however slowly the window moves.
  float top = 0;
  float left = 0;
  float width = 0;
  float height = 0;
  double distance = -1;
  attempt([&] {
    top = host_.Top();
    left = host_.Left();
    width = host_.Width();
    height = host_.Height();
    distance = std::min(static_cast<double>(host_.ScreenHeight()) - top,
                        static_cast<double>(host_.ScreenWidth()) - left);
  });
  if (std::isfinite(distance)) {
    constexpr double kStep = 60;
    constexpr double kClosingSeconds = 0.5;
    distance = std::min(distance, 1e7);
    double start = 0;
    attempt([&] { start = host_.Seconds(); });
    double travelled = 0;
    do {
      double paced = 0;
      attempt([&] { paced = (host_.Seconds() - start) / kClosingSeconds * distance; });
      travelled =
          std::max(travelled + kStep, std::isfinite(paced) ? std::floor(paced / kStep) * kStep : 0);
      const auto at = [&](float from, double by) { return static_cast<float>(from + by); };
      attempt([&] {
        host_.Place(at(top, travelled), at(left, travelled),
                    at(width, std::max(-2 * travelled, -double{width})),
                    at(height, std::max(-2 * travelled, -double{height})));
      });
    } while (travelled <= distance);
  }
  attempt([&] { host_.End(); });
}

}  // namespace vantrel
