#include "EmailValidator.h"

namespace {

const char EmailPattern[] = "^([a-zA-Z0-9_\\-\\+\\.]+)@((\\[[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}\\.)|(([a-zA-Z0-9\\-]+\\.)+))"
                            "([a-zA-Z]{2,4}|[0-9]{1,3})(\\]?)$";

} // namespace

EmailValidator::EmailValidator(QObject* parent)
    : QRegExpValidator(QRegExp(QLatin1String(EmailPattern), Qt::CaseSensitive, QRegExp::RegExp), parent)
{
}
