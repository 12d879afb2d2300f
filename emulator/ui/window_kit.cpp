#include "window_kit.h"

#include "format.h"

#include <QAction>
#include <QHash>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
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

} // namespace

const QFont& controlFont() {
    static const QFont font = [] {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(15);
        return f;
    }();
    return font;
}

QPixmap bitmap(int id) {
    // Loaded once and kept, as the hover pictures swap back and forth.
    static QHash<int, QPixmap> loaded;
    auto it = loaded.find(id);
    if (it == loaded.end()) {
        static const bool registered = (initResources(), true);
        (void)registered;
        it = loaded.insert(id, QPixmap(QStringLiteral(":/emulator/%1.bmp").arg(id)));
    }
    return *it;
}

void setUpTopLevel(QWidget* window, const char* className, const QString& title, QSize outer) {
    window->setObjectName(QString::fromLatin1(className));
    window->setWindowTitle(title);
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(outer - QSize(6, 25));
    window->setWindowIcon(QIcon(bitmap(101)));
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
    label->setGeometry(QRect(at, picture.size()));
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

void AddressBox::showNumber(std::int32_t address, std::int32_t value, int viewMode) {
    const bool modeChanged = !shown || viewMode != shownViewMode;
    if (modeChanged || address != shownAddress) {
        setText(QStringLiteral("Address: ") +
                QString::fromStdString(formatNumber(address, viewMode)));
    }
    if (modeChanged || value != shownValue) {
        field->setText(QString::fromStdString(formatNumber(value, viewMode)));
    }
    shown = true;
    shownAddress = address;
    shownValue = value;
    shownViewMode = viewMode;
}

QString AddressBox::valueText() const {
    return field->text();
}

} // namespace mox::ui
