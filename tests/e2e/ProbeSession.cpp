#include "ProbeSession.h"

ProbeSession::ProbeSession(const TestBed& bed, const QStringList& arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bed.start(process, QStringLiteral(OZM_CLIENT_PROBE),
              QStringList{"--app-dir", bed.appDir(), "--data-dir", bed.dataDir()} + arguments);
}

ProbeSession::~ProbeSession()
{
    process.write("quit\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(20000))
        process.kill();
    process.waitForFinished();
}

void ProbeSession::send(const QByteArray& line)
{
    process.write(line + '\n');
}
