#include "ApiTestKit.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QtEndian>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QMutex capturedMutex;
QStringList captured;
QList<QtMsgType> capturedTypes;

void capture(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    QMutexLocker lock(&capturedMutex);
    captured << message;
    capturedTypes << type;
}

} // namespace

MessageCapture::MessageCapture()
{
    QMutexLocker lock(&capturedMutex);
    captured.clear();
    capturedTypes.clear();
    previous = qInstallMessageHandler(capture);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(previous);
}

QStringList MessageCapture::messages() const
{
    QMutexLocker lock(&capturedMutex);
    return captured;
}

QStringList MessageCapture::messages(QtMsgType type) const
{
    QMutexLocker lock(&capturedMutex);
    QStringList atLevel;
    for (int i = 0; i < captured.size(); ++i) {
        if (capturedTypes.at(i) == type)
            atLevel << captured.at(i);
    }
    return atLevel;
}

StderrCapture::StderrCapture()
{
    file.open();
    std::fflush(stderr);
    savedFd = dup(STDERR_FILENO);
    dup2(file.handle(), STDERR_FILENO);
}

StderrCapture::~StderrCapture()
{
    std::fflush(stderr);
    dup2(savedFd, STDERR_FILENO);
    close(savedFd);
}

QByteArray StderrCapture::bytes() const
{
    std::fflush(stderr);
    QFile reader(file.fileName());
    reader.open(QIODevice::ReadOnly);
    return reader.readAll();
}

void writeFile(const QString& path, const QByteArray& content, int mode)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
    file.close();
    chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

void writeScript(const QString& path, const QByteArray& body)
{
    writeFile(path, "#!/bin/sh\n" + body + "\n", 0755);
}

int modeOf(const QString& path)
{
    struct stat st {};
    stat(QFile::encodeName(path).constData(), &st);
    return int(st.st_mode & 07777);
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QByteArray bigEndianWord(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}
