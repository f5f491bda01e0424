#pragma once

class QObject;
class QTcpSocket;

namespace ManagementSocket {

// Ends a management connection at once: no further signal reaches receiver, the
// connection is aborted and the object is deleted once control is back in the
// event loop. The pointer is cleared; a null pointer is left alone.
void discard(QTcpSocket*& socket, QObject* receiver);

} // namespace ManagementSocket
