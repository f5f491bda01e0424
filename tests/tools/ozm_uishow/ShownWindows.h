#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

// The windows ozm_uishow can show, each with stand-in data and the keys of
// --set that shape it.
namespace ShownWindows {

QStringList names();
// The window, shown; null and a message in error for an unknown name or key.
std::unique_ptr<QWidget> show(const QString& name, const QMap<QString, QString>& keys, QString* error);

} // namespace ShownWindows
