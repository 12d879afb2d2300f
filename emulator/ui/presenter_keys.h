// The keys a presenter's remote sends (Page Down, Page Up, the arrows, period,
// B), for the windows a lecture is driven from. A key stays with the focused
// control when that control uses it itself: arrows, Home and End in text
// fields, lists and sliders; Page Up and Page Down in lists and sliders; any
// key in an editable field.
#pragma once

#include <QKeySequence>
#include <QList>

class QAction;
class QString;
class QWidget;

namespace mox::ui {

// An action of `window` on `keys`, each of which the focused control keeps
// when it uses it.
QAction* addPresenterKeys(QWidget* window, const QString& name, const QList<QKeySequence>& keys);

// Whether `control`, focused, does something of its own with `key`.
bool controlUsesKey(const QWidget* control, int key);

} // namespace mox::ui
