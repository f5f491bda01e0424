#include "BrandItem.h"

#include "BrandImageDecoder.h"

#include <QDebug>
#include <QRegExp>
#include <QUrl>

BrandItem::BrandItem(QList<BrandItem*>& items, const QString& name, const QString& defaultValue)
{
    init(items, name, QVariant(defaultValue), Text);
}

BrandItem::BrandItem(QList<BrandItem*>& items, const QString& name, const QImage& defaultValue)
{
    init(items, name, QVariant(defaultValue), Image);
}

void BrandItem::init(QList<BrandItem*>& items, const QString& name, const QVariant& defaultValue, int kind)
{
    itemName = name;
    itemKind = kind;
    isCorrectValue(defaultValue, true);
    setData(defaultValue, true);
    items.append(this);
}

bool BrandItem::isCorrectValue(const QVariant& candidate, bool fatal) const
{
    QString message;
    if (!candidate.isValid()) {
        message = QStringLiteral("BrandItem::Fatal error = Brand Item \"%1\" is invalid!").arg(itemName);
    } else {
        const bool fits = itemKind == Text    ? candidate.canConvert<QString>()
                          : itemKind == Image ? candidate.canConvert<QImage>()
                                              : true;
        if (fits)
            return true;
        message = QStringLiteral("BrandItem::Fatal error = Brand Item \"%1\" has invalid type=%2")
                      .arg(itemName, QString::fromLatin1(valueUnderLock().typeName()));
    }
    if (fatal)
        qFatal("%s", message.toLatin1().constData());
    qCritical().noquote() << QStringLiteral("ERROR ") + message;
    return false;
}

void BrandItem::setData(const QVariant& newValue, bool alsoDefault)
{
    QMutexLocker locker(lock.data());
    value = newValue;
    if (alsoDefault)
        defaultValue = newValue;
}

QVariant BrandItem::getData() const
{
    return valueUnderLock();
}

QVariant BrandItem::valueUnderLock() const
{
    QMutexLocker locker(lock.data());
    return value;
}

QString BrandItem::getStrData() const
{
    const QVariant current = getData();
    return isCorrectValue(current, false) ? current.toString() : QString();
}

QImage BrandItem::getImgData() const
{
    const QVariant current = getData();
    return isCorrectValue(current, false) ? current.value<QImage>() : QImage();
}

bool BrandItem::setStrData(const QString& text, bool alsoDefault)
{
    const QVariant candidate(text);
    if (!isCorrectValue(candidate, false))
        return false;
    setData(candidate, alsoDefault);
    return true;
}

bool BrandItem::setImgData(const QImage& image, bool alsoDefault)
{
    const QVariant candidate(image);
    if (!isCorrectValue(candidate, false))
        return false;
    setData(candidate, alsoDefault);
    return true;
}

void BrandItem::revertDefValue()
{
    QVariant copy;
    {
        QMutexLocker locker(lock.data());
        copy = defaultValue;
    }
    setData(copy, false);
}

QString BrandItem::getValueOfXmlTag(QDomElement& parent) const
{
    return parent.firstChildElement(itemName).text();
}

bool BrandItem::acceptsText(const QString& text) const
{
    if (itemName.endsWith(QLatin1String("_url"))) {
        const QUrl url(text, QUrl::StrictMode);
        return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
               && !url.host().isEmpty();
    }
    if (itemName.endsWith(QLatin1String("_email"))) {
        for (const QChar c : text) {
            if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char('<') || c == QLatin1Char('>')
                || c == QLatin1Char('"') || c == QLatin1Char('\''))
                return false;
        }
    }
    return true;
}

bool BrandItem::setServerResponceValue(QDomElement& parent)
{
    const QString text = getValueOfXmlTag(parent);
    // A value that would break the links it is put into counts as none sent.
    if (text.isEmpty() || !acceptsText(text)) {
        qWarning().noquote() << "Empty data in the BrandItem for" << itemName;
        return false;
    }
    if (itemKind == Text)
        return setStrData(text, false);
    qCritical().noquote() << QStringLiteral("ERROR Unknown type in the BrandItem. Line = %1").arg(__LINE__);
    return false;
}

bool BrandItem::isCorrectServerResponceValue(QDomElement& parent) const
{
    const QString text = getValueOfXmlTag(parent);
    if (itemKind == Image)
        return isBase64Str(text);
    if (itemKind == Text)
        return !text.isEmpty() && acceptsText(text);
    qCritical().noquote() << QStringLiteral("ERROR Unknown type in the BrandItem. Line = %1").arg(__LINE__);
    return false;
}

bool BrandItem::isBase64Str(const QString& text)
{
    const QRegExp foreign(QStringLiteral("[^a-zA-Z0-9+/=]"), Qt::CaseSensitive);
    return foreign.indexIn(text) == -1 && text.length() >= 4 && text.length() % 4 == 0;
}

QImage BrandItem::base64ToImg(const QString& text)
{
    if (!isBase64Str(text))
        return QImage();
    return BrandImageDecoder::decode(QByteArray::fromBase64(text.toLatin1()));
}
