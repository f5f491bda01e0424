#pragma once

#include <QMap>
#include <QString>
#include <QWidget>
#include <memory>

// The connectivity result, the support form and the Wi-Fi notice for ozm_uishow.
namespace DiagnosticsWindows {

using Keys = QMap<QString, QString>;

// passed=LETTERS (g GET, d DNS, p ping 8.8.8.8, l DNS 8.8.8.8, c service;
// the rest fail), wifi=none|off|on, ssid=NAME, server=NAME|CITY|STATE|COUNTRY|HOST,
// docked=0|1 (into a stand-in of the Help window's test tab).
std::unique_ptr<QWidget> showResults(const Keys& keys, QString* error);
// page=0..3, email=ADDRESS, name=TEXT, error=TEXT (the failure page's line).
std::unique_ptr<QWidget> showSendReport(const Keys& keys, QString* error);
// ticks=N of the dots, outcome=none|ok|failed.
std::unique_ptr<QWidget> showWifiNotice(const Keys& keys, QString* error);

} // namespace DiagnosticsWindows
