#include "BackendLogReader.h"

#include <QDebug>

QList<BackendLogReader::Line> BackendLogReader::feed(const QByteArray& bytes)
{
    m_partial.append(bytes);
    QList<Line> lines;
    int from = 0;
    for (;;) {
        const int end = m_partial.indexOf('\n', from);
        if (end >= 0 && end - from <= MaxLineBytes) {
            lines.append(take(m_partial.mid(from, end - from)));
            from = end + 1;
        } else if (m_partial.size() - from > MaxLineBytes) {
            lines.append(take(m_partial.mid(from, MaxLineBytes)));
            from += MaxLineBytes;
        } else {
            break;
        }
    }
    m_partial.remove(0, from);
    return lines;
}

// The line feed is gone already, so a zero byte cuts the text and nothing else.
BackendLogReader::Line BackendLogReader::take(QByteArray bytes)
{
    bytes.truncate(int(qstrnlen(bytes.constData(), uint(bytes.size()))));
    Line line;
    const char first = bytes.isEmpty() ? '\0' : bytes.at(0);
    if (first >= '0' && first <= '9') {
        m_type = first - '0';
        bytes.remove(0, 1);
    } else {
        line.continued = true;
    }
    line.type = m_type;
    line.text = QString::fromUtf8(bytes);
    return line;
}

QtMsgType BackendLogReader::level(int type)
{
    switch (type) {
    case 2:
    case 3:
        return QtCriticalMsg;
    case 1:
        return QtWarningMsg;
    default:
        return QtDebugMsg;
    }
}

void BackendLogReader::log(const Line& line)
{
    switch (level(line.type)) {
    case QtCriticalMsg:
        qCritical().noquote() << "[S]" << line.text;
        break;
    case QtWarningMsg:
        qWarning().noquote() << "[S]" << line.text;
        break;
    default:
        qDebug().noquote() << "[S]" << line.text;
        break;
    }
}
