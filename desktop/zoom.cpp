#include "zoom.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolTip>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace mox::desktop {

namespace {

const char* const zoomProperty = "moxZoom";
const QString zoomKey = QStringLiteral("windowZoom");

// Edges are scaled rather than sizes, so that controls that touch at 100 %
// still touch, and none overlaps its neighbour by a rounded pixel.
int scaled(int pixels, int percent) {
    return static_cast<int>(std::lround(pixels * percent / 100.0));
}

QRect scaled(const QRect& r, int percent) {
    const int left = scaled(r.left(), percent);
    const int top = scaled(r.top(), percent);
    return {left, top, scaled(r.left() + r.width(), percent) - left,
            scaled(r.top() + r.height(), percent) - top};
}

// 0 and "no limit" stay what they are.
int scaledLimit(int pixels, int percent) {
    return pixels == 0 || pixels >= QWIDGETSIZE_MAX
               ? pixels
               : std::min(scaled(pixels, percent), QWIDGETSIZE_MAX);
}

QSize scaledLimit(QSize size, int percent) {
    return {scaledLimit(size.width(), percent), scaledLimit(size.height(), percent)};
}

QSize scaled(QSize size, int percent) {
    return {scaled(size.width(), percent), scaled(size.height(), percent)};
}

// What a window was at 100 %, kept on the window.
class ZoomRecord : public QObject {
public:
    explicit ZoomRecord(QWidget* window);
    void apply(int percent);

private:
    struct Placed {
        QPointer<QWidget> widget;
        QRect geometry;
    };
    struct Limits {
        QPointer<QWidget> widget;
        QSize minimum;
        QSize maximum;
    };
    struct Font {
        QPointer<QWidget> widget;
        bool own;
        QFont font;
    };
    struct Spacing {
        QPointer<QLayout> layout;
        QMargins margins;
        int spacing;
    };

    void visit(QWidget* widget);
    void visit(QLayout* layout);
    void applyWindowSize(int percent);

    QWidget* window;
    std::vector<Placed> placed;
    std::vector<Limits> limits;
    std::vector<Font> fonts;
    std::vector<Spacing> spacings;
    bool fixed;
    QSize size;
    int menuBarHeight = 0;
    // A resizable window's size in 100 % pixels, and as it was last set.
    QSizeF actual;
    QSize applied;
    int shown = 100;
};

ZoomRecord::ZoomRecord(QWidget* window_)
    : QObject(window_), window(window_), fixed(window_->minimumSize() == window_->maximumSize()),
      size(window_->size()) {
    setObjectName(QStringLiteral("moxZoomRecord"));
    if (window->layout() && window->layout()->menuBar()) {
        menuBarHeight = window->layout()->menuBar()->sizeHint().height();
    }
    visit(window);
    // Menus open as windows of their own, and bars take the style's font
    // for their class rather than the window's: each is given its own.
    QList<QWidget*> bars;
    for (QMenu* menu : window->findChildren<QMenu*>()) {
        bars.push_back(menu);
    }
    for (QMenuBar* bar : window->findChildren<QMenuBar*>()) {
        bars.push_back(bar);
    }
    for (QStatusBar* bar : window->findChildren<QStatusBar*>()) {
        bars.push_back(bar);
        for (QWidget* part : bar->findChildren<QWidget*>()) {
            bars.push_back(part);
        }
    }
    for (QWidget* bar : bars) {
        fonts.push_back({bar, bar->testAttribute(Qt::WA_SetFont), bar->font()});
    }
}

void ZoomRecord::visit(QWidget* widget) {
    const bool top = widget == window;
    if (!top) {
        if (widget->isWindow() || widget->property("moxZoomSkip").toBool()) {
            return;
        }
        if (!widget->parentWidget()->layout()) {
            placed.push_back({widget, widget->geometry()});
        }
    }
    if (widget->minimumSize() != QSize(0, 0) ||
        widget->maximumSize() != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)) {
        limits.push_back({widget, widget->minimumSize(), widget->maximumSize()});
    }
    if (top || widget->testAttribute(Qt::WA_SetFont)) {
        fonts.push_back({widget, widget->testAttribute(Qt::WA_SetFont), widget->font()});
    }
    if (widget->layout()) {
        visit(widget->layout());
    }
    // Into plain containers and framed labels only: a scroll area, slider or
    // field lays out its own parts.
    const bool container =
        top || widget->metaObject() == &QWidget::staticMetaObject || qobject_cast<QLabel*>(widget);
    if (!container) {
        return;
    }
    for (QObject* child : widget->children()) {
        if (auto* w = qobject_cast<QWidget*>(child)) {
            visit(w);
        }
    }
}

