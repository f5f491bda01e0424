#include "QtWarningsFail.h"

#include <QList>
#include <QPair>
#include <QTest>

namespace {

QtMessageHandler previousHandler = nullptr;
QList<QPair<QtMsgType, QString>> expected;

bool takeExpected(QtMsgType type, const QString& text)
{
    return expected.removeOne(qMakePair(type, text));
}

void failOnWarning(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const bool provoked = takeExpected(type, text);
    previousHandler(type, context, text);
    // The offscreen platform's notes on what it cannot do (raise, grab the
    // keyboard) say nothing about the program under test.
    const bool platformLimit = text.startsWith(QLatin1String("This plugin does not support"));
    if (provoked || platformLimit || (type != QtWarningMsg && type != QtCriticalMsg))
        return;
    const QByteArray reason = "Qt " + QByteArray(type == QtWarningMsg ? "warning" : "critical")
        + ": " + text.toUtf8();
    // Through qVerify rather than qFail, so that QEXPECT_FAIL applies to it.
    QTest::qVerify(false, "no Qt warning", reason.constData(), context.file ? context.file : "", context.line);
}

} // namespace

void QtWarningsFail::install()
{
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(failOnWarning);
}

void QtWarningsFail::expect(QtMsgType type, const QString& text)
{
    expected.append(qMakePair(type, text));
    QTest::ignoreMessage(type, text.toUtf8().constData());
}
