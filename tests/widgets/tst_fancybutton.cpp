// The painted button: bevel colours and pixels, clamps, size limit, hit test, presses, keys, accessibility.
#include "widgets/FancyButton.h"
#include "widgets/Form.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

class TstFancyButton : public QObject
{
    Q_OBJECT
private slots:
    void bevelColour_data();
    void bevelColour();
    void paintsTwoBevelRings();
    void clamps_data();
    void clamps();
    void shrinksTo145AfterPaint();
    void pressInOutlineCornerIsIgnored();
    void pressAndRelease();
    void disabledCaptionColour_data();
    void disabledCaptionColour();
    void acceleratorCharacter();
    void plainCaption_data();
    void plainCaption();
    void hiddenStandardButtons();
    void accessibleAsPushButton();
    void programSettings();
};

namespace {

QColor pixel(const QImage& img, int x, int y)
{
    return QColor(img.pixel(x, y));
}

// How many pixels of the given colour lie inside the rectangle.
int countColour(const QImage& img, const QRect& r, const QColor& c)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.pixel(x, y) == c.rgb())
                ++n;
    return n;
}

QMouseEvent mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    return QMouseEvent(type, QPointF(at), QPointF(at), QPointF(at), button, buttons, Qt::NoModifier);
}

} // namespace

void TstFancyButton::bevelColour_data()
{
    QTest::addColumn<QColor>("frame");
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<int>("frameWidth");
    QTest::addColumn<int>("ring");
    QTest::addColumn<QColor>("expected");
    const QColor olive(128, 128, 0), sand(205, 179, 115);
    // FrameWidth 1 draws two rings: k = 0 and k = sqrt(3)
    QTest::newRow("width 1 ring 0") << olive << sand << 1 << 0 << olive;
    QTest::newRow("width 1 ring 1") << olive << sand << 1 << 1 << QColor(194, 172, 99);
    QTest::newRow("grey frame ring 1") << QColor(128, 128, 128) << sand << 1 << 1 << QColor(194, 172, 117);
    // odd widths round up: 3 is drawn as 4 rings, k = sqrt(16 - 9)
    QTest::newRow("width 3 ring 1") << QColor(0, 0, 0) << QColor(200, 100, 40) << 3 << 1
                                    << QColor(132, 66, 26);
    QTest::newRow("width 6 ring 2") << QColor(0, 0, 0) << QColor(255, 255, 255) << 6 << 2
                                    << QColor(190, 190, 190);
    QTest::newRow("width 6 ring 5") << QColor(0, 0, 0) << QColor(255, 255, 255) << 6 << 5
                                    << QColor(251, 251, 251);
    // a fill darker than the frame truncates toward zero, not downward: 255 - 220.8 gives 35
    QTest::newRow("toward zero") << QColor(255, 255, 255) << QColor(0, 0, 0) << 1 << 1 << QColor(35, 35, 35);
}

void TstFancyButton::bevelColour()
{
    QFETCH(QColor, frame);
    QFETCH(QColor, fill);
    QFETCH(int, frameWidth);
    QFETCH(int, ring);
    QFETCH(QColor, expected);
    QCOMPARE(TDsFancyButton::bevelColour(frame, fill, frameWidth, ring), expected);
}

void TstFancyButton::paintsTwoBevelRings()
{
    QWidget parent;
    auto* b = new TDsFancyButton(QStringLiteral("&Ok"), &parent);
    b->setGeometry(0, 0, 97, 25);
    QCOMPARE(b->FrameWidth(), 1);
    const QImage img = b->grab().toImage();
    const QColor olive(128, 128, 0), ring1(194, 172, 99), sand(205, 179, 115);
    const QColor lit = b->palette().color(QPalette::Light);
    // left edge in the middle: the highlight frame, then ring 0, ring 1, then the fill
    QCOMPARE(pixel(img, 0, 12).rgb(), lit.rgb());
    QCOMPARE(pixel(img, 1, 12), olive);
    QCOMPARE(pixel(img, 2, 12), ring1);
    QCOMPARE(pixel(img, 3, 12), sand);
    // right edge: ring 0 on the last column, ring 1 inside it
    QCOMPARE(pixel(img, 96, 12), olive);
    QCOMPARE(pixel(img, 95, 12), ring1);
    QCOMPARE(pixel(img, 94, 12), sand);
    // top and bottom edges in the middle
    QCOMPARE(pixel(img, 20, 1), olive);
    QCOMPARE(pixel(img, 20, 2), ring1);
    QCOMPARE(pixel(img, 20, 24), olive);
    QCOMPARE(pixel(img, 20, 23), ring1);
    // a corner of the bounding box lies outside the rounded outline: nothing is painted there
    QVERIFY(!b->outlineRegion().contains(QPoint(1, 1)));
    QVERIFY(b->outlineRegion().contains(QPoint(48, 12)));
}

