// The animation control: plays a list of pictures one after another in a loop; stopping it
// blanks the picture.
#pragma once

#include <QImage>
#include <QTimer>
#include <QVector>
#include <QWidget>

class TAnimate : public QWidget
{
    Q_OBJECT
public:
    explicit TAnimate(QWidget* parent = nullptr);

    // Replaces the frames; the control stops.
    void setFrames(QVector<QImage> frames);
    void clear();
    int frameCount() const { return int(m_frames.size()); }
    // Starts at the first frame; does nothing without frames.
    void play();
    void stop();
    bool playing() const { return m_timer.isActive(); }
    // The frame on show, or -1 while stopped.
    int currentFrame() const { return m_shown; }
    static constexpr int FrameIntervalMs = 100;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void step();
    QVector<QImage> m_frames;
    QTimer m_timer;
    int m_shown = -1;
};
