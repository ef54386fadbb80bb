// The self-drawn push button: outline by shape, fill, two frames, a shaded bevel and the caption.
#include "FancyButton.h"

#include "Accessible.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>

// The system colours of the button map onto the widget's palette: button face is
// QPalette::Button, button highlight is QPalette::Light and button shadow is QPalette::Dark,
// the roles Qt's styles use for the lit and the shaded edge of a raised panel.
namespace {

QColor faceColour(const QWidget* w)
{
    return w->palette().color(QPalette::Button);
}
QColor highlightColour(const QWidget* w)
{
    return w->palette().color(QPalette::Light);
}
QColor shadowColour(const QWidget* w)
{
    return w->palette().color(QPalette::Dark);
}

// A rounded rectangle left..right-1, top..bottom-1 with an ew x eh corner ellipse, built row by
// row so that the outline is the same pixels on every platform.
QRegion roundRectRegion(int left, int top, int right, int bottom, int ew, int eh)
{
    QRegion region;
    const int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0)
        return region;
    ew = std::min(ew, w);
    eh = std::min(eh, h);
    const double rx = ew / 2.0, ry = eh / 2.0;
    for (int y = 0; y < h; ++y) {
        const double yc = y + 0.5;
        double dy = 0;
        if (yc < ry)
            dy = ry - yc;
        else if (yc > h - ry)
            dy = yc - (h - ry);
        int inset = 0;
        if (dy > 0 && ry > 0) {
            const double t = std::max(0.0, 1.0 - (dy / ry) * (dy / ry));
            inset = int(std::lround(rx - rx * std::sqrt(t)));
        }
        if (w - 2 * inset > 0)
            region += QRect(left + inset, top + y, w - 2 * inset, 1);
    }
    return region;
}

QRegion rectRegion(int left, int top, int right, int bottom)
{
    return right > left && bottom > top ? QRegion(left, top, right - left, bottom - top) : QRegion();
}

// The pixels of the region that touch its outside: a one-pixel frame along its edge.
QRegion frameOf(const QRegion& r)
{
    const QRegion inner =
        r & r.translated(1, 0) & r.translated(-1, 0) & r.translated(0, 1) & r.translated(0, -1);
    return r - inner;
}

void fillRegion(QPainter& p, const QRegion& r, const QColor& c)
{
    for (const QRect& rect : r)
        p.fillRect(rect, c);
}

} // namespace

TDsFancyButton::TDsFancyButton(QWidget* parent) : QAbstractButton(parent)
{
    Accessible::installFactories();
    setFocusPolicy(Qt::NoFocus);
    m_buttonColor = faceColour(this);
    resize(97, 25);
    // A click, however it came about, ends the pressed look.
    connect(this, &QAbstractButton::clicked, this, [this] {
        m_pressed = false;
        update();
    });
}

TDsFancyButton::TDsFancyButton(const QString& caption, QWidget* parent) : TDsFancyButton(parent)
{
    setText(caption);
    applyProgramSettings();
}

TDsFancyButton* TDsFancyButton::create(const QString& caption, QWidget* parent, const QRect& geometry,
                                       const QString& objectName)
{
    auto* b = new TDsFancyButton(caption, parent);
    if (!objectName.isEmpty())
        b->setObjectName(objectName);
    b->setGeometry(geometry);
    return b;
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
    QPalette pal = palette();
    pal.setColor(QPalette::ButtonText, Qt::black);
    setPalette(pal);
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

QColor TDsFancyButton::bevelColour(const QColor& frame, const QColor& fill, int frameWidth, int ring)
{
    const int w = bevelRings(frameWidth);
    if (w <= 0)
        return frame;
    const double k = std::sqrt(double(w) * w - double(w - ring) * (w - ring));
    auto channel = [&](int f, int b) { return std::clamp(f + int(std::trunc(k * (b - f) / w)), 0, 255); };
    return QColor(channel(frame.red(), fill.red()), channel(frame.green(), fill.green()),
                  channel(frame.blue(), fill.blue()));
}

// The outline of the button (inset 0) or of bevel ring `inset - 1`.
QRegion TDsFancyButton::outlineFor(int inset) const
{
    const int W = width(), H = height();
    if (inset == 0) {
        switch (m_shape) {
        case shCapsule:
            return roundRectRegion(0, 0, W, H, std::min(W, H), std::min(W, H));
        case shOval:
            return roundRectRegion(0, 0, W, H, W, H);
        case shRectangle:
            return rectRegion(0, 0, W - 1, H - 1);
        case shRoundRect:
            return roundRectRegion(0, 0, W, H, 2 * m_cornerRadius, 2 * m_cornerRadius);
        }
        return {};
    }
    const int i = inset - 1;
    auto rounded = [&](int r) {
        return r > 0 ? roundRectRegion(i + 1, i + 1, W - i, H - i, 2 * r, 2 * r)
                     : rectRegion(i + 1, i + 1, W - i - 1, H - i - 1);
    };
    switch (m_shape) {
    case shOval:
        return roundRectRegion(i + 1, i + 1, W - i, H - i, W - 2 * i - 1, H - 2 * i - 1);
    case shRoundRect:
        return rounded(m_cornerRadius - i);
    case shCapsule:
        return rounded(std::min(W, H) / 2 - i);
    case shRectangle:
        return rectRegion(i + 1, i + 1, W - i - 1, H - i - 1);
    }
    return {};
}

void TDsFancyButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor lit = highlightColour(this), shade = shadowColour(this);

    const QRegion outline = outlineFor(0);
    fillRegion(p, outline, m_buttonColor);
    fillRegion(p, frameOf(outline), m_pressed ? shade : lit);
    m_outline = outline.translated(1, 1);
    fillRegion(p, frameOf(m_outline), m_pressed ? lit : shade);

    const int rings = bevelRings(m_frameWidth);
    for (int i = 0; i < rings; ++i)
        fillRegion(p, frameOf(outlineFor(i + 1)), bevelColour(m_frameColor, m_buttonColor, m_frameWidth, i));

    drawCaption(p);

    if (width() > MaxExtent || height() > MaxExtent) {
        // Resizing inside the paint would disturb the paint that is still under way.
        QTimer::singleShot(0, this, [this] {
            resize(std::min(width(), int(MaxExtent)), std::min(height(), int(MaxExtent)));
        });
    }
}

