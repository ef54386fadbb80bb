// The skinned background of a window.
#include "PlasmaForm.h"

#include "PictureStore.h"
#include "PlasmaRegion.h"
#include "data/Error.h"
#include "data/Strings.h"

#include <QDialog>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

QWidget* checkedForm(QWidget* parent)
{
    if (!parent || !parent->isWindow() || !qobject_cast<QDialog*>(parent))
        throw TError(Str::PleaseDropOnForm);
    return parent;
}

} // namespace

TPlasmaForm::TPlasmaForm(QWidget* parent) : QWidget(checkedForm(parent)), m_mask(new TPlasmaRegion(this))
{
    setObjectName(QStringLiteral("PlasmaForm1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!(parent->windowFlags() & Qt::FramelessWindowHint))
        parent->setWindowFlags(parent->windowFlags() | Qt::FramelessWindowHint);
    setGeometry(parent->rect());
    parent->installEventFilter(this);
    lower();
}

QPixmap TPlasmaForm::Picture() const
{
    if (!m_pictureFile.isEmpty()) {
        m_picture = PictureStore::pixmap(m_pictureFile);
        m_pictureFile.clear();
    }
    return m_picture;
}

bool TPlasmaForm::setPictureFile(const QString& path)
{
    const QSize size = PictureStore::headerSize(path);
    if (!size.isValid() || size.isEmpty()) {
        setPicture(QPixmap());
        return false;
    }
    m_picture = QPixmap();
    m_pictureFile = path;
    parentWidget()->setFixedSize(size);
    setGeometry(parentWidget()->rect());
    update();
    return true;
}

void TPlasmaForm::setPicture(const QPixmap& picture)
{
    m_pictureFile.clear();
    m_picture = picture;
    if (!m_picture.isNull()) {
        parentWidget()->setFixedSize(m_picture.deviceIndependentSize().toSize());
        setGeometry(parentWidget()->rect());
    }
    update();
}

void TPlasmaForm::setMask(const TPlasmaRegion* mask)
{
    if (mask)
        m_mask->setFromRegion(mask);
    Loaded();
}

void TPlasmaForm::Loaded()
{
    QWidget* form = parentWidget();
    if (m_mask->isEmpty())
        form->clearMask();
    else
        form->setMask(m_mask->region());
    form->update();
}

void TPlasmaForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Picture();
    if (m_picture.isNull()) {
        p.fillRect(rect(), palette().color(QPalette::Window));
        p.setPen(QColor(128, 128, 0));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    } else
        p.drawPixmap(0, 0, m_picture);
}

void TPlasmaForm::mousePressEvent(QMouseEvent* e)
{
    QWidget::mousePressEvent(e);
    m_dragOrigin = e->position().toPoint();
}

void TPlasmaForm::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    const bool leftAlone = e->buttons() == Qt::LeftButton && e->modifiers() == Qt::NoModifier;
    if (!m_moveable || !leftAlone)
        return;
    QWidget* form = parentWidget();
    // The position is taken from the screen position, because the window system may report
    // positions relative to where the window was before the last move had taken effect.
    const QPoint at = e->globalPosition().toPoint() - mapToGlobal(QPoint(0, 0));
    form->move(form->pos() + at - m_dragOrigin);
    form->repaint();
}

bool TPlasmaForm::eventFilter(QObject* watched, QEvent* e)
{
    // The background always covers the whole client area, whatever size the window takes.
    // A hidden window gets its resize events only when it is shown.
    if (watched == parentWidget() && (e->type() == QEvent::Resize || e->type() == QEvent::Show))
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, e);
}
