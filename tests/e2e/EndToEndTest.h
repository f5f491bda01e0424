#pragma once

#include "BackendSession.h"

#include <QObject>

#include <memory>

// What every end-to-end test function starts from: a BackendSession of its own on a
// fresh test bed, brought as far as the test needs; when a test fails, everything
// the link client and the backend printed goes to the test log.
class EndToEndTest : public QObject
{
    Q_OBJECT
protected:
    enum class Start { BedOnly, Session, Activated };

    explicit EndToEndTest(Start start, TestBed::NameService nameService = TestBed::NameService::HostsFile,
                          TestBed::ProcessView processView = TestBed::ProcessView::Private)
        : m_start(start)
        , m_nameService(nameService)
        , m_processView(processView)
    {
    }

    std::unique_ptr<BackendSession> session;

private slots:
    void init();
    void cleanup();

private:
    const Start m_start;
    const TestBed::NameService m_nameService;
    const TestBed::ProcessView m_processView;
};
