#include "pictures.h"

#include "theme.h"
#include "zoom.h"

#include <QAccessibleWidget>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <cmath>

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

namespace {

// The picture drawn for the look in use where it has one (those with a light
// ground), else the light look's.
QString bitmapPath(int id, int scale) {
    static const bool registered = (initResources(), true);
    (void)registered;
    const QString twice = scale > 1 ? QStringLiteral("@%1x").arg(scale) : QString();
    const char* look = desktop::currentTheme() == desktop::Theme::Dark           ? "-dark"
                       : desktop::currentTheme() == desktop::Theme::HighContrast ? "-contrast"
                                                                                 : nullptr;
    if (look) {
        const QString themed =
            QStringLiteral(":/emulator/%1%2%3.png").arg(id).arg(QLatin1String(look), twice);
        if (QFile::exists(themed)) {
            return themed;
        }
    }
    // The largest is a PNG: the flat grounds would make it a large BMP.
    return QStringLiteral(":/emulator/%1%2.%3")
        .arg(id)
        .arg(twice, scale == 3 ? QStringLiteral("png") : QStringLiteral("bmp"));
}

} // namespace

QPixmap bitmap(int id, int scale) {
    // Loaded once and kept, as the hover pictures swap back and forth.
    static QHash<QString, QPixmap> loaded;
    const QString path = bitmapPath(id, scale);
    auto it = loaded.find(path);
    if (it == loaded.end()) {
        QPixmap picture(path);
        picture.setDevicePixelRatio(scale);
        it = loaded.insert(path, picture);
    }
    return *it;
}

QString datapathDrawingPath(bool portrait) {
    static const bool registered = (initResources(), true);
    (void)registered;
    return portrait ? QStringLiteral(":/emulator/datapath-portrait.svg")
                    : QStringLiteral(":/emulator/datapath.svg");
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

const char* const bitmapProperty = "moxBitmap";

} // namespace

QPixmap zoomedBitmap(int id, int percent) {
    if (percent == 100) {
        return bitmap(id);
    }
    const int scale = pictureScale();
    static QHash<QString, QPixmap> drawn;
    const QString key = QStringLiteral("%1/%2/%3/%4")
                            .arg(id)
                            .arg(percent)
                            .arg(scale)
                            .arg(static_cast<int>(desktop::currentTheme()));
    auto it = drawn.find(key);
    if (it == drawn.end()) {
        const QSize own = bitmap(id, 1).size();
        const QSize size(static_cast<int>(std::lround(own.width() * percent / 100.0)),
                         static_cast<int>(std::lround(own.height() * percent / 100.0)));
        // Drawn down from the version at least as large (up to 300 % on a
        // screen at 100 %), so that a zoomed window's pictures stay sharp.
        const int from = percent * scale > 200 ? 3 : 2;
        QPixmap picture = QPixmap::fromImage(bitmap(id, from).toImage().scaled(
            size * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        picture.setDevicePixelRatio(scale);
        it = drawn.insert(key, picture);
    }
    return *it;
}

void showBitmap(QLabel* label, int id) {
    label->setProperty(bitmapProperty, id);
    label->setPixmap(zoomedBitmap(id, desktop::windowZoom(label)));
}

void redrawBitmaps(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        const QVariant id = label->property(bitmapProperty);
        if (id.isValid()) {
            showBitmap(label, id.toInt());
        }
    }
}

QLabel* createPicture(QWidget* parent, QPoint at, int id) {
    auto* label = new QLabel(parent);
    showBitmap(label, id);
    label->setGeometry(QRect(at, label->pixmap().deviceIndependentSize().toSize()));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

PictureButton::PictureButton(QWidget* parent, QPoint at, int id, const QString& name)
    : QLabel(parent) {
    showBitmap(this, id);
    setGeometry(QRect(at, pixmap().deviceIndependentSize().toSize()));
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