void TDsFancyButton::drawCaption(QPainter& p)
{
    p.setFont(font());
    p.setBackgroundMode(Qt::TransparentMode);
    const QColor fontColour = palette().color(QPalette::ButtonText);
    const QFontMetrics fm(font());
    const QString plain = plainCaption(text());
    const int tw = fm.horizontalAdvance(plain), th = fm.height();
    const QRect box((width() - tw) / 2, (height() - th) / 2, tw, th);
    const int flags =
        Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::TextDontClip;

    QColor effect;
    QPoint shift;
    switch (m_textStyle) {
    case txNone:
        break;
    case txLowered:
        effect = highlightColour(this);
        shift = m_pressed ? QPoint(0, 0) : QPoint(2, 2);
        break;
    case txRaised:
        effect = highlightColour(this);
        shift = m_pressed ? QPoint(2, 2) : QPoint(0, 0);
        break;
    case txShadowed:
        effect = shadowColour(this);
        shift = m_pressed ? QPoint(4, 4) : QPoint(3, 3);
        break;
    }
    if (effect.isValid()) {
        p.setPen(effect);
        p.drawText(box.translated(shift), flags, text());
    }

    QColor colour = fontColour;
    if (!isEnabled())
        colour = m_textStyle == txShadowed ? faceColour(this) : shadowColour(this);
    p.setPen(colour);
    p.drawText(box.translated(m_pressed ? QPoint(1, 1) : QPoint(-1, -1)), flags, text());
}

bool TDsFancyButton::hitButton(const QPoint& pos) const
{
    // A button that has not been painted yet (its window is not exposed so far) answers with
    // the outline its first paint will make, so that a click is never lost to timing.
    if (m_outline.isEmpty())
        return outlineFor(0).translated(1, 1).contains(pos);
    return m_outline.contains(pos);
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

QString TDsFancyButton::plainCaption(const QString& caption)
{
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 == caption.size())
                break; // a trailing mark shows nothing
            ++i;       // the next character is shown, whatever it is ("&&" shows one "&")
        }
        plain.append(caption[i]);
    }
    return plain;
}

QChar TDsFancyButton::accelerator() const
{
    const QString t = text();
    for (qsizetype i = 0; i + 1 < t.size(); ++i) {
        if (t[i] != u'&')
            continue;
        if (t[i + 1] != u'&')
            return t[i + 1];
        ++i; // "&&" is a plain ampersand
    }
    return {};
}

bool TDsFancyButton::DialogChar(QChar c)
{
    const QChar acc = accelerator();
    if (acc.isNull() || c.isNull() || !isEnabled() || !isVisible() || c.toCaseFolded() != acc.toCaseFolded())
        return false;
    click();
    return true;
}

bool TDsFancyButton::event(QEvent* e)
{
    // Alt with the accelerator clicks at once, without the delayed animated click.
    if (e->type() == QEvent::Shortcut) {
        auto* se = static_cast<QShortcutEvent*>(e);
        if (se->key() == shortcut() && isEnabled()) {
            click();
            return true;
        }
    }
    return QAbstractButton::event(e);
}

void TDsFancyButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(e);
}
