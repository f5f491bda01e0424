#include "PowerNotifier.h"

#include "LogindPowerPlatform.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QMutex>

namespace {

QBasicMutex instanceMutex;
PowerNotifier* theInstance = nullptr;

} // namespace

PowerNotifier* PowerNotifier::instance()
{
    QMutexLocker lock(&instanceMutex);
    if (!theInstance)
        make(std::make_unique<LogindPowerPlatform>(QDBusConnection::systemBus()));
    return theInstance;
}

void PowerNotifier::usePlatform(std::unique_ptr<PowerPlatform> platform)
{
    QMutexLocker lock(&instanceMutex);
    if (theInstance)
        theInstance->follow(std::move(platform));
    else
        make(std::move(platform));
}

PowerNotifier::PowerNotifier() = default;
PowerNotifier::~PowerNotifier() = default;

void PowerNotifier::make(std::unique_ptr<PowerPlatform> platform)
{
    theInstance = new PowerNotifier;
    theInstance->follow(std::move(platform));
    // Called first thing when the application object goes, while the bus
    // connections the platform uses are still there; routines added later run
    // earlier.
    qAddPostRoutine(&PowerNotifier::drop);
}

void PowerNotifier::drop()
{
    QMutexLocker lock(&instanceMutex);
    delete theInstance;
    theInstance = nullptr;
}

void PowerNotifier::follow(std::unique_ptr<PowerPlatform> platform)
{
    delete m_platform;
    m_platform = platform.release();
    m_platform->setParent(this);
    // Directly: the platform lets the computer sleep once the signal has returned.
    connect(m_platform, &PowerPlatform::sleeping, this, &PowerNotifier::systemSleep, Qt::DirectConnection);
    connect(m_platform, &PowerPlatform::woken, this, &PowerNotifier::systemWake, Qt::DirectConnection);
}
