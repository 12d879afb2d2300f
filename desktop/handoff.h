// How the editor hands a built program to the emulator already running for
// the same user on the same display: a local socket in a folder only that
// user can enter, named after the display. Each path goes as its length and
// its bytes, so any name arrives whole, and the emulator answers each one.
#pragma once

#include <QObject>
#include <QString>

#include <sys/types.h>

class QLocalServer;
class QLocalSocket;

namespace mox {

// Where this user's emulator on this display takes its programs.
struct HandoffPlace {
    QString socket;  // empty when there is no safe place
    QString problem; // why not, for a message
};

// The runtime folder of the environment when it is the user's own (mode
// 0700), else a folder of the user's own in the temporary folder, made when
// missing. A folder of another user, or one others may enter, is never used.
HandoffPlace handoffPlace();
// The same from given parts, uid being the user's.
HandoffPlace handoffPlaceIn(const QString& runtimeDir, const QString& tempDir, uid_t uid,
                            const QString& display);

enum class HandOff {
    Delivered,  // the emulator answered that it has the path
    NoEmulator, // none listens, or one of another user
    NoAnswer,   // one listens but did not answer in time (stopped, hung)
};

// Gives the path to the emulator listening on `socket` and waits up to
// waitMs for its answer.
HandOff handOff(const QString& socket, const QString& path, int waitMs = 1500);

// The emulator's end: reports each path sent to it.
class ProgramReceiver : public QObject {
    Q_OBJECT

public:
    explicit ProgramReceiver(QObject* parent = nullptr);
    ~ProgramReceiver() override;

    // Takes the socket for this process, in one step that only one process
    // wins while it lives; a socket left by one that ended is taken over.
    // False when another process holds it.
    bool claim(const QString& socket);

signals:
    void programReceived(const QString& path);

private:
    void accept();
    void read(QLocalSocket* socket);

    QLocalServer* server;
    int lockFile = -1;
};

// An emulator's start: it claims the socket, or hands `path` to the emulator
// that has it. Alone: no socket to be had, nothing to hand over (a second
// window asked for by hand), or a holder that did not answer within a few
// seconds.
enum class Start { Claimed, HandedOver, Alone };
Start startReceiving(ProgramReceiver& receiver, const QString& socket, const QString& path);

} // namespace mox
