#include "codeview.h"
#include "desktop_start.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    if (const auto status = mox::answerBeforeWindows(
            argc, argv, "[source.asm]",
            "Opens the MOX77 code editor with the source, or with an empty document; a source\n"
            "that does not exist yet is made when it is saved.\n")) {
        return *status;
    }
    std::unique_ptr<QApplication> app;
    {
        const mox::NoDisplayGuard guard(argv[0]);
        app = std::make_unique<QApplication>(argc, argv);
    }
    // Where the zoom is remembered between runs.
    QApplication::setOrganizationName(QStringLiteral("MOX77"));
    QApplication::setApplicationName(QStringLiteral("editor"));
    mox::CodeView window;
    if (QApplication::arguments().size() > 1)
        window.openArgument(QApplication::arguments().at(1));
    window.show();
    return QApplication::exec();
}
