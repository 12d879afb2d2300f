// The launcher: a backdrop, a Run picture that lights under the mouse, and the
// File, Mode and Help menus.
#pragma once

#include "outcome.h"

#include <QWidget>

class QLabel;

namespace mox::ui {

class PictureButton;

enum MainCommand {
    RunFileCommand = 40001,
    ExitCommand = 40002,
    FullExecutionCommand = 40003,
    StepByStepCommand = 40004,
    AboutCommand = 40005,
};

class MainWindow : public QWidget {
    Q_OBJECT

public:
    MainWindow();

    // The area below the menu bar, in whose coordinates the pictures lie.
    QWidget* clientArea() const { return client; }
    PictureButton* runPicture() const { return run; }
    int runPictureState() const { return highlight; }

    void onMainCommand(int id);
    void setRunPictureHighlight(int state);
    void onApplicationStateChanged(Qt::ApplicationState state);

signals:
    void runRequested();
    void modeChosen(mox::ExecutionMode mode);
    void aboutRequested();
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();

    QWidget* client = nullptr;
    PictureButton* run = nullptr;
    int highlight = 0;
};

} // namespace mox::ui
