// The hand-over between processes: where its socket may live, emulators
// starting together, a stopped emulator, and a peer of another user.
#include "handoff.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mox;

namespace {

int modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777)
                                                                    : -1;
}

// A stand-in emulator process (handoff_peer), read line by line.
class Peer {
public:
    Peer(const QString& socket, const QString& path) {
        process.start(QStringLiteral(MOX_BIN_DIR "/handoff_peer"), {socket, path});
    }
    ~Peer() {
        ::kill(pid_t(process.processId()), SIGCONT);
        process.kill();
        process.waitForFinished();
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // The next line it prints; empty when none comes within ten seconds.
    QString line() {
        QElapsedTimer waited;
        waited.start();
        while (!process.canReadLine() && waited.elapsed() < 10000) {
            process.waitForReadyRead(100);
        }
        return QString::fromUtf8(process.readLine()).chopped(1);
    }
    pid_t pid() const { return pid_t(process.processId()); }

    QProcess process;
};

// Runs `child` in a process of the user nobody; gives its exit status.
template <class Child> int asNobody(Child child) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        ::_exit(child());
    }
    int status = 0;
    // The test's own end keeps answering meanwhile.
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        QTest::qWait(10);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

sockaddr_un addressOf(const QString& socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(socket);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return address;
}

} // namespace

class HandoffTest : public QObject {
    Q_OBJECT

    QTemporaryDir temp;

    QString socket() const { return temp.filePath(QStringLiteral("emulator")); }

private slots:
    void placeIsAFolderOnlyTheUserCanEnter_data() {
        QTest::addColumn<QString>("runtime"); // how the runtime folder is made
        QTest::addColumn<QString>("own");     // how the folder of the user's own is found
        QTest::addColumn<int>("otherUser");   // 1: the folders' owner is not the user
        QTest::addColumn<QString>("used");    // "runtime", "own" or "" (none)
        QTest::newRow("runtime folder") << "0700"
                                        << "" << 0 << "runtime";
        QTest::newRow("none set") << "unset"
                                  << "" << 0 << "own";
        QTest::newRow("relative") << "relative"
                                  << "" << 0 << "own";
        QTest::newRow("open to others") << "0755"
                                        << "" << 0 << "own";
        QTest::newRow("not a folder") << "file"
                                      << "" << 0 << "own";
        QTest::newRow("own made already") << "unset"
                                          << "0700" << 0 << "own";
        QTest::newRow("another user's") << "0700"
                                        << "" << 1 << "";
        QTest::newRow("own open to others") << "unset"
                                            << "0777" << 0 << "";
        QTest::newRow("own group-readable") << "0755"
                                            << "0750" << 0 << "";
        QTest::newRow("own a link") << "unset"
                                    << "link" << 0 << "";
    }
    void placeIsAFolderOnlyTheUserCanEnter() {
        QFETCH(QString, runtime);
        QFETCH(QString, own);
        QFETCH(int, otherUser);
        QFETCH(QString, used);
        QTemporaryDir root;
        const QString tmp = root.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir(root.path()).mkdir(QStringLiteral("tmp")));
        QString runtimeDir = root.filePath(QStringLiteral("run"));
        if (runtime.startsWith(u'0')) {
            QVERIFY(QDir(root.path()).mkdir(QStringLiteral("run")));
            QVERIFY(::chmod(QFile::encodeName(runtimeDir).constData(), runtime.toInt(nullptr, 8)) ==
                    0);
        } else if (runtime == QStringLiteral("file")) {
            QFile file(runtimeDir);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (runtime == QStringLiteral("relative")) {
            runtimeDir = QStringLiteral("run");
        } else {
            runtimeDir.clear();
        }
        const uid_t uid = ::geteuid() + uid_t(otherUser);
        const QString ownDir = tmp + QStringLiteral("/mox77-") + QString::number(uid);
        if (own.startsWith(u'0')) {
            QVERIFY(QDir(tmp).mkdir(QFileInfo(ownDir).fileName()));
            QVERIFY(::chmod(QFile::encodeName(ownDir).constData(), own.toInt(nullptr, 8)) == 0);
        } else if (own == QStringLiteral("link")) {
            QVERIFY(QDir(root.path()).mkdir(QStringLiteral("elsewhere")));
            QVERIFY(::chmod(QFile::encodeName(root.filePath("elsewhere")).constData(), 0700) == 0);
            QVERIFY(QFile::link(root.filePath(QStringLiteral("elsewhere")), ownDir));
        }

        const HandoffPlace place = handoffPlaceIn(runtimeDir, tmp, uid, QStringLiteral("_0"));
        if (used.isEmpty()) {
            QVERIFY2(place.socket.isEmpty(), qPrintable(place.socket));
            QVERIFY(!place.problem.isEmpty());
            return;
        }
        const QString folder = used == QStringLiteral("runtime") ? runtimeDir : ownDir;
        QCOMPARE(QFileInfo(place.socket).path(), folder);
        QCOMPARE(modeOf(folder), 0700);
        QVERIFY(place.problem.isEmpty());
        // The name is the display's: another display, another emulator.
        QVERIFY(handoffPlaceIn(runtimeDir, tmp, uid, QStringLiteral("_1")).socket != place.socket);
    }

