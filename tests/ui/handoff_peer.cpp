// An emulator's start without its windows, for the hand-over tests:
// handoff_peer SOCKET [PATH] claims the socket or hands PATH over, then
// reports on standard output, one line each: "claimed", "handed over" or
// "alone", then "received PATH" for every program sent to it.
#include "handoff.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    const auto say = [](const QString& line) {
        std::printf("%s\n", QFile::encodeName(line).constData());
        std::fflush(stdout);
    };
    mox::ProgramReceiver receiver;
    QObject::connect(&receiver, &mox::ProgramReceiver::programReceived, &app,
                     [&say](const QString& path) { say(QStringLiteral("received ") + path); });
    const QString path = argc > 2 ? QFile::decodeName(argv[2]) : QString();
    switch (mox::startReceiving(receiver, QFile::decodeName(argv[1]), path)) {
    case mox::Start::Claimed:
        say(QStringLiteral("claimed"));
        break;
    case mox::Start::HandedOver:
        say(QStringLiteral("handed over"));
        return 0;
    case mox::Start::Alone:
        say(QStringLiteral("alone"));
        break;
    }
    return QCoreApplication::exec();
}
