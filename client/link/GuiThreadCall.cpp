#include "GuiThreadCall.h"

#include <QCoreApplication>

void GuiThreadCall::post(const QPointer<QObject>& receiver, std::function<void(QObject*)> call)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application,
        [receiver, call = std::move(call)] {
            if (receiver)
                call(receiver.data());
        },
        Qt::QueuedConnection);
}
