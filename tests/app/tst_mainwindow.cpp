// The main window's logo and link files, the version line and "&Konec".
#include "app/MainDlg.h"
#include "data/Globals.h"
#include "data/Strings.h"
#include "widgets/FancyButton.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TstMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void builtInLogoAndLink();
    void logoFileReplacesLogo();
    void linkFile_data();
    void linkFile();
    void versionLineAndEnd();
    void buttonsInOrder();
    void startUpWorkRunsOnceAfterFirstPaint();
    void startUpWorkRunsBeforeACommand();
    void commandsAndEscDoNotEndTheProgram();
    void modalWindowGoesAboveAWindowOnTop();
};

void TstMainWindow::builtInLogoAndLink()
{
    QTemporaryDir dir;
    TMainDlg w;
    const QUrl before = w.linkUrl();
    w.FormCreate(dir.path());
    QCOMPARE(w.linkUrl(), before);
    QCOMPARE(w.linkUrl().toString(), Str::DefaultLinkUrl);
}

void TstMainWindow::logoFileReplacesLogo()
{
    QTemporaryDir dir;
    QImage img(33, 21, QImage::Format_RGB32);
    img.fill(Qt::red);
    QVERIFY(img.save(dir.filePath(QStringLiteral("Logo.bmp")), "BMP"));
    TMainDlg w;
    w.FormCreate(dir.path());
    QCOMPARE(w.logo()->pixmap().size(), QSize(33, 21));

    QTemporaryDir broken;
    QFile f(broken.filePath(QStringLiteral("Logo.bmp")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("BM not really");
    f.close();
    TMainDlg w2;
    const QSize builtIn = w2.logo()->pixmap().size();
    w2.FormCreate(broken.path()); // unreadable: the built-in picture stays
    QCOMPARE(w2.logo()->pixmap().size(), builtIn);
}

void TstMainWindow::linkFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("hint");
    QTest::newRow("both") << QByteArray("URL=https://autoskola.example/\nNAME=Autoškola Novák\n")
                          << "https://autoskola.example/" << QStringLiteral("Autoškola Novák");
    QTest::newRow("url only") << QByteArray("URL=https://a.example/\n") << "https://a.example/" << QString();
    QTest::newRow("no url") << QByteArray("NAME=Jen jméno\n") << Str::DefaultLinkUrl << Str::DefaultLinkName;
    QTest::newRow("empty url") << QByteArray("URL=\nNAME=x\n") << Str::DefaultLinkUrl << Str::DefaultLinkName;
    QTest::newRow("garbage") << QByteArray("\x01\x02 nothing here") << Str::DefaultLinkUrl
                             << Str::DefaultLinkName;
}

void TstMainWindow::linkFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, url);
    QFETCH(QString, hint);
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("logo.url")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    TMainDlg w;
    w.FormCreate(dir.path());
    QCOMPARE(w.linkUrl().toString(), url);
    QCOMPARE(w.linkLabel()->toolTip(), hint);
}

void TstMainWindow::versionLineAndEnd()
{
    DatabaseVersion = QStringLiteral("2026.12");
    TMainDlg w;
    QTimer::singleShot(0, &w, [&w] {
        QTRY_COMPARE(w.versionLabel()->text(), QStringLiteral("Verze 3.03   Databáze 2026.12"));
        w.button(9)->click(); // "&Konec"
    });
    QVERIFY(!w.ShowModal());
    DatabaseVersion = QString();
    TMainDlg w2;
    QTimer::singleShot(0, &w2, [&w2] {
        QTRY_COMPARE(w2.versionLabel()->text(), QStringLiteral("Verze 3.03   Databáze "));
        w2.button(9)->click();
    });
    w2.ShowModal();
}

void TstMainWindow::buttonsInOrder()
{
    TMainDlg w;
    const QStringList expected = {Str::CmdBrowse,     Str::CmdHints,    Str::CmdPractice, Str::CmdLive,
                                  Str::CmdErrorTests, Str::CmdRegister, Str::CmdSignIn,   Str::CmdEnd};
    const int numbers[] = {1, 2, 3, 4, 5, 6, 7, 9};
    int lastTop = -1;
    for (int i = 0; i < 8; ++i) {
        TDsFancyButton* b = w.button(numbers[i]);
        QVERIFY(b);
        QCOMPARE(b->text(), expected[i]);
        QVERIFY(b->y() > lastTop); // one column, in the order of the commands
        lastTop = b->y();
        QCOMPARE(b->focusPolicy(), Qt::NoFocus);
    }
}

void TstMainWindow::startUpWorkRunsOnceAfterFirstPaint()
{
    TMainDlg w;
    int runs = 0;
    bool wasPainted = false;
    w.setStartUpWork([&] {
        ++runs;
        wasPainted = w.isVisible();
    });
    QTimer::singleShot(0, &w, [&] {
        QTRY_COMPARE(runs, 1);
        w.button(9)->click();
    });
    QCOMPARE(runs, 0); // nothing before the window is shown
    w.ShowModal();
    QCOMPARE(runs, 1);
    QVERIFY(wasPainted);
    w.finishStartUp(); // done work is not done again
    QCOMPARE(runs, 1);
}

void TstMainWindow::startUpWorkRunsBeforeACommand()
{
    // A command reached before the first paint still finds the start-up finished.
    TMainDlg w;
    int runs = 0;
    w.setStartUpWork([&] { ++runs; });
    int seenInCommand = -1;
    w.runHidden([&] { seenInCommand = runs; });
    QCOMPARE(seenInCommand, 1);
    w.runHidden([&] { seenInCommand = runs; });
    QCOMPARE(runs, 1);
}

void TstMainWindow::commandsAndEscDoNotEndTheProgram()
{
    // Each command hides the main window while its dialog runs; the modal run that holds the
    // whole program goes on afterwards (a dialog's own exec() would have ended on the hide).
    TForm form;
    int commandsRun = 0;
    bool visibleAfter = false;
    auto command = [&] {
        form.hide();
        ++commandsRun;
        form.show();
    };
    QTimer::singleShot(0, &form, [&] {
        command();
        QTimer::singleShot(0, &form, [&] {
            command();
            QTimer::singleShot(50, &form, [&] {
                visibleAfter = form.isVisible();
                form.accept();
            });
        });
    });
    QVERIFY(form.ShowModal());
    QCOMPARE(commandsRun, 2);
    QVERIFY(visibleAfter);

    // Esc on the main window ends nothing.
    TMainDlg w;
    w.show();
    w.setResult(-1);
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QCOMPARE(w.result(), -1);
}

void TstMainWindow::modalWindowGoesAboveAWindowOnTop()
{
    // The test's information panel stays on top; a confirmation or the enlarged picture shown
    // meanwhile must not lie under it.
    TForm panel;
    panel.setModal(false);
    panel.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    TForm dialog;
    bool onTopWhileShown = false;
    auto runDialog = [&] {
        QTimer::singleShot(0, &dialog, [&] {
            onTopWhileShown = dialog.windowFlags() & Qt::WindowStaysOnTopHint;
            dialog.accept();
        });
        QVERIFY(dialog.ShowModal());
    };
    runDialog();
    QVERIFY(!onTopWhileShown); // nothing on top: an ordinary window
    panel.show();
    runDialog();
    QVERIFY(onTopWhileShown);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowStaysOnTopHint)); // only for that run
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
