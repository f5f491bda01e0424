#pragma once

#include <QLabel>
#include <memory>

class PopUp;

// A question-mark icon that shows a speech bubble beside its window while the
// pointer rests on it.
class HelpIcon : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString helpText READ helpText WRITE setHelpText)
    Q_PROPERTY(QString helpCaption READ helpCaption WRITE setHelpCaption)
public:
    // Where the bubble goes: to the right of the window, or to the left of the
    // icon when it would pass the screen's right edge, and always within the
    // screen's height, its arrow still pointing at the icon.
    struct Placement
    {
        QPoint pos;
        bool arrowOnRight = false;
        int arrowOffset = 0;
    };
    static Placement placePopup(const QRect& windowFrame, const QRect& iconGlobal, const QRect& screen,
                                const QSize& popup);

    explicit HelpIcon(QWidget* parent = nullptr);
    ~HelpIcon() override;

    QString helpText() const;
    void setHelpText(const QString& text);
    QString helpCaption() const;
    void setHelpCaption(const QString& caption);
    PopUp* popup() const { return m_popup.get(); }

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::unique_ptr<PopUp> m_popup;
};
