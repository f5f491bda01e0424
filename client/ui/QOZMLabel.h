#pragma once

#include <QLabel>

// A label whose word wrap does not stretch the layout around it: a short
// wrapped text stops asking the layout for height-for-width, while a text past
// maxCharactersForLogic (when that is positive) keeps it.
class QOZMLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(int maxCharactersForLogic READ maxCharactersForLogic WRITE setMaxCharactersForLogic)
public:
    explicit QOZMLabel(QWidget* parent = nullptr);

    int maxCharactersForLogic() const { return m_maxCharactersForLogic; }
    void setWordWrap(bool on);

public slots:
    void setText(const QString& text);
    void updateWordWrapSizePolicy();
    void setMaxCharactersForLogic(int characters);

private:
    int m_maxCharactersForLogic = -1;
};
