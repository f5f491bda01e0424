#include "ProcessLines.h"

#include "Poll.h"

#include <QRegularExpression>

QString ProcessLines::next(const QString& pattern, int timeoutMs)
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

bool ProcessLines::seen(int from, const QString& pattern, int timeoutMs)
{
    const QRegularExpression expression(QLatin1Char('^') + pattern + QLatin1Char('$'));
    return Poll::until(
        [&] {
            readLines();
            return lines.indexOf(expression, from) >= from;
        },
        timeoutMs);
}

QString ProcessLines::transcript() const
{
    return lines.join(QLatin1Char('\n'));
}

void ProcessLines::readLines()
{
    while (process.canReadLine())
        lines << QString::fromUtf8(process.readLine()).chopped(1);
}
