#pragma once

#include <QMetaType>

enum VpnAuthFailedClientAnswer : int {
    AnswerCheckFailed = 0,
    AnswerPasswordInvalid = 1,
    AnswerPasswordValid = 2,
};

Q_DECLARE_METATYPE(VpnAuthFailedClientAnswer)
