#include "handoff.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace mox {

namespace {

// Long enough for a busy machine, short enough that Build and Run never
// seems to hang when no emulator is there.
constexpr int connectTimeoutMs = 500;

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

} // namespace

QString handoffName() {
    // The runtime folder is the user's own (mode 0700), so no other user can
    // take the name first or listen in.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
        .filePath(QStringLiteral("mox77-emulator-") + displayTag());
}

bool handOff(const QString& name, const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return false;
    }
    socket.write(path.toUtf8() + '\n');
    const bool sent = socket.waitForBytesWritten(connectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

ProgramReceiver::ProgramReceiver(QObject* parent)
    : QObject(parent), server(new QLocalServer(this)) {
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, &ProgramReceiver::accept);
}

bool ProgramReceiver::listen(const QString& name) {
    // Asked first: with access options, listening puts the new socket in
    // place of any old one, a live one too.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(connectTimeoutMs)) {
        return false;
    }
    QLocalServer::removeServer(name);
    return server->listen(name);
}

void ProgramReceiver::accept() {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        read(socket);
    }
}

void ProgramReceiver::read(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine().chopped(1);
        if (!line.isEmpty()) {
            emit programReceived(QString::fromUtf8(line));
        }
    }
}

} // namespace mox
