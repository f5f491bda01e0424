#include "Usage.h"

#include "ClientAuthData.h"
#include "Clock.h"
#include "HttpAccess.h"
#include "OzmApplication.h"
#include "SessionTraffic.h"
#include "UsageCommand.h"
#include "coBranding.h"
#include "ui_Usage.h"

#include <QDebug>
#include <QEvent>
#include <QScrollBar>
#include <QStyle>

namespace {

const QString CompressionServiceId = QStringLiteral("10");
const QString AdBlockingServiceId = QStringLiteral("100000");

const int RangeDays = 365;
const int VisibleRows = 5;
const int DateColumnMinimum = 160;

QString megabytesText(double megabytes)
{
    return QString::number(megabytes, 'f', 1);
}

// Total hours, so that a session of more than a day does not read as a short one.
QString durationText(qint32 seconds)
{
    const QChar zero(QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, zero)
        .arg(seconds / 60 % 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}

void toLocalTime(QList<DataSession>& sessions)
{
    for (DataSession& session : sessions)
        session.start = session.start.toLocalTime();
}

QDateTime startOfToday()
{
    return QDateTime(Clock::today(), QTime(0, 0));
}

} // namespace

Usage::Usage(QWidget* parent)
    : OZDialog(parent)
    , ui(std::make_unique<Ui::Usage>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    ui->helpCurrentSession->hide();
    updateUi();
    ui->twSessions->setColumnWidth(1, 120);
    ui->twSessions->setColumnWidth(2, 120);
    ui->twSessions->hide();
    connectFilter(ui->btnDays1, UsageGraph::Day, &Usage::setVisibleDays, 1);
    connectFilter(ui->btnDays7, UsageGraph::Week, &Usage::setVisibleDays, 7);
    connectFilter(ui->btnDays30, UsageGraph::Month, &Usage::setVisibleMonths, 1);
    connectFilter(ui->btnDays90, UsageGraph::ThreeMonths, &Usage::setVisibleMonths, 3);
    connectFilter(ui->btnDays180, UsageGraph::SixMonths, &Usage::setVisibleMonths, 6);
    connect(ui->btnCloseUsage, &QPushButton::clicked, this, &QWidget::close);
    ui->btnDays1->click();
    setTraffic(0, 0);
    setAverageTraffic(0.0);
}

Usage::~Usage() = default;

void Usage::connectFilter(QPushButton* button, int graphMode, void (Usage::*setRange)(int), int count)
{
    connect(button, &QPushButton::clicked, this, [this, graphMode, setRange, count] {
        (this->*setRange)(count);
        ui->wGraph->setShowMode(UsageGraph::ShowMode(graphMode));
    });
}

void Usage::init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth)
{
    m_access = access;
    m_auth = auth;
}

void Usage::display()
{
    if (!m_command)
        startUsage();
    OZDialog::display();
    updateUi();
}

void Usage::startUsage()
{
    delete m_command.data();
    m_command = new UsageCommand(*m_auth, UsageCommand::Days, RangeDays, this);
    connect(m_command.data(), &UsageCommand::completed, this, &Usage::onUsageCommandCompleted);
    m_command->execute(m_access.data());
}

void Usage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        updateUi();
    }
    OZDialog::changeEvent(event);
}

void Usage::updateUi()
{
    setWindowTitle(OzmApplication::windowTitleShort_ + tr(" - Usage"));
    setAverageTraffic(m_averageTraffic);
    setTraffic(m_currentBytes, 0);
}

void Usage::applyBrandInfo()
{
    const QImage logo = coBranding::inst()->logo->getImgData();
    if (!logo.isNull())
        ui->lbLogoImage->setPixmap(QPixmap::fromImage(logo));
}

void Usage::setTraffic(quint64 currentBytes, quint64 /*totalBytes*/)
{
    m_currentBytes = currentBytes;
    const bool running = currentBytes != 0;
    ui->widgetCurrentSessionCaption->setVisible(running);
    ui->line->setVisible(running);
    ui->wgAmountEncrypted->setVisible(running);
    const QString megabytes = megabytesText(double(currentBytes) / 1000000.0);
    ui->lbAmountEncrypted->setText(QStringLiteral("%1: %2 %3")
                                       .arg(tr("Amount encrypted", "Amount encrypted: 42 MB"), megabytes,
                                            QCoreApplication::translate("QObject", "MB")));
    ui->lbCurrentSession->setText(tr("Current session: %1 MB").arg(megabytes));
}

void Usage::setAverageTraffic(double megabytes)
{
    m_averageTraffic = megabytes;
    ui->lbAverage->setText(tr("Average: %1 MB").arg(megabytesText(megabytes)));
}

void Usage::setVisibleDays(int days)
{
    m_rangeStart = startOfToday().addDays(1 - days);
    updateSessions();
}

