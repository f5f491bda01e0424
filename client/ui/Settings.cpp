#include "Settings.h"

#include "BrandItem.h"
#include "ClientAuthData.h"
#include "ClientConfig.h"
#include "HttpAccess.h"
#include "I18n.h"
#include "OzmApplication.h"
#include "Services.h"
#include "VpnServerList.h"
#include "coBranding.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCoreApplication>

namespace {

const QString CurrentClusterKey = QStringLiteral("current_cluster");
const QString CurrentServerKey = QStringLiteral("current_server");
const QString DefaultClusterKey = QStringLiteral("default_cluster");
const QString DefaultServerKey = QStringLiteral("default_server");

// The delay before a rebuilt VPN session comes up.
constexpr qint64 ReconfigDelayMs = 2000;

ClientConfig& config()
{
    return *ClientConfig::instanceClient();
}

// Even a null item's data reads as a null text, so that "no item" and "the
// automatic choice" (an empty text) stay apart.
QString dataText(const QVariant& data)
{
    return data.isValid() ? data.toString() : QString();
}

} // namespace

Settings::Settings(QWidget* parent)
    : OZDialog(parent)
{
    ui.setupUi(this);
    services = new Services(ui.tab);
    ui.verticalLayout_2->addWidget(services);
    connect(services, &Services::changed, this, &Settings::onServicesChanged);
    connect(services, &Services::saveCompleted, this, &Settings::onServicesSaved);
    connect(services, &Services::servicesListUpdated, this, &Settings::servicesListUpdated);
    qRegisterMetaType<VpnServer>("VpnServer");
    connect(ui.tabWidget, &QTabWidget::currentChanged, this, [this] { adjustSize(); });
    connect(ui.cancelButton, &QPushButton::clicked, this, &Settings::close);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    updateUi();
    setBasicSettings();
    for (QWidget* hidden : {static_cast<QWidget*>(ui.lbLangCapt), static_cast<QWidget*>(ui.languageCb),
                            static_cast<QWidget*>(ui.languageHelp), static_cast<QWidget*>(ui.label_2),
                            static_cast<QWidget*>(ui.cbServers), static_cast<QWidget*>(ui.changeServerHelp),
                            static_cast<QWidget*>(ui.lbServerDescription)})
        hidden->hide();
    ui.verticalSpacer->changeSize(20, 7, QSizePolicy::Minimum, QSizePolicy::Minimum);
    ui.languageLayout->setContentsMargins(20, 0, 20, 0);
    ui.cbActivateOption->addItem(ui.cbActivateOption->getBlankIcon(), tr("Unsecured wifi connection"));
    ui.cbActivateOption->addItem(ui.cbActivateOption->getBlankIcon(), tr("Any Internet connection"));
    ui.cbActivateOption->addItem(ui.cbActivateOption->getBlankIcon(), tr("Never - activate manually"));
    const int option = ActivateOptionToIndex(config().getActivateOption());
    ui.cbActivateOption->setCurrentIndex(option);
    ui.cbActivateOption->setTickIndex(option);
}

Settings::~Settings() = default;

int Settings::ActivateOptionToIndex(Config::ActivateOption option)
{
    return int(option);
}

Config::ActivateOption Settings::IndexToActivateOption(int index)
{
    switch (index) {
    case 1:
        return Config::ActivateOnAnyConnection;
    case 2:
        return Config::ActivateNever;
    default:
        return Config::ActivateOnUnsecuredWireless;
    }
}

void Settings::init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> authData,
                    QSharedPointer<VpnServerList> serverList)
{
    services->init(access, authData);
    this->authData = authData;
    this->serverList = serverList;
    connect(serverList.data(), &VpnServerList::updated, this, &Settings::updateClustersAndServers);
    updateClustersAndServers();
}

void Settings::updateUi()
{
    setWindowTitle(OzmApplication::windowTitle_ + tr(" - Settings"));
    if (serverList)
        updateClustersAndServers();
    updateLanguages();
}

void Settings::display()
{
    if (isHidden() && !applying) {
        setBasicSettings();
        backup.clear();
        services->updateServices();
        ui.applyButton->setEnabled(false);
        ui.cancelButton->setFocus();
    }
    OZDialog::display();
}

