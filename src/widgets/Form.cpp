// The common window base.
#include "Form.h"

#include "Accessible.h"
#include "FancyButton.h"
#include "Guard.h"
#include "PictureStore.h"
#include "PlasmaForm.h"
#include "PlasmaRegion.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

// The skins live in this static library; pull their resource object in with the first window.
static void initSkinResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(skins);
        return true;
    }();
    Q_UNUSED(done);
}

TForm::TForm(QWidget* parent) : QDialog(parent)
{
    initSkinResources();
    Accessible::installFactories();
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, windowColour());
    setPalette(pal);
    setAutoFillBackground(false);
}

TForm::~TForm()
{
    if (m_modalLoop)
        m_modalLoop->exit();
}

QColor TForm::windowColour()
{
    return QColor(205, 179, 115);
}

QColor TForm::lightWindowColour()
{
    return QColor(240, 230, 202);
}

static bool anotherWindowStaysOnTop(const QWidget* self)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [self](const QWidget* w) {
        return w != self && w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint);
    });
}

bool TForm::ShowModal()
{
    // QDialog::exec() leaves its loop as soon as the dialog is hidden; this loop ends only in done().
    if (m_modalLoop)
        return false; // already running modally: a second run would never return first
    setResult(0);
    m_activatedInOpening = false;
    setAttribute(Qt::WA_ShowModal, true);
    // A window that waits for the user goes above the windows that stay on top (the test's
    // information panel), so that none of them covers it.
    const bool raiseAboveTopmost =
        !(windowFlags() & Qt::WindowStaysOnTopHint) && anotherWindowStaysOnTop(this);
    if (raiseAboveTopmost)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    QEventLoop loop;
    m_modalLoop = &loop;
    const QPointer<TForm> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (!self)
        return false;
    m_modalLoop = nullptr;
    if (raiseAboveTopmost)
        setWindowFlag(Qt::WindowStaysOnTopHint, false); // hidden by now: no window shows again
    return result() == QDialog::Accepted;
}

void TForm::abandonModalRun()
{
    hide();
    if (m_modalLoop)
        m_modalLoop->exit();
}

void TForm::centreOnScreen()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

QString TForm::skinPicturePath(const QString& skinName)
{
    return QStringLiteral(":/ferdano/skins/%1.jpg").arg(skinName);
}

QString TForm::skinShapePath(const QString& skinName)
{
    return QStringLiteral(":/ferdano/skins/%1.rgn").arg(skinName);
}

void TForm::preparePictures(const QStringList& resourcePaths)
{
    initSkinResources(); // before another thread reads them
    PictureStore::decodeInBackground(resourcePaths);
}

void TForm::setSkin(const QString& skinName, QSize size)
{
    m_skinName = skinName;
    setFixedSize(size);

    QByteArray shapeBytes;
    QFile shapeFile(skinShapePath(skinName));
    if (shapeFile.open(QIODevice::ReadOnly))
        shapeBytes = shapeFile.readAll();
    // The picture is decoded when the window is first painted; its size counts from now.
    const QString picturePath = skinPicturePath(skinName);
    const bool hasPicture = QFile::exists(picturePath);

    // A skin with a shape but no picture (the help balloon) shapes the window itself.
    if (!hasPicture && !shapeBytes.isEmpty()) {
        delete m_plasma;
        m_plasma = nullptr;
        m_shape = ParseRegionData(shapeBytes);
        if (m_shape.isEmpty())
            clearMask();
        else
            setMask(m_shape);
        update();
        return;
    }

    m_shape = QRegion();
    if (!m_plasma)
        m_plasma = new TPlasmaForm(this);
    m_plasma->setGeometry(rect());
    if (hasPicture)
        m_plasma->setPictureFile(picturePath); // a picture of another size than asked for wins
    else
        m_plasma->setPicture(QPixmap());
    TPlasmaRegion region;
    region.setFromBytes(shapeBytes);
    m_plasma->setMask(&region);
    m_plasma->lower();
    m_plasma->show();
}

QLabel* TForm::boldLabel(const QString& text, QWidget* parent, const QRect& geometry, int pixelSize)
{
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    if (pixelSize > 0)
        bold.setPixelSize(pixelSize);
    label->setFont(bold);
    label->setGeometry(geometry);
    return label;
}

QPushButton* TForm::addHiddenDefaultButton(const QString& caption)
{
    auto* b = new THiddenButton(caption, this);
    b->setShortcut(QKeySequence()); // the visible button of the same caption owns Alt+letter
    b->setDefault(true);
    b->setAutoDefault(false);
    b->setGeometry(-200, -200, 60, 20); // outside the visible area, yet "visible" for Enter
    return b;
}

QPushButton* TForm::addHiddenCancelButton(const QString& caption)
{
    auto* b = new THiddenButton(caption, this);
    b->setShortcut(QKeySequence());
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
    if (m_modalLoop)
        m_modalLoop->exit();
}

bool TForm::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate) {
        Guarded([&] { FormActivate(); });
        m_activatedInOpening = true;
    } else if (e->type() == QEvent::WindowBlocked)
        m_blocked = true;
    else if (e->type() == QEvent::WindowUnblocked)
        m_blocked = false;
    return QDialog::event(e);
}

void TForm::paintEvent(QPaintEvent*)
{
    // Only seen where no skinned background covers the window: a shaped or an unskinned window.
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    if (m_shape.isEmpty()) {
        p.setPen(QColor(128, 128, 0));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    // a two-pixel warm brown edge along the shape
    auto erode = [](const QRegion& r) {
        return r & r.translated(1, 0) & r.translated(-1, 0) & r.translated(0, 1) & r.translated(0, -1);
    };
    for (const QRect& r : m_shape - erode(erode(m_shape)))
        p.fillRect(r, QColor(112, 82, 36));
}

void TForm::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const QString typed = e->text();
    if (mods == Qt::NoModifier && typed.size() == 1 && typed[0].isPrint()) {
        for (TDsFancyButton* b : findChildren<TDsFancyButton*>()) {
            if (b->window() == this && b->isVisibleTo(this) && b->DialogChar(typed[0])) {
                e->accept();
                return;
            }
        }
    }
    QDialog::keyPressEvent(e);
}
