#include "editor_window.h"

#include "asmlexer.h"
#include "editor_window_parts.h"
#include "platform.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include <functional>

// Resources of a static library have to be registered by hand, and only
// outside any namespace.
static void initEditorResources() {
    Q_INIT_RESOURCE(editor);
}

namespace mox {

using namespace editor_window;

namespace {

// The frame of the window the editor was first drawn in took 6 pixels of the
// width and 25 of the height; the client area keeps the size it had then.
constexpr int clientWidth = 640 - 6;
constexpr int clientHeight = 480 - 25;

} // namespace

desktop::ZoomController& EditorWindow::windowZoom() {
    static desktop::ZoomController zoom;
    static const bool remembered = (zoom.rememberIn(nullptr), true);
    (void)remembered;
    return zoom;
}

desktop::ThemeController& EditorWindow::windowTheme() {
    static desktop::ThemeController theme;
    static const bool remembered = (theme.rememberIn(nullptr), true);
    (void)remembered;
    return theme;
}

void EditorWindow::addZoom() {
    // The whole window zooms, with every other editor window; Actual Size
    // also takes back what Ctrl+wheel did to the text alone.
    const desktop::ZoomController::Commands zoom =
        windowZoom().add(this, viewMenu_, [this] { zoomText(); });
    const std::pair<QAction*, std::pair<const char*, int>> zoomItems[] = {
        {zoom.zoomIn, {"Zoom &In", cmdZoomIn}},
        {zoom.zoomOut, {"Zoom &Out", cmdZoomOut}},
        {zoom.actualSize, {"&Actual Size", cmdResetZoom}}};
    for (const auto& item : zoomItems) {
        item.first->setText(QString::fromLatin1(item.second.first));
        item.first->setData(item.second.second);
    }
    connect(zoom.actualSize, &QAction::triggered, this, [this] { editBox_->zoomTo(0); });
}

EditorWindow::EditorWindow(EditorDialogs* dialogs, ProgramStarter* starter, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), starter_(starter), fileName_(untitledName),
      handoff_(handoffPlace()) {
    setProgramPath(QCoreApplication::applicationFilePath());
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    if (!starter_) {
        ownStarter_ = std::make_unique<QtProgramStarter>();
        starter_ = ownStarter_.get();
    }
    initEditorResources();
    setObjectName(QStringLiteral("CODEVIEW"));
    setWindowIcon(QIcon(QStringLiteral(":/editor/editor.xpm")));
    createEditBox();
    createMenus();
    createStatusBar();
    resize(clientWidth, clientHeight);
    addZoom();
    windowTheme().add(this, viewMenu_, [this] { applyEditBoxColours(); });
    updateTitle();
    checkNow();
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::createMenus() {
    struct Item {
        const char* text; // none for a separator
        int id;
        std::function<void()> command;
        QKeySequence shortcut;
    };
    const auto addItems = [this](QMenu* menu, std::initializer_list<Item> items) {
        for (const Item& item : items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            action->setData(item.id);
            action->setShortcut(item.shortcut);
            connect(action, &QAction::triggered, this, [this, command = item.command] {
                // A list or tip opened by typing belongs to where the caret
                // was; left open, it would float over text that has moved.
                editBox_->SendScintilla(Sci::SCI_AUTOCCANCEL);
                editBox_->SendScintilla(Sci::SCI_CALLTIPCANCEL);
                command();
            });
        }
    };
    const Item separator{nullptr, 0, {}, {}};
    addItems(menuBar()->addMenu(QStringLiteral("File")),
             {{"N&ew", cmdNew, [this] { newFile(); }, QKeySequence(Qt::CTRL | Qt::Key_N)},
              separator,
              {"Open", cmdOpen, [this] { openFile(); }, QKeySequence(Qt::CTRL | Qt::Key_O)},
              {"Save", cmdSave, [this] { saveFile(); }, QKeySequence(Qt::CTRL | Qt::Key_S)},
              {"Save As..", cmdSaveAs, [this] { saveFileAs(); },
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
              separator,
              {"E&xit", cmdExit, [this] { exitEditor(); }, QKeySequence(Qt::CTRL | Qt::Key_Q)}});
    addItems(
        menuBar()->addMenu(QStringLiteral("&Edit")),
        {{"&Undo", cmdUndo, [this] { editBox_->undo(); }, QKeySequence::Undo},
         {"&Redo", cmdRedo, [this] { editBox_->redo(); }, QKeySequence::Redo},
         separator,
         {"Cu&t", cmdCut, [this] { editBox_->cut(); }, QKeySequence::Cut},
         {"&Copy", cmdCopy, [this] { editBox_->copy(); }, QKeySequence::Copy},
         {"&Paste", cmdPaste, [this] { editBox_->paste(); }, QKeySequence::Paste},
         {"Select &All", cmdSelectAll, [this] { editBox_->selectAll(); }, QKeySequence::SelectAll},
         separator,
         {"&Find...", cmdFind, [this] { find(); }, QKeySequence::Find},
         // Not the platform's Find Next: on GNOME that is Ctrl+G, which would
         // leave both it and Go to Line dead as an ambiguous shortcut.
         {"Find &Next", cmdFindNext, [this] { findNext(); }, QKeySequence(Qt::Key_F3)},
         {"&Go to Line...", cmdGoToLine, [this] { goToLine(); },
          QKeySequence(Qt::CTRL | Qt::Key_G)},
         separator,
         {"Next &Error", cmdNextError, [this] { jumpToError(true); }, QKeySequence(Qt::Key_F8)},
         {"Pre&vious Error", cmdPreviousError, [this] { jumpToError(false); },
          QKeySequence(Qt::SHIFT | Qt::Key_F8)}});
    // Filled by addZoom once the window is whole.
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    addItems(
        menuBar()->addMenu(QStringLiteral("&Assemble")),
        {{"Build", cmdBuild, [this] { buildProgram(); }, QKeySequence(Qt::Key_F7)},
         {"Build and &Run", cmdBuildAndRun, [this] { buildAndRun(); }, QKeySequence(Qt::Key_F5)}});
    addItems(menuBar()->addMenu(QStringLiteral("Help")),
             {{"About", cmdAbout, [this] { showAbout(); }, {}}});
}

void EditorWindow::createStatusBar() {
    errorLabel_ = new QLabel(this);
    positionLabel_ = new QLabel(this);
    statusBar()->addWidget(errorLabel_, 1);
    statusBar()->addPermanentWidget(positionLabel_);
    updatePosition();
}

QAction* EditorWindow::commandAction(int id) const {
    for (QAction* action : findChildren<QAction*>()) {
        if (action->data().toInt() == id && !action->isSeparator())
            return action;
    }
    return nullptr;
}

void EditorWindow::updateTitle() {
    // Qt reads "[*]" in a title as the modified marker; doubled, it shows as is.
    QString name = fileName_;
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QStringLiteral("ZERLANT - [Code View] - ") + name);
}

void EditorWindow::updatePosition() {
    const long position = editBox_->SendScintilla(Sci::SCI_GETCURRENTPOS);
    const long line = editBox_->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
    // Columns as shown, with tabs expanded.
    const long column = editBox_->SendScintilla(Sci::SCI_GETCOLUMN, position);
    positionLabel_->setText(QStringLiteral("Line %1, Col %2").arg(line + 1).arg(column + 1));
    // An error shown by a jump stays while the cursor is on its line.
    if (messageLine_ >= 0 && line != messageLine_) {
        messageLine_ = -1;
        statusBar()->clearMessage();
    }
}

QString EditorWindow::statusText() const {
    return errorLabel_->text() + QStringLiteral(" | ") + positionLabel_->text();
}

void EditorWindow::exitEditor() {
    close();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (askToSave(QStringLiteral("Do you wish to Save before Exit?")))
        event->accept();
    else
        event->ignore();
}

void EditorWindow::showAbout() {
    dialogs_->inform(QStringLiteral("About"),
                     QStringLiteral("Simple Code Editor\n"
                                    "Written by Orlenvik\n"
                                    "This was done really quick so you can use something to type "
                                    "the code\n"
                                    "Nothing fancy =)\n"));
}

} // namespace mox
