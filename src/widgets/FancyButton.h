// The self-drawn push button of every window: rounded outline, fill, bevel and centred caption.
// It takes no keyboard focus; its caption's accelerator clicks it.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRegion>

class QPainter;

class TDsFancyButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum TShape { shCapsule, shOval, shRectangle, shRoundRect };
    Q_ENUM(TShape)
    enum TTextStyle { txNone, txLowered, txRaised, txShadowed };
    Q_ENUM(TTextStyle)

    explicit TDsFancyButton(QWidget* parent = nullptr);
    TDsFancyButton(const QString& caption, QWidget* parent);

    // The button as the windows place it: the program's settings, the caption, the place and,
    // where given, the object name by which the window and its tests find it.
    static TDsFancyButton* create(const QString& caption, QWidget* parent, const QRect& geometry,
                                  const QString& objectName = QString());

    // The settings every button of the program has (colour, olive frame, Arial 13 px).
    void applyProgramSettings();
    // The grey frame of the message window and the information panel.
    void applyGreyFrame();

    QColor ButtonColor() const { return m_buttonColor; }
    void setButtonColor(const QColor& c);
    QColor FrameColor() const { return m_frameColor; }
    void setFrameColor(const QColor& c);
    int FrameWidth() const { return m_frameWidth; }
    void setFrameWidth(int w);
    int CornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(int r);
    TShape Shape() const { return m_shape; }
    void setShape(TShape s);
    TTextStyle TextStyle() const { return m_textStyle; }
    void setTextStyle(TTextStyle s);

    bool pressedFlag() const { return m_pressed; }
    // The outline of the last paint, shifted by (1, 1): the area that takes presses.
    QRegion outlineRegion() const { return m_outline; }

    // The letter after "&" in the caption, or a null character.
    QChar accelerator() const;
    // A caption as it is shown: without its accelerator marks, "&&" standing for one "&".
    static QString plainCaption(const QString& caption);
    // A typed character that the focused control did not take: clicks the button when it is the
    // caption's accelerator and the button is enabled. True when it clicked.
    bool DialogChar(QChar c);

    // The colour of bevel ring `ring` of a bevel `frameWidth` wide, shading from `frame` into `fill`.
    static QColor bevelColour(const QColor& frame, const QColor& fill, int frameWidth, int ring);
    // The width of the bevel actually drawn: FrameWidth rounded up to an even number.
    static int bevelRings(int frameWidth) { return frameWidth % 2 ? frameWidth + 1 : frameWidth; }

    QSize sizeHint() const override { return {97, 25}; }

    // Largest width and height a button keeps after painting.
    static constexpr int MaxExtent = 145;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool hitButton(const QPoint& pos) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    QRegion outlineFor(int inset) const;
    void drawCaption(QPainter& p);

    QColor m_buttonColor;
    QColor m_frameColor = Qt::black;
    int m_frameWidth = 6;
    int m_cornerRadius = 10;
    TShape m_shape = shRoundRect;
    TTextStyle m_textStyle = txRaised;
    bool m_pressed = false;
    QRegion m_outline;
};
