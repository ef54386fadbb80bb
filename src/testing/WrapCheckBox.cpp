// The word-wrapped check box of the test window.
#include "WrapCheckBox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace {
constexpr int VerticalSpacing = 2;
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
} // namespace

TWrapCheckBox::TWrapCheckBox(QWidget* parent) : QCheckBox(parent)
{
    connect(this, &QAbstractButton::toggled, this, [this] {
        if (m_attached && m_onChange) m_onChange();
    });
}

void TWrapCheckBox::setCaption(const QString& caption)
{
    m_caption = caption;
    QString escaped = caption;
    escaped.replace(u'&', QStringLiteral("&&"));
    setText(escaped);
    setAccessibleName(caption.trimmed());
    update();
}

void TWrapCheckBox::setFontColour(const QColor& colour)
{
    if (colour == m_fontColour) return;
    m_fontColour = colour;
    update();
}

void TWrapCheckBox::setShowIndicator(bool show)
{
    m_showIndicator = show;
    update();
}

int TWrapCheckBox::indicatorSpace() const
{
    if (!m_showIndicator) return 0;
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
           style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
}

QRect TWrapCheckBox::textRect(int width) const
{
    const int left = indicatorSpace();
    return QRect(left, VerticalSpacing, qMax(1, width - left), 100000);
}

int TWrapCheckBox::neededHeight() const
{
    return neededHeight(width());
}

int TWrapCheckBox::neededHeight(int width) const
{
    const QRect r = textRect(width);
    const int textHeight = m_caption.isEmpty() ? fontMetrics().height()
                                               : fontMetrics().boundingRect(r, TextFlags, m_caption).height();
    const int indicator =
        m_showIndicator ? style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this) : 0;
    return qMax(textHeight, indicator) + 2 * VerticalSpacing;
}

QSize TWrapCheckBox::sizeHint() const
{
    const int w = qMax(width(), 100);
    return QSize(w, neededHeight(w));
}

bool TWrapCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void TWrapCheckBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_showIndicator) {
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const int iw = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
        const int ih = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
        const int lineHeight = fontMetrics().height();
        opt.rect = QRect(0, VerticalSpacing + qMax(0, (lineHeight - ih) / 2), iw, ih);
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p, this);
    }
    QColor colour = m_fontColour;
    if (!isEnabled() && colour == QColor(Qt::black)) colour = QColor(70, 70, 70);
    p.setPen(colour);
    p.setFont(font());
    p.drawText(textRect(width()), TextFlags, m_caption);
    if (hasFocus()) {
        QStyleOptionFocusRect fr;
        fr.initFrom(this);
        fr.rect = textRect(width()).intersected(rect());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, &p, this);
    }
}
