#pragma once

#include <QProxyStyle>

// A style that draws menu icons at one chosen size, over the application's
// style for everything else.
class CustomIconSizeStyle : public QProxyStyle
{
    Q_OBJECT
    Q_PROPERTY(int iconSize READ iconSize WRITE setIconSize)
public:
    explicit CustomIconSizeStyle(QStyle* base = nullptr);

    int iconSize() const { return m_iconSize; }
    void setIconSize(int size) { m_iconSize = size; }

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

private:
    int m_iconSize = 0;
};
