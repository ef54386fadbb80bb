// The animation control.
#include "Animate.h"

#include <QPainter>

TAnimate::TAnimate(QWidget* parent) : QWidget(parent)
{
    m_timer.setInterval(FrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TAnimate::step);
}

void TAnimate::setFrames(QVector<QImage> frames)
{
    stop();
    m_frames = std::move(frames);
}

void TAnimate::clear()
{
    setFrames({});
}

void TAnimate::play()
{
    if (m_frames.isEmpty()) return;
    m_shown = 0;
    m_timer.start();
    update();
}

void TAnimate::stop()
{
    m_timer.stop();
    m_shown = -1;
    update();
}

void TAnimate::step()
{
    if (m_frames.isEmpty()) {
        stop();
        return;
    }
    m_shown = (m_shown + 1) % int(m_frames.size());
    update();
}

void TAnimate::paintEvent(QPaintEvent*)
{
    if (m_shown < 0 || m_shown >= m_frames.size()) return;
    const QImage& frame = m_frames[m_shown];
    if (frame.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Frames larger than the control are scaled down to fit; smaller ones are centred as they are.
    QSize size = frame.size();
    if (size.width() > width() || size.height() > height()) size.scale(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.drawImage(target, frame);
}
