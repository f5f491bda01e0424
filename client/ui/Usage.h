#pragma once

#include "DataSession.h"
#include "OZDialog.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSharedPointer>
#include <QStringList>
#include <memory>

class ClientAuthData;
class HttpAccess;
class QPushButton;
class UsageCommand;
namespace Ui {
class Usage;
}

// How much traffic the VPN has protected: the running session, this device's
// past sessions in a table and both this device's and the account's traffic in
// a graph, over the range the filter buttons choose. Each display fetches the
// last 365 days once; the filters only narrow what is shown.
class Usage : public OZDialog
{
    Q_OBJECT
public:
    explicit Usage(QWidget* parent = nullptr);
    ~Usage() override;

    void init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth);

public slots:
    void display() override;

    void setTraffic(quint64 currentBytes, quint64 totalBytes);
    void applyBrandInfo();
    void updateServicesList(QStringList services_id);
    void onUsageCommandCompleted(bool success);
    void setVisibleDays(int days);
    void setVisibleMonths(int months);

protected:
    void changeEvent(QEvent* event) override;

private:
    void startUsage();
    void updateUi();
    void setAverageTraffic(double megabytes);
    void updateSessions();
    void adjustTableWidget(int rows);
    void adjustTableWidgetWidth();
    void connectFilter(QPushButton* button, int graphMode, void (Usage::*setRange)(int), int count);
    void setCell(int row, int column, const QString& text);

    std::unique_ptr<Ui::Usage> ui;
    QSharedPointer<HttpAccess> m_access;
    QSharedPointer<ClientAuthData> m_auth;
    QPointer<UsageCommand> m_command;
    QList<DataSession> m_sessions;
    QDateTime m_rangeStart;
    QHash<QString, int> m_serviceColumns;
    double m_averageTraffic = 0;
    quint64 m_currentBytes = 0;
};
