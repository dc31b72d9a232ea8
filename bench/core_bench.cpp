// Encode and Decode on the longest text Encode accepts, and on the longest
// texts of other kinds through their any-text form, the codec alone, and
// one Base64 encoding of the same bytes by OpenSSL as the yardstick.
//
//   cmake --preset release && cmake --build --preset release --target core_bench
//   build/release/bench/core_bench
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "codec/AnyText.h"
#include "codec/Module1.h"

namespace vantrel {
namespace {

class QuietHost : public WindowlessHost {
 public:
  void MsgBox(const Message&) override { ++messages; }
  void ClipboardClear() override {}
  void ClipboardSetText(const Text&) override {}
  void End() override {}
  int messages = 0;
};

// The longest plain text Encode accepts: printable characters, spaces and
// CR LF line breaks.
Text LongestPlainText() {
  std::mt19937 random(7);
  Text plain;
  while (plain.size() < static_cast<std::size_t>(kMaxPlainLength)) {
    if (random() % 60 == 0 && plain.size() + 2 <= static_cast<std::size_t>(kMaxPlainLength)) {
      plain += u"\r\n";
    } else {
      plain.push_back(static_cast<char16_t>(32 + random() % 94));
    }
  }
  return plain;
}

// The longest text of a kind that goes through the any-text form (0 to 3):
// English with curly quotes and dashes, Cyrillic words, CJK, emoji.
Text LongestAnyText(int kind) {
  std::mt19937 random(11);
  const std::u16string_view pieces[][4] = {
      {u"It\u2019s ", u"\u201Cfine\u201D ", u"well \u2014 ", u"the plan. "},
      {u"\u041F\u0440\u0438\u0432\u0435\u0442 ", u"\u043C\u0438\u0440 ", u"\u0434\u0430 ",
       u"\u0425\u043E\u0440\u043E\u0448\u043E. "},
      {u"\u4F60\u597D", u"\u4E16\u754C", u"\u65E5\u672C\u8A9E", u"\u3002"},
      {u"\U0001F600", u"\U0001F44D\U0001F3FD", u"\u2764\uFE0F", u"\U0001F389"},
  };
  Text text;
  while (text.size() < static_cast<std::size_t>(kMaxPlainLength))
    text += pieces[kind][random() % 4];
  text.resize(AnyTextFitting(text, static_cast<std::size_t>(kMaxPlainLength)));
  return text;
}

// The longest text of each kind: kind 0 is ASCII, encoded as it is; 1 to 4
// go through the any-text form.
Text LongestText(std::int64_t kind) {
  return kind == 0 ? LongestPlainText() : LongestAnyText(static_cast<int>(kind - 1));
}

struct Window {
  QuietHost host;
  Form1 form{host};
  const Text plain;
  explicit Window(std::int64_t kind) : plain(LongestText(kind)) {
    TypePassword(form, u"k");
    form.SetText1(plain);
  }
  void Report(benchmark::State& state) const {
    if (host.messages != 0)
      state.SkipWithError("a command failed");
    state.SetLabel(std::to_string(plain.size()) + " code units");
  }
};

void BM_Encode_Click(benchmark::State& state) {
  Window w(state.range(0));
  for (auto _ : state) {
    w.form.Encode_Click();
    state.PauseTiming();
    w.form.Decode_Click();  // back to the plain text for the next round
    state.ResumeTiming();
  }
  if (w.form.Text1() != w.plain)
    state.SkipWithError("Decode did not bring the text back");
  w.Report(state);
}
BENCHMARK(BM_Encode_Click)->ArgName("kind")->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

void BM_Decode_Click(benchmark::State& state) {
  Window w(state.range(0));
  w.form.Encode_Click();
  for (auto _ : state) {
    w.form.Decode_Click();
    state.PauseTiming();
    w.form.Encode_Click();
    state.ResumeTiming();
  }
  w.Report(state);
}
BENCHMARK(BM_Decode_Click)->ArgName("kind")->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

void BM_EncodeText(benchmark::State& state) {
  const Text plain = LongestPlainText() + u".";
  for (auto _ : state)
    benchmark::DoNotOptimize(EncodeText(plain));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plain.size()));
}
BENCHMARK(BM_EncodeText)->Unit(benchmark::kMicrosecond);

void BM_DecodeText(benchmark::State& state) {
  const Text plain = LongestPlainText() + u".";
  const Text code = EncodeText(plain);
  for (auto _ : state)
    benchmark::DoNotOptimize(DecodeText(code));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plain.size()));
}
BENCHMARK(BM_DecodeText)->Unit(benchmark::kMicrosecond);

// The yardstick: one Base64 encoding of the same number of bytes.
void BM_Yardstick_EVP_EncodeBlock(benchmark::State& state) {
  const Text plain = LongestPlainText() + u".";
  const ByteArray bytes = TextToBytes(plain);
  std::vector<unsigned char> out((bytes.size() + 2) / 3 * 4 + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        EVP_EncodeBlock(out.data(), bytes.data(), static_cast<int>(bytes.size())));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_Yardstick_EVP_EncodeBlock)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