void TstFancyButton::clamps_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("frame width 0 becomes 1") << "FrameWidth" << 0 << 1;
    QTest::newRow("frame width -4 becomes 1") << "FrameWidth" << -4 << 1;
    QTest::newRow("frame width 5 stays") << "FrameWidth" << 5 << 5;
    QTest::newRow("frame width above half the height") << "FrameWidth" << 40 << 12;
    QTest::newRow("radius 2 becomes 3") << "CornerRadius" << 2 << 3;
    QTest::newRow("radius 10 stays") << "CornerRadius" << 10 << 10;
    QTest::newRow("radius above the shorter side") << "CornerRadius" << 60 << 25;
}

void TstFancyButton::clamps()
{
    QFETCH(QString, property);
    QFETCH(int, value);
    QFETCH(int, expected);
    TDsFancyButton b;
    QCOMPARE(b.size(), QSize(97, 25));
    if (property == QLatin1String("FrameWidth")) {
        b.setFrameWidth(value);
        QCOMPARE(b.FrameWidth(), expected);
    } else {
        b.setCornerRadius(value);
        QCOMPARE(b.CornerRadius(), expected);
    }
}

void TstFancyButton::shrinksTo145AfterPaint()
{
    QWidget parent;
    parent.resize(400, 400);
    auto* wide = new TDsFancyButton(QStringLiteral("&Dlouhé tlačítko"), &parent);
    wide->setGeometry(10, 10, 160, 25);
    auto* tall = new TDsFancyButton(QStringLiteral("&Vysoké"), &parent);
    tall->setGeometry(10, 50, 100, 200);
    QCOMPARE(wide->width(), 160); // laid out as asked until it has painted
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QTRY_COMPARE(wide->width(), 145);
    QCOMPARE(wide->height(), 25);
    QTRY_COMPARE(tall->height(), 145);
    QCOMPARE(tall->width(), 100);
}

void TstFancyButton::pressInOutlineCornerIsIgnored()
{
    QWidget parent;
    auto* b = new TDsFancyButton(QStringLiteral("&Ok"), &parent);
    b->setGeometry(0, 0, 97, 25);
    b->grab(); // the outline comes from the last paint
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    for (QPoint corner : {QPoint(1, 1), QPoint(95, 1), QPoint(1, 23), QPoint(96, 24)}) {
        auto press = mouse(QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
        QApplication::sendEvent(b, &press);
        QVERIFY2(!b->pressedFlag(),
                 qPrintable(QStringLiteral("pressed at %1,%2").arg(corner.x()).arg(corner.y())));
        auto release = mouse(QEvent::MouseButtonRelease, corner, Qt::LeftButton, Qt::NoButton);
        QApplication::sendEvent(b, &release);
    }
    QCOMPARE(clicks.count(), 0);
}

void TstFancyButton::pressAndRelease()
{
    QWidget parent;
    auto* b = new TDsFancyButton(QStringLiteral("&Ok"), &parent);
    b->setGeometry(0, 0, 97, 25);
    b->grab();
    QSignalSpy clicks(b, &QAbstractButton::clicked);

    // the right button does nothing
    auto right = mouse(QEvent::MouseButtonPress, {48, 12}, Qt::RightButton, Qt::RightButton);
    QApplication::sendEvent(b, &right);
    QVERIFY(!b->pressedFlag());

    auto press = mouse(QEvent::MouseButtonPress, {48, 12}, Qt::LeftButton, Qt::LeftButton);
    QApplication::sendEvent(b, &press);
    QVERIFY(b->pressedFlag());
    // pressed, the highlight and shadow frames change places
    const QImage pressed = b->grab().toImage();
    QCOMPARE(QColor(pressed.pixel(0, 12)).rgb(), b->palette().color(QPalette::Dark).rgb());
    auto release = mouse(QEvent::MouseButtonRelease, {48, 12}, Qt::LeftButton, Qt::NoButton);
    QApplication::sendEvent(b, &release);
    QVERIFY(!b->pressedFlag());
    QCOMPARE(clicks.count(), 1);

    // released away from the button: no click
    QApplication::sendEvent(b, &press);
    QVERIFY(b->pressedFlag());
    auto away = mouse(QEvent::MouseButtonRelease, {300, 12}, Qt::LeftButton, Qt::NoButton);
    QApplication::sendEvent(b, &away);
    QVERIFY(!b->pressedFlag());
    QCOMPARE(clicks.count(), 1);

    // a click by program clears the pressed look as well
    QApplication::sendEvent(b, &press);
    b->click();
    QVERIFY(!b->pressedFlag());
    QCOMPARE(clicks.count(), 2);
}

void TstFancyButton::disabledCaptionColour_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("expectedRole");
    QTest::newRow("enabled txNone") << int(TDsFancyButton::txNone) << true << "text";
    QTest::newRow("disabled txNone") << int(TDsFancyButton::txNone) << false << "shadow";
    QTest::newRow("disabled txRaised") << int(TDsFancyButton::txRaised) << false << "shadow";
    QTest::newRow("disabled txShadowed") << int(TDsFancyButton::txShadowed) << false << "face";
}

