#pragma once

#include <QComboBox>
#include <QIcon>
#include <QPixmap>

// A combo box that marks the stored choice with a tick, while the user's
// pending choice stays the current item until it is applied.
class QOZMComboBox_tick : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(QPixmap tickIcon READ getTickIcon WRITE setTickIcon)
    Q_PROPERTY(QPixmap blankIcon READ getBlankIcon WRITE setBlankIcon)
public:
    explicit QOZMComboBox_tick(QWidget* parent = nullptr);

    void markAsTicked(int index);
    void markAsUnticked(int index);
    QVariant tickedData(int role = Qt::UserRole) const;

    QPixmap getTickIcon() const;
    void setTickIcon(const QPixmap& pixmap);
    QPixmap getBlankIcon() const;
    void setBlankIcon(const QPixmap& pixmap);

public slots:
    void setTickIndex(int index);

protected:
    void enterEvent(QEvent* event) override;

private:
    void markWith(int index, const QIcon& icon);

    QIcon m_tickIcon;
    QIcon m_blankIcon;
    int m_tickIndex = -1;
};
