#pragma once

#include "ConnectivityTestInterface.h"

// The traces of the technical report: a ping and a traceroute of every server
// record.
class ConnectivityTestMulti : public ConnectivityTestInterface
{
    Q_OBJECT
public:
    using ConnectivityTestInterface::ConnectivityTestInterface;

public slots:
    void start() override;
};
