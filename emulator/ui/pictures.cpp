#include "pictures.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>

// Outside any namespace, as Q_INIT_RESOURCE requires; the resources live in a
// static library and are not registered on their own.
static void initResources() {
    Q_INIT_RESOURCE(emulator);
}

namespace mox::ui {

namespace {

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

} // namespace

QAccessibleInterface* accessiblePictureButton(PictureButton* button) {
    return new PictureButtonAccessible(button);
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

} // namespace mox::ui