void Settings::applyBrandInfo()
{
    const QImage logo = coBranding::inst()->logo->getImgData();
    if (!logo.isNull())
        ui.lbLogoImage->setPixmap(QPixmap::fromImage(logo));
}

void Settings::updateServicesList()
{
    services->updateServices();
}

void Settings::updateServicesLocaly()
{
    services->updateServicesLocaly();
}

void Settings::setSessionDone()
{
    Services::setSessionDone();
}

void Settings::setBasicSettings()
{
    ClientConfig& settings = config();
    ui.loadOnStartupCb->setChecked(settings.isLoadOnStartup());
    const int option = ActivateOptionToIndex(settings.getActivateOption());
    ui.cbActivateOption->setCurrentIndex(option);
    ui.cbActivateOption->setTickIndex(option);
    if (serverList)
        updateClustersAndServers();
    const int cluster = qMax(0, ui.cbClusters->findData(settings.getCurrentCluster()));
    ui.cbClusters->setCurrentIndex(cluster);
    ui.cbClusters->setTickIndex(cluster);
    const int server = qMax(0, ui.cbServers->findData(settings.getCurrentServer()));
    ui.cbServers->setCurrentIndex(server);
    ui.cbServers->setTickIndex(server);
}

// Refills a location or server box with the automatic choice first, keeping
// the tick and the current item where they were; the stored value stands in
// for a box that had none.
void Settings::fillAutomaticChoices(QOZMComboBox_tick* box, const QList<QPair<QString, QString>>& items,
                                    const QString& stored)
{
    const QString ticked = dataText(box->tickedData());
    const QString current = dataText(box->currentData());
    box->blockSignals(true);
    box->clear();
    if (!items.isEmpty()) {
        box->addItem(box->getBlankIcon(), tr("Choose closest automatically"), QString(QLatin1String("")));
        for (const auto& item : items)
            box->addItem(box->getBlankIcon(), item.first, item.second);
    }
    box->setTickIndex(box->findData(ticked.isNull() ? stored : ticked));
    box->setCurrentIndex(qMax(0, box->findData(current.isNull() ? stored : current)));
    box->blockSignals(false);
    box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
}

void Settings::updateClustersAndServers()
{
    const bool applyDisabled = !ui.applyButton->isEnabled();
    QList<QPair<QString, QString>> items;
    const QString defaultCluster = config().getDefaultCluster();
    if (serverList)
        for (const VpnCluster& cluster : serverList->clusters())
            items.append({cluster.description + (cluster.name == defaultCluster ? tr(" (default)") : QString()),
                          cluster.name});
    fillAutomaticChoices(ui.cbClusters, items, config().getCurrentCluster());
    ui.applyButton->setEnabled(!applyDisabled);
    updateServers();
}

void Settings::updateServers()
{
    const bool applyDisabled = !ui.applyButton->isEnabled();
    QList<QPair<QString, QString>> items;
    const QString defaultServer = config().getDefaultServer();
    if (serverList)
        for (const VpnServer& server : serverList->servers(dataText(ui.cbClusters->currentData())))
            items.append({server.name + (server.host == defaultServer ? tr(" (default)") : QString()), server.host});
    fillAutomaticChoices(ui.cbServers, items, config().getCurrentServer());
    updateServerDesc();
    ui.applyButton->setEnabled(!applyDisabled);
}

void Settings::updateServerDesc()
{
    QString description;
    if (serverList && ui.cbServers->currentIndex() != 0) {
        const VpnServer& server = serverList->findByHost(dataText(ui.cbServers->currentData()));
        if (!server.name.isEmpty())
            description = server.state.isEmpty()
                ? QStringLiteral("%1, %2").arg(server.city, server.country)
                : QStringLiteral("%1, %2, %3").arg(server.city, server.state, server.country);
    }
    ui.lbServerDescription->setText(description);
}

void Settings::updateLanguages()
{
    const bool hadCurrent = ui.languageCb->currentIndex() >= 0;
    const QVariant previous = ui.languageCb->currentData();
    I18n* i18n = I18n::instance();
    const QString locale = i18n->getCurrentLocale();
    ui.languageCb->blockSignals(true);
    ui.languageCb->clear();
    for (const LanguageEntry& language : i18n->getLanguages())
        ui.languageCb->addItem(ui.languageCb->getBlankIcon(), language.englishName, language.code);
    ui.languageCb->setCurrentIndex(-1);
    ui.languageCb->blockSignals(false);
    if (hadCurrent)
        ui.languageCb->setCurrentIndex(qMax(0, ui.languageCb->findData(previous)));
    else if (!locale.isEmpty())
        ui.languageCb->setCurrentIndex(ui.languageCb->findData(locale));
}

