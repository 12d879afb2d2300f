#include "window_kit.h"

#include "format.h"
#include "instruction_set.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QGuiApplication>
#include <QHash>
#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>

// Outside any namespace, as Q_INIT_RESOURCE requires; the resources live in a
// static library and are not registered on their own.
static void initResources() {
    Q_INIT_RESOURCE(emulator);
}

namespace mox::ui {

namespace {

// The light grey of the window class background and of static controls.
const QColor lightGrey(192, 192, 192);
// A lit box's outline: blue, far from the yellow ground in lightness too.
const QColor litOutline(0, 90, 160);

// Set on the emulator's own top-level windows, which screen readers are to
// read as frames; menus and message boxes keep what Qt gives them.
const char* const frameProperty = "moxFrame";

// Told to every box when a screen reader comes or goes.
bool screenReaderListens = false;

// A picture button as a screen reader sees it: a button that can be pressed.
class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(PictureButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            emit static_cast<PictureButton*>(widget())->activated();
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        return nullptr;
    }
    if (auto* button = qobject_cast<PictureButton*>(widget);
        button && className == QLatin1String(PictureButton::staticMetaObject.className())) {
        return new PictureButtonAccessible(button);
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
        hide();
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (control->focusPolicy() & Qt::TabFocus) {
                control->installEventFilter(this);
            }
        }
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

int pictureScale() {
    return qGuiApp->devicePixelRatio() > 1.0 ? 2 : 1;
}

QPixmap bitmap(int id, int scale) {
    // Loaded once and kept, as the hover pictures swap back and forth.
    static QHash<QString, QPixmap> loaded;
    const QString path = QStringLiteral(":/emulator/%1%2.bmp")
                             .arg(id)
                             .arg(scale == 2 ? QStringLiteral("@2x") : QString());
    auto it = loaded.find(path);
    if (it == loaded.end()) {
        static const bool registered = (initResources(), true);
        (void)registered;
        QPixmap picture(path);
        picture.setDevicePixelRatio(scale);
        it = loaded.insert(path, picture);
    }
    return *it;
}

QString datapathDrawingPath() {
    static const bool registered = (initResources(), true);
    (void)registered;
    return QStringLiteral(":/emulator/datapath.svg");
}

QPixmap bitmap(int id) {
    return bitmap(id, pictureScale());
}

const QIcon& programIcon() {
    static const QIcon icon = [] {
        QIcon i;
        i.addPixmap(bitmap(101, 1));
        i.addPixmap(bitmap(101, 2));
        return i;
    }();
    return icon;
}

namespace {

void nameTopLevel(QWidget* window, const char* className, const QString& title) {
    window->setObjectName(QString::fromLatin1(className));
    window->setWindowTitle(title);
    window->setWindowIcon(programIcon());
    window->setProperty(frameProperty, true);
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleFactory), true);
    (void)factoryInstalled;
}

} // namespace

void setUpTopLevel(QWidget* window, const char* className, const QString& title, QSize outer) {
    nameTopLevel(window, className, title);
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(outer - QSize(6, 25));
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, lightGrey);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
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

QAction* findCommand(const QWidget* window, int id) {
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

QLabel* createPicture(QWidget* parent, QPoint at, const QPixmap& picture) {
    auto* label = new QLabel(parent);
    label->setPixmap(picture);
    label->setGeometry(QRect(at, picture.deviceIndependentSize().toSize()));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

PictureButton::PictureButton(QWidget* parent, QPoint at, const QPixmap& picture,
                             const QString& name)
    : QLabel(parent) {
    setPixmap(picture);
    setGeometry(QRect(at, picture.deviceIndependentSize().toSize()));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Tab only: a click is the window's, as it always was.
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(name);
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit activated();
            return;
        }
    }
    QLabel::keyPressEvent(event);
}

AddressBox::AddressBox(QWidget* parent, QPoint at, BoxKind kind_)
    : QLabel(QStringLiteral("Address.."), parent), field(new QLineEdit(this)), kind(kind_) {
    setGeometry(at.x(), at.y(), 150, 50);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFont(controlFont());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, lightGrey);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);

    field->setGeometry(5, 20, 135, 20);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::StrongFocus);
    field->setFrame(false);
    field->setFont(controlFont());
    QPalette fieldPalette = field->palette();
    fieldPalette.setColor(QPalette::Base, lightGrey);
    fieldPalette.setColor(QPalette::Text, Qt::black);
    field->setPalette(fieldPalette);
    field->installEventFilter(this);
    QAccessible::installActivationObserver(this);
}

AddressBox::~AddressBox() {
    QAccessible::removeActivationObserver(this);
}

void AddressBox::accessibilityActiveChanged(bool active) {
    screenReaderListens = active;
    if (active && accessibleStale) {
        updateAccessibleTexts();
    }
}

