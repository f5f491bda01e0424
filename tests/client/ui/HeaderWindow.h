#pragma once

#include "OZDialog.h"
#include "QOZMHamburgerMenu.h"
#include "QOZMHamburgerMenuWidget.h"

#include <QPushButton>

// A dialog with the menu header, as every main window of the client has, named
// like one of them so that its panel knows its own button.
class HeaderWindow : public OZDialog
{
public:
    explicit HeaderWindow(const QString& name);

    QOZMHamburgerMenuWidget* header() const { return m_header; }
    QOZMHamburgerMenu* panel() const;
    QPushButton* button(const char* name) const;

private:
    QOZMHamburgerMenuWidget* m_header;
};
