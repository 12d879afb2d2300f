// An emulator's receiving end on a thread of its own, as if in another
// process, so that a test's thread can hand a program over and wait for the
// answer.
#pragma once

#include "handoff.h"

#include <QObject>
#include <QStringList>
#include <QThread>

class ReceiverThread {
public:
    ReceiverThread() : receiver(new mox::ProgramReceiver) {
        receiver->moveToThread(&thread);
        thread.start();
        // Each path as it arrives, collected on the test's thread.
        QObject::connect(receiver, &mox::ProgramReceiver::programReceived, &here,
                         [this](const QString& path) { received << path; });
    }
    ~ReceiverThread() {
        QMetaObject::invokeMethod(
            receiver, [this] { delete receiver; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    ReceiverThread(const ReceiverThread&) = delete;
    ReceiverThread& operator=(const ReceiverThread&) = delete;

    bool claim(const QString& socket) {
        bool claimed = false;
        QMetaObject::invokeMethod(
            receiver, [&] { claimed = receiver->claim(socket); }, Qt::BlockingQueuedConnection);
        return claimed;
    }

    QThread thread;
    mox::ProgramReceiver* receiver;
    QObject here;
    QStringList received;
};
