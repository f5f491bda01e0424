#pragma once

#include "ServiceWidgetStyle.h"
#include "ui_ServiceWidget.h"

#include <QSharedPointer>
#include <QWidget>

// One account service as an On/Off row with its help, and for the one service
// that allows it a button to switch it off for the rest of the session. The row
// remembers the state it was given so that unsaved switches can be undone.
class ServiceWidget : public QWidget
{
    Q_OBJECT
public:
    // The only service that may be suspended for a session.
    static const QString SuspendableId;

    ServiceWidget(const QString& id, const QString& name, const QString& description, bool state);

    QString id() const { return m_id; }
    void setName(const QString& name);
    void setDescription(const QString& description);

    bool state() const;
    // Marks the row changed, even when it already showed that state.
    void setState(bool on);
    // A new base state, change marks cleared.
    void reset(bool state);
    // Back to the base state, change marks cleared.
    void reset();

    bool isChanged() const { return m_changed; }
    bool isChangedForSession() const { return m_changedForSession; }

signals:
    void stateChanged(bool enabled);

public slots:
    void onStateChanged(bool state);
    void onOffForSession();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showState(bool on);

    Ui::ServiceWidget m_ui;
    const QString m_id;
    bool m_initialState = false;
    bool m_changed = false;
    bool m_changedForSession = false;
    const QSharedPointer<ServiceWidgetStyle> m_style;
};
