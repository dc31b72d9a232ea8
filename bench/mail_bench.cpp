// The reader of mail-safe blocks on the largest input it takes (64 MiB):
// a long quoted history with the block at its end, as bytes (every view,
// UTF-16 included) and as a window's text.
//
//   cmake --preset release && cmake --build --preset release --target mail_bench
//   build/release/bench/mail_bench
#include <benchmark/benchmark.h>

#include <string>

#include "codec/MailSafe.h"

namespace vantrel {
namespace {

std::string LargestMail() {
  const std::string line =
      "> > In the meeting we agreed on the plan for the spring, see below.\r\n";
  const Text form = MailSafeForm(ByteArray(200, 'k'), u"\r\n");
  const std::string block(form.begin(), form.end());
  std::string mail;
  mail.reserve(kMailSafeMaxInput);
  while (mail.size() + line.size() + block.size() <= kMailSafeMaxInput)
    mail += line;
  return mail + block;
}

void BM_ReadMailSafeBytes_64MiB(benchmark::State& state) {
  const std::string mail = LargestMail();
  for (auto _ : state) {
    const MailSafeRead read = ReadMailSafeBytes(mail);
    if (read.found != MailSafeFind::Intact)
      state.SkipWithError("the block was not found");
    benchmark::DoNotOptimize(read);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(mail.size()));
}
BENCHMARK(BM_ReadMailSafeBytes_64MiB)->Unit(benchmark::kMillisecond);

void BM_ReadMailSafeText_64MiB(benchmark::State& state) {
  const std::string mail = LargestMail();
  const Text text(mail.begin(), mail.end());
  for (auto _ : state) {
    const MailSafeRead read = ReadMailSafe(text);
    if (read.found != MailSafeFind::Intact)
      state.SkipWithError("the block was not found");
    benchmark::DoNotOptimize(read);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(mail.size()));
}
BENCHMARK(BM_ReadMailSafeText_64MiB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