void ZoomRecord::visit(QLayout* layout) {
    spacings.push_back({layout, layout->contentsMargins(), layout->spacing()});
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout* inner = layout->itemAt(i)->layout()) {
            visit(inner);
        }
    }
}

void ZoomRecord::apply(int percent) {
    // Fonts first: the menu bar's new height decides the window's.
    for (const Font& f : fonts) {
        if (!f.widget) {
            continue;
        }
        if (percent == 100 && !f.own) {
            f.widget->setFont(QFont());
            continue;
        }
        // Bold and the like as the control has them now; the size from 100 %.
        QFont font = f.widget->font();
        if (f.font.pixelSize() > 0) {
            // Rounded down, so that no text outgrows the box scaled for it.
            font.setPixelSize(f.font.pixelSize() * percent / 100);
        } else {
            font.setPointSizeF(f.font.pointSizeF() * percent / 100.0);
        }
        f.widget->setFont(font);
    }
    for (const Spacing& s : spacings) {
        if (s.layout) {
            const QMargins& m = s.margins;
            s.layout->setContentsMargins(scaled(m.left(), percent), scaled(m.top(), percent),
                                         scaled(m.right(), percent), scaled(m.bottom(), percent));
            s.layout->setSpacing(s.spacing < 0 ? s.spacing : scaled(s.spacing, percent));
        }
    }
    for (const Limits& l : limits) {
        if (l.widget && l.widget != window) {
            l.widget->setMinimumSize(scaledLimit(l.minimum, percent));
            l.widget->setMaximumSize(scaledLimit(l.maximum, percent));
        }
    }
    for (const Placed& p : placed) {
        if (p.widget) {
            p.widget->setGeometry(scaled(p.geometry, percent));
        }
    }
    applyWindowSize(percent);
    shown = percent;
}

void ZoomRecord::applyWindowSize(int percent) {
    if (fixed) {
        QSize target = scaled(size, percent);
        // The menu bar grows with its font, not with the window.
        if (menuBarHeight > 0) {
            target.rheight() +=
                window->layout()->menuBar()->sizeHint().height() - scaled(menuBarHeight, percent);
        }
        window->setFixedSize(percent == 100 ? size : target);
        return;
    }
    // The size the user left the window at, in 100 % pixels; kept unrounded,
    // so that coming back to 100 % gives the very size it had.
    if (window->size() != applied) {
        actual = QSizeF(window->size()) * 100.0 / shown;
    }
    const QSize requested(static_cast<int>(std::lround(actual.width() * percent / 100.0)),
                          static_cast<int>(std::lround(actual.height() * percent / 100.0)));
    QSize smallest = QSize(0, 0);
    for (const Limits& l : limits) {
        if (l.widget == window) {
            smallest = scaledLimit(l.minimum, percent);
        }
    }
    // Never below what the controls need at this zoom, even where that is
    // more than the screen: a window past the edge beats controls on top of
    // one another.
    if (QLayout* layout = window->layout(); layout && percent != 100) {
        layout->invalidate();
        smallest = smallest.expandedTo(layout->minimumSize());
    }
    QSize allowed = requested;
    // At 100 % the window is as the user left it, even past a small screen.
    if (const QScreen* screen = window->screen(); screen && percent != 100) {
        allowed = allowed.boundedTo(screen->availableGeometry().size());
    }
    allowed = allowed.expandedTo(smallest);
    window->setMinimumSize(smallest);
    window->resize(allowed);
    applied = window->size();
}

} // namespace

