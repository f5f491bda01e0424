#include "Services.h"

#include "ClientAuthData.h"
#include "Folders.h"
#include "HttpAccess.h"
#include "ServiceGetCommand.h"
#include "ServiceSetCommand.h"
#include "ServiceWidget.h"

#include <QDebug>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString SessionDoneKey = QStringLiteral("session_done");
constexpr int SavedNoticeMs = 5000;

QString localKey(const QString& id)
{
    return QStringLiteral("id_") + id;
}

} // namespace

std::unique_ptr<QSettings> Services::local_state_ptr_;

Services::Services(QWidget* parent)
    : QWidget(parent)
    , label(new QLabel(this))
    , rowsLayout(new QVBoxLayout(this))
{
    label->setObjectName(QStringLiteral("lbServicesStatus"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    rowsLayout->setSpacing(5);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->addWidget(label);
}

// The rows go before the widget tree would take them, while the layout still lives.
Services::~Services() = default;

void Services::init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> authData)
{
    this->access = access;
    this->authData = authData;
    connect(authData.data(), &ClientAuthData::emailChanged, this, &Services::onEmailChanged);
    if (!authData->email().isEmpty())
        updateServices();
}

void Services::onEmailChanged(QString email)
{
    if (!email.isEmpty())
        updateServices();
}

void Services::updateServices()
{
    for (ServiceMy& entry : services)
        entry.widget->reset();
    if (!authData || authData->devName().isEmpty() || authData->serial().isEmpty()) {
        label->setText(QStringLiteral(" "));
        emit servicesListUpdated({});
        return;
    }
    delete getCommand;
    getCommand = new ServiceGetCommand(*authData, this);
    connect(getCommand, &ServiceGetCommand::completed, this, &Services::serviceGetCompleted);
    getCommand->execute(access.data());
    label->setText(tr("Updating services ..."));
    setEnabled(false);
}

void Services::serviceGetCompleted(bool ok)
{
    ServiceGetCommand* command = getCommand;
    if (!command)
        return;
    command->deleteLater();
    if (!ok) {
        label->setText(tr("Failed to communicate with server"));
        emit servicesListUpdated({});
        return;
    }
    if (!command->isSuccess()) {
        const QString text = command->resultText();
        label->setText(text.isEmpty() ? tr("Failed to get services") : text);
        emit servicesListUpdated({});
        return;
    }
    label->clear();
    setEnabled(true);
    QStringList ids;
    const std::vector<Service>& reply = command->services;
    for (size_t i = 0; i < reply.size(); ++i) {
        if (services.size() < i + 1)
            services.emplace_back();
        placeRow(services[i], int(i), reply[i]);
        ids << reply[i].id;
    }
    services.resize(reply.size());
    validateBlockingAll();
    emit servicesListUpdated(ids);
}

void Services::placeRow(ServiceMy& entry, int position, const Service& service)
{
    if (!entry.widget || entry.widget->id() != service.id) {
        entry.widget = std::make_unique<ServiceWidget>(service.id, service.name, service.description, service.active);
        connect(entry.widget.get(), &ServiceWidget::stateChanged, this, &Services::onWidgetStateChanged);
        rowsLayout->insertWidget(position, entry.widget.get());
        // At once rather than on the layout's deferred show, so that the rows
        // are there when the list is announced.
        entry.widget->show();
    } else {
        entry.widget->setName(service.name);
        entry.widget->setDescription(service.description);
        if (!entry.widget->isChanged())
            entry.widget->reset(service.active);
    }
    entry.id = service.id;
    entry.block = service.block;
}

void Services::validateBlocking(const ServiceWidget& widget)
{
    if (const ServiceMy* entry = findService(widget.id()))
        validateBlocking(*entry);
    else
        qWarning().noquote() << "Validate: no service exists:" << widget.id();
}

void Services::validateBlocking(const ServiceMy& entry)
{
    if (!entry.widget || !entry.widget->state())
        return;
    for (const QString& blocked : entry.block) {
        ServiceMy* other = findService(blocked);
        if (other && other->widget->state())
            other->widget->setState(false);
    }
}

void Services::validateBlockingAll()
{
    for (const ServiceMy& entry : services)
        validateBlocking(entry);
}

Services::ServiceMy* Services::findService(const QString& id)
{
    for (ServiceMy& entry : services)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

bool Services::isChangedForSession() const
{
    for (const ServiceMy& entry : services)
        if (entry.widget->isChangedForSession())
            return true;
    return false;
}

void Services::onWidgetStateChanged(bool enabled)
{
    if (enabled)
        if (const auto* row = qobject_cast<const ServiceWidget*>(sender()))
            validateBlocking(*row);
    emit changed();
}

void Services::save()
{
    delete setCommand;
    std::vector<SetService> request;
    bool anyChanged = false;
    for (ServiceMy& entry : services) {
        ServiceWidget& row = *entry.widget;
        const bool state = row.state();
        if (state)
            request.push_back(SetService{entry.id, true, {}});
        if (row.isChangedForSession())
            save_localy(entry.id, !state);
        anyChanged = anyChanged || row.isChanged();
        row.reset(state);
    }
    if (!anyChanged) {
        emit saveCompleted(true, false);
        return;
    }
    setCommand = new ServiceSetCommand(*authData, request, this);
    connect(setCommand, &ServiceSetCommand::completed, this, &Services::serviceSetCompleted);
    setCommand->execute(access.data());
    label->setText(tr("Saving ..."));
}

void Services::serviceSetCompleted(bool ok)
{
    ServiceSetCommand* command = setCommand;
    if (!command)
        return;
    command->deleteLater();
    if (!ok) {
        label->setText(tr("Failed to communicate with server"));
        emit saveCompleted(false, false);
    } else if (command->isSuccess()) {
        label->setText(tr("Saved successfully"));
        QTimer::singleShot(SavedNoticeMs, label, &QLabel::clear);
        emit saveCompleted(true, true);
    } else {
        const QString text = command->resultText();
        label->setText(text.isEmpty() ? tr("Failed to save services") : text);
        emit saveCompleted(false, false);
    }
}

void Services::updateServicesLocaly()
{
    if (!local_settings().value(SessionDoneKey, false).toBool())
        return;
    bool restored = false;
    for (ServiceMy& entry : services) {
        bool value = false;
        if (!load_localy(entry.id, value))
            continue;
        entry.widget->setState(value);
        reset_localy(entry.id);
        restored = true;
    }
    if (restored)
        save();
}

QSettings& Services::local_settings()
{
    if (!local_state_ptr_)
        local_state_ptr_ = std::make_unique<QSettings>(
            Folders::app_data_folder + QDir::separator() + QStringLiteral("services.ini"), QSettings::IniFormat);
    return *local_state_ptr_;
}

void Services::save_localy(const QString& id, bool value)
{
    QSettings& settings = local_settings();
    settings.setValue(localKey(id), value);
    settings.setValue(SessionDoneKey, false);
    settings.sync();
}

bool Services::load_localy(const QString& id, bool& value)
{
    const QSettings& settings = local_settings();
    if (!settings.contains(localKey(id)))
        return false;
    value = settings.value(localKey(id)).toBool();
    return true;
}

void Services::reset_localy(const QString& id)
{
    QSettings& settings = local_settings();
    settings.remove(localKey(id));
    settings.sync();
}

void Services::setSessionDone()
{
    local_settings().setValue(SessionDoneKey, true);
}
