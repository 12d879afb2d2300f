#include "presenter_keys.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace mox::ui {

namespace {

const char* const presenterProperty = "moxPresenterKeys";

bool isEditable(const QWidget* w) {
    if (const auto* line = qobject_cast<const QLineEdit*>(w)) {
        return !line->isReadOnly();
    }
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(w)) {
        return !text->isReadOnly();
    }
    if (const auto* text = qobject_cast<const QTextEdit*>(w)) {
        return !text->isReadOnly();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
        return combo->isEditable();
    }
    return qobject_cast<const QAbstractSpinBox*>(w) != nullptr;
}

bool pages(const QWidget* w) {
    return qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

// A read-only text moves its view or caret with them as well.
bool usesArrows(const QWidget* w) {
    return pages(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

// Qt asks the focused control, then its parents up to the window, whether a
// key is theirs before any shortcut gets it; the window answers for the
// controls that do not say so themselves, such as sliders.
class GiveWay : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) {
            return false;
        }
        auto* window = static_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        const QWidget* focus = window->focusWidget();
        if (!focus || focus == window || !controlUsesKey(focus, key->key())) {
            return false;
        }
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : window->actions()) {
            if (action->property(presenterProperty).toBool() &&
                action->shortcuts().contains(pressed)) {
                key->accept();
                return true;
            }
        }
        return false;
    }
};

} // namespace

bool controlUsesKey(const QWidget* control, int key) {
    if (isEditable(control)) {
        return true;
    }
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
        return usesArrows(control);
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return pages(control);
    default:
        return false;
    }
}

QAction* addPresenterKeys(QWidget* window, const QString& name, const QList<QKeySequence>& keys) {
    if (!window->property(presenterProperty).toBool()) {
        window->setProperty(presenterProperty, true);
        window->installEventFilter(new GiveWay(window));
    }
    auto* action = new QAction(name, window);
    action->setShortcuts(keys);
    action->setProperty(presenterProperty, true);
    window->addAction(action);
    return action;
}

} // namespace mox::ui
