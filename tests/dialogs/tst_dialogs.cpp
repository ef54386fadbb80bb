// The common dialogs: button visibility by form, Enter and Esc, the result window's labels,
// the wait window.
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "widgets/FancyButton.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

class TstDialogs : public QObject
{
    Q_OBJECT
private slots:
    void systemKeys_data();
    void systemKeys();
    void systemButtons();
    void secondCallShowsOnlyItsButtons();
    void resultLabelsAndReport();
    void waitShowHide();
};

// Presses a key in the dialog once it is on screen and returns the dialog's answer.
static bool answerWithKey(TSystemDlg& dlg, const QString& text, bool okOnly, Qt::Key key)
{
    QTimer::singleShot(0, &dlg, [&dlg, key] {
        QTRY_VERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, key);
    });
    return dlg.Execute(text, okOnly);
}

void TstDialogs::systemKeys_data()
{
    QTest::addColumn<bool>("okOnly");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("result");
    QTest::newRow("message, Enter") << true << int(Qt::Key_Return) << true;
    QTest::newRow("message, Esc") << true << int(Qt::Key_Escape) << false;
    QTest::newRow("question, Enter is Ano") << false << int(Qt::Key_Enter) << true;
    QTest::newRow("question, Esc") << false << int(Qt::Key_Escape) << false;
}

void TstDialogs::systemKeys()
{
    QFETCH(bool, okOnly);
    QFETCH(int, key);
    QFETCH(bool, result);
    TSystemDlg dlg;
    QCOMPARE(answerWithKey(dlg, QStringLiteral("Otázka?"), okOnly, Qt::Key(key)), result);
    QVERIFY(!dlg.isVisible());
}

void TstDialogs::systemButtons()
{
    TSystemDlg dlg;
    QTimer::singleShot(0, &dlg, [&dlg] {
        QTRY_VERIFY(dlg.isVisible());
        dlg.noButton()->click();
    });
    QVERIFY(!dlg.Execute(QStringLiteral("Opravdu?"), false));
    QTimer::singleShot(0, &dlg, [&dlg] {
        QTRY_VERIFY(dlg.isVisible());
        dlg.yesButton()->click();
    });
    QVERIFY(dlg.Execute(QStringLiteral("Opravdu?"), false));
    QCOMPARE(dlg.messageLabel()->text(), QStringLiteral("Opravdu?"));
}

void TstDialogs::secondCallShowsOnlyItsButtons()
{
    TSystemDlg dlg;
    bool okVisible = false, yesVisible = true, noVisible = true;
    QTimer::singleShot(0, &dlg, [&] {
        QTRY_VERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    dlg.Execute(QStringLiteral("první"), false);
    QTimer::singleShot(0, &dlg, [&] {
        QTRY_VERIFY(dlg.isVisible());
        okVisible = dlg.okButton()->isVisible();
        yesVisible = dlg.yesButton()->isVisible();
        noVisible = dlg.noButton()->isVisible();
        QTest::keyClick(&dlg, Qt::Key_Return);
    });
    QVERIFY(dlg.Execute(QStringLiteral("druhá"), true));
    QVERIFY(okVisible);
    QVERIFY(!yesVisible);
    QVERIFY(!noVisible);
}

void TstDialogs::resultLabelsAndReport()
{
    TResultDlg dlg;
    dlg.setReportLines({QStringLiteral("   Otázka  Odpověď"), QStringLiteral("    * 1")});
    QTimer::singleShot(0, &dlg, [&dlg] {
        QTRY_VERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    QVERIFY(!dlg.Execute(QStringLiteral("Získal jste 40 bodů z 50 . Prohlédnout ?"), QStringLiteral("Neprošel. "),
                         QStringLiteral("NE UDELAL JSTE VSECHNI POVINNE OTAZKY... "), false));
    QCOMPARE(dlg.verdictLabel()->text(), QStringLiteral("Neprošel. "));
    QCOMPARE(dlg.noteLabel()->text(), QStringLiteral("NE UDELAL JSTE VSECHNI POVINNE OTAZKY... "));
    QCOMPARE(dlg.reportLines(), (QStringList{QStringLiteral("   Otázka  Odpověď"), QStringLiteral("    * 1")}));
    QVERIFY(dlg.reportBox()->isReadOnly());
    QVERIFY(dlg.reportBox()->font().fixedPitch() || dlg.reportBox()->font().family().contains(QLatin1String("Courier")));
    // an empty note leaves the label empty
    QTimer::singleShot(0, &dlg, [&dlg] {
        QTRY_VERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Return);
    });
    QVERIFY(dlg.Execute(QStringLiteral("Gratulujeme."), QStringLiteral("Prošel. "), QString(), true));
    QCOMPARE(dlg.noteLabel()->text(), QString());
}

void TstDialogs::waitShowHide()
{
    TWaitDlg dlg;
    dlg.ShowWait(QStringLiteral("Chvilku strpení. Právě se generuje nahodný test..."));
    QVERIFY(dlg.isVisible());
    QVERIFY(!dlg.isModal());
    QCOMPARE(dlg.label()->text(), QStringLiteral("Chvilku strpení. Právě se generuje nahodný test..."));
    dlg.HideWait(); // without any event processing in between
    QVERIFY(!dlg.isVisible());
}

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