void scaleWindow(QWidget* window, int percent) {
    // Found as a QObject: newer Qt finds only classes that declare Q_OBJECT.
    auto* record = dynamic_cast<ZoomRecord*>(
        window->findChild<QObject*>(QStringLiteral("moxZoomRecord"), Qt::FindDirectChildrenOnly));
    if (!record) {
        if (percent == 100) {
            return;
        }
        record = new ZoomRecord(window);
    }
    record->apply(percent);
    window->setProperty(zoomProperty, percent);
}

int windowZoom(const QWidget* widget) {
    const QVariant kept = widget->window()->property(zoomProperty);
    return kept.isValid() ? kept.toInt() : 100;
}

QPoint atActualSize(const QWidget* widget, QPoint point) {
    const int percent = windowZoom(widget);
    return {point.x() * 100 / percent, point.y() * 100 / percent};
}

int zoomed(const QWidget* widget, int pixels) {
    return scaled(pixels, windowZoom(widget));
}

ZoomController::ZoomController() = default;

void ZoomController::rememberIn(QSettings* store) {
    settings = store;
    useDefaultSettings = store == nullptr;
    setPercent(stored());
}

int ZoomController::stored() const {
    const int kept =
        settings ? settings->value(zoomKey, 100).toInt() : QSettings().value(zoomKey, 100).toInt();
    // Anything but a step, such as a hand-edited value, is 100 %.
    return std::find(std::begin(zoomSteps), std::end(zoomSteps), kept) != std::end(zoomSteps) ? kept
                                                                                              : 100;
}

ZoomController::Commands ZoomController::add(QWidget* window, QMenu* menu,
                                             std::function<void()> rescaled) {
    members.erase(std::remove_if(members.begin(), members.end(),
                                 [](const Member& m) { return m.window.isNull(); }),
                  members.end());
    // A program without its own store starts each first window from the
    // settings as they are now.
    if (members.isEmpty() && useDefaultSettings) {
        current = stored();
    }
    members.push_back({window, std::move(rescaled)});
    const auto command = [this, window, menu](const QString& text, QList<QKeySequence> keys,
                                              void (ZoomController::*slot)()) {
        auto* action = new QAction(text, window);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, window, slot] {
            (this->*slot)();
            announce(window);
        });
        if (menu) {
            menu->addAction(action);
        } else {
            window->addAction(action);
        }
        return action;
    };
    if (menu && !menu->isEmpty()) {
        menu->addSeparator();
    }
    Commands commands{
        command(QStringLiteral("Zoom In"),
                {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)},
                &ZoomController::zoomIn),
        command(QStringLiteral("Zoom Out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
                &ZoomController::zoomOut),
        command(QStringLiteral("Actual Size"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
                &ZoomController::actualSize)};
    if (current != 100) {
        apply(members.back());
    }
    return commands;
}

void ZoomController::apply(Member& member) {
    if (!member.window) {
        return;
    }
    scaleWindow(member.window, current);
    if (member.rescaled) {
        member.rescaled();
    }
}

void ZoomController::setPercent(int percent) {
    percent = std::clamp(percent, zoomSteps[0], std::end(zoomSteps)[-1]);
    if (percent == current) {
        return;
    }
    current = percent;
    for (Member& member : members) {
        apply(member);
    }
    if (settings) {
        settings->setValue(zoomKey, current);
    } else if (useDefaultSettings) {
        QSettings().setValue(zoomKey, current);
    }
    emit zoomChanged(current);
}

void ZoomController::zoomIn() {
    const auto next = std::upper_bound(std::begin(zoomSteps), std::end(zoomSteps), current);
    if (next != std::end(zoomSteps)) {
        setPercent(*next);
    }
}

void ZoomController::zoomOut() {
    const auto at = std::lower_bound(std::begin(zoomSteps), std::end(zoomSteps), current);
    if (at != std::begin(zoomSteps)) {
        setPercent(*std::prev(at));
    }
}

void ZoomController::actualSize() {
    setPercent(100);
}

void ZoomController::announce(QWidget* window) {
    told = QStringLiteral("Zoom %1 %").arg(current);
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        main->statusBar()->showMessage(told, 3000);
        return;
    }
    QToolTip::showText(window->mapToGlobal(QPoint(zoomed(window, 10), zoomed(window, 10))), told,
                       window);
}

} // namespace mox::desktop
