#include "About.h"

#include "BrandLogo.h"

#include <OperatorWebHost.h>
#include <OzmApplication.h>
#include <SharedTexts.h>

namespace {

const char ProductVersion[] = "4.7.5";
constexpr int BuildNumber = 5314;
const QString OperatorSite = QStringLiteral("https://") + QLatin1String(OperatorWebHost);

} // namespace

About::About(QWidget* parent)
    : OZDialog(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    connect(m_ui.btnClose, &QPushButton::clicked, this, &QWidget::close);
    updateUi();
}

void About::updateUi()
{
    setWindowTitle(OzmApplication::windowTitle_ + tr(" - About"));
    m_ui.lbVersion->setText(tr("Version %1").arg(QLatin1String(ProductVersion)));
    m_ui.lbBuild->setText(tr("Build %1").arg(BuildNumber));
    m_ui.lbInfo->setText(
        tr("<html><head/><body><p>Ozmira&trade; protects your identity and secures your sensitive information by "
           "encrypting all the data going into and out of your computer. It makes you invisible to hackers on any "
           "public network (WiFi or wired), anywhere in the world.</p><p>Ozmira&trade; "
           "<a href=\"%1/privacy-policy/\"><span style=\" text-decoration: underline; color:#0000ff;\">Privacy "
           "Policy</span></a> and <a href=\"%1/eula/\"><span style=\" text-decoration: underline; "
           "color:#0000ff;\">License Agreement</span></a>.</p></body></html>")
            .arg(OperatorSite));
    // A wrapped label does not tell the layout its height: the text would be cut.
    m_ui.lbInfo->setMinimumHeight(m_ui.lbInfo->heightForWidth(m_ui.lbInfo->maximumWidth()));
    m_ui.lbCopyright->setText(AboutCopyrigh());
}

void About::applyBrandInfo()
{
    applyBrandLogo(m_ui.lbLogoImage);
}

void About::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        updateUi();
    }
    OZDialog::changeEvent(event);
}
