#include "codeview.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Where the zoom is remembered between runs.
    QApplication::setOrganizationName(QStringLiteral("MOX77"));
    QApplication::setApplicationName(QStringLiteral("editor"));
    // Every run starts with an empty, untitled document; arguments are ignored.
    mox::CodeView window;
    window.show();
    return app.exec();
}
