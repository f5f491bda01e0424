#pragma once

#include <QJsonArray>
#include <QJsonObject>

class QAccessibleInterface;

// What assistive technology is told about the windows on screen, as JSON: one
// tree per visible top-level window, each node
// {role, name, value, state {invisible, disabled, focused, checked}, rect [x,y,w,h], objectName, children}.
namespace AccessibleTree {

QJsonArray visibleTopLevels();
QJsonObject node(QAccessibleInterface* accessible);

} // namespace AccessibleTree
