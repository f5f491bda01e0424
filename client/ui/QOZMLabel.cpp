#include "QOZMLabel.h"

QOZMLabel::QOZMLabel(QWidget* parent)
    : QLabel(parent)
{
}

void QOZMLabel::setWordWrap(bool on)
{
    QLabel::setWordWrap(on);
    updateWordWrapSizePolicy();
}

void QOZMLabel::setText(const QString& text)
{
    QLabel::setText(text);
    updateWordWrapSizePolicy();
}

void QOZMLabel::setMaxCharactersForLogic(int characters)
{
    m_maxCharactersForLogic = characters;
}

void QOZMLabel::updateWordWrapSizePolicy()
{
    if (!wordWrap())
        return;
    if (m_maxCharactersForLogic > 0 && text().length() > m_maxCharactersForLogic)
        return;
    const QSizePolicy policy = sizePolicy();
    setSizePolicy(QSizePolicy(policy.horizontalPolicy(), policy.verticalPolicy()));
    updateGeometry();
}
