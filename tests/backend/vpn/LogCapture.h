#pragma once

#include <QStringList>
#include <QtGlobal>

// Records every log message while it lives; messages still reach the previous handler.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList messages() const;
    // Messages that contain text.
    int count(const QString& text) const;
    bool contains(const QString& text) const { return count(text) > 0; }
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    QtMessageHandler previous;
};
