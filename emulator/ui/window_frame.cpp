#include "window_frame.h"

#include "address_box.h"
#include "pictures.h"
#include "theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QFocusEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

namespace mox::ui {

namespace {

// Set on the emulator's own top-level windows, which screen readers are to
// read as frames; menus and message boxes keep what Qt gives them.
const char* const frameProperty = "moxFrame";

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        return nullptr;
    }
    if (auto* button = qobject_cast<PictureButton*>(widget);
        button && className == QLatin1String(PictureButton::staticMetaObject.className())) {
        return accessiblePictureButton(button);
    }
    // Asked once per class up the hierarchy; answering the first keeps the
    // window's own class from being passed over for a plain QWidget.
    if (widget->isWindow() && widget->property(frameProperty).toBool() &&
        className == QLatin1String(widget->metaObject()->className())) {
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    return nullptr;
}

// Black inside white, so that the frame shows on the light grey windows and
// on the dark pictures alike.
class FocusFrame : public QWidget {
public:
    explicit FocusFrame(QWidget* window) : QWidget(window) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // Placed around the focused control, not by the window's zoom.
        setProperty("moxZoomSkip", true);
        hide();
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (control->focusPolicy() & Qt::TabFocus) {
                control->installEventFilter(this);
            }
        }
        // A window that can be resized lays its controls out anew.
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setPen(QPen(Qt::black, 2));
        painter.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
    }

private:
    void frame(QWidget* control);

    // Shared by all windows: whoever tabbed in one window uses the keyboard
    // in the next one too.
    static inline bool keyboardUser = false;
};

bool FocusFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize && isVisible() && parentWidget()->focusWidget()) {
            frame(parentWidget()->focusWidget());
        }
        return false;
    }
    auto* control = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::FocusIn:
        switch (static_cast<QFocusEvent*>(event)->reason()) {
        case Qt::MouseFocusReason:
            keyboardUser = false;
            break;
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
            keyboardUser = true;
            break;
        default:
            break;
        }
        frame(control);
        break;
    case QEvent::KeyPress:
        keyboardUser = true;
        frame(control);
        break;
    case QEvent::MouseButtonPress:
        keyboardUser = false;
        hide();
        break;
    case QEvent::FocusOut:
    case QEvent::Hide:
        hide();
        break;
    default:
        break;
    }
    return false;
}

void FocusFrame::frame(QWidget* control) {
    if (!keyboardUser || !control->hasFocus()) {
        hide();
        return;
    }
    // A value field is framed with its box, whose title names it.
    QWidget* target =
        dynamic_cast<AddressBox*>(control->parentWidget()) ? control->parentWidget() : control;
    const QPoint at = target->mapTo(parentWidget(), QPoint(0, 0));
    setGeometry(QRect(at, target->size()).adjusted(-3, -3, 3, 3));
    raise();
    show();
}

} // namespace

const QFont& controlFont() {
    static const QFont font = [] {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(15);
        return f;
    }();
    return font;
}

namespace {

// Set on the fixed windows, whose ground is the look's, not the desktop's.
const char* const classicGroundProperty = "moxClassicGround";

void paintGround(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, desktop::colours().ground);
    window->setPalette(palette);
}

void nameTopLevel(QWidget* window, const char* className, const QString& title) {
    // Before the title: with a screen reader listening, Qt 6.8 makes the
    // window's accessible face when its title is set, and keeps it.
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleFactory), true);
    (void)factoryInstalled;
    window->setProperty(frameProperty, true);
    window->setObjectName(QString::fromLatin1(className));
    window->setWindowTitle(title);
    window->setWindowIcon(programIcon());
}

} // namespace

void setUpTopLevel(QWidget* window, const char* className, const QString& title, QSize outer) {
    nameTopLevel(window, className, title);
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(outer - QSize(6, 25));
    window->setProperty(classicGroundProperty, true);
    paintGround(window);
    window->setAutoFillBackground(true);
}

void restyle(QWidget* window) {
    if (window->property(classicGroundProperty).toBool()) {
        paintGround(window);
    }
    // Not a QObject class of its own, so found among the labels.
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (auto* box = dynamic_cast<AddressBox*>(label)) {
            box->applyColours();
        }
    }
    // The style draws a field's frame a shade darker than the window, which
    // on black is no frame at all.
    for (QLineEdit* field : window->findChildren<QLineEdit*>()) {
        if (field->hasFrame()) {
            field->setStyleSheet(desktop::currentTheme() == desktop::Theme::HighContrast
                                     ? QStringLiteral("QLineEdit { border: 1px solid white; }")
                                     : QString());
        }
    }
    redrawBitmaps(window);
    window->update();
}

void setUpResizableTopLevel(QWidget* window, const char* className, const QString& title,
                            QSize size) {
    nameTopLevel(window, className, title);
    window->setWindowFlags(Qt::Window);
    window->resize(size);
}

void installFocusFrame(QWidget* window) {
    new FocusFrame(window);
}

QWidget* addMenuClient(QWidget* window, QMenuBar* menuBar) {
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    // F10 opens the first menu, as on the desktops; Alt alone does nothing in
    // this style, and mnemonics would change how the titles look.
    auto* openMenus = new QAction(QStringLiteral("Menus"), window);
    openMenus->setShortcut(QKeySequence(Qt::Key_F10));
    QObject::connect(openMenus, &QAction::triggered, menuBar,
                     [menuBar] { menuBar->setActiveAction(menuBar->actions().value(0)); });
    window->addAction(openMenus);
    auto* client = new QWidget(window);
    client->setMouseTracking(true);
    layout->addWidget(client);
    return client;
}

QAction* addCommand(QMenu* menu, const QString& text, int id) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    return action;
}

QMenu* findMenu(const QWidget* window, const QString& title) {
    for (QAction* action : window->findChild<QMenuBar*>()->actions()) {
        if (action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

QAction* findCommand(const QWidget* window, int id) {
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

} // namespace mox::ui
