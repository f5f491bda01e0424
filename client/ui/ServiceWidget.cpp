#include "ServiceWidget.h"

#include <QShowEvent>

const QString ServiceWidget::SuspendableId = QStringLiteral("100000");

ServiceWidget::ServiceWidget(const QString& id, const QString& name, const QString& description, bool state)
    : m_id(id)
    , m_style(ServiceWidgetStyle::shared())
{
    m_ui.setupUi(this);
    m_ui.rbOn->setStyle(m_style.data());
    m_ui.rbOff->setStyle(m_style.data());
    m_ui.offForSession->setVisible(id == SuspendableId);
    connect(m_ui.rbOn, &QRadioButton::toggled, this, &ServiceWidget::onStateChanged);
    connect(m_ui.offForSession, &QPushButton::pressed, this, &ServiceWidget::onOffForSession);
    setName(name);
    setDescription(description);
    reset(state);
}

void ServiceWidget::setName(const QString& name)
{
    m_ui.lbName->setText(name);
    m_ui.helpIcon->setHelpCaption(name);
}

void ServiceWidget::setDescription(const QString& description)
{
    m_ui.helpIcon->setHelpText(description);
}

bool ServiceWidget::state() const
{
    return m_ui.rbOn->isChecked();
}

void ServiceWidget::setState(bool on)
{
    showState(on);
    m_changed = true;
}

void ServiceWidget::reset(bool state)
{
    m_initialState = state;
    reset();
}

void ServiceWidget::reset()
{
    showState(m_initialState);
    m_changed = false;
    m_changedForSession = false;
}

void ServiceWidget::showState(bool on)
{
    (on ? m_ui.rbOn : m_ui.rbOff)->setChecked(true);
    m_ui.offForSession->setEnabled(on);
}

void ServiceWidget::onStateChanged(bool state)
{
    m_changed = true;
    emit stateChanged(state);
}

void ServiceWidget::onOffForSession()
{
    m_changedForSession = true;
    m_ui.rbOff->setChecked(true);
    m_ui.offForSession->setEnabled(false);
    m_changed = true;
    emit stateChanged(false);
}

void ServiceWidget::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        reset();
    QWidget::showEvent(event);
}
