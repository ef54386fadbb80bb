// The word-wrapped check box of the test window.
#include "WrapCheckBox.h"

#include "widgets/Accessible.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace {
constexpr int VerticalSpacing = 2;
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
} // namespace

namespace {

// A box that cannot be ticked serves as the question's text: assistive technologies are told
// it is text, not a button. A box that can be ticked is a check box named by its caption.
class TWrapCheckBoxAccessible final : public QAccessibleWidget
{
public:
    explicit TWrapCheckBoxAccessible(TWrapCheckBox* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}

    TWrapCheckBox* box() const { return static_cast<TWrapCheckBox*>(widget()); }

    QAccessible::Role role() const override
    {
        return box()->isCheckable() ? QAccessible::CheckBox : QAccessible::StaticText;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return box()->caption().trimmed();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (box()->isCheckable()) {
            s.checkable = true;
            s.checked = box()->isChecked();
        } else {
            s.focusable = false;
            s.readOnly = true;
        }
        return s;
    }
    QStringList actionNames() const override
    {
        if (!box()->isCheckable() || !box()->isEnabled() || Accessible::blockedByModal(box()))
            return {};
        return {toggleAction(), pressAction()};
    }
    void doAction(const QString& name) override
    {
        if (!box()->isCheckable() || !box()->isEnabled() || Accessible::blockedByModal(box()))
            return;
        if (name == toggleAction() || name == pressAction())
            box()->click();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* wrapCheckBoxFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TWrapCheckBox"))
        return new TWrapCheckBoxAccessible(static_cast<TWrapCheckBox*>(object));
    return nullptr;
}

} // namespace

TWrapCheckBox::TWrapCheckBox(QWidget* parent) : QCheckBox(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(wrapCheckBoxFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    connect(this, &QAbstractButton::toggled, this, [this] {
        if (m_attached && m_onChange)
            m_onChange();
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
    if (colour == m_fontColour)
        return;
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
    if (!m_showIndicator)
        return 0;
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
    if (!isEnabled() && colour == QColor(Qt::black))
        colour = QColor(70, 70, 70);
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
