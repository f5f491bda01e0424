#include "EndToEndTest.h"

#include <QtTest>

void EndToEndTest::init()
{
    session = std::make_unique<BackendSession>(m_nameService, m_processView);
    const QString error = m_start == Start::BedOnly ? session->setUp() : session->begin();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    if (m_start == Start::Activated) {
        QVERIFY(session->activateAndWait());
        session->link().skipPendingEvents();
    }
}

void EndToEndTest::cleanup()
{
    if (QTest::currentTestFailed())
        qInfo().noquote() << session->report();
    session.reset();
}
