#pragma once

#include <QValidator>

// Accepts a text of at most maxLength characters.
class LengthValidator : public QValidator
{
    Q_OBJECT
public:
    explicit LengthValidator(int maxLength, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;

private:
    int m_maxLength;
};
