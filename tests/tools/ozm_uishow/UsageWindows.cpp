#include "UsageWindows.h"

#include "ClientAuthData.h"
#include "CommandBench.h"
#include "Usage.h"
#include "UsageCommand.h"
#include "UsageGraph.h"
#include "UsageReply.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTimer>

namespace {

using Keys = QMap<QString, QString>;

// The stand-in service and the account behind a usage window, living as long as it.
class UsageBackdrop : public QObject
{
public:
    explicit UsageBackdrop(QObject* parent)
        : QObject(parent)
    {
        CommandBench::fillAccount(account);
    }

    CommandBench bench;
    ClientAuthData account;
};

QList<UsageReply::Row> rowsOf(const Keys& keys, const QString& key, QString* error)
{
    QList<UsageReply::Row> rows;
    if (keys.contains(key))
        UsageReply::readTsv(keys.value(key), &rows, error);
    return rows;
}

// Until the reply is in, so that the first picture shows it.
void waitForUsage(Usage& usage)
{
    auto* command = usage.findChild<UsageCommand*>();
    if (!command)
        return;
    QEventLoop loop;
    QObject::connect(command, &HttpCommand::completed, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
}

QJsonArray pointsOf(const QList<UsageGraph::TrafficPoint>& points)
{
    QJsonArray result;
    for (const UsageGraph::TrafficPoint& point : points)
        result.append(QJsonArray{point.time.toString(Qt::ISODate), point.traffic, point.pixelPos.x(),
                                 point.pixelPos.y()});
    return result;
}

QByteArray dumpOf(const UsageGraph& graph)
{
    const QPoint origin = graph.mapToGlobal(QPoint(0, 0));
    const UsageGraph::Margins margins = graph.margins();
    QJsonArray x;
    for (const UsageGraph::XAxisLabel& label : graph.xAxisLabels())
        x.append(QJsonArray{label.text, label.time.toString(Qt::ISODate)});
    QJsonArray y;
    for (const UsageGraph::YAxisLabel& label : graph.yAxisLabels())
        y.append(QJsonArray{label.text, label.value});
    const QJsonObject dump{
        {"size", QJsonArray{graph.width(), graph.height()}},
        {"origin", QJsonArray{origin.x(), origin.y()}},
        {"margins", QJsonObject{{"top", margins.top}, {"right", margins.right}, {"bottom", margins.bottom},
                                {"left", margins.left}}},
        {"x", x},
        {"y", y},
        {"this", pointsOf(graph.currentDevicePoints())},
        {"all", pointsOf(graph.allDevicesPoints())},
    };
    return QJsonDocument(dump).toJson(QJsonDocument::Indented);
}

} // namespace

std::unique_ptr<QWidget> UsageWindows::showUsage(const Keys& keys, QString* error)
{
    const QList<UsageReply::Row> current = rowsOf(keys, "sessions", error);
    const QList<UsageReply::Row> all = rowsOf(keys, "all", error);
    const QString filter = keys.value("filter", "1");
    if (!QStringList{"1", "7", "30", "90", "180"}.contains(filter))
        *error = "filter takes 1, 7, 30, 90 or 180";
    bool bytesOk = false;
    const quint64 bytes = keys.value("traffic", "0").toULongLong(&bytesOk);
    if (!bytesOk)
        *error = "traffic takes a count of bytes";
    if (!error->isEmpty())
        return nullptr;

    auto usage = std::make_unique<Usage>();
    auto* backdrop = new UsageBackdrop(usage.get());
    backdrop->bench.reply("GET", "/mobile/licMobile", "usage", UsageReply::children(current, all));
    usage->init(QSharedPointer<HttpAccess>::create(backdrop->bench.service->url()),
                QSharedPointer<ClientAuthData>(&backdrop->account, [](ClientAuthData*) {}));
    usage->findChild<QPushButton*>("btnDays" + filter)->click();
    usage->setTraffic(bytes, 0);
    if (keys.contains("services"))
        usage->updateServicesList(keys.value("services").split(','));
    usage->move(200, 50);
    usage->display();
    waitForUsage(*usage);
    return usage;
}

std::unique_ptr<QWidget> UsageWindows::showGraph(const Keys& keys, QString* error)
{
    const QList<UsageReply::Row> current = rowsOf(keys, "sessions", error);
    const QList<UsageReply::Row> all = rowsOf(keys, "all", error);
    bool modeOk = false;
    const int mode = keys.value("mode", "0").toInt(&modeOk);
    const QStringList size = keys.value("size", "520x240").split('x');
    if (!modeOk)
        *error = "mode takes a number";
    if (size.size() != 2)
        *error = "size takes WxH";
    if (!error->isEmpty())
        return nullptr;

    auto graph = std::make_unique<UsageGraph>();
    graph->setObjectName("wGraph");
    graph->setStyleSheet("font-size: 14px; font-family: KievitComp;");
    graph->setShowMode(UsageGraph::ShowMode(mode));
    graph->setData(UsageReply::sessions(current), UsageReply::sessions(all));
    graph->resize(size[0].toInt(), size[1].toInt());
    graph->move(200, 150);
    graph->show();
    // Pixel positions follow the first drawing.
    graph->grab();
    const QString dump = keys.value("graph-dump");
    if (!dump.isEmpty()) {
        QFile file(dump);
        const QByteArray json = dumpOf(*graph);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(json) != json.size())
            *error = "cannot write " + dump;
    }
    return graph;
}
