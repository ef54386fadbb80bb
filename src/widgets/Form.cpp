// The common window base.
#include "Form.h"

#include "Guard.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

TForm::TForm(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, windowColour());
    setPalette(pal);
    setAutoFillBackground(false);
}

QColor TForm::windowColour()
{
    return QColor(205, 179, 115);
}

bool TForm::ShowModal()
{
    return exec() == QDialog::Accepted;
}

void TForm::centreOnScreen()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void TForm::setSkin(const QString& skinName, QSize size)
{
    m_skinName = skinName;
    setFixedSize(size);
    update();
}

QPushButton* TForm::addHiddenDefaultButton(const QString& caption)
{
    auto* b = new QPushButton(caption, this);
    b->setDefault(true);
    b->setAutoDefault(false);
    b->setGeometry(-200, -200, 60, 20); // outside the visible area, yet "visible" for Enter
    return b;
}

QPushButton* TForm::addHiddenCancelButton(const QString& caption)
{
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    b->setGeometry(-200, -200, 60, 20);
    connect(b, &QPushButton::clicked, this, &QDialog::reject);
    return b;
}

void TForm::done(int result)
{
    if (m_closing)
        return;
    bool mayClose = true;
    Guarded([&] { mayClose = FormCloseQuery(); });
    if (!mayClose)
        return;
    m_closing = true;
    Guarded([&] { FormClose(); });
    m_closing = false;
    QDialog::done(result);
}

bool TForm::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Guarded([&] { FormActivate(); });
    return QDialog::event(e);
}

void TForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), windowColour());
    p.setPen(QColor(128, 128, 0));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
