// How the editor hands a built program to the emulator already running for
// the same user on the same display: a local socket in the user's own
// runtime folder, named after the display. One line per program: its path.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace mox {

// The socket of this user's emulator on this display.
QString handoffName();

// Gives the path to the emulator listening on `name`; false when none does.
bool handOff(const QString& name, const QString& path);

// The emulator's end: reports each path sent to it.
class ProgramReceiver : public QObject {
    Q_OBJECT

public:
    explicit ProgramReceiver(QObject* parent = nullptr);

    // False when another emulator already answers under the name; a socket
    // left behind by one that crashed is taken over.
    bool listen(const QString& name);

signals:
    void programReceived(const QString& path);

private:
    void accept();
    void read(QLocalSocket* socket);

    QLocalServer* server;
};

} // namespace mox
