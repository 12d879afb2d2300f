// The desktop programs from a shell: --help answers without a window, and
// without a display they say so and end instead of aborting.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

struct Run {
    QProcess::ExitStatus exit = QProcess::CrashExit;
    int code = -1;
    QString out, err;
};

// A display number no X server answers on here.
QString deadDisplay() {
    for (int n = 97;; ++n)
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            return QStringLiteral(":%1").arg(n);
}

Run run(const QString& program, const QStringList& arguments, const QString& display) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    if (!display.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), display);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(MOX_BIN_DIR "/") + program, arguments);
    if (!process.waitForFinished(10000))
        process.kill();
    process.waitForFinished();
    return {process.exitStatus(), process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void helpAndNoDisplay_data() {
        QTest::addColumn<QString>("program");
        for (const char* program : {"emulator", "editor"})
            if (QFileInfo(QStringLiteral(MOX_BIN_DIR "/") + program).isExecutable())
                QTest::newRow(program) << QString::fromLatin1(program);
    }
    void helpAndNoDisplay() {
        QFETCH(QString, program);
        // With no display at all, --help cannot have opened a window.
        const Run help = run(program, {QStringLiteral("--help")}, {});
        QCOMPARE(help.exit, QProcess::NormalExit);
        QCOMPARE(help.code, 0);
        QVERIFY2(help.out.startsWith(QStringLiteral("usage: ") + program + QStringLiteral(" [")),
                 qPrintable(help.out));
        QCOMPARE(help.err, QString());
        const Run h = run(program, {QStringLiteral("-h"), QStringLiteral("x")}, deadDisplay());
        QCOMPARE(h.code, 0);
        QCOMPARE(h.out, help.out);

        // Without a display, and with one that is not there.
        for (const QString& display : {QString(), deadDisplay()}) {
            const Run r = run(program, {}, display);
            QVERIFY2(r.exit == QProcess::NormalExit, qPrintable(display + ": " + r.err));
            QVERIFY(r.code != 0);
            QVERIFY2(r.err.contains(program + QStringLiteral(": cannot open a window")),
                     qPrintable(r.err));
            QVERIFY2(r.err.contains(QStringLiteral("display")), qPrintable(r.err));
            QCOMPARE(r.out, QString());
        }
    }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
