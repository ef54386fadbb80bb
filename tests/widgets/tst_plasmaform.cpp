// The skinned background: where it may be placed, the window's size and shape, dragging the window.
#include "data/Error.h"
#include "data/Strings.h"
#include "widgets/Form.h"
#include "widgets/PlasmaForm.h"
#include "widgets/PlasmaRegion.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TstPlasmaForm : public QObject
{
    Q_OBJECT
private slots:
    void refusesAnythingButAForm_data();
    void refusesAnythingButAForm();
    void coversTheForm();
    void pictureSetsClientSize();
    void pictureFileDecodedWhenNeeded();
    void maskShapesTheWindow();
    void drag_data();
    void drag();
};

namespace {

void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(at), QPointF(w->mapTo(w->window(), at)), QPointF(w->mapToGlobal(at)), button,
                  buttons, mods);
    QApplication::sendEvent(w, &e);
}

} // namespace

void TstPlasmaForm::refusesAnythingButAForm_data()
{
    QTest::addColumn<QString>("parentKind");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("no parent") << "none" << false;
    QTest::newRow("plain top-level widget") << "widget" << false;
    QTest::newRow("panel inside a dialog") << "panel" << false;
    QTest::newRow("dialog") << "dialog" << true;
    QTest::newRow("program window") << "form" << true;
}

void TstPlasmaForm::refusesAnythingButAForm()
{
    QFETCH(QString, parentKind);
    QFETCH(bool, accepted);
    QWidget widget;
    QDialog dialog;
    auto* panel = new QWidget(&dialog);
    TForm form;
    QWidget* parent = parentKind == QLatin1String("widget")   ? &widget
                      : parentKind == QLatin1String("panel")  ? panel
                      : parentKind == QLatin1String("dialog") ? static_cast<QWidget*>(&dialog)
                      : parentKind == QLatin1String("form")   ? static_cast<QWidget*>(&form)
                                                              : nullptr;
    QString error;
    TPlasmaForm* plasma = nullptr;
    try {
        plasma = new TPlasmaForm(parent);
    } catch (const TError& e) {
        error = e.message();
    }
    if (accepted) {
        QVERIFY(plasma);
        QVERIFY(error.isEmpty());
        QCOMPARE(plasma->parentWidget(), parent);
        QVERIFY(parent->windowFlags() & Qt::FramelessWindowHint);
    } else {
        QVERIFY(!plasma);
        QCOMPARE(error, Str::PleaseDropOnForm);
        if (parent)
            QVERIFY(parent->findChildren<TPlasmaForm*>().isEmpty());
    }
}

void TstPlasmaForm::coversTheForm()
{
    QDialog dialog;
    dialog.resize(300, 200);
    auto* plasma = new TPlasmaForm(&dialog);
    QCOMPARE(plasma->geometry(), dialog.rect());
    QVERIFY(plasma->Moveable());
    dialog.resize(320, 210);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(plasma->geometry(), QRect(0, 0, 320, 210));
}

void TstPlasmaForm::pictureSetsClientSize()
{
    QDialog dialog;
    dialog.resize(300, 200);
    auto* plasma = new TPlasmaForm(&dialog);
    QPixmap picture(123, 77);
    picture.fill(Qt::darkYellow);
    plasma->setPicture(picture);
    QCOMPARE(dialog.size(), QSize(123, 77));
    QCOMPARE(plasma->size(), QSize(123, 77));
    plasma->setPicture(QPixmap()); // an empty picture leaves the size alone
    QCOMPARE(dialog.size(), QSize(123, 77));
}

void TstPlasmaForm::pictureFileDecodedWhenNeeded()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("skin.jpg"));
    QImage image(151, 93, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 220));
    QVERIFY(image.save(file, "JPG", 95));

    QDialog first;
    first.resize(300, 200);
    auto* a = new TPlasmaForm(&first);
    QVERIFY(a->setPictureFile(file));
    // the size comes from the file's header, before anything is decoded
    QCOMPARE(first.size(), QSize(151, 93));
    QCOMPARE(a->size(), QSize(151, 93));

    // the first paint decodes it
    first.show();
    QVERIFY(QTest::qWaitForWindowExposed(&first));
    const QImage shown = first.grab().toImage();
    const QColor centre(shown.pixel(75, 46));
    QVERIFY(qAbs(centre.red() - 20) < 12 && qAbs(centre.green() - 120) < 12 && qAbs(centre.blue() - 220) < 12);

    // a second window of the same skin shares the decoded picture
    QDialog second;
    auto* b = new TPlasmaForm(&second);
    QVERIFY(b->setPictureFile(file));
    QCOMPARE(b->Picture().cacheKey(), a->Picture().cacheKey());

    // a file that holds no picture leaves the size alone and no picture
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a picture at all");
    f.close();
    QDialog third;
    third.resize(222, 111);
    auto* c = new TPlasmaForm(&third);
    QVERIFY(!c->setPictureFile(broken));
    QCOMPARE(third.size(), QSize(222, 111));
    QVERIFY(c->Picture().isNull());
    // a picture given directly replaces one waiting to be decoded
    QVERIFY(c->setPictureFile(file));
    QPixmap plain(40, 30);
    plain.fill(Qt::red);
    c->setPicture(plain);
    QCOMPARE(c->Picture().size(), QSize(40, 30));
}

