#pragma once

#include <QDialog>
#include <QPoint>

// The base of every dialog of the client and of its main window: centred under
// the mouse cursor when built, shown again where it was last hidden, kept above
// the bottom of the screen, deaf to Escape, Return and Enter, and brought up
// only through display().
class OZDialog : public QDialog
{
    Q_OBJECT
public:
    explicit OZDialog(QWidget* parent = nullptr);

    void moveToCenter();

public slots:
    // Clears popups, modal windows and, for a top-level dialog, the client's
    // other dialogs out of the way, then shows this one in front.
    virtual void display();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

    void hideAllPopupWindows();

private:
    void clearActiveWindows(QWidget* (*active)());
    void closeOtherDialogs();

    QPoint m_rememberedPos;
};
