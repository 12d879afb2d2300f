#include "desktop_start.h"

#include <QApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace mox {

namespace {

const char* programName(const char* argv0) {
    const char* slash = argv0 ? std::strrchr(argv0, '/') : nullptr;
    return slash ? slash + 1 : (argv0 && *argv0 ? argv0 : "mox77");
}

void sayNoDisplay(const char* program, const char* why) {
    std::fprintf(stderr, "%s: cannot open a window: %s\n", program, why);
}

bool isSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

const char* guardedProgram = nullptr;
QtMessageHandler qtHandler = nullptr;

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        sayNoDisplay(guardedProgram, "no display could be reached (is DISPLAY or WAYLAND_DISPLAY "
                                     "right?)");
        std::fflush(stderr);
        ::_exit(1);
    }
    if (qtHandler) {
        qtHandler(type, context, message);
    }
}

} // namespace

std::optional<int> answerBeforeWindows(int argc, char** argv, std::string_view arguments,
                                       std::string_view about) {
    const char* program = programName(argc > 0 ? argv[0] : nullptr);
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: %s %.*s\n%.*s", program, int(arguments.size()), arguments.data(),
                    int(about.size()), about.data());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // Qt's own window system, chosen by nothing but these: the common case
    // of a shell without a desktop gets a plain answer at once.
    bool platformChosen = isSet("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        platformChosen = platformChosen || std::strcmp(argv[i], "-platform") == 0;
    }
    if (!platformChosen && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        sayNoDisplay(program, "there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        return 1;
    }
    return std::nullopt;
}

NoDisplayGuard::NoDisplayGuard(const char* program) {
    guardedProgram = programName(program);
    qtHandler = qInstallMessageHandler(onQtMessage);
}

NoDisplayGuard::~NoDisplayGuard() {
    qInstallMessageHandler(qtHandler);
}

std::unique_ptr<QApplication> startApplication(int& argc, char** argv, const char* name) {
    std::unique_ptr<QApplication> app;
    {
        const NoDisplayGuard guard(argv[0]);
        app = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setOrganizationName(QStringLiteral("MOX77"));
    QApplication::setApplicationName(QString::fromUtf8(name));
    return app;
}

} // namespace mox
