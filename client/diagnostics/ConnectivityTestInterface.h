#pragma once

#include "TestResultsContainer.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QtConcurrent>

#include <atomic>
#include <memory>

// One diagnostic run: its checks as tasks on the global thread pool, its
// progress as they end, and finished() once all of them have returned, even
// after stop().
class ConnectivityTestInterface : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxPoolThreads = 5;

    ConnectivityTestInterface(std::shared_ptr<TestResultsContainer> results, QObject* parent);
    // Waits for every task of the run.
    ~ConnectivityTestInterface() override;

    QFutureWatcher<void>* newFuture();
    // The container this run fills.
    const std::shared_ptr<TestResultsContainer>& resultsOfRun() const { return results; }

signals:
    void progress(int percent);
    void finished();

public slots:
    virtual void start() = 0;
    // Tasks that have not begun store nothing; running ones go on.
    void stop();
    void testFinished();

protected:
    template <typename Task, typename... Args>
    void schedule(Task task, Args... args)
    {
        newFuture()->setFuture(QtConcurrent::run(task, results, args...));
    }

    std::shared_ptr<TestResultsContainer> results;
    // Written on the GUI thread, read by the tasks.
    std::atomic<bool> canceled{false};
    QList<QFutureWatcher<void>*> watchers;
};
