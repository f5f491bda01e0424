#pragma once

#include "ProcessLines.h"
#include "TestBed.h"

#include <QByteArray>
#include <QStringList>

// The client probe on a test bed's client side, with the bed's application and
// data folders, read line by line. It is told to quit with the object.
class ProbeSession : public ProcessLines
{
public:
    ProbeSession(const TestBed& bed, const QStringList& arguments);
    ~ProbeSession();

    void send(const QByteArray& line);
};
