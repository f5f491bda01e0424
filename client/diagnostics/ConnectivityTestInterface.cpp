#include "ConnectivityTestInterface.h"

#include <QThreadPool>

#include <algorithm>

ConnectivityTestInterface::ConnectivityTestInterface(std::shared_ptr<TestResultsContainer> results, QObject* parent)
    : QObject(parent)
    , results(std::move(results))
{
    QThreadPool::globalInstance()->setMaxThreadCount(MaxPoolThreads);
}

ConnectivityTestInterface::~ConnectivityTestInterface()
{
    for (QFutureWatcher<void>* watcher : qAsConst(watchers))
        watcher->waitForFinished();
}

QFutureWatcher<void>* ConnectivityTestInterface::newFuture()
{
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, &ConnectivityTestInterface::testFinished);
    watchers.append(watcher);
    return watcher;
}

void ConnectivityTestInterface::stop()
{
    canceled = true;
}

void ConnectivityTestInterface::testFinished()
{
    if (watchers.isEmpty())
        return;
    // A watcher counts once its own finished() has been delivered, so each
    // delivery moves the count by one.
    const int total = watchers.size();
    const int done = int(std::count_if(watchers.cbegin(), watchers.cend(),
                                       [](const QFutureWatcher<void>* watcher) { return watcher->isFinished(); }));
    if (done < total) {
        emit progress(done * 100 / total);
        return;
    }
    // The last watcher is still inside its own signal.
    for (QFutureWatcher<void>* watcher : qAsConst(watchers))
        watcher->deleteLater();
    watchers.clear();
    emit finished();
}
