#include "codeview.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Where the zoom is remembered between runs.
    QApplication::setOrganizationName(QStringLiteral("MOX77"));
    QApplication::setApplicationName(QStringLiteral("editor"));
    mox::CodeView window;
    if (QApplication::arguments().size() > 1)
        window.openArgument(QApplication::arguments().at(1));
    window.show();
    return app.exec();
}
