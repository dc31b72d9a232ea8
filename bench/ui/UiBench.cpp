// Encode and Decode at the longest plain text Encode accepts (kind 0), and
// at the longest texts that go through the any-text form (kind 1: 9,200
// Cyrillic letters; kind 2: 4,600 emoji), through the real widgets (menu
// action, model, fields shown again), against the yardstick of one
// setPlainText of the resulting text into the same widget.
// Runs offscreen unless a platform is chosen.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <memory>

#include "app/Form1.h"
#include "ui/CodeEdit.h"
#include "ui/FieldText.h"
#include "ui/MainWindow.h"
#include "ui/PasswordEdit.h"
#include "ui/QtText.h"

namespace {

using vantrel::Text;

struct Window {
  Window() {
    window.setEnd([] {});
    window.show();
    text1 = window.findChild<vantrel::CodeEdit*>("Text1");
    text2 = window.findChild<vantrel::CodeEdit*>("Text2");
    for (const char key : {'p', 'w'}) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (key - 'a'), Qt::NoModifier,
                      QString(QChar(key)));
      QApplication::sendEvent(window.findChild<vantrel::PasswordEdit*>("Text3"), &press);
    }
    // The longest accepted text, in lines of ordinary prose.
    const Text line = u"The quick brown fox jumps over the lazy dog, 0123456789!\r\n";
    while (plain.size() + line.size() <= vantrel::kMaxPlainLength)
      plain += line;
    plain.append(vantrel::kMaxPlainLength - plain.size(), u'x');
    cyrillic.assign(9200, u'\u0416');
    for (int i = 0; i < 4600; ++i)
      emoji += u"\U0001F600";
  }
  const Text& Plain(std::int64_t kind) const {
    return kind == 1 ? cyrillic : kind == 2 ? emoji : plain;
  }
  // Text into a field the way the user pastes it.
  void paste(vantrel::CodeEdit* field, const Text& text) {
    field->clear();
    QGuiApplication::clipboard()->setText(vantrel::ToQString(text));
    field->paste();
  }
  void trigger(const char* name) { window.findChild<QAction*>(name)->trigger(); }

  vantrel::MainWindow window;
  vantrel::CodeEdit* text1 = nullptr;
  vantrel::CodeEdit* text2 = nullptr;
  Text plain, cyrillic, emoji;
};

Window& Shared() {
  static Window window;
  return window;
}

void BM_EncodeClick(benchmark::State& state) {
  Window& w = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    w.text2->clear();
    w.paste(w.text1, w.Plain(state.range(0)));
    state.ResumeTiming();
    w.trigger("Encode");
  }
  if (w.window.model().Text2().empty())
    state.SkipWithError("Encode made no code");
  state.counters["code_chars"] = static_cast<double>(w.window.model().Text2().size());
}
BENCHMARK(BM_EncodeClick)->ArgName("kind")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_SetPlainText_Code(benchmark::State& state) {
  Window& w = Shared();
  w.paste(w.text1, w.plain);
  w.trigger("Encode");
  const QString shown = vantrel::ToQString(vantrel::ToDisplay(w.window.model().Text2()));
  for (auto _ : state) {
    state.PauseTiming();
    w.text2->clear();
    state.ResumeTiming();
    w.text2->setPlainText(shown);
  }
}
BENCHMARK(BM_SetPlainText_Code)->Unit(benchmark::kMillisecond);

void BM_DecodeClick(benchmark::State& state) {
  Window& w = Shared();
  const Text& plain = w.Plain(state.range(0));
  w.paste(w.text1, plain);
  w.trigger("Encode");
  const Text code = w.window.model().Text2();
  for (auto _ : state) {
    state.PauseTiming();
    w.text1->clear();
    w.paste(w.text2, code);
    state.ResumeTiming();
    w.trigger("Decode");
  }
  if (w.window.model().Text1() != plain)
    state.SkipWithError("Decode did not bring the text back");
}
BENCHMARK(BM_DecodeClick)->ArgName("kind")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_SetPlainText_Plain(benchmark::State& state) {
  Window& w = Shared();
  const QString shown = vantrel::ToQString(vantrel::ToDisplay(w.plain));
  for (auto _ : state) {
    state.PauseTiming();
    w.text1->clear();
    state.ResumeTiming();
    w.text1->setPlainText(shown);
  }
}
BENCHMARK(BM_SetPlainText_Plain)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
