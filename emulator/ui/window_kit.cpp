#include "window_kit.h"

#include "format.h"

#include <QAction>
#include <QGuiApplication>
#include <QHash>
#include <QHelpEvent>
#include <QIcon>
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

void setUpTopLevel(QWidget* window, const char* className, const QString& title, QSize outer) {
    window->setObjectName(QString::fromLatin1(className));
    window->setWindowTitle(title);
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(outer - QSize(6, 25));
    window->setWindowIcon(programIcon());
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, lightGrey);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

QWidget* addMenuClient(QWidget* window, QMenuBar* menuBar) {
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
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

AddressBox::AddressBox(QWidget* parent, QPoint at)
    : QLabel(QStringLiteral("Address.."), parent), field(new QLineEdit(this)) {
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
    field->setFocusPolicy(Qt::ClickFocus);
    field->setFrame(false);
    field->setFont(controlFont());
    QPalette fieldPalette = field->palette();
    fieldPalette.setColor(QPalette::Base, lightGrey);
    fieldPalette.setColor(QPalette::Text, Qt::black);
    field->setPalette(fieldPalette);
}

void AddressBox::showNumber(std::int32_t address, std::int32_t value, int viewMode,
                            std::optional<std::int32_t> before) {
    const bool modeChanged = !shown || viewMode != shownViewMode;
    if (modeChanged || address != shownAddress) {
        setText(QStringLiteral("Address: ") +
                QString::fromStdString(formatNumber(address, viewMode)));
    }
    if (modeChanged || value != shownValue) {
        field->setText(QString::fromStdString(formatNumber(value, viewMode)));
    }
    // Read from the start after every refresh, as a read-only field is: a
    // long binary value would otherwise show only its last digits.
    field->setCursorPosition(0);
    shown = true;
    shownAddress = address;
    shownValue = value;
    shownViewMode = viewMode;
    showBefore(before);
}

void AddressBox::showBefore(std::optional<std::int32_t> before) {
    const bool lit = before.has_value();
    const bool wasLit = shownBefore.has_value();
    shownBefore = before;
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
    const QString now = QString::fromStdString(formatNumber(shownValue, shownViewMode));
    if (!shownBefore) {
        return now;
    }
    return QStringLiteral("was %1, now %2")
        .arg(QString::fromStdString(formatNumber(*shownBefore, shownViewMode)), now);
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
