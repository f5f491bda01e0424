#pragma once

#include <QMap>
#include <QString>
#include <QWidget>
#include <memory>

// The status window, About and the update notice for ozm_uishow.
namespace StatusWindows {

using Keys = QMap<QString, QString>;

// state=N, states=N,N,… (300 ms apart), secured=on|off, wifi=NAME, wifisec=N,
// conntype=TEXT, location=IP|DESC or identifying or unknown, server=TEXT.
std::unique_ptr<QWidget> showStatus(const Keys& keys, QString* error);
std::unique_ptr<QWidget> showAbout(const Keys& keys, QString* error);
// description=TEXT, version=N, hidden=N (the version stored as hidden).
std::unique_ptr<QWidget> showUpdate(const Keys& keys, QString* error);

} // namespace StatusWindows
