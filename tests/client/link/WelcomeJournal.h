#pragma once

#include <QString>

#include <functional>

class QObject;
class WelcomeCtl;

// Every signal of the account flow as a word, handed to note in the order they
// come: "CONFIGURED", "RESET", "ACTIVATE", "DEACTIVATE", "ALLOW", "CONFIGURING",
// "EMAIL", "DEVICE email hasPassword name", "NEWDEVICE email", "READY",
// "PWCHANGED", "REGISTERED", "LIMIT email", "INACTIVE code text", "AUTHERR n",
// "INCORRECT n", "NETERR command", "DOWN 0|1", "ERROR text args", "DIAG state
// login repeated". The connections live as long as welcome and context.
void journalWelcomeCtl(WelcomeCtl& welcome, QObject* context, const std::function<void(const QString&)>& note);
