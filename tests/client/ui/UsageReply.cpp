#include "UsageReply.h"

#include <QFile>
#include <QLocale>
#include <QStringList>

#include <ctime>

namespace {

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// The service writes starts in UTC as "yyyy-MM-dd HH:mm:ss".
QString serviceStart(const QString& iso)
{
    const QDateTime start = QDateTime::fromString(iso, Qt::ISODate);
    return start.isValid() ? start.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : iso;
}

QString serviceDuration(const QString& seconds)
{
    bool ok = false;
    const qint64 total = seconds.toLongLong(&ok);
    if (!ok)
        return seconds;
    return QStringLiteral("%1:%2:%3").arg(total / 3600).arg(total / 60 % 60).arg(total % 60);
}

QString element(const UsageReply::Row& row)
{
    QString text = "<element><date_of_usage>" + escaped(serviceStart(row.start)) + "</date_of_usage><duration>"
                   + escaped(serviceDuration(row.duration)) + "</duration><traffic_mb>" + escaped(row.traffic)
                   + "</traffic_mb>";
    if (!row.savings.isEmpty())
        text += "<savings>" + escaped(row.savings) + "</savings>";
    if (!row.adHits.isEmpty())
        text += "<ad_hit>" + escaped(row.adHits) + "</ad_hit>";
    return text + "</element>";
}

QString elements(const QList<UsageReply::Row>& rows)
{
    QString text;
    for (const UsageReply::Row& row : rows)
        text += element(row);
    return text;
}

} // namespace

bool UsageReply::readTsv(const QString& path, QList<Row>* rows, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = "cannot read " + path;
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3 && fields.size() != 5) {
            *error = QStringLiteral("%1:%2: start, duration, traffic[, savings, ad hits] apart by tabs").arg(path).arg(number);
            return false;
        }
        *rows << Row{fields[0], fields[1], fields[2], fields.value(3), fields.value(4)};
    }
    return true;
}

QByteArray UsageReply::children(const QList<Row>& current, const QList<Row>& all)
{
    return ("<code>1401</code><sessions>" + elements(current) + "</sessions><all_sessions>" + elements(all)
            + "</all_sessions>")
        .toUtf8();
}

QList<DataSession> UsageReply::sessions(const QList<Row>& rows)
{
    QList<DataSession> result;
    for (const Row& row : rows) {
        DataSession session;
        session.start = QDateTime::fromString(row.start, Qt::ISODate).toLocalTime();
        session.duration = row.duration.toInt();
        session.traffic = row.traffic.toDouble();
        session.savings = row.savings.toDouble();
        session.adHits = row.adHits.toInt();
        result << session;
    }
    return result;
}

void UsageReply::useBerlinTime()
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QLocale::setDefault(QLocale::c());
}
