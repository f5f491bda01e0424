#include "QOZMComboBox_tick.h"

namespace {

QPixmap pixmapOf(const QIcon& icon)
{
    return icon.pixmap(icon.actualSize(QSize(100, 100)), QIcon::Normal, QIcon::Off);
}

} // namespace

QOZMComboBox_tick::QOZMComboBox_tick(QWidget* parent)
    : QComboBox(parent)
{
}

void QOZMComboBox_tick::markWith(int index, const QIcon& icon)
{
    if (index < 0 || icon.isNull() || count() == 0)
        return;
    setItemIcon(index, icon);
}

void QOZMComboBox_tick::markAsTicked(int index)
{
    markWith(index, m_tickIcon);
}

void QOZMComboBox_tick::markAsUnticked(int index)
{
    markWith(index, m_blankIcon);
}

void QOZMComboBox_tick::setTickIndex(int index)
{
    const int newIndex = index < count() ? index : -1;
    markAsUnticked(m_tickIndex);
    markAsTicked(newIndex);
    m_tickIndex = newIndex;
}

QVariant QOZMComboBox_tick::tickedData(int role) const
{
    return itemData(m_tickIndex, role);
}

QPixmap QOZMComboBox_tick::getTickIcon() const
{
    return pixmapOf(m_tickIcon);
}

void QOZMComboBox_tick::setTickIcon(const QPixmap& pixmap)
{
    m_tickIcon.addPixmap(pixmap, QIcon::Active, QIcon::Off);
    m_tickIcon.addPixmap(pixmap, QIcon::Selected, QIcon::Off);
}

QPixmap QOZMComboBox_tick::getBlankIcon() const
{
    return pixmapOf(m_blankIcon);
}

void QOZMComboBox_tick::setBlankIcon(const QPixmap& pixmap)
{
    m_blankIcon = QIcon(pixmap);
}

// A list that scrolls needs no room on the right for its own padding.
void QOZMComboBox_tick::enterEvent(QEvent* event)
{
    static const QString scrolling = QStringLiteral("QComboBox QAbstractItemView { padding: 0px 0px 0px 4px; }");
    static const QString whole = QStringLiteral("QComboBox QAbstractItemView { padding: 8px 8px 8px 4px; }");
    setStyleSheet(count() > maxVisibleItems() ? scrolling : whole);
    QComboBox::enterEvent(event);
}
