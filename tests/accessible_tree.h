// What a screen reader finds in a window: the controls it can land on or read
// a value from that have no name.
#pragma once

#include <QAccessible>
#include <QStringList>

// "<role> <class>" for each such control under `node`.
inline void collectNameless(QAccessibleInterface* node, QStringList& nameless) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child || child->state().invisible) {
            continue;
        }
        const QAccessible::Role role = child->role();
        const bool acts = child->state().focusable || role == QAccessible::Button ||
                          role == QAccessible::EditableText || role == QAccessible::Graphic ||
                          child->valueInterface();
        if (acts && child->text(QAccessible::Name).trimmed().isEmpty()) {
            nameless << QStringLiteral("%1 %2").arg(int(role)).arg(
                child->object() ? child->object()->metaObject()->className() : "?");
        }
        collectNameless(child, nameless);
    }
}
