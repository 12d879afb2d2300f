// Answers a modal dialog from inside its own event loop, so tests of the real
// dialogs never block.
#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

template <typename Dialog> void whenShown(std::function<void(Dialog*)> answer) {
    QTimer::singleShot(0, qApp, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(dialog);
    });
}
