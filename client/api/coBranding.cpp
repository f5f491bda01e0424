#include "coBranding.h"

#include "AppConstants.h"
#include "BrandConfig.h"
#include "BrandImageDecoder.h"
#include "CacheEntry.h"
#include "DownloadManager.h"
#include "OperatorWebHost.h"
#include "ResourcesCache.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDomElement>

// Resources of a static library are registered by hand.
static void initBrandResources()
{
    Q_INIT_RESOURCE(brand);
}

namespace {

using Cache = ResourcesCache<CacheEntry>;

QString https(const char* host, const char* path = "")
{
    return QStringLiteral("https://") + QLatin1String(host) + QLatin1String(path);
}

QSharedPointer<BrandItem> textItem(QList<BrandItem*>& items, const char* name, const QString& defaultValue)
{
    return QSharedPointer<BrandItem>(new BrandItem(items, QLatin1String(name), defaultValue));
}

QSharedPointer<BrandItem> imageItem(QList<BrandItem*>& items, const char* name)
{
    return QSharedPointer<BrandItem>(new BrandItem(items, QLatin1String(name), QImage()));
}

} // namespace

coBranding::coBranding()
    : product_name(textItem(items, "product_name", gApplicationName))
    , brand_name(textItem(items, "brand_name", gApplicationName))
    , buy_url(textItem(items, "buy_url", https(OperatorWebHost, "/get-protected/")))
    , support_email(textItem(items, "support_email", QStringLiteral(OZM_BRAND_SUPPORT_EMAIL)))
    , feedback_email(textItem(items, "feedback_email", QStringLiteral(OZM_BRAND_FEEDBACK_EMAIL)))
    , placeholder_email(textItem(items, "placeholder_email", QStringLiteral(OZM_BRAND_PLACEHOLDER_EMAIL)))
    , icon_72x72px(imageItem(items, "icon_72x72px"))
    , logo(imageItem(items, "logo"))
    , help_url(textItem(items, "help_url", https(OZM_BRAND_DOCS_HOST, "/docs/branding/help/")))
    , faq_url(textItem(items, "faq_url", https(OZM_BRAND_DOCS_HOST, "/docs/branding/faq/")))
    , visit_website_url(textItem(items, "visit_website_url", https(OZM_BRAND_PLACEHOLDER_HOST)))
    , privacy_tips_url(textItem(items, "privacy_tips_url", https(OZM_BRAND_DOCS_HOST, "/docs/branding/privacy_tips/")))
    , qsg_url(textItem(items, "qsg_url", https(OZM_BRAND_DOCS_HOST, "/docs/branding/qsg/mac/")))
    , qsg_popup_url(textItem(items, "qsg_popup_url", https(OZM_BRAND_DOCS_HOST, "/docs/branding/qsg/popup/mac/")))
{
}

coBranding::~coBranding()
{
    // Only when no application object took it.
    delete manager.data();
}

coBranding* coBranding::inst()
{
    static coBranding instance;
    return &instance;
}

void coBranding::loadDefaultImages()
{
    initBrandResources();
    logo->setImgData(QImage(QStringLiteral(":/Images/Logo-Small-OZM.png")), true);
    icon_72x72px->setImgData(QImage(QStringLiteral(":/DesktopIcons/Icon_72x72px.png")), true);
    qDebug().noquote() << "[co-branding] : loading of the default pictures - OK";
}

bool coBranding::loadCachedResources()
{
    int loaded = 0;
    for (BrandItem* item : qAsConst(items)) {
        if (item->kind() != BrandItem::Image)
            continue;
        const CacheEntry entry = Cache::loadEntry(item->name());
        if (entry.isEmpty())
            continue;
        if (item->setImgData(BrandImageDecoder::decode(entry.data), false)) {
            ++loaded;
            qDebug().noquote() << "[co-branding] item " << item->name() << " was loaded from cache";
        }
    }
    if (loaded == 0)
        return false;
    emit brandInfoDataIsLoaded();
    return true;
}

bool coBranding::fillByServerResponse(const QDomElement& response)
{
    QDomElement value = response.firstChildElement(QStringLiteral("value"));
    if (value.isNull()) {
        qCritical().noquote() << QStringLiteral("ERROR ") + QStringLiteral("[co-branding] Xml response is empty");
        return false;
    }
    downloadManager()->clear();
    qDebug().noquote() << "[co-branding] filling of the items by server responce";
    for (BrandItem* item : qAsConst(items)) {
        const QString text = item->getValueOfXmlTag(value);
        qDebug().noquote() << item->name() << " = " << text;
        if (item->kind() == BrandItem::Text)
            item->setServerResponceValue(value);
        else if (!text.isEmpty())
            downloadManager()->addDownload(item->name(), text);
        else
            revertBrandItemToDefValue(item);
    }
    qCritical().noquote() << "[co-branding] BRAND INFO is loaded successfully";
    downloadManager()->startDownloading();
    applied = true;
    return true;
}

BrandItem* coBranding::getItemByName(const QString& name) const
{
    for (auto it = items.crbegin(); it != items.crend(); ++it) {
        if ((*it)->name() == name)
            return *it;
    }
    return nullptr;
}

DownloadManager* coBranding::downloadManager()
{
    if (!manager) {
        manager = new DownloadManager(QCoreApplication::instance());
        connect(manager, &DownloadManager::allAreCompleted, this, &coBranding::onResourcesDownloaded);
    }
    return manager;
}

void coBranding::revertBrandItemToDefValue(BrandItem* item)
{
    item->revertDefValue();
    if (item->kind() == BrandItem::Image)
        Cache::removeEntry(item->name());
}

void coBranding::revertAllBrandItemsToDefValues(bool notify)
{
    applied = false;
    for (BrandItem* item : qAsConst(items))
        revertBrandItemToDefValue(item);
    if (notify)
        emit brandInfoDataIsLoaded();
}

void coBranding::onResourcesDownloaded()
{
    qDebug().noquote() << "[co-branding] resources were downloaded";
    saveDownLoadedResources();
    applied = true;
    emit brandInfoDataIsLoaded();
}

void coBranding::saveDownLoadedResources()
{
    for (const DownloadEntry& entry : qAsConst(downloadManager()->getDownloads())) {
        if (entry.data.isEmpty())
            continue;
        BrandItem* item = getItemByName(entry.name);
        if (!item || item->kind() != BrandItem::Image)
            continue;
        const QImage image = BrandImageDecoder::decode(entry.data);
        if (image.isNull())
            continue;
        item->setImgData(image, false);
        Cache::saveEntry(item->name(), CacheEntry{entry.lastModified, entry.data});
        qDebug().noquote() << "[co-branding] item " << item->name() << " was saved to local cache";
    }
}
