#pragma once

#include "OZDialog.h"
#include "ui_About.h"

// The product's version and build, what it does with links to the operator's
// privacy policy and licence agreement, and the owner notice.
class About : public OZDialog
{
    Q_OBJECT
public:
    explicit About(QWidget* parent = nullptr);

public slots:
    void applyBrandInfo();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateUi();

    Ui::About m_ui;
};
