#pragma once

#include <QObject>

// Where the computer's sleep and wake come from. Both signals are emitted on the
// application's thread. What must be done before the computer sleeps is done in
// the receivers of sleeping(), which are called directly: the computer may sleep
// as soon as they return.
class PowerPlatform : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void sleeping();
    void woken();
};
