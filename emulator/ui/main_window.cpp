#include "main_window.h"

#include "emulator.h"
#include "pictures.h"
#include "window_frame.h"
#include "zoom.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

namespace mox::ui {

namespace {

// A few pixels off the picture itself (30..126 x 100..125), as it always was.
bool inRunRectangle(QPoint p) {
    return p.x() > 30 && p.x() < 130 && p.y() > 98 && p.y() < 122;
}

} // namespace

MainWindow::MainWindow() {
    setUpTopLevel(this, "CPUEMU", QStringLiteral("MOX77 - Simple Emulator"), QSize(250, 180));
    auto* menuBar = new QMenuBar(this);
    client = addMenuClient(this, menuBar);
    createMenus();
    createPicture(client, QPoint(0, 0), 102)
        ->setAccessibleName(QStringLiteral("MOX77 Simple Emulator"));
    run = new PictureButton(client, QPoint(30, 100), 104, QStringLiteral("Run .8xe File"));
    connect(run, &PictureButton::activated, this, &MainWindow::runRequested);
    installFocusFrame(this);
    client->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &MainWindow::onApplicationStateChanged);
}

void MainWindow::createMenus() {
    auto* bar = findChild<QMenuBar*>();
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    addCommand(file, QStringLiteral("Run .8xe File"), RunFileCommand);
    file->addSeparator();
    addCommand(file, QStringLiteral("E&xit"), ExitCommand);

    QMenu* mode = bar->addMenu(QStringLiteral("Mode"));
    // No exclusive action group: menus draw a group's checked item with a
    // radio bullet, and these items carry a check mark. onMainCommand moves it.
    QAction* full = addCommand(mode, QStringLiteral("Full Execution"), FullExecutionCommand);
    QAction* step = addCommand(mode, QStringLiteral("Step By Step Exeuction"), StepByStepCommand);
    for (QAction* action : {full, step}) {
        action->setCheckable(true);
    }
    full->setChecked(true);

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    addCommand(help, QStringLiteral("About"), AboutCommand);

    for (QAction* action : findChildren<QAction*>()) {
        const int id = action->data().toInt();
        if (id != 0) {
            connect(action, &QAction::triggered, this, [this, id] { onMainCommand(id); });
        }
    }
}

void MainWindow::onMainCommand(int id) {
    switch (id) {
    case RunFileCommand:
        emit runRequested();
        break;
    case ExitCommand:
        close();
        break;
    case FullExecutionCommand:
    case StepByStepCommand:
        findCommand(this, FullExecutionCommand)->setChecked(id == FullExecutionCommand);
        findCommand(this, StepByStepCommand)->setChecked(id == StepByStepCommand);
        emit modeChosen(id == FullExecutionCommand ? ExecutionMode::FullExecution
                                                   : ExecutionMode::StepByStep);
        break;
    case AboutCommand:
        emit aboutRequested();
        break;
    default:
        break;
    }
}

void MainWindow::setRunPictureHighlight(int state) {
    if (state == highlight) {
        return;
    }
    showBitmap(run, state == 1 ? 105 : 104);
    highlight = state;
}

void MainWindow::onApplicationStateChanged(Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) {
        setRunPictureHighlight(0);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != client) {
        return false;
    }
    if (event->type() == QEvent::MouseMove) {
        const QPoint p =
            desktop::atActualSize(this, static_cast<QMouseEvent*>(event)->position().toPoint());
        setRunPictureHighlight(inRunRectangle(p) ? 1 : 0);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            inRunRectangle(desktop::atActualSize(this, mouse->position().toPoint()))) {
            emit runRequested();
        }
        return true;
    }
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

} // namespace mox::ui
