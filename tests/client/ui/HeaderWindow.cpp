#include "HeaderWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

HeaderWindow::HeaderWindow(const QString& name)
{
    setObjectName(name);
    setStyleSheet("OZDialog { background: #f4f5f5; }");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* title = new QLabel("Ozmira", this);
    title->setObjectName("lbTitle");
    title->setStyleSheet("font-family: \"KievitComp-Bold\"; font-weight: bold; font-size: 20px; color: #414141;");
    top->addWidget(title);
    top->addStretch();
    m_header = new QOZMHamburgerMenuWidget(this);
    m_header->setObjectName("hmbrgrMenuWidget");
    top->addWidget(m_header);
    layout->addLayout(top);
    auto* body = new QLabel("Your connection is protected.", this);
    body->setObjectName("lbBody");
    body->setStyleSheet("font-family: \"KievitComp\"; font-size: 16px; color: #6D6F71;");
    layout->addWidget(body);
    layout->addStretch();
    resize(400, 420);
}

QOZMHamburgerMenu* HeaderWindow::panel() const
{
    return m_header->menuLabel()->menu();
}

QPushButton* HeaderWindow::button(const char* name) const
{
    return panel()->findChild<QPushButton*>(QString::fromLatin1(name));
}
