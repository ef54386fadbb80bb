// The program's skins: every window's picture and shape, the icons, and the windows' controls inside the
// shapes.
#include "app/AboutDlg.h"
#include "app/MainDlg.h"
#include "dialogs/HelpDlg.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "widgets/FancyButton.h"
#include "widgets/Form.h"
#include "widgets/PlasmaForm.h"
#include "widgets/PlasmaRegion.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

QByteArray resource(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The shape without its outer `px` pixels: the brown edge that no control should cover.
QRegion inner(QRegion r, int px)
{
    for (int i = 0; i < px; ++i)
        r = r & r.translated(1, 0) & r.translated(-1, 0) & r.translated(0, 1) & r.translated(0, -1);
    return r;
}

} // namespace

class TstSkins : public QObject
{
    Q_OBJECT
private slots:
    void skin_data();
    void skin();
    void unknownSkinIsPlainSand();
    void iconsAndLogo();
    void controlsInsideShapes_data();
    void controlsInsideShapes();
};

void TstSkins::skin_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("hasPicture");
    QTest::newRow("splash") << "splash" << QSize(400, 240) << true;
    QTest::newRow("main") << "main" << QSize(640, 480) << true;
    QTest::newRow("system") << "system" << QSize(420, 170) << true;
    QTest::newRow("result") << "result" << QSize(520, 470) << true;
    QTest::newRow("wait") << "wait" << QSize(360, 110) << true;
    QTest::newRow("help") << "help" << QSize(300, 180) << false;
    QTest::newRow("logon") << "logon" << QSize(380, 220) << true;
    QTest::newRow("zakdlg") << "zakdlg" << QSize(640, 520) << true;
    QTest::newRow("zaklist") << "zaklist" << QSize(760, 520) << true;
    QTest::newRow("statistika") << "statistika" << QSize(780, 640) << true;
    QTest::newRow("failed") << "failed" << QSize(700, 500) << true;
    QTest::newRow("test") << "test" << QSize(760, 560) << true;
    QTest::newRow("info") << "info" << QSize(260, 300) << true;
    QTest::newRow("zoom") << "zoom" << QSize(560, 324) << true;
    QTest::newRow("selection") << "selection" << QSize(600, 440) << true;
}

void TstSkins::skin()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, hasPicture);
    TForm form; // the first window brings the resources in

    const QByteArray bytes = resource(TForm::skinShapePath(name));
    const QRegion shape = ParseRegionData(bytes);
    QVERIFY(!shape.isEmpty());
    QCOMPARE(shape.boundingRect(), QRect(QPoint(0, 0), size));
    QCOMPARE(WriteRegionData(shape), bytes); // stored banded, as the writer writes
    QVERIFY(!shape.contains(QPoint(0, 0)));
    QVERIFY(!shape.contains(QPoint(size.width() - 1, size.height() - 1)));
    QVERIFY(shape.contains(QPoint(size.width() / 2, size.height() / 2)));

    const QImage picture(TForm::skinPicturePath(name));
    QCOMPARE(!picture.isNull(), hasPicture);
    if (hasPicture)
        QCOMPARE(picture.size(), size);

    form.setSkin(name, size);
    QCOMPARE(form.size(), size);
    QCOMPARE(form.mask(), shape);
    const QList<TPlasmaForm*> plasma = form.findChildren<TPlasmaForm*>();
    QCOMPARE(plasma.size(), hasPicture ? 1 : 0);
    if (hasPicture) {
        QCOMPARE(plasma[0], form.plasmaForm());
        QCOMPARE(plasma[0]->geometry(), form.rect());
        QCOMPARE(plasma[0]->Picture().size(), size);
        QVERIFY(plasma[0]->Moveable());
    }
    // a second call keeps the one background
    form.setSkin(name, size);
    QCOMPARE(form.findChildren<TPlasmaForm*>().size(), hasPicture ? 1 : 0);
}

void TstSkins::unknownSkinIsPlainSand()
{
    TForm form;
    form.setSkin(QStringLiteral("no such window"), QSize(333, 111));
    QCOMPARE(form.size(), QSize(333, 111));
    QVERIFY(form.mask().isEmpty());
    QVERIFY(form.plasmaForm());
    QVERIFY(form.plasmaForm()->Picture().isNull());
    const QImage img = form.grab().toImage();
    QCOMPARE(QColor(img.pixel(100, 50)), TForm::windowColour());
}

void TstSkins::iconsAndLogo()
{
    TForm form;
    QCOMPARE(QImage(QStringLiteral(":/ferdano/system-icon.png")).size(), QSize(48, 48));
    QCOMPARE(QImage(QStringLiteral(":/ferdano/help-icon.png")).size(), QSize(48, 48));
    const QImage logo(QStringLiteral(":/ferdano/logo.png"));
    QCOMPARE(logo.size(), QSize(260, 220));
    QVERIFY(logo.hasAlphaChannel()); // it sits on the main window's picture
}

void TstSkins::controlsInsideShapes_data()
{
    QTest::addColumn<QString>("window");
    for (const char* w : {"splash", "main", "system", "result", "wait", "help"})
        QTest::newRow(w) << QString::fromLatin1(w);
}

void TstSkins::controlsInsideShapes()
{
    QFETCH(QString, window);
    std::unique_ptr<TForm> form;
    if (window == QLatin1String("splash"))
        form = std::make_unique<TAboutDlg>();
    else if (window == QLatin1String("main"))
        form = std::make_unique<TMainDlg>();
    else if (window == QLatin1String("system"))
        form = std::make_unique<TSystemDlg>();
    else if (window == QLatin1String("result"))
        form = std::make_unique<TResultDlg>();
    else if (window == QLatin1String("wait"))
        form = std::make_unique<TWaitDlg>();
    else
        form = std::make_unique<THelpDlg>();
    QCOMPARE(form->skinName(), window);
    const QRegion visible = inner(form->mask(), 4);
    QVERIFY(!visible.isEmpty());
    int checked = 0;
    for (QWidget* w : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<TPlasmaForm*>(w))
            continue;
        // the hidden standard buttons sit outside the window on purpose
        if (qobject_cast<QPushButton*>(w) && !form->rect().intersects(w->geometry()))
            continue;
        QVERIFY2((QRegion(w->geometry()) - visible).isEmpty(),
                 qPrintable(QStringLiteral("%1 %2 at %3,%4 %5x%6 leaves the shape")
                                .arg(window, QString::fromLatin1(w->metaObject()->className()))
                                .arg(w->x())
                                .arg(w->y())
                                .arg(w->width())
                                .arg(w->height())));
        if (auto* b = qobject_cast<TDsFancyButton*>(w))
            QVERIFY(b->width() <= TDsFancyButton::MaxExtent);
        ++checked;
    }
    QVERIFY(checked > 0);
}

QTEST_MAIN(TstSkins)
#include "tst_skins.moc"
