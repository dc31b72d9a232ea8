// Encode and Decode on the longest text Encode accepts, the codec alone, and
// one Base64 encoding of the same bytes by OpenSSL as the yardstick.
//
//   cmake --preset release && cmake --build --preset release --target core_bench
//   build/release/bench/core_bench
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <vector>

#include "app/Form1.h"
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

struct Window {
  QuietHost host;
  Form1 form{host};
  Window() {
    TypePassword(form, u"k");
    form.SetText1(LongestPlainText());
  }
};

void BM_Encode_Click(benchmark::State& state) {
  Window w;
  for (auto _ : state) {
    w.form.Encode_Click();
    state.PauseTiming();
    w.form.Decode_Click();  // back to the plain text for the next round
    state.ResumeTiming();
  }
  if (w.host.messages != 0)
    state.SkipWithError("a command failed");
  state.SetBytesProcessed(state.iterations() * kMaxPlainLength);
}
BENCHMARK(BM_Encode_Click)->Unit(benchmark::kMicrosecond);

void BM_Decode_Click(benchmark::State& state) {
  Window w;
  w.form.Encode_Click();
  for (auto _ : state) {
    w.form.Decode_Click();
    state.PauseTiming();
    w.form.Encode_Click();
    state.ResumeTiming();
  }
  if (w.host.messages != 0)
    state.SkipWithError("a command failed");
  state.SetBytesProcessed(state.iterations() * kMaxPlainLength);
}
BENCHMARK(BM_Decode_Click)->Unit(benchmark::kMicrosecond);

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
