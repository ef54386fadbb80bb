// A first, plain painting of the self-drawn button; the full bevel comes with the skins.
#include "FancyButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

TDsFancyButton::TDsFancyButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    m_buttonColor = palette().color(QPalette::Button);
    resize(97, 25);
}

TDsFancyButton::TDsFancyButton(const QString& caption, QWidget* parent) : TDsFancyButton(parent)
{
    setText(caption);
    applyProgramSettings();
}

void TDsFancyButton::applyProgramSettings()
{
    m_buttonColor = QColor(205, 179, 115);
    m_frameColor = QColor(128, 128, 0);
    m_frameWidth = 1;
    m_cornerRadius = 10;
    m_textStyle = txNone;
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    setFont(f);
    update();
}

void TDsFancyButton::applyGreyFrame()
{
    setFrameColor(QColor(128, 128, 128));
}

void TDsFancyButton::setButtonColor(const QColor& c)
{
    if (c != m_buttonColor) {
        m_buttonColor = c;
        update();
    }
}

void TDsFancyButton::setFrameColor(const QColor& c)
{
    if (c != m_frameColor) {
        m_frameColor = c;
        update();
    }
}

void TDsFancyButton::setFrameWidth(int w)
{
    m_frameWidth = std::min(std::max(w, 1), std::min(width(), height()) / 2);
    update();
}

void TDsFancyButton::setCornerRadius(int r)
{
    m_cornerRadius = std::min(std::max(r, 3), std::min(width(), height()));
    update();
}

void TDsFancyButton::setShape(TShape s)
{
    if (s != m_shape) {
        m_shape = s;
        update();
    }
}

void TDsFancyButton::setTextStyle(TTextStyle s)
{
    if (s != m_textStyle) {
        m_textStyle = s;
        update();
    }
}

void TDsFancyButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(r, m_cornerRadius, m_cornerRadius);
    m_outline = QRegion(path.toFillPolygon().toPolygon());
    p.fillPath(path, m_buttonColor);
    p.setPen(m_frameColor);
    p.drawPath(path);
    p.setPen(isEnabled() ? palette().color(QPalette::ButtonText) : palette().color(QPalette::Dark));
    QRect textRect = rect();
    if (m_pressed)
        textRect.translate(1, 1);
    p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

bool TDsFancyButton::hitButton(const QPoint& pos) const
{
    return m_outline.isEmpty() ? rect().contains(pos) : m_outline.contains(pos);
}

void TDsFancyButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !hitButton(e->position().toPoint())) {
        e->ignore();
        return;
    }
    m_pressed = true;
    repaint();
    QAbstractButton::mousePressEvent(e);
}

void TDsFancyButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_pressed) {
        e->ignore();
        return;
    }
    m_pressed = false;
    repaint();
    QAbstractButton::mouseReleaseEvent(e);
}

bool TDsFancyButton::event(QEvent* e)
{
    return QAbstractButton::event(e);
}

void TDsFancyButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(e);
}