void TstFancyButton::disabledCaptionColour()
{
    QFETCH(int, style);
    QFETCH(bool, enabled);
    QFETCH(QString, expectedRole);
    QWidget parent;
    auto* b = new TDsFancyButton(QStringLiteral("&MMMM"), &parent);
    b->setGeometry(0, 0, 97, 25);
    QFont f = b->font();
    f.setStyleStrategy(QFont::NoAntialias); // whole pixels, so that colours can be compared exactly
    f.setBold(true);
    b->setFont(f);
    b->setTextStyle(TDsFancyButton::TTextStyle(style));
    b->setButtonColor(QColor(205, 179, 115));
    b->setEnabled(enabled);
    const QImage img = b->grab().toImage();
    const QRect textArea(20, 5, 57, 15);
    const QColor shadow = b->palette().color(QPalette::Dark);
    const QColor face = b->palette().color(QPalette::Button);
    const QColor text = b->palette().color(QPalette::ButtonText);
    QVERIFY(shadow != face && shadow != text);
    const QColor expected = expectedRole == QLatin1String("text")     ? text
                            : expectedRole == QLatin1String("shadow") ? shadow
                                                                      : face;
    QVERIFY2(countColour(img, textArea, expected) > 20, qPrintable(expectedRole));
    if (!enabled)
        QCOMPARE(countColour(img, textArea, text), 0);
}

void TstFancyButton::acceleratorCharacter()
{
    TForm form;
    form.setSkin(QStringLiteral("no such skin"), QSize(300, 120));
    auto* ok = new TDsFancyButton(QStringLiteral("&Ok"), &form);
    ok->setGeometry(10, 80, 97, 25);
    auto* no = new TDsFancyButton(QStringLiteral("&Ne"), &form);
    no->setGeometry(120, 80, 97, 25);
    auto* edit = new QLineEdit(&form);
    edit->setGeometry(10, 10, 200, 22);
    edit->setFocusPolicy(Qt::ClickFocus);
    QSignalSpy okClicks(ok, &QAbstractButton::clicked);
    QSignalSpy noClicks(no, &QAbstractButton::clicked);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(ok->accelerator(), QChar(u'O'));

    form.setFocus();
    QTest::keyClick(&form, Qt::Key_O, Qt::NoModifier);
    QCOMPARE(okClicks.count(), 1);
    QTest::keyClick(&form, Qt::Key_N, Qt::ShiftModifier); // the case does not matter
    QCOMPARE(noClicks.count(), 1);
    QTest::keyClick(&form, Qt::Key_X, Qt::NoModifier);
    QCOMPARE(okClicks.count() + noClicks.count(), 2);

    ok->setEnabled(false);
    QTest::keyClick(&form, Qt::Key_O, Qt::NoModifier);
    QCOMPARE(okClicks.count(), 1);
    ok->setEnabled(true);

    // a control that takes text keeps its letters; Alt with the letter still clicks
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_O, Qt::NoModifier);
    QCOMPARE(edit->text(), QStringLiteral("o"));
    QCOMPARE(okClicks.count(), 1);
    QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);
    QCOMPARE(okClicks.count(), 2);
    QVERIFY(edit->hasFocus()); // the button never takes the focus
}

