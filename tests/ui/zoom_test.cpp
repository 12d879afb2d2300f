// The whole-window zoom of both programs: every window laid out afresh at
// each zoom, the keys of any window zooming all of that program's windows,
// Ctrl+0 giving back the very layout of 100 %, and the zoom kept.
#include "datapath_window.h"
#include "editor_window.h"
#include "emulator_window_list.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "zoom.h"

#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>

namespace {

using mox::desktop::windowZoom;

// Each control's place in its window and its font size, to tell layouts apart.
std::map<const QWidget*, std::pair<QRect, int>> layoutOf(QWidget* window) {
    QApplication::processEvents();
    std::map<const QWidget*, std::pair<QRect, int>> layout;
    layout[window] = {window->geometry(), window->font().pixelSize()};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->isWindow()) {
            continue;
        }
        layout[w] = {QRect(w->mapTo(window, QPoint(0, 0)), w->size()), w->font().pixelSize()};
    }
    return layout;
}

// What is wrong with the window's layout, each control named the same way
// at every zoom.
QStringList layoutFaults(QWidget* window) {
    QStringList faults;
    const QRect inside = window->rect();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->isWindow() || w->property("moxZoomSkip").toBool()) {
            continue;
        }
        QRect at(w->mapTo(window, QPoint(0, 0)), w->size());
        auto* label = qobject_cast<QLabel*>(w);
        if (label && label->pixmap().isNull() && !label->wordWrap() && !label->text().isEmpty()) {
            const QSize text = label->sizeHint();
            if (text.width() > w->width() || text.height() > w->height()) {
                faults << QStringLiteral("text cut: ") + label->text();
            }
            // A label wider than its text may reach past the edge; its
            // text may not.
            at.setSize(text);
        }
        // A backdrop may be cropped by the window; no control may.
        const bool backdrop =
            label && !label->pixmap().isNull() && label->focusPolicy() == Qt::NoFocus;
        if (!backdrop && !inside.contains(at)) {
            faults << QStringLiteral("outside: %1 ").arg(quintptr(w)) +
                          w->metaObject()->className() + ' ' + w->accessibleName() + ' ' +
                          (label ? label->text() : QString());
        }
    }
    QList<QWidget*> parents = window->findChildren<QWidget*>();
    parents.push_back(window);
    for (QWidget* parent : parents) {
        const QList<QWidget*> siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (qsizetype i = 0; i < siblings.size(); ++i) {
            for (qsizetype j = i + 1; j < siblings.size(); ++j) {
                QWidget* a = siblings[i];
                QWidget* b = siblings[j];
                if (!a->isVisibleTo(window) || !b->isVisibleTo(window) || a->isWindow() ||
                    b->isWindow() || a->property("moxZoomSkip").toBool() ||
                    b->property("moxZoomSkip").toBool()) {
                    continue;
                }
                const QRect ra = a->geometry();
                const QRect rb = b->geometry();
                // A control on a backdrop lies wholly within it.
                if (ra.intersects(rb) && !ra.contains(rb) && !rb.contains(ra)) {
                    faults << QStringLiteral("overlap: %1 %2 / %3 %4")
                                  .arg(a->metaObject()->className(), a->accessibleName(),
                                       b->metaObject()->className(), b->accessibleName());
                }
            }
        }
    }
    return faults;
}

// Pressed where the window has the keyboard, as a user would.
void press(QWidget* window, int key) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, static_cast<Qt::Key>(key), Qt::ControlModifier);
}

} // namespace

class ZoomTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void windowsFitAtEveryZoom();
    void keysZoomEveryWindowAndCtrl0GivesItBack();
    void editorKeysAndMenuZoomEveryEditorWindow();
    void zoomIsRemembered();

private:
    QTemporaryDir settingsDir;
    FakeDialogs dialogs;
};

void ZoomTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("mox77-test"));
    QCoreApplication::setApplicationName(QStringLiteral("zoom-test"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void ZoomTest::init() {
    QSettings().clear();
}

void ZoomTest::windowsFitAtEveryZoom() {
    mox::ui::EmulatorWindows windows(dialogs);
    mox::EditorWindow editor;
    editor.show();
    windows.mainWindow().onMainCommand(mox::ui::StepByStepCommand);
    windows.executionWindow().show();
    windows.memoryMapWindow().show();
    windows.showDatapath();
    QList<QWidget*> all = emulatorWindows(windows);
    for (QWidget* w : all) {
        w->show();
    }
    all.push_back(&editor);
    // What the windows were drawn with at 100 % (a backdrop row of memory
    // cells below the window's edge) may stay; nothing may come of the zoom.
    std::map<QWidget*, QStringList> at100;
    for (const int percent : {100, 150, 200, 300}) {
        windows.zoom().setPercent(percent);
        mox::EditorWindow::windowZoom().setPercent(percent);
        QApplication::processEvents();
        for (QWidget* window : all) {
            QCOMPARE(windowZoom(window), percent);
            const QStringList faults = layoutFaults(window);
            if (percent == 100) {
                at100[window] = faults;
            }
            for (const QString& fault : faults) {
                QVERIFY2(at100[window].contains(fault), qPrintable(QStringLiteral("%1 at %2 %: %3")
                                                                       .arg(window->objectName())
                                                                       .arg(percent)
                                                                       .arg(fault)));
            }
        }
    }
    mox::EditorWindow::windowZoom().setPercent(100);
}

void ZoomTest::keysZoomEveryWindowAndCtrl0GivesItBack() {
    mox::ui::EmulatorWindows windows(dialogs);
    windows.executionWindow().show();
    windows.memoryMapWindow().show();
    windows.datapathWindow().show();
    const QList<QWidget*> all = emulatorWindows(windows);
    std::vector<std::map<const QWidget*, std::pair<QRect, int>>> before;
    for (QWidget* w : all) {
        before.push_back(layoutOf(w));
    }
    const QSize mainAt100 = windows.mainWindow().size();
    // Ctrl+= twice in one window, Ctrl+- once in another: one step up in all.
    press(&windows.executionWindow(), Qt::Key_Equal);
    press(&windows.executionWindow(), Qt::Key_Equal);
    press(&windows.memoryMapWindow(), Qt::Key_Minus);
    for (QWidget* w : all) {
        QVERIFY(windowZoom(w) > 100);
        QCOMPARE(windowZoom(w), windowZoom(&windows.mainWindow()));
    }
    QVERIFY(windows.mainWindow().width() > mainAt100.width());
    QVERIFY(windows.zoom().announcement().contains(QString::number(windowZoom(all[0]))));
    // Up to the top, past it, then Ctrl+0 from yet another window.
    for (int i = 0; i < 8; ++i) {
        press(&windows.mainWindow(), Qt::Key_Equal);
    }
    QCOMPARE(windowZoom(all[1]), 300);
    press(&windows.mainWindow(), Qt::Key_0);
    QApplication::processEvents();
    for (qsizetype i = 0; i < all.size(); ++i) {
        QCOMPARE(windowZoom(all[i]), 100);
        const auto after = layoutOf(all[i]);
        QVERIFY2(after == before[static_cast<std::size_t>(i)], qPrintable(all[i]->objectName()));
    }
    QCOMPARE(windows.zoom().announcement(), QStringLiteral("Zoom 100 %"));
}

void ZoomTest::editorKeysAndMenuZoomEveryEditorWindow() {
    mox::EditorWindow first;
    mox::EditorWindow second;
    first.show();
    second.show();
    const auto before = layoutOf(&first);
    const QFont textAt100 = first.editBox()->lexer()->defaultFont();
    press(&first, Qt::Key_Equal);
    first.commandAction(mox::cmdZoomIn)->trigger();
    QCOMPARE(windowZoom(&second), windowZoom(&first));
    QVERIFY(windowZoom(&second) > 100);
    QVERIFY(second.editBox()->lexer()->defaultFont().pointSizeF() > textAt100.pointSizeF());
    press(&second, Qt::Key_Minus);
    press(&second, Qt::Key_0);
    QApplication::processEvents();
    QCOMPARE(windowZoom(&first), 100);
    QCOMPARE(first.editBox()->lexer()->defaultFont(), textAt100);
    QVERIFY(layoutOf(&first) == before);
}

void ZoomTest::zoomIsRemembered() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("emulator.ini"));
    QSize mainAt100;
    {
        mox::ui::EmulatorWindows windows(dialogs);
        mainAt100 = windows.mainWindow().size();
        windows.rememberModeIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        windows.zoom().zoomIn();
        windows.zoom().zoomIn();
    }
    {
        mox::ui::EmulatorWindows windows(dialogs);
        windows.rememberModeIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        QCOMPARE(windowZoom(&windows.executionWindow()), 150);
        QVERIFY(windows.mainWindow().width() > mainAt100.width());
    }
    {
        mox::EditorWindow editor;
        editor.commandAction(mox::cmdZoomIn)->trigger();
    }
    mox::EditorWindow editor;
    QCOMPARE(windowZoom(&editor), 125);
    editor.commandAction(mox::cmdResetZoom)->trigger();
}

QTEST_MAIN(ZoomTest)
#include "zoom_test.moc"
