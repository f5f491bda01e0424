#pragma once

#include <QObject>
#include <QStringList>

class QSocketNotifier;

// Standard input, line by line, read as it comes without holding up the event
// loop; a last line counts even without its line feed. A receiver may wait in an
// event loop while it handles a line: the lines read meanwhile follow in order
// once it has returned.
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
    void deliver();

    QSocketNotifier* m_notifier;
    QByteArray m_partial;
    QStringList m_lines;
    bool m_atEnd = false;
    bool m_delivering = false;
};
