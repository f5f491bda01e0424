#pragma once

#include <QMap>
#include <QString>
#include <QWidget>
#include <memory>

// The usage window and its graph for ozm_uishow. Sessions come from TSV files
// (see UsageReply): the usage window gets them through the stand-in service's
// usage reply, the graph straight from the file.
namespace UsageWindows {

// sessions=FILE, all=FILE, traffic=BYTES, services=ID,ID, filter=1|7|30|90|180.
std::unique_ptr<QWidget> showUsage(const QMap<QString, QString>& keys, QString* error);
// sessions=FILE, all=FILE, mode=N, size=WxH, graph-dump=FILE: axes and points as
// JSON {size, origin (global), margins, x, y, this, all}.
std::unique_ptr<QWidget> showGraph(const QMap<QString, QString>& keys, QString* error);

} // namespace UsageWindows
