#include "ProbeSession.h"

#include "Poll.h"

#include <QRegularExpression>

ProbeSession::ProbeSession(const TestBed& bed, const QStringList& arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bed.start(process, QStringLiteral(OZM_CLIENT_PROBE),
              QStringList{"--app-dir", bed.appDir(), "--data-dir", bed.dataDir()} + arguments);
}

ProbeSession::~ProbeSession()
{
    process.write("quit\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(20000))
        process.kill();
    process.waitForFinished();
}

void ProbeSession::send(const QByteArray& line)
{
    process.write(line + '\n');
}

QString ProbeSession::next(const QString& pattern, int timeoutMs)
{
    const QRegularExpression expression(QLatin1Char('^') + pattern + QLatin1Char('$'));
    QString found;
    Poll::until(
        [&] {
            readLines();
            for (; cursor < lines.size(); ++cursor) {
                if (expression.match(lines.at(cursor)).hasMatch()) {
                    found = lines.at(cursor++);
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool ProbeSession::seen(int from, const QString& pattern, int timeoutMs)
{
    const QRegularExpression expression(QLatin1Char('^') + pattern + QLatin1Char('$'));
    return Poll::until(
        [&] {
            readLines();
            return lines.indexOf(expression, from) >= from;
        },
        timeoutMs);
}

QString ProbeSession::transcript() const
{
    return lines.join(QLatin1Char('\n'));
}

void ProbeSession::readLines()
{
    while (process.canReadLine())
        lines << QString::fromUtf8(process.readLine()).chopped(1);
}
