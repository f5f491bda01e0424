#include "Poll.h"

#include <QEventLoop>
#include <QTimer>

namespace Poll {

bool until(const std::function<bool()>& done, int timeoutMs)
{
    bool met = done();
    if (met)
        return true;
    QEventLoop loop;
    QTimer look;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        met = done();
        if (met)
            loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    look.start(20);
    limit.start(timeoutMs);
    loop.exec();
    return met;
}

} // namespace Poll
