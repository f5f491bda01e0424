#pragma once

#include <QObject>

class QSocketNotifier;

// Standard input, line by line, read as it comes without holding up the event
// loop; a last line counts even without its line feed.
class StdinLines : public QObject
{
    Q_OBJECT
public:
    explicit StdinLines(QObject* parent = nullptr);

signals:
    void lineRead(const QString& line);
    void ended();

private:
    void onReadable();

    QSocketNotifier* m_notifier;
    QByteArray m_partial;
};
