#include "BrandLogo.h"

#include <BrandItem.h>
#include <coBranding.h>

#include <QLabel>
#include <QPixmap>

void applyBrandLogo(QLabel* label)
{
    const QImage logo = coBranding::inst()->logo->getImgData();
    if (!logo.isNull())
        label->setPixmap(QPixmap::fromImage(logo));
}
