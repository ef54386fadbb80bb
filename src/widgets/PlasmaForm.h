// The skinned background of a window: its picture, its shape, and dragging the window by it.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class TPlasmaRegion;

class TPlasmaForm final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QPixmap Picture READ Picture WRITE setPicture)
    Q_PROPERTY(bool Moveable READ Moveable WRITE setMoveable)
public:
    // The parent must be a top-level dialog window; anything else raises "Please Drop on a Form".
    explicit TPlasmaForm(QWidget* parent);

    // The picture; one given as a file is decoded here or at the first paint, whichever comes first.
    QPixmap Picture() const;
    // A picture that is not empty makes the window's client area the picture's size.
    void setPicture(const QPixmap& picture);
    // The same for a picture in a file (or resource): its size is read from the file's header
    // now, the picture itself is decoded when it is first needed. Files of the same name share
    // one decoded picture. False (and no picture) when the file holds no readable picture.
    bool setPictureFile(const QString& path);
    TPlasmaRegion* Mask() const { return m_mask; }
    // Takes the given region's shape (when there is one) and applies the shape to the window.
    void setMask(const TPlasmaRegion* mask);
    bool Moveable() const { return m_moveable; }
    void setMoveable(bool on) { m_moveable = on; }

    // Applies the mask as the window's shape; an empty mask leaves the window rectangular.
    void Loaded();
    QPoint dragOrigin() const { return m_dragOrigin; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    mutable QPixmap m_picture;
    mutable QString m_pictureFile; // not yet decoded
    TPlasmaRegion* m_mask;
    bool m_moveable = true;
    QPoint m_dragOrigin;
};