bool AddressBox::eventFilter(QObject* watched, QEvent* event) {
    // A read-only field has nothing to undo or delete: Backspace and Ctrl+Z
    // are the window's, as for every other control.
    if (watched == field && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->matches(QKeySequence::Copy) && !key->matches(QKeySequence::SelectAll)) {
            event->ignore();
            return true;
        }
    }
    return QLabel::eventFilter(watched, event);
}

void AddressBox::showNumber(std::int32_t address, std::int32_t value, Base base,
                            std::optional<std::int32_t> before) {
    showSlot(address, value, base, before, false);
}

void AddressBox::showNoCell(Base base) {
    showSlot(0, 0, base, std::nullopt, true);
}

void AddressBox::showSlot(std::int32_t address, std::int32_t value, Base base,
                          std::optional<std::int32_t> before, bool noCellSlot) {
    const bool baseChanged = !shown || base != shownBase;
    const bool addressChanged = baseChanged || address != shownAddress || noCell != noCellSlot;
    const bool valueChanged = baseChanged || value != shownValue;
    if (baseChanged || address != shownAddress) {
        setText(QStringLiteral("Address: ") + QString::fromStdString(formatNumber(address, base)));
    }
    if (valueChanged) {
        field->setText(QString::fromStdString(formatNumber(value, base)));
    }
    // Read from the start after every refresh, as a read-only field is: a
    // long binary value would otherwise show only its last digits.
    field->setCursorPosition(0);
    shown = true;
    shownAddress = address;
    shownValue = value;
    shownBase = base;
    noCell = noCellSlot;
    const bool litChanged = before != shownBefore;
    showBefore(before);
    // A lit box's description holds its value; a plain one's only its name.
    if (addressChanged || litChanged || (valueChanged && isLit())) {
        updateAccessibleTexts();
    }
}

void AddressBox::updateAccessibleTexts() {
    // A full run refreshes after every word: the texts are built only for a
    // screen reader that listens, and brought up to date when one comes.
    if (!QAccessible::isActive() && !screenReaderListens) {
        accessibleStale = true;
        return;
    }
    accessibleStale = false;
    QString name;
    QString description;
    if (noCell) {
        name = QStringLiteral("no cell");
    } else if (kind == BoxKind::Register) {
        name = QStringLiteral("register ") +
               QLatin1String(registerNames[static_cast<std::size_t>(shownAddress & 15)]);
        description = QStringLiteral("number %1").arg(shownAddress);
    } else {
        name = QStringLiteral("cell %1").arg(shownAddress, 2, 16, QLatin1Char('0'));
    }
    if (isLit()) {
        const QString changed = QStringLiteral("changed: ") + hint();
        description =
            description.isEmpty() ? changed : description + QStringLiteral(", ") + changed;
    }
    // Set only when they change: every refresh of a full run passes here.
    if (field->accessibleName() != name) {
        field->setAccessibleName(name);
    }
    if (field->accessibleDescription() != description) {
        field->setAccessibleDescription(description);
    }
}

void AddressBox::showBefore(std::optional<std::int32_t> before) {
    const bool lit = before.has_value();
    const bool wasLit = shownBefore.has_value();
    const bool changed = shownBefore != before;
    shownBefore = before;
    if (changed) {
        updateAccessibleTexts();
    }
    if (lit == wasLit) {
        return;
    }
    // Yellow ground, bold digits and a thick blue outline: told apart by
    // lightness and shape as well as by hue, so every kind of colour vision
    // sees it.
    QPalette boxPalette = palette();
    boxPalette.setColor(QPalette::Window, lit ? litGround : lightGrey);
    setPalette(boxPalette);
    QPalette fieldPalette = field->palette();
    fieldPalette.setColor(QPalette::Base, lit ? litGround : lightGrey);
    field->setPalette(fieldPalette);
    QFont font = controlFont();
    font.setBold(lit);
    field->setFont(font);
}

QString AddressBox::valueText() const {
    return field->text();
}

QString AddressBox::hint() const {
    const QString now = QString::fromStdString(formatNumber(shownValue, shownBase));
    if (!shownBefore) {
        return now;
    }
    return QStringLiteral("was %1, now %2")
        .arg(QString::fromStdString(formatNumber(*shownBefore, shownBase)), now);
}

bool AddressBox::event(QEvent* event) {
    // Built when asked for, not at every refresh. The field passes the
    // request on to its box.
    if (event->type() == QEvent::ToolTip && shown) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hint(), this);
        return true;
    }
    return QLabel::event(event);
}

void AddressBox::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (isLit()) {
        QPainter painter(this);
        painter.setPen(QPen(litOutline, 3));
        painter.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    }
}

} // namespace mox::ui
