// A full run of a 100,000-word program through the real windows (offscreen),
// lighting what each word changes as a user sees it, next to the same run with
// no window at all, and with the datapath window open too. Then a
// Step up to the next frame drawn, with and without the datapath window, and
// the timeline from end to end.
#include "datapath_view.h"
#include "datapath_window.h"
#include "dialogs.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "memory_map_window.h"

#include "qt_bench_main.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <string>
#include <vector>

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

// "Run .8xe File" in step mode on the program, so that the windows show the
// load as a user sees it.
void stepLoad(mox::ui::EmulatorWindows& windows) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.8xe"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::fromStdString(program())) < 0) {
        qFatal("cannot write %s", qPrintable(path));
    }
    file.close();
    windows.machine().executionMode = mox::ExecutionMode::StepByStep;
    windows.loadFile(QFile::encodeName(path).toStdString());
}

void setRate(benchmark::State& state) {
    state.counters["words/s"] =
        benchmark::Counter(double(words) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void fullRunThroughWindows(benchmark::State& state, bool datapathOpen) {
    SilentDialogs dialogs;
    mox::ui::EmulatorWindows windows(dialogs);
    windows.setProgramListing(program());
    windows.executionWindow().show();
    windows.memoryMapWindow().show();
    if (datapathOpen) {
        windows.showDatapath();
    }
    QApplication::processEvents();
    QPushButton* execute = windows.executionWindow().button(QStringLiteral("Execute"));
    for (auto _ : state) {
        // The Execute button: the listing is read back and run word by word.
        execute->click();
    }
    benchmark::DoNotOptimize(windows.machine().cpu.registers[0]);
    setRate(state);
}

void fullRunThroughWindows(benchmark::State& state) {
    fullRunThroughWindows(state, false);
}
BENCHMARK(fullRunThroughWindows)->Unit(benchmark::kMillisecond);

void fullRunThroughWindowsWithDatapath(benchmark::State& state) {
    fullRunThroughWindows(state, true);
}
BENCHMARK(fullRunThroughWindowsWithDatapath)->Unit(benchmark::kMillisecond);

// Step, then the event loop until what it changed is on screen: the windows'
// repaints, the datapath's among them when it is open.
void stepToFrame(benchmark::State& state, bool datapathOpen) {
    SilentDialogs dialogs;
    mox::ui::EmulatorWindows windows(dialogs);
    stepLoad(windows);
    if (datapathOpen) {
        windows.showDatapath();
    }
    QApplication::processEvents();
    QPushButton* step = windows.executionWindow().button(QStringLiteral("Step"));
    const mox::ui::DatapathView& view = *windows.datapathWindow().view();
    const int framesBefore = view.framesDrawn();
    for (auto _ : state) {
        step->click();
        QApplication::processEvents();
    }
    const int frames = view.framesDrawn() - framesBefore;
    if (datapathOpen && frames < static_cast<int>(state.iterations())) {
        state.SkipWithError("a Step drew no datapath frame");
    }
    state.counters["datapath frames"] = frames;
}

void stepToFrameWithDatapath(benchmark::State& state) {
    stepToFrame(state, true);
}
BENCHMARK(stepToFrameWithDatapath)->Unit(benchmark::kMillisecond);

void stepToFrameWithoutDatapath(benchmark::State& state) {
    stepToFrame(state, false);
}
BENCHMARK(stepToFrameWithoutDatapath)->Unit(benchmark::kMillisecond);

// Play at the top speed with the window drawing every word: how far the
// ticks stray from the 50 ms asked for.
void playAtTopSpeed(benchmark::State& state) {
    SilentDialogs dialogs;
    mox::ui::EmulatorWindows windows(dialogs);
    stepLoad(windows);
    windows.showDatapath();
    mox::ui::DatapathWindow& datapath = windows.datapathWindow();
    datapath.setSpeed(20);
    constexpr int ticks = 41;
    std::vector<double> gaps;
    for (auto _ : state) {
        std::vector<qint64> at;
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        const auto tick = QObject::connect(&datapath, &mox::ui::DatapathWindow::playTick, [&] {
            at.push_back(clock.nsecsElapsed());
            if (at.size() == ticks) {
                datapath.pause();
                loop.quit();
            }
        });
        datapath.play();
        loop.exec();
        QObject::disconnect(tick);
        for (std::size_t i = 1; i < at.size(); ++i) {
            gaps.push_back(double(at[i] - at[i - 1]) / 1e6);
        }
    }
    std::sort(gaps.begin(), gaps.end());
    state.counters["median gap ms"] = gaps[gaps.size() / 2];
    state.counters["gaps within 5 ms %"] =
        100.0 *
        double(std::count_if(gaps.begin(), gaps.end(),
                             [](double g) { return std::abs(g - 50.0) <= 5.0; })) /
        double(gaps.size());
}
BENCHMARK(playAtTopSpeed)->Iterations(1)->Unit(benchmark::kMillisecond);

// The timeline from the start of the run to its end and back, as the windows
// show each move: two moves of every word.
void timelineEndToEnd(benchmark::State& state) {
    SilentDialogs dialogs;
    mox::ui::EmulatorWindows windows(dialogs);
    stepLoad(windows);
    windows.showDatapath();
    for (auto _ : state) {
        windows.moveTo(words);
        windows.moveTo(0);
    }
    if (windows.machine().timeline().length != std::size_t{words}) {
        state.SkipWithError("the run is not the program's words");
    }
}
BENCHMARK(timelineEndToEnd)->Unit(benchmark::kMillisecond);

void fullRunHeadless(benchmark::State& state) {
    mox::Emulator emulator;
    const std::string text = program();
    for (auto _ : state) {
        emulator.runText(text);
    }
    benchmark::DoNotOptimize(emulator.cpu.registers[0]);
    setRate(state);
}
BENCHMARK(fullRunHeadless)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}