    void twoEmulatorsStartingTogetherLeaveOne() {
        // Each round starts two at once; the one left from the round before
        // has been killed, leaving its socket file behind.
        for (int round = 0; round < 6; ++round) {
            const QString a = temp.filePath(QStringLiteral("a%1.8xe").arg(round));
            const QString b = temp.filePath(QStringLiteral("b%1.8xe").arg(round));
            Peer first(socket(), a);
            Peer second(socket(), b);
            const QString firstSays = first.line();
            const QString secondSays = second.line();
            QCOMPARE(QSet<QString>({firstSays, secondSays}),
                     QSet<QString>({"claimed", "handed over"}));
            Peer& winner = firstSays == QStringLiteral("claimed") ? first : second;
            Peer& loser = &winner == &first ? second : first;
            QVERIFY(loser.process.waitForFinished(3000));
            QCOMPARE(loser.process.exitCode(), 0);
            QCOMPARE(winner.line(), QStringLiteral("received ") + (&winner == &first ? b : a));
            QCOMPARE(winner.process.state(), QProcess::Running);
        }
    }

    void aStoppedEmulatorIsNoSuccess() {
        Peer stopped(socket(), {});
        QCOMPARE(stopped.line(), QStringLiteral("claimed"));
        QCOMPARE(::kill(stopped.pid(), SIGSTOP), 0);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(handOff(socket(), temp.filePath(QStringLiteral("p.8xe"))), HandOff::NoAnswer);
        QVERIFY2(waited.elapsed() < 3000, qPrintable(QString::number(waited.elapsed())));
        // A new one started then stays with its program, whatever holds the
        // socket.
        Peer next(socket(), temp.filePath(QStringLiteral("q.8xe")));
        QCOMPARE(next.line(), QStringLiteral("alone"));
        QCOMPARE(next.process.state(), QProcess::Running);
        // Resumed, the stopped one answers a peer that has gone, and lives on.
        QCOMPARE(::kill(stopped.pid(), SIGCONT), 0);
        QCOMPARE(stopped.line(), QStringLiteral("received ") + temp.filePath("p.8xe"));
        QTest::qWait(200);
        QCOMPARE(stopped.process.state(), QProcess::Running);
        QCOMPARE(handOff(socket(), temp.filePath(QStringLiteral("r.8xe"))), HandOff::Delivered);
    }

    void onlyTheSameUserIsServed() {
        if (::geteuid() != 0) {
            QSKIP("needs root to act as another user");
        }
        // A folder another user may enter, to reach the sockets at all.
        QTemporaryDir open;
        QVERIFY(::chmod(QFile::encodeName(open.path()).constData(), 0777) == 0);
        const QString name = open.filePath(QStringLiteral("emulator"));
        {
            ProgramReceiver receiver;
            QVERIFY(receiver.claim(name));
            QVERIFY(::chmod(QFile::encodeName(name).constData(), 0777) == 0);
            int received = 0;
            connect(&receiver, &ProgramReceiver::programReceived, this, [&] { ++received; });
            const sockaddr_un address = addressOf(name);
            // 0: answered; 1: not answered; 2: could not even connect.
            const int answered = asNobody([&address] {
                const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                    return 2;
                const char frame[] = {0, 0, 0, 6, '/', 'x', '.', '8', 'x', 'e'};
                if (::write(fd, frame, sizeof frame) != ssize_t(sizeof frame))
                    return 2;
                pollfd wait{fd, POLLIN, 0};
                char reply = 0;
                return ::poll(&wait, 1, 2000) == 1 && ::read(fd, &reply, 1) == 1 ? 0 : 1;
            });
            QCOMPARE(answered, 1);
            QTest::qWait(50);
            QCOMPARE(received, 0);
        }
        // And the editor gives nothing to a listener of another user.
        QFile::remove(name);
        const sockaddr_un address = addressOf(name);
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
                ::listen(fd, 4) != 0)
                ::_exit(2);
            // Answers whatever it is sent, as an emulator would.
            if (::write(ready[1], "r", 1) != 1)
                ::_exit(2);
            for (;;) {
                const int peer = ::accept(fd, nullptr, nullptr);
                char frame[64];
                if (::read(peer, frame, sizeof frame) > 0 && ::write(peer, "k", 1) != 1)
                    ::_exit(2);
                ::close(peer);
            }
        }
        char signal = 0;
        QCOMPARE(::read(ready[0], &signal, 1), ssize_t(1));
        const HandOff handed = handOff(name, temp.filePath(QStringLiteral("p.8xe")));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(ready[0]);
        ::close(ready[1]);
        QCOMPARE(handed, HandOff::NoEmulator);
    }

    void theEmulatorProgramKeepsOneRunning() {
        // The real program: two started at once with a file each.
        QTemporaryDir runtime;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), runtime.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":42"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        QProcess emulators[2];
        for (int i = 0; i < 2; ++i) {
            const QString program = temp.filePath(QStringLiteral("e%1.8xe").arg(i));
            QFile file(program);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("f000") == 4);
            emulators[i].setProcessEnvironment(environment);
            emulators[i].start(QStringLiteral(MOX_BIN_DIR "/emulator"), {program});
        }
        QTRY_VERIFY_WITH_TIMEOUT(emulators[0].state() == QProcess::NotRunning ||
                                     emulators[1].state() == QProcess::NotRunning,
                                 10000);
        const int ended = emulators[0].state() == QProcess::NotRunning ? 0 : 1;
        QCOMPARE(emulators[ended].exitStatus(), QProcess::NormalExit);
        QCOMPARE(emulators[ended].exitCode(), 0);
        QCOMPARE(emulators[1 - ended].state(), QProcess::Running);
        // The one left takes what the editor sends.
        const QString socket = runtime.filePath(QStringLiteral("mox77-emulator-_42"));
        QCOMPARE(handOff(socket, temp.filePath(QStringLiteral("e0.8xe"))), HandOff::Delivered);
        emulators[1 - ended].kill();
        emulators[1 - ended].waitForFinished();
    }
};

QTEST_MAIN(HandoffTest)
#include "handoff_test.moc"
