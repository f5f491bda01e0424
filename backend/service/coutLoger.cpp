#include "coutLoger.h"

#include <QString>
#include <QTextStream>

#include <cstdio>

void coutLoger(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    static QTextStream out(stdout);
    switch (type) {
    case QtCriticalMsg:
        out << "Critical: " << message << '\n';
        out.flush();
        break;
    case QtFatalMsg:
        // Reaches the output as a critical line; Qt aborts once this returns.
        qCritical("%s", message.toLocal8Bit().constData());
        break;
    default:
        out << message << '\n';
        out.flush();
        break;
    }
}
