#pragma once

#include "BrandItem.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>

class DownloadManager;
class QDomElement;

// The process's brand: names, addresses, icon and logo, each a BrandItem with a
// built-in default. Filled from the resource cache at start-up and from the
// service's brand reply later; brandInfoDataIsLoaded tells readers to look again.
class coBranding : public QObject
{
    Q_OBJECT
public:
    static coBranding* inst();
    ~coBranding() override;

    void loadDefaultImages();
    bool loadCachedResources();
    bool fillByServerResponse(const QDomElement& response);
    bool needUpdate() const { return !applied; }
    BrandItem* getItemByName(const QString& name) const;
    // Made on first use; it goes with the application object, before the brand.
    DownloadManager* downloadManager();
    void revertBrandItemToDefValue(BrandItem* item);
    void revertAllBrandItemsToDefValues(bool notify);
    void saveDownLoadedResources();

signals:
    void brandInfoDataIsLoaded();

public slots:
    void onResourcesDownloaded();

private:
    coBranding();

    QList<BrandItem*> items;
    bool applied = false;

public:
    const QSharedPointer<BrandItem> product_name;
    const QSharedPointer<BrandItem> brand_name;
    const QSharedPointer<BrandItem> buy_url;
    const QSharedPointer<BrandItem> support_email;
    const QSharedPointer<BrandItem> feedback_email;
    const QSharedPointer<BrandItem> placeholder_email;
    const QSharedPointer<BrandItem> icon_72x72px;
    const QSharedPointer<BrandItem> logo;
    const QSharedPointer<BrandItem> help_url;
    const QSharedPointer<BrandItem> faq_url;
    const QSharedPointer<BrandItem> visit_website_url;
    const QSharedPointer<BrandItem> privacy_tips_url;
    const QSharedPointer<BrandItem> qsg_url;
    const QSharedPointer<BrandItem> qsg_popup_url;

private:
    QPointer<DownloadManager> manager;
};
