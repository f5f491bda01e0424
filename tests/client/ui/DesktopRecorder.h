#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Stands in for the desktop: takes the addresses of the usual schemes that the
// client hands on and records them instead of opening them.
class DesktopRecorder : public QObject
{
    Q_OBJECT
public:
    DesktopRecorder();
    ~DesktopRecorder() override;

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url);
};
