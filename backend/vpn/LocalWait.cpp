#include "LocalWait.h"

#include <QTimer>

void localWait(int ms, QEventLoop::ProcessEventsFlags flags)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(flags);
}
