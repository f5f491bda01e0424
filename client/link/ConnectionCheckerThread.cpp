#include "ConnectionCheckerThread.h"

#include <NetTools.h>

namespace ConnMgr {

ConnectionCheckerThread::ConnectionCheckerThread()
{
    setObjectName(QStringLiteral("ConnectionCheckerThread"));
}

void ConnectionCheckerThread::run()
{
    const bool httpLoginMayBeRequired = m_state == Connected && !NetTools::http_test(HttpTestTimeoutMs);
    emit completed(m_state, httpLoginMayBeRequired);
}

} // namespace ConnMgr
