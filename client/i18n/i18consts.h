#pragma once

#include <QString>

class QObject;

// Widths and images that one language needs for one widget. A key is the
// widget's window name, "::" and the widget's object name.
namespace i18consts {

// 0 when no row has that language and key.
int findPushButtonWidth(const QString& language, const QString& key);
// Empty when no row has that language and key.
QString findImageSourceFileName(const QString& language, const QString& key);
// The object name of the first of object and its parents whose class derives
// directly from the dialog base "OZDialog"; empty when there is none.
QString findWndName(const QObject* object);

} // namespace i18consts