void Usage::setVisibleMonths(int months)
{
    const QDate today = Clock::today();
    m_rangeStart = QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)).addMonths(-months);
    updateSessions();
}

void Usage::onUsageCommandCompleted(bool success)
{
    UsageCommand* command = m_command.data();
    if (!command)
        return;
    command->deleteLater();
    // It no longer runs: the next display asks again.
    m_command.clear();
    if (!success || !command->isSuccess()) {
        qDebug().noquote() << "Usage command failed:" << (success ? "true" : "false")
                           << (command->isSuccess() ? "true" : "false") << command->resultText();
        m_sessions.clear();
        return;
    }
    QList<DataSession> current = command->sessions;
    QList<DataSession> all = command->allSessions;
    const int replaced = SessionTraffic::sanitise(current) + SessionTraffic::sanitise(all);
    if (replaced > 0)
        qWarning().noquote() << "Usage: traffic figures that are no sane number count as 0:" << replaced;
    toLocalTime(current);
    toLocalTime(all);
    m_sessions = current;
    ui->wGraph->setData(current, all);
    updateSessions();
}

void Usage::setCell(int row, int column, const QString& text)
{
    ui->twSessions->setItem(row, column, new QTableWidgetItem(text));
}

void Usage::updateSessions()
{
    QTableWidget* table = ui->twSessions;
    const int compressionColumn = m_serviceColumns.value(CompressionServiceId, -1);
    const int adBlockingColumn = m_serviceColumns.value(AdBlockingServiceId, -1);
    int rows = 0;
    double sum = 0;
    for (int i = m_sessions.size() - 1; i >= 0 && m_sessions[i].start.isValid() && m_sessions[i].start >= m_rangeStart; --i, ++rows) {
        const DataSession& session = m_sessions[i];
        if (table->rowCount() <= rows)
            table->insertRow(rows);
        setCell(rows, 0, session.start.toString(tr("yyyy-MM-dd HH:mm:ss")));
        setCell(rows, 1, durationText(session.duration));
        setCell(rows, 2, megabytesText(session.traffic) + " MB");
        if (compressionColumn >= 0)
            setCell(rows, compressionColumn, megabytesText(session.savings));
        if (adBlockingColumn >= 0)
            setCell(rows, adBlockingColumn, QString::number(session.adHits));
        sum += session.traffic;
    }
    table->setRowCount(rows);
    adjustTableWidget(rows);
    setAverageTraffic(rows > 0 ? sum / rows : 0.0);
}

void Usage::updateServicesList(QStringList services_id)
{
    const QList<QPair<QString, QString>> services{{CompressionServiceId, tr("Compression Savings")},
                                                  {AdBlockingServiceId, tr("Ads Blocked")}};
    QTableWidget* table = ui->twSessions;
    bool added = false;
    for (const auto& service : services) {
        if (!services_id.contains(service.first) || m_serviceColumns.contains(service.first))
            continue;
        const int column = table->columnCount();
        table->setColumnCount(column + 1);
        auto* header = new QTableWidgetItem(service.second);
        if (QTableWidgetItem* previous = table->horizontalHeaderItem(column - 1))
            header->setTextAlignment(previous->textAlignment());
        table->setHorizontalHeaderItem(column, header);
        m_serviceColumns.insert(service.first, column);
        added = true;
    }
    if (added) {
        adjustTableWidgetWidth();
        updateSessions();
    }
}

void Usage::adjustTableWidget(int rows)
{
    QTableWidget* table = ui->twSessions;
    if (rows == 0) {
        table->hide();
    } else {
        int heights = 0;
        for (int row = 0; row < rows; ++row)
            heights += table->rowHeight(row);
        table->setMaximumHeight(std::min(rows, VisibleRows) * (heights / rows) + table->horizontalHeader()->height()
                                + 1);
        table->show();
        adjustTableWidgetWidth();
    }
    adjustSize();
}

void Usage::adjustTableWidgetWidth()
{
    QTableWidget* table = ui->twSessions;
    QHeaderView* header = table->horizontalHeader();
    header->resizeSections(QHeaderView::ResizeToContents);
    int others = 0;
    for (int column = 1; column < table->columnCount(); ++column)
        others += table->columnWidth(column);
    int width = table->width() - others;
    if (table->rowCount() > VisibleRows) {
        QScrollBar* bar = table->verticalScrollBar();
        bar->style()->polish(bar);
        width -= bar->sizeHint().width();
    }
    table->setColumnWidth(0, width);
    if (width >= DateColumnMinimum)
        return;
    table->setMinimumWidth(table->width() - width + DateColumnMinimum);
    table->setColumnWidth(0, DateColumnMinimum);
    ui->wGraph->updateMinSize(table->minimumWidth());
    ui->lbUsageGraphInfo->setMinimumWidth(ui->lbUsageGraphInfo->minimumWidth() + DateColumnMinimum - width);
    adjustSize();
}
