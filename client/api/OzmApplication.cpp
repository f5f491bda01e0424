#include "OzmApplication.h"

#include "ClientLog.h"

QString OzmApplication::windowTitle_;
QString OzmApplication::windowTitleShort_;
bool OzmApplication::notBlinkVudevo_ = false;

OzmApplication::OzmApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

OzmApplication::~OzmApplication()
{
    ClientLog::close();
}

void OzmApplication::initLogFile(const QString& fileName)
{
    ClientLog::open(fileName);
}

QString OzmApplication::getOzmLog()
{
    return ClientLog::tail();
}
