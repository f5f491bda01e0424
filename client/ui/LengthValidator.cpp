#include "LengthValidator.h"

#include <QDebug>

LengthValidator::LengthValidator(int maxLength, QObject* parent)
    : QValidator(parent)
    , m_maxLength(maxLength)
{
}

QValidator::State LengthValidator::validate(QString& input, int&) const
{
    if (input.length() <= m_maxLength)
        return Acceptable;
    qDebug() << "LengthValidator: maxLength of" << m_maxLength << "chars is reached";
    return Invalid;
}
