#include "handoff.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QtEndian>

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace mox {

namespace {

// Long enough for a busy machine, short enough that Build and Run never
// seems to hang when no emulator is there.
constexpr int connectTimeoutMs = 500;
// How long an emulator that has just lost the claim waits for the winner,
// which may itself be starting on a busy machine: longer than the editor
// waits for an emulator that is up and running.
constexpr int startHandOverMs = 5000;
// Each path goes as a 32-bit length (big-endian) and its bytes; no path
// comes near this, so a longer frame is garbage.
constexpr int frameHead = 4;
constexpr quint32 longestPath = 1 << 16;
// The emulator's answer to each path.
constexpr char received = 'k';

QString displayTag() {
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty()) {
        display = qEnvironmentVariable("DISPLAY");
    }
    if (display.isEmpty()) {
        return QStringLiteral("none");
    }
    for (QChar& c : display) {
        if (!c.isLetterOrNumber()) {
            c = u'_';
        }
    }
    return display;
}

// Empty when the folder is the user's and no one else's (mode 0700), else
// what is wrong with it.
QString unsafeFolder(const QString& folder, uid_t uid, bool followLink) {
    const QByteArray name = QFile::encodeName(folder);
    struct stat info {};
    if ((followLink ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info)) != 0) {
        return QStringLiteral("cannot be used");
    }
    if (!S_ISDIR(info.st_mode)) {
        return QStringLiteral("is not a folder");
    }
    if (info.st_uid != uid) {
        return QStringLiteral("belongs to another user");
    }
    if ((info.st_mode & 07777) != 0700) {
        return QStringLiteral("does not have mode 0700");
    }
    return {};
}

HandoffPlace socketIn(const QString& folder, const QString& display) {
    const QString socket = folder + QStringLiteral("/mox77-emulator-") + display;
    if (QFile::encodeName(socket).size() >= qsizetype(sizeof(sockaddr_un::sun_path))) {
        return {{}, QStringLiteral("the socket's name is too long: ") + socket};
    }
    return {socket, {}};
}

bool sameUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::geteuid();
}

} // namespace

HandoffPlace handoffPlace() {
    return handoffPlaceIn(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), ::geteuid(),
                          displayTag());
}

HandoffPlace handoffPlaceIn(const QString& runtimeDir, const QString& tempDir, uid_t uid,
                            const QString& display) {
    // A relative runtime folder is to be ignored, as one that is not set.
    if (QDir::isAbsolutePath(runtimeDir) && unsafeFolder(runtimeDir, uid, true).isEmpty()) {
        return socketIn(runtimeDir, display);
    }
    // Named for the user, but only used once it is known to be theirs: in a
    // folder everyone can write to, anyone could have made it first.
    const QString own = tempDir + QStringLiteral("/mox77-") + QString::number(uid);
    const QByteArray ownName = QFile::encodeName(own);
    if (::mkdir(ownName.constData(), 0700) == 0) {
        ::chmod(ownName.constData(), 0700); // whatever the umask took away
    }
    if (const QString problem = unsafeFolder(own, uid, false); !problem.isEmpty()) {
        return {{}, own + QStringLiteral(" ") + problem};
    }
    return socketIn(own, display);
}

HandOff handOff(const QString& socketName, const QString& path, int waitMs) {
    QLocalSocket socket;
    socket.connectToServer(socketName);
    if (!socket.waitForConnected(connectTimeoutMs) || !sameUser(socket)) {
        return HandOff::NoEmulator;
    }
    const QByteArray bytes = QFile::encodeName(path);
    QByteArray frame(frameHead, '\0');
    qToBigEndian<quint32>(quint32(bytes.size()), frame.data());
    socket.write(frame + bytes);
    // Written is not received: a stopped emulator takes the bytes into its
    // socket and never loads them.
    const QDeadlineTimer deadline(waitMs);
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) {
            return HandOff::NoAnswer;
        }
    }
    return socket.read(1) == QByteArray(1, received) ? HandOff::Delivered : HandOff::NoAnswer;
}

ProgramReceiver::ProgramReceiver(QObject* parent)
    : QObject(parent), server(new QLocalServer(this)) {
    connect(server, &QLocalServer::newConnection, this, &ProgramReceiver::accept);
}

ProgramReceiver::~ProgramReceiver() {
    // The socket goes first, while the lock still keeps a successor from
    // making its own, which this would remove.
    server->close();
    if (lockFile >= 0) {
        ::close(lockFile);
    }
}

bool ProgramReceiver::claim(const QString& socket) {
    if (lockFile >= 0) {
        return false;
    }
    // The kernel lets one process hold the lock and drops it when that
    // process ends, however it ends: the claim and the check for a live
    // holder are one step.
    const int fd = ::open(QFile::encodeName(socket + QStringLiteral(".lock")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // Any socket file here was left by an emulator that has ended.
    QLocalServer::removeServer(socket);
    if (!server->listen(socket)) {
        ::close(fd);
        return false;
    }
    lockFile = fd;
    return true;
}

void ProgramReceiver::accept() {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!sameUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        read(socket);
    }
}

void ProgramReceiver::read(QLocalSocket* socket) {
    while (socket->bytesAvailable() >= frameHead) {
        const quint32 size = qFromBigEndian<quint32>(socket->peek(frameHead).constData());
        if (size > longestPath) {
            socket->abort();
            return;
        }
        if (socket->bytesAvailable() < frameHead + qint64(size)) {
            return;
        }
        socket->skip(frameHead);
        const QString path = QFile::decodeName(socket->read(size));
        socket->write(&received, 1);
        socket->flush();
        // From the event loop: a load's message box must not run its own
        // loop inside this one, where this socket could go away.
        if (!path.isEmpty()) {
            QMetaObject::invokeMethod(
                this, [this, path] { emit programReceived(path); }, Qt::QueuedConnection);
        }
    }
}

Start startReceiving(ProgramReceiver& receiver, const QString& socket, const QString& path) {
    if (socket.isEmpty()) {
        return Start::Alone;
    }
    const QDeadlineTimer deadline(startHandOverMs);
    for (;;) {
        if (receiver.claim(socket)) {
            return Start::Claimed;
        }
        if (path.isEmpty()) {
            return Start::Alone;
        }
        switch (handOff(socket, path, int(std::max<qint64>(deadline.remainingTime(), 0)))) {
        case HandOff::Delivered:
            return Start::HandedOver;
        case HandOff::NoAnswer:
            return Start::Alone;
        case HandOff::NoEmulator:
            // The winner is not listening yet, or has just ended.
            break;
        }
        if (deadline.hasExpired()) {
            return Start::Alone;
        }
        QThread::msleep(20);
    }
}

} // namespace mox
