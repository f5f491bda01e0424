#include "AccessibleTree.h"

#include <QAccessible>
#include <QApplication>
#include <QMetaEnum>
#include <QWidget>

QJsonObject AccessibleTree::node(QAccessibleInterface* accessible)
{
    static const QMetaEnum roles = QMetaEnum::fromType<QAccessible::Role>();
    const QAccessible::State state = accessible->state();
    const QRect rect = accessible->rect();
    QJsonArray children;
    for (int i = 0; i < accessible->childCount(); ++i)
        if (QAccessibleInterface* child = accessible->child(i))
            children.append(node(child));
    QJsonObject result{
        {"role", QString::fromLatin1(roles.valueToKey(accessible->role()))},
        {"name", accessible->text(QAccessible::Name)},
        {"value", accessible->text(QAccessible::Value)},
        {"state", QJsonObject{{"invisible", bool(state.invisible)}, {"disabled", bool(state.disabled)},
                              {"focused", bool(state.focused)}, {"checked", bool(state.checked)}}},
        {"rect", QJsonArray{rect.x(), rect.y(), rect.width(), rect.height()}},
        {"objectName", accessible->object() ? accessible->object()->objectName() : QString()},
        {"children", children},
    };
    return result;
}

QJsonArray AccessibleTree::visibleTopLevels()
{
    QJsonArray windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget))
                windows.append(node(accessible));
    return windows;
}
