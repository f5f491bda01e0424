#include "OzmCommunicator.h"

#include "Ozm.h"

#include <QDebug>
#include <QPointer>

OzmCommunicator::OzmCommunicator(const char* name)
    : m_name(name)
{
}

bool OzmCommunicator::request(const QString& a1, const QString& a2)
{
    QStringList lines{QString::fromLatin1(m_name)};
    if (!a1.isNull()) {
        lines << a1;
        if (!a2.isNull())
            lines << a2;
    }
    return invoke(lines);
}

bool OzmCommunicator::invoke(const QStringList& lines)
{
    Ozm* const link = Ozm::inst();
    if (!link || !link->serviceIsRunning()) {
        qCritical().noquote() << "OzmCommunicator: Ozm not found, service not connected." << m_name << "failed.";
        return false;
    }
    m_answer.clear();
    m_answered = false;
    QMetaObject::invokeMethod(this, [this, lines] { invokeOzmSendRequest(lines); }, Qt::QueuedConnection);
    m_loop.exec();
    return m_answered;
}

void OzmCommunicator::invokeOzmSendRequest(const QStringList& lines)
{
    Ozm* const link = Ozm::inst();
    if (!link) {
        m_loop.quit();
        return;
    }
    // The receiver is taken here, on its own thread, so that the link never
    // touches a communicator that is already gone.
    const QPointer<QObject> receiver(this);
    QMetaObject::invokeMethod(
        link, [link, lines, receiver] { link->sendRequest(lines, receiver, "notify"); }, Qt::QueuedConnection);
}

void OzmCommunicator::notify(const QStringList& answer)
{
    m_answer = answer;
    m_answered = true;
    m_loop.quit();
}
