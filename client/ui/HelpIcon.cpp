#include "HelpIcon.h"

#include "PopUp.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace {

const int Gap = 6;

// Loaded by the first help icon, freed with the last.
int instances = 0;
QPixmap* hoverPixmap = nullptr;
QPixmap* awayPixmap = nullptr;

} // namespace

HelpIcon::Placement HelpIcon::placePopup(const QRect& windowFrame, const QRect& iconGlobal, const QRect& screen,
                                         const QSize& popup)
{
    Placement placement;
    int x = windowFrame.right() + Gap;
    if (x + popup.width() - 1 > screen.right()) {
        x = iconGlobal.left() - popup.width() - Gap;
        placement.arrowOnRight = true;
    }
    int y = iconGlobal.center().y() - popup.height() / 2;
    int shift = 0;
    if (y < screen.top())
        shift = screen.top() - y;
    else if (y + popup.height() - 1 > screen.bottom())
        shift = screen.bottom() - (y + popup.height() - 1);
    placement.pos = QPoint(x, y + shift);
    placement.arrowOffset = -shift;
    return placement;
}

HelpIcon::HelpIcon(QWidget* parent)
    : QLabel(parent)
    , m_popup(std::make_unique<PopUp>())
{
    if (instances++ == 0) {
        hoverPixmap = new QPixmap(QStringLiteral(":/Images/iconQuest_roll.png"));
        awayPixmap = new QPixmap(QStringLiteral(":/Images/iconQuest_off.png"));
    }
    setPixmap(*awayPixmap);
    connect(this, &QObject::objectNameChanged, m_popup.get(), &PopUp::setObjectNamePrefix);
}

HelpIcon::~HelpIcon()
{
    m_popup.reset();
    if (--instances == 0) {
        delete hoverPixmap;
        delete awayPixmap;
        hoverPixmap = awayPixmap = nullptr;
    }
}

QString HelpIcon::helpText() const
{
    return m_popup->lText->text();
}

void HelpIcon::setHelpText(const QString& text)
{
    m_popup->lText->setText(text);
    m_popup->adjustSize();
}

QString HelpIcon::helpCaption() const
{
    return m_popup->lCaption->text();
}

void HelpIcon::setHelpCaption(const QString& caption)
{
    m_popup->lCaption->setText(caption);
    m_popup->adjustSize();
}

void HelpIcon::enterEvent(QEvent* event)
{
    setPixmap(*hoverPixmap);
    if (window()->isActiveWindow()) {
        QScreen* screen = QGuiApplication::screenAt(mapToGlobal(rect().center()));
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const Placement placement = placePopup(window()->frameGeometry(), QRect(mapToGlobal(QPoint(0, 0)), size()),
                                               screen->geometry(), m_popup->size());
        m_popup->move(placement.pos);
        m_popup->setMask(m_popup->arrowedRect(m_popup->rect(), placement.arrowOnRight, placement.arrowOffset));
        m_popup->show();
    }
    QLabel::enterEvent(event);
}

void HelpIcon::leaveEvent(QEvent* event)
{
    setPixmap(*awayPixmap);
    m_popup->hide();
    QLabel::leaveEvent(event);
}
