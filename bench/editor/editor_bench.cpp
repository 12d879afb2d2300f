// The editor at the sizes students reach and beyond: a 10 MB source opened
// and saved, a key press in a 10,000-line file, the live check of such a
// file, and the window coming up.
#include "editor_window.h"
#include "platform.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "qt_bench_main.h"

#include <benchmark/benchmark.h>

namespace {

class SilentDialogs : public mox::EditorDialogs {
public:
    QString path;
    Answer ask(const QString&, const QString&) override { return Answer::No; }
    void inform(const QString&, const QString&) override {}
    void warn(const QString& caption, const QString& text) override {
        qFatal("%s: %s", qPrintable(caption), qPrintable(text));
    }
    std::optional<QString> chooseOpenFile(const QString&) override { return path; }
    std::optional<QString> chooseSaveFile(const QString&) override { return path; }
    std::optional<QString> askText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<int> askNumber(const QString&, const QString&, int, int, int) override {
        return std::nullopt;
    }
};

constexpr qsizetype bigFile = 10 * 1024 * 1024;

// Typical source lines; with latin1 set, bytes that are not UTF-8 as well.
QString makeSource(const QTemporaryDir& dir, const QString& name, qsizetype size, bool latin1,
                   bool errors = false) {
    const QByteArray line = latin1 ? QByteArray("load ax, ff   ; caf\xe9 \xa0 constant\r\n")
                                   : QByteArray("load ax, ff   ; the constant ff\r\n");
    QByteArray bytes;
    bytes.reserve(size + line.size());
    for (int n = 0; bytes.size() < size; ++n)
        bytes += errors && n % 10 == 0 ? QByteArray("lod bx, 100\r\n") : line;
    bytes += "halt\r\n";
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

constexpr qsizetype tenThousandLines = 10000 * 33;

void openFile(benchmark::State& state) {
    QTemporaryDir dir;
    SilentDialogs dialogs;
    dialogs.path = makeSource(dir, "big.asm", bigFile, state.range(0) != 0);
    mox::EditorWindow view(&dialogs);
    view.show();
    for (auto _ : state) {
        state.PauseTiming();
        view.newFile();
        QApplication::processEvents();
        state.ResumeTiming();
        view.openFile();
        view.editBox()->viewport()->repaint(); // what is shown, laid out and painted
    }
    state.SetBytesProcessed(state.iterations() * bigFile);
}

void saveFile(benchmark::State& state) {
    QTemporaryDir dir;
    SilentDialogs dialogs;
    dialogs.path = makeSource(dir, "big.asm", bigFile, state.range(0) != 0);
    mox::EditorWindow view(&dialogs);
    view.show();
    view.openFile();
    QApplication::processEvents();
    for (auto _ : state) {
        if (!view.saveFile())
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * bigFile);
}

// One typed character (or its removal) handled and painted.
void keyPress(benchmark::State& state) {
    QTemporaryDir dir;
    SilentDialogs dialogs;
    dialogs.path = makeSource(dir, "lines.asm", tenThousandLines, false, true);
    mox::EditorWindow view(&dialogs);
    view.show();
    view.openFile();
    QsciScintilla* edit = view.editBox();
    edit->setCursorPosition(5000, 4);
    edit->ensureLineVisible(5000);
    QApplication::processEvents();
    bool type = true;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, type ? Qt::Key_X : Qt::Key_Backspace, Qt::NoModifier,
                        type ? QStringLiteral("x") : QString());
        QApplication::sendEvent(edit, &press);
        edit->viewport()->repaint();
        type = !type;
    }
}

void liveCheck(benchmark::State& state) {
    QTemporaryDir dir;
    SilentDialogs dialogs;
    dialogs.path = makeSource(dir, "lines.asm", tenThousandLines, false, state.range(0) != 0);
    mox::EditorWindow view(&dialogs);
    view.show();
    view.openFile();
    QApplication::processEvents();
    for (auto _ : state)
        view.checkNow();
    state.counters["errors"] = double(view.errorLines().size());
}

// The first window of a process, as a user waits for it: fonts, Scintilla
// and the lexer are set up cold.
void windowUp(benchmark::State& state) {
    for (auto _ : state) {
        mox::EditorWindow view;
        view.show();
        view.repaint();
        state.PauseTiming();
        view.close();
        state.ResumeTiming();
    }
}

// The peak memory of the real program, a second after it started.
void editorResident(benchmark::State& state) {
    for (auto _ : state) {
        QProcess editor;
        editor.start(QCoreApplication::applicationDirPath() + "/editor", {});
        if (!editor.waitForStarted()) {
            state.SkipWithError("editor did not start");
            return;
        }
        QThread::msleep(1000);
        QFile status(QStringLiteral("/proc/%1/status").arg(editor.processId()));
        double peakKb = 0;
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    peakKb = line.mid(6).trimmed().split(' ').value(0).toDouble();
        editor.kill();
        editor.waitForFinished();
        state.counters["peak_MB"] = peakKb / 1024;
    }
}

} // namespace

BENCHMARK(windowUp)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(openFile)->ArgName("latin1")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(saveFile)->ArgName("latin1")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(keyPress)->Unit(benchmark::kMillisecond);
BENCHMARK(liveCheck)->ArgName("errors")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(editorResident)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The zoom is remembered; a benchmark must not touch the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QCoreApplication::setOrganizationName(QStringLiteral("mox77-bench"));
    return runQtBenchmarks(argc, argv);
}
