#include "desktop_start.h"
#include "editor_window.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    if (const auto status = mox::answerBeforeWindows(
            argc, argv, "[source.asm]",
            "Opens the MOX77 code editor with the source, or with an empty document; a source\n"
            "that does not exist yet is made when it is saved.\n")) {
        return *status;
    }
    // The name says where the zoom is remembered between runs.
    const auto app = mox::startApplication(argc, argv, "editor");
    mox::EditorWindow window;
    if (QApplication::arguments().size() > 1)
        window.openArgument(QApplication::arguments().at(1));
    window.show();
    return QApplication::exec();
}
