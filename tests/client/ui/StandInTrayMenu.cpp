#include "StandInTrayMenu.h"

#include <QCoreApplication>

StandInTrayMenu::StandInTrayMenu(const QRect& iconGeometry)
    : m_iconGeometry(iconGeometry)
{
    setTrayIcon(&m_icon);
}

StandInTrayMenu* StandInTrayMenu::withoutIcon()
{
    auto* menu = new StandInTrayMenu(QRect());
    menu->setTrayIcon(nullptr);
    return menu;
}

void StandInTrayMenu::addClientActions()
{
    for (const char* text : {"Activate", "Status", "Usage", "Settings", "Account", "Help", "About"})
        addAction(QCoreApplication::translate(qstrcmp(text, "Activate") ? "QOZMHamburgerMenu" : "TrayIcon", text))
            ->setObjectName(QString::fromLatin1(text));
    addSeparator();
    addAction(QCoreApplication::translate("QOZMHamburgerMenu", "Quit"))->setObjectName("Quit");
}
