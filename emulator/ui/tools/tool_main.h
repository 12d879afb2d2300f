// The start every drawing tool shares: no display needed, one folder to
// write into.
#pragma once

#include <QDir>
#include <QString>
#include <QtGlobal>
#include <cstdio>

// Offscreen unless a platform is asked for; call before the application
// object is made.
inline void preferOffscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// The one argument, a folder, made when missing; empty after the usage line
// when the arguments are wrong.
inline QString outputFolder(int argc, char** argv, const char* tool) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> [zoom percent]\n", tool);
        return {};
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    return out;
}
