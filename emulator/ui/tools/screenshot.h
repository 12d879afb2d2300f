// What the screenshot tools share: saving a picture and grabbing a window
// with a menu open.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

// Saves <folder>/<name>.png, or <name>@2x.png on a scaled screen
// (QT_SCALE_FACTOR=2).
inline bool savePicture(const QPixmap& picture, const QString& folder, const QString& name) {
    const QString suffix = qApp->devicePixelRatio() > 1.0 ? "@2x.png" : ".png";
    const QString file = QDir(folder).filePath(name + suffix);
    if (!picture.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

// The window with one of its menus dropped down and an item under the mouse.
// A menu is a window of its own, so it is grabbed apart and laid over.
inline QPixmap grabWithMenu(QWidget& window, const QString& menuTitle, const QString& itemText) {
    auto* bar = window.findChild<QMenuBar*>();
    for (QAction* action : bar->actions()) {
        QMenu* menu = action->menu();
        if (action->text() != menuTitle || !menu) {
            continue;
        }
        const QPoint below = bar->actionGeometry(action).bottomLeft();
        menu->popup(bar->mapToGlobal(below));
        for (QAction* item : menu->actions()) {
            if (item->text() == itemText) {
                menu->setActiveAction(item);
            }
        }
        QPixmap shot = window.grab();
        QPainter painter(&shot);
        painter.drawPixmap(bar->mapTo(&window, below), menu->grab());
        painter.end();
        menu->hide();
        return shot;
    }
    return window.grab();
}