void TstFancyButton::plainCaption_data()
{
    // what the caption shows, which its centring measures
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::newRow("accelerator") << QStringLiteral("&Konec") << QStringLiteral("Konec");
    QTest::newRow("inside") << QStringLiteral("Ostré &testy") << QStringLiteral("Ostré testy");
    QTest::newRow("ampersand") << QStringLiteral("Ryby && raci") << QStringLiteral("Ryby & raci");
    QTest::newRow("ampersand then accelerator") << QStringLiteral("&&&x") << QStringLiteral("&x");
    QTest::newRow("trailing mark") << QStringLiteral("Ok&") << QStringLiteral("Ok");
    QTest::newRow("none") << QStringLiteral("Ok") << QStringLiteral("Ok");
    QTest::newRow("empty") << QString() << QString();
}

void TstFancyButton::plainCaption()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QCOMPARE(TDsFancyButton::plainCaption(caption), shown);
}

void TstFancyButton::hiddenStandardButtons()
{
    TForm form;
    form.setSkin(QStringLiteral("no such skin"), QSize(300, 120));
    auto* visibleOk = new TDsFancyButton(QStringLiteral("&Ok"), &form);
    visibleOk->setGeometry(10, 80, 97, 25);
    QPushButton* def = form.addHiddenDefaultButton(QStringLiteral("&Ok"));
    form.addHiddenCancelButton(QStringLiteral("&Storno"));
    connect(def, &QPushButton::clicked, &form, &QDialog::accept);
    connect(visibleOk, &QAbstractButton::clicked, &form, &QDialog::accept);
    QSignalSpy visibleClicks(visibleOk, &QAbstractButton::clicked);

    QTimer::singleShot(0, &form, [&] {
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &form, Qt::Key_Return);
    });
    QVERIFY(form.ShowModal());
    QCOMPARE(visibleClicks.count(), 0);

    QTimer::singleShot(0, &form, [&] {
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &form, Qt::Key_Escape);
    });
    QVERIFY(!form.ShowModal());

    // Alt+O belongs to the visible button alone, so it is not ambiguous
    QTimer::singleShot(0, &form, [&] {
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_O, Qt::AltModifier);
    });
    QVERIFY(form.ShowModal());
    QCOMPARE(visibleClicks.count(), 1);
}

void TstFancyButton::accessibleAsPushButton()
{
    QWidget parent;
    auto* b = new TDsFancyButton(QStringLiteral("&Ostré testy"), &parent);
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(b);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::PushButton);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Ostré testy"));
    QAccessibleActionInterface* actions = iface->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    QVERIFY(!iface->state().focusable);
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(clicks.count(), 1);
    b->setEnabled(false);
    QVERIFY(iface->state().disabled);
}

void TstFancyButton::programSettings()
{
    QWidget parent;
    TDsFancyButton plain(&parent);
    QCOMPARE(plain.FrameWidth(), 6);
    QCOMPARE(plain.TextStyle(), TDsFancyButton::txRaised);
    QCOMPARE(plain.ButtonColor(), plain.palette().color(QPalette::Button));
    QCOMPARE(plain.focusPolicy(), Qt::NoFocus);

    TDsFancyButton b(QStringLiteral("&Ano"), &parent);
    QCOMPARE(b.ButtonColor(), QColor(7582669 & 0xFF, (7582669 >> 8) & 0xFF, 7582669 >> 16));
    QCOMPARE(b.FrameColor(), QColor(128, 128, 0));
    QCOMPARE(b.FrameWidth(), 1);
    QCOMPARE(b.CornerRadius(), 10);
    QCOMPARE(b.Shape(), TDsFancyButton::shRoundRect);
    QCOMPARE(b.TextStyle(), TDsFancyButton::txNone);
    QCOMPARE(b.font().pixelSize(), 13);
    QCOMPARE(b.size(), QSize(97, 25));
    b.applyGreyFrame();
    QCOMPARE(b.FrameColor(), QColor(128, 128, 128));
}

QTEST_MAIN(TstFancyButton)
#include "tst_fancybutton.moc"
