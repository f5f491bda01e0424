#include "WelcomeJournal.h"

#include <WelcomeCtl.h>

void journalWelcomeCtl(WelcomeCtl& welcome, QObject* context, const std::function<void(const QString&)>& note)
{
    WelcomeCtl* const w = &welcome;
    QObject::connect(w, &WelcomeCtl::configured, context, [note] { note("CONFIGURED"); });
    QObject::connect(w, &WelcomeCtl::resetPassword, context, [note] { note("RESET"); });
    QObject::connect(w, &WelcomeCtl::activateTriggered, context, [note] { note("ACTIVATE"); });
    QObject::connect(w, &WelcomeCtl::deactivateTriggered, context, [note] { note("DEACTIVATE"); });
    QObject::connect(w, &WelcomeCtl::autoActivateAllowTriggered, context, [note] { note("ALLOW"); });
    QObject::connect(w, &WelcomeCtl::configuringNow, context, [note] { note("CONFIGURING"); });
    QObject::connect(w, &WelcomeCtl::needEmailPrompt, context, [note](const QString& e) { note("EMAIL" + e); });
    QObject::connect(w, &WelcomeCtl::needDevicePrompt, context,
                     [note](const QString& e, bool hasPassword, const QString& n) {
                         note(QStringLiteral("DEVICE %1 %2 %3").arg(e).arg(int(hasPassword)).arg(n));
                     });
    QObject::connect(w, &WelcomeCtl::needNewDevicePrompt, context, [note](const QString& e) { note("NEWDEVICE " + e); });
    QObject::connect(w, &WelcomeCtl::readyShowActivation, context, [note] { note("READY"); });
    QObject::connect(w, &WelcomeCtl::passwordChangedExternaly, context, [note] { note("PWCHANGED"); });
    QObject::connect(w, &WelcomeCtl::deviceRegistered, context, [note] { note("REGISTERED"); });
    QObject::connect(w, &WelcomeCtl::deviceLimitReachedFor, context, [note](const QString& e) { note("LIMIT " + e); });
    QObject::connect(w, &WelcomeCtl::subscriptionInactive, context,
                     [note](SubscriptionPointer, HttpCommandCode::CommandCode code, const QString& text) {
                         note(QStringLiteral("INACTIVE %1 %2").arg(code).arg(text));
                     });
    QObject::connect(w, &WelcomeCtl::authenticationError, context,
                     [note](int n) { note("AUTHERR " + QString::number(n)); });
    QObject::connect(w, &WelcomeCtl::incorrectPassword, context,
                     [note](int n) { note("INCORRECT " + QString::number(n)); });
    QObject::connect(w, &WelcomeCtl::networkReplyError, context,
                     [note](QNetworkReply::NetworkError, const QString& command) { note("NETERR " + command); });
    QObject::connect(w, &WelcomeCtl::disconnectedState, context,
                     [note](bool down) { note("DOWN " + QString::number(down)); });
    QObject::connect(w, &WelcomeCtl::errorOccured, context, [note](const QString& text, const QStringList& args, bool) {
        note(QStringLiteral("ERROR %1 %2").arg(text, args.join(',')).trimmed());
    });
    QObject::connect(w, &WelcomeCtl::connectionDiagnosticError, context,
                     [note](ConnectionPhysicalState state, bool login, bool repeated) {
                         note(QStringLiteral("DIAG %1 %2 %3").arg(state).arg(int(login)).arg(int(repeated)));
                     });
}
