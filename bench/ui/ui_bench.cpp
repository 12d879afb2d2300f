// A full run of a 100,000-word program through the real windows (offscreen),
// lighting what each word changes as a user sees it, next to the same run with
// a display that shows nothing.
#include "dialogs.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "memory_map_window.h"
#include "null_display.h"

#include "qt_bench_main.h"
#include <QApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>
#include <string>

namespace {

class SilentDialogs : public mox::ui::Dialogs {
public:
    void message(QWidget*, const QString&, const QString&, mox::Icon) override {}
    std::optional<QString> openProgramFile() override { return std::nullopt; }
};

constexpr int words = 100000;

// inc ax then store ax in cell 0, over and over and with no halt: every word
// changes a visible cell or register box, so no refresh can be skipped.
std::string program() {
    std::string text;
    text.reserve(words * 4);
    for (int i = 0; i < words / 2; ++i) {
        text += "90003000";
    }
    return text;
}

void setRate(benchmark::State& state) {
    state.counters["words/s"] =
        benchmark::Counter(double(words) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void fullRunThroughWindows(benchmark::State& state) {
    SilentDialogs dialogs;
    mox::ui::EmulatorWindows windows(dialogs);
    windows.setProgramListing(program());
    windows.executionWindow().show();
    windows.memoryMapWindow().show();
    QApplication::processEvents();
    QPushButton* execute = windows.executionWindow().button(QStringLiteral("Execute"));
    for (auto _ : state) {
        // The Execute button: the listing is read back and run word by word.
        execute->click();
    }
    benchmark::DoNotOptimize(windows.machine().cpu.registers[0]);
    setRate(state);
}
BENCHMARK(fullRunThroughWindows)->Unit(benchmark::kMillisecond);

void fullRunWithNullDisplay(benchmark::State& state) {
    mox::NullDisplay display;
    mox::Emulator emulator(display);
    const std::string text = program();
    for (auto _ : state) {
        emulator.runText(text);
    }
    benchmark::DoNotOptimize(emulator.cpu.registers[0]);
    setRate(state);
}
BENCHMARK(fullRunWithNullDisplay)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}
