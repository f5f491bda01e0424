#include "StdinLines.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>
#include <utility>

StdinLines::StdinLines(QObject* parent)
    : QObject(parent)
    , m_notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &StdinLines::onReadable);
}

void StdinLines::onReadable()
{
    char chunk[4096];
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (got <= 0) {
        m_notifier->setEnabled(false);
        if (!m_partial.isEmpty())
            m_lines << QString::fromUtf8(std::exchange(m_partial, {}));
        m_atEnd = true;
    } else {
        m_partial.append(chunk, int(got));
        for (int end = m_partial.indexOf('\n'); end >= 0; end = m_partial.indexOf('\n')) {
            m_lines << QString::fromUtf8(m_partial.left(end));
            m_partial.remove(0, end + 1);
        }
    }
    deliver();
}

void StdinLines::deliver()
{
    if (m_delivering)
        return;
    m_delivering = true;
    while (!m_lines.isEmpty())
        emit lineRead(m_lines.takeFirst());
    m_delivering = false;
    if (m_atEnd) {
        m_atEnd = false;
        emit ended();
    }
}
