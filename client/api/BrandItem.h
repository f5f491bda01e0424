#pragma once

#include <QDomElement>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

// One named value of the brand data, a text or an image, with the built-in
// default it falls back to. Value and default are guarded by the item's lock, so
// any thread may read them.
class BrandItem
{
public:
    enum Kind {
        Text = 0,
        Image = 1,
    };

    // Registers the item in items, which its owner keeps.
    BrandItem(QList<BrandItem*>& items, const QString& name, const QString& defaultValue);
    BrandItem(QList<BrandItem*>& items, const QString& name, const QImage& defaultValue);

    QString name() const { return itemName; }
    int kind() const { return itemKind; }

    // With fatal set (built-in defaults only) a wrong type stops the program.
    bool isCorrectValue(const QVariant& value, bool fatal) const;
    void setData(const QVariant& value, bool alsoDefault);
    QVariant getData() const;
    QString getStrData() const;
    QImage getImgData() const;
    bool setStrData(const QString& text, bool alsoDefault);
    bool setImgData(const QImage& image, bool alsoDefault);
    void revertDefValue();

    // The text of parent's first child element named as the item.
    QString getValueOfXmlTag(QDomElement& parent) const;
    bool setServerResponceValue(QDomElement& parent);
    bool isCorrectServerResponceValue(QDomElement& parent) const;

    static bool isBase64Str(const QString& text);
    static QImage base64ToImg(const QString& text);

    BrandItem* getThisPointer() { return this; }

private:
    void init(QList<BrandItem*>& items, const QString& name, const QVariant& defaultValue, int kind);
    // Page addresses must be absolute http(s) URLs and mail addresses plain
    // words: both end up in links and rich text.
    bool acceptsText(const QString& text) const;
    QVariant valueUnderLock() const;

    QVariant value;
    QVariant defaultValue;
    QString itemName;
    int itemKind = Text;
    QSharedPointer<QMutex> lock = QSharedPointer<QMutex>::create();
};
