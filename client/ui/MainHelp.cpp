#include "MainHelp.h"

#include "MainHelpTab.h"
#include "OzmApplication.h"
#include "coBranding.h"

#include <QCloseEvent>
#include <QDebug>

namespace {

const int TestTab = 2;
const int ButtonsClose = 0;
const int ButtonsTest = 1;
const int TestStartPage = 0;
const int TestDockPage = 1;

} // namespace

MainHelp::MainHelp(QWidget* parent) : OZDialog(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    updateUi();
    m_lastTabIndex = m_ui.tabWidget->currentIndex();
}

void MainHelp::init(QSharedPointer<ClientAuthData>& authData)
{
    m_authData = authData;
}

void MainHelp::updateUi()
{
    setWindowTitle(OzmApplication::windowTitle_ + tr(" - Help"));
}

void MainHelp::display()
{
    m_ui.tabWidget->setCurrentIndex(0);
    m_ui.swButtons->setCurrentIndex(ButtonsClose);
    m_ui.connectTestWidget->setCurrentIndex(TestStartPage);
    hMainHelp.topStack = nullptr;
    purgeMainHelpTabLayout();
    OZDialog::display();
    adjustSize();
}

void MainHelp::displayAndRunConnectivityTest()
{
    if (hMainHelp.state != 0) {
        raise();
        activateWindow();
        return;
    }
    display();
    m_ui.tabWidget->setCurrentIndex(TestTab);
    on_testBtn_clicked();
}

void MainHelp::purgeMainHelpTabLayout()
{
    // The docked dialogs belong to the connectivity test: only their places go.
    while (QLayoutItem* item = m_ui.resultPageLayout->takeAt(0))
        delete item;
}

void MainHelp::applyBrandInfo()
{
    const QImage logo = coBranding::inst()->logo->getImgData();
    if (!logo.isNull())
        m_ui.lbLogoImage->setPixmap(QPixmap::fromImage(logo));
}

void MainHelp::on_helpButton_clicked()
{
    emit browse(OnlineHelp);
}

void MainHelp::on_faqButton_clicked()
{
    emit browse(OnlineFaq);
}

void MainHelp::on_btnPrivacyTipsOpen_clicked()
{
    emit browse(OnlinePrivacyTips);
}

void MainHelp::on_quickStartButton_clicked()
{
    emit quickStartActivated();
}

void MainHelp::on_testBtn_clicked()
{
    purgeMainHelpTabLayout();
    m_ui.connectTestWidget->setCurrentWidget(m_ui.resultPage);
    hMainHelp.tabStack = m_ui.connectTestWidget;
    hMainHelp.topStack = m_ui.swButtons;
    hMainHelp.tabHost = m_ui.resultPage;
    m_ui.swButtons->hide();
    emit connectivityTestActivated();
}

void MainHelp::on_cancelBtn_clicked()
{
    m_ui.swButtons->setCurrentIndex(ButtonsTest);
}

void MainHelp::fitToPage(QWidget* previous, QWidget* current)
{
    if (previous && previous != current)
        previous->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    if (current)
        current->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    adjustSize();
}

void MainHelp::on_tabWidget_currentChanged(int index)
{
    fitToPage(m_ui.tabWidget->widget(m_lastTabIndex), m_ui.tabWidget->widget(index));
    m_lastTabIndex = index;
    if (index == TestTab) {
        m_ui.swButtons->setCurrentIndex(ButtonsTest);
        // While a test has the tab its docked dialog brings its own buttons.
        m_ui.swButtons->setVisible(hMainHelp.topStack == nullptr);
        return;
    }
    m_ui.swButtons->setCurrentIndex(ButtonsClose);
    m_ui.swButtons->show();
    if (index == 0)
        updateGeometry();
}

void MainHelp::on_connectTestWidget_currentChanged(int index)
{
    fitToPage(m_ui.connectTestWidget->widget(m_lastTestPageIndex), m_ui.connectTestWidget->widget(index));
    m_lastTestPageIndex = index;
}

void MainHelp::closeEvent(QCloseEvent* event)
{
    purgeMainHelpTabLayout();
    if (hMainHelp.topStack && hMainHelp.tabStack) {
        m_ui.swButtons->setCurrentIndex(ButtonsTest);
        m_ui.connectTestWidget->setCurrentIndex(TestStartPage);
        m_ui.swButtons->show();
        hMainHelp.tabHost = nullptr;
        hMainHelp.topStack = nullptr;
        hMainHelp.tabStack = nullptr;
    }
    if (hMainHelp.state == 2) {
        emit cancelGeneratingReport();
        qDebug("MainHelp: Generating Report canceled");
    } else if (hMainHelp.state == 1) {
        emit cancelConnectivityTest();
        qDebug("MainHelp: Connectivity Test canceled");
    }
    hMainHelp.state = 0;
    event->accept();
    qDebug("MainHelp screen is closed by [X] button");
}

void MainHelp::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        updateUi();
    }
    OZDialog::changeEvent(event);
}