void TstPlasmaForm::maskShapesTheWindow()
{
    QDialog dialog;
    dialog.resize(100, 60);
    auto* plasma = new TPlasmaForm(&dialog);
    const QRegion ellipse(0, 0, 100, 60, QRegion::Ellipse);
    TPlasmaRegion shape;
    shape.setRegion(ellipse);
    plasma->setMask(&shape);
    QCOMPARE(dialog.mask(), ellipse);
    QCOMPARE(plasma->Mask()->region(), ellipse);
    // no new region: the held one is applied again
    dialog.clearMask();
    plasma->setMask(nullptr);
    QCOMPARE(dialog.mask(), ellipse);
    // an empty region leaves the window rectangular
    TPlasmaRegion none;
    plasma->setMask(&none);
    QVERIFY(dialog.mask().isEmpty());

    // the window base does it from the skin's stored shape
    TForm form;
    form.setSkin(QStringLiteral("main"), QSize(640, 480));
    QVERIFY(!form.mask().isEmpty());
    QVERIFY(!form.mask().contains(QPoint(0, 0)));
    QVERIFY(form.mask().contains(QPoint(320, 240)));
}

void TstPlasmaForm::drag_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("moveable");
    QTest::addColumn<bool>("moves");
    QTest::newRow("left") << int(Qt::LeftButton) << int(Qt::NoModifier) << true << true;
    QTest::newRow("right") << int(Qt::RightButton) << int(Qt::NoModifier) << true << false;
    QTest::newRow("middle") << int(Qt::MiddleButton) << int(Qt::NoModifier) << true << false;
    QTest::newRow("left with shift") << int(Qt::LeftButton) << int(Qt::ShiftModifier) << true << false;
    QTest::newRow("left with ctrl") << int(Qt::LeftButton) << int(Qt::ControlModifier) << true << false;
    QTest::newRow("left with alt") << int(Qt::LeftButton) << int(Qt::AltModifier) << true << false;
    QTest::newRow("left, not moveable") << int(Qt::LeftButton) << int(Qt::NoModifier) << false << false;
}

void TstPlasmaForm::drag()
{
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(bool, moveable);
    QFETCH(bool, moves);
    TForm form;
    form.setSkin(QStringLiteral("system"), QSize(420, 170));
    TPlasmaForm* plasma = form.plasmaForm();
    QVERIFY(plasma);
    plasma->setMoveable(moveable);
    form.move(100, 100);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint start = form.pos();
    const auto b = Qt::MouseButton(button);
    const auto mods = Qt::KeyboardModifiers(modifiers);

    sendMouse(plasma, QEvent::MouseButtonPress, {50, 40}, b, b, mods);
    QCOMPARE(plasma->dragOrigin(), QPoint(50, 40));
    sendMouse(plasma, QEvent::MouseMove, {80, 60}, Qt::NoButton, b, mods);
    if (moves) {
        QCOMPARE(form.pos(), start + QPoint(30, 20));
        // the grabbed point stays under the cursor: the next move is measured from it again
        sendMouse(plasma, QEvent::MouseMove, {55, 40}, Qt::NoButton, b, mods);
        QCOMPARE(form.pos(), start + QPoint(35, 20));
    } else {
        QCOMPARE(form.pos(), start);
    }
    sendMouse(plasma, QEvent::MouseButtonRelease, {80, 60}, b, Qt::NoButton, mods);
    // moving without a button held never moves the window
    const QPoint after = form.pos();
    sendMouse(plasma, QEvent::MouseMove, {10, 10}, Qt::NoButton, Qt::NoButton);
    QCOMPARE(form.pos(), after);
}

QTEST_MAIN(TstPlasmaForm)
#include "tst_plasmaform.moc"
