// Opening and saving a 10 MB source file through the editor window.
#include "codeview.h"
#include "platform.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "qt_bench_main.h"

#include <benchmark/benchmark.h>

namespace {

class SilentDialogs : public mox::EditorDialogs {
public:
    QString path;
    bool askYesNo(const QString&, const QString&) override { return false; }
    void inform(const QString&, const QString&) override {}
    void warn(const QString& caption, const QString& text) override {
        qFatal("%s: %s", qPrintable(caption), qPrintable(text));
    }
    std::optional<QString> chooseOpenFile() override { return path; }
    std::optional<QString> chooseSaveFile() override { return path; }
};

constexpr qsizetype fileSize = 10 * 1024 * 1024;

// Typical source lines; with latin1 set, bytes that are not UTF-8 as well.
QString makeSource(const QTemporaryDir& dir, bool latin1) {
    const QByteArray line = latin1 ? QByteArray("load ax, ff   ; caf\xe9 \xa0 constant\r\n")
                                   : QByteArray("load ax, ff   ; the constant ff\r\n");
    QByteArray bytes;
    bytes.reserve(fileSize + line.size());
    while (bytes.size() < fileSize)
        bytes += line;
    const QString path = dir.filePath(latin1 ? "latin1.asm" : "utf8.asm");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void openFile(benchmark::State& state) {
    QTemporaryDir dir;
    SilentDialogs dialogs;
    dialogs.path = makeSource(dir, state.range(0) != 0);
    mox::CodeView view(&dialogs);
    view.show();
    for (auto _ : state) {
        state.PauseTiming();
        view.newFile();
        QApplication::processEvents();
        state.ResumeTiming();
        view.openFile();
        QApplication::processEvents(); // includes laying out what is shown
    }
    state.SetBytesProcessed(state.iterations() * fileSize);
}

void saveFile(benchmark::State& state) {
    QTemporaryDir dir;
    SilentDialogs dialogs;
    dialogs.path = makeSource(dir, state.range(0) != 0);
    mox::CodeView view(&dialogs);
    view.show();
    view.openFile();
    QApplication::processEvents();
    for (auto _ : state) {
        if (!view.saveFile())
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * fileSize);
}

} // namespace

BENCHMARK(openFile)->ArgName("latin1")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(saveFile)->ArgName("latin1")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}
