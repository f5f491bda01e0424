#pragma once

#include <RequestTable.h>

#include <QPointer>

class QIODevice;
class VpnCtl;

// The twelve requests a session serves. Each handler checks its argument count,
// acts on the session's state machine when the count is right, and always writes
// the reply the link promises to `control`. Once the session's state machine is
// gone (the session closed while a request was still queued) requests are dropped:
// there is no one left to answer.
RequestTable sessionCommands(QIODevice* control, const QPointer<VpnCtl>& vpn);
