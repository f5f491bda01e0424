#pragma once

#include "ConnectivityTestInterface.h"

// The connectivity test proper: six general checks and a ping of the first
// server record.
class ConnectivityTestSingle : public ConnectivityTestInterface
{
    Q_OBJECT
public:
    using ConnectivityTestInterface::ConnectivityTestInterface;

public slots:
    void start() override;
};
