#include "QOZMHamburgerMenuSignalHandler.h"

QSharedPointer<QOZMHamburgerMenuSignalHandler> QOZMHamburgerMenuSignalHandler::inst()
{
    static QWeakPointer<QOZMHamburgerMenuSignalHandler> instance;
    QSharedPointer<QOZMHamburgerMenuSignalHandler> relay = instance.toStrongRef();
    if (!relay) {
        relay.reset(new QOZMHamburgerMenuSignalHandler);
        instance = relay;
    }
    return relay;
}
