// A check box whose caption wraps within its width and that tells the height its caption needs.
#pragma once

#include <QCheckBox>
#include <QColor>

#include <functional>

class TWrapCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit TWrapCheckBox(QWidget* parent = nullptr);

    // The caption as shown (no accelerators); assistive technologies read it as the name.
    void setCaption(const QString& caption);
    QString caption() const { return m_caption; }

    void setFontColour(const QColor& colour);
    QColor fontColour() const { return m_fontColour; }

    // Without the check mark the box serves as a wrapped label.
    void setShowIndicator(bool show);
    bool showIndicator() const { return m_showIndicator; }

    // The change notification: runs on every change of the ticked state while attached.
    void setChangeHandler(std::function<void()> handler) { m_onChange = std::move(handler); }
    void detachChangeHandler() { m_attached = false; }
    void attachChangeHandler() { m_attached = true; }
    bool changeHandlerAttached() const { return m_attached; }

    // Height of the caption wrapped within the width, plus the box's own vertical spacing.
    int neededHeight() const;
    int neededHeight(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {20, 16}; }

protected:
    void paintEvent(QPaintEvent* e) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect textRect(int width) const;
    int indicatorSpace() const;

    QString m_caption;
    QColor m_fontColour = Qt::black;
    bool m_showIndicator = true;
    bool m_attached = true;
    std::function<void()> m_onChange;
};
