#pragma once

#include <QString>

#include <optional>

class QTcpSocket;

// The client's half of the handshake on a fresh control connection: the two
// folders, then the client's own number once the backend has sent its number,
// then the backend's verdict. The backend writes root's files into the data
// folder and later gets the VPN credentials, so nothing at all is written to a
// listener that is not root's. A peer gets TimeLimitMs for the whole exchange and
// MaxLineBytes for a line; on any failure the control connection is closed.
class LinkHandshake
{
public:
    static constexpr int TimeLimitMs = 30000;
    static constexpr int MaxLineBytes = 4096;

    struct Outcome
    {
        bool rootPeer = false;
        std::optional<QString> number;  // the backend's first line, trimmed
        std::optional<QString> verdict; // its second line, trimmed

        bool accepted() const;
    };

    static Outcome run(QTcpSocket& control, const QString& appFolder, const QString& dataFolder,
                       int timeLimitMs = TimeLimitMs);
    // Whether the far end of a connection belongs to root.
    static bool isRootPeer(const QTcpSocket& socket);
};
