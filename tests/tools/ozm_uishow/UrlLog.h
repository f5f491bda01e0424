#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// Takes the addresses the windows would open on the desktop and writes them,
// one a line, to a file instead.
class UrlLog : public QObject
{
    Q_OBJECT
public:
    explicit UrlLog(const QString& path, QObject* parent = nullptr);

public slots:
    void openUrl(const QUrl& url);

private:
    QString m_path;
};
