#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryFile>
#include <QtGlobal>

// Collects every message the process logs while it lives, in place of the
// handler that was there, which comes back afterwards.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();

    QStringList messages() const;
    // The messages logged at this level.
    QStringList messages(QtMsgType type) const;

private:
    QtMessageHandler previous;
};

// Standard error goes to a file while it lives.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();

    QByteArray bytes() const;

private:
    QTemporaryFile file;
    int savedFd = -1;
};

// Writes content to path (creating folders) with the given permission bits.
void writeFile(const QString& path, const QByteArray& content, int mode = 0644);
// A shell script that runs body.
void writeScript(const QString& path, const QByteArray& body);
// Permission bits of a file.
int modeOf(const QString& path);
// The whole file; "(unreadable)" when it cannot be read, so that a missing
// file never passes for an empty one.
QByteArray contentOf(const QString& path);
// The four bytes of value, most significant first, as file formats write it.
QByteArray bigEndianWord(quint32 value);
