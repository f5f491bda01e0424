#include "DesktopRecorder.h"

#include <QDesktopServices>

namespace {

const char* const Schemes[] = {"http", "https", "mailto", "file", "ftp", "smb", "javascript", "ssh"};

} // namespace

DesktopRecorder::DesktopRecorder()
{
    for (const char* scheme : Schemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
}

DesktopRecorder::~DesktopRecorder()
{
    for (const char* scheme : Schemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void DesktopRecorder::open(const QUrl& url)
{
    opened.append(url);
}