void Settings::on_loadOnStartupCb_stateChanged(int)
{
    ui.applyButton->setEnabled(true);
}

void Settings::on_cbActivateOption_currentIndexChanged(int)
{
    ui.applyButton->setEnabled(true);
}

void Settings::on_languageCb_currentIndexChanged(int)
{
    ui.applyButton->setEnabled(true);
}

void Settings::on_cbClusters_currentIndexChanged(int)
{
    updateServers();
    ui.applyButton->setEnabled(true);
}

void Settings::on_cbServers_currentIndexChanged(int)
{
    updateServerDesc();
    ui.applyButton->setEnabled(true);
}

void Settings::on_setDefaultServerButton_clicked()
{
    ui.applyButton->setEnabled(true);
    ClientConfig& settings = config();
    if (backup.isEmpty()) {
        backup.insert(CurrentClusterKey, settings.getCurrentCluster());
        backup.insert(CurrentServerKey, settings.getCurrentServer());
        backup.insert(DefaultClusterKey, settings.getDefaultCluster());
        backup.insert(DefaultServerKey, settings.getDefaultServer());
    }
    const QString cluster = dataText(ui.cbClusters->currentData());
    const QString server = dataText(ui.cbServers->currentData());
    settings.setDefaultCluster(cluster);
    settings.setCurrentCluster(cluster);
    settings.setDefaultServer(server);
    settings.setCurrentServer(server);
    if (serverList)
        updateClustersAndServers();
}

void Settings::on_applyButton_clicked()
{
    backup.clear();
    ui.applyButton->setEnabled(false);
    ClientConfig& settings = config();
    settings.setLoadOnStartup(ui.loadOnStartupCb->isChecked());
    const Config::ActivateOption option = IndexToActivateOption(ui.cbActivateOption->currentIndex());
    activateOptionChanged = option != settings.getActivateOption();
    settings.setActivateOption(option);
    settings.setCurrentCluster(dataText(ui.cbClusters->currentData()));
    settings.setCurrentServer(dataText(ui.cbServers->currentData()));
    const QVariant language = ui.languageCb->currentData();
    if (language.isValid())
        I18n::instance()->setLanguage(language.toString());
    applying = true;
    ui.tab->setEnabled(false);
    ui.tab_2->setEnabled(false);
    services->save();
    QCoreApplication::processEvents();
    ui.applyButton->setEnabled(false);
}

void Settings::onServicesSaved(bool success, bool _isVpnReconfigNeeded)
{
    // The restore after a VPN session saves too; that save is none of this
    // window's business and must neither close it nor report an Apply.
    if (!applying)
        return;
    applying = false;
    ui.tab->setEnabled(true);
    ui.tab_2->setEnabled(true);
    ApplyResult result;
    result.activateOptionChanged = activateOptionChanged;
    if (!success) {
        ui.applyButton->setEnabled(true);
    } else {
        result.noReconfig = _isVpnReconfigNeeded ? 0 : 1;
        result.delay = _isVpnReconfigNeeded ? ReconfigDelayMs : 0;
        close();
    }
    emit settingsApplied(result);
    activateOptionChanged = false;
}

void Settings::onServicesChanged()
{
    ui.applyButton->setEnabled(true);
    if (services->isChangedForSession())
        on_applyButton_clicked();
}

void Settings::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui.retranslateUi(this);
        updateUi();
    }
    OZDialog::changeEvent(event);
}

void Settings::closeEvent(QCloseEvent* event)
{
    if (!backup.isEmpty()) {
        ClientConfig& settings = config();
        settings.setCurrentCluster(backup.value(CurrentClusterKey));
        settings.setCurrentServer(backup.value(CurrentServerKey));
        settings.setDefaultCluster(backup.value(DefaultClusterKey));
        settings.setDefaultServer(backup.value(DefaultServerKey));
        backup.clear();
    }
    setBasicSettings();
    event->accept();
}
