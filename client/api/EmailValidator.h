#pragma once

#include <QRegExpValidator>

// The one rule for an e-mail address typed into the client: the sign-in screen
// and the support report accept the same addresses.
class EmailValidator : public QRegExpValidator
{
    Q_OBJECT
public:
    explicit EmailValidator(QObject* parent = nullptr);
};
