// Hostile input in the count edit and the minutes edit of the test-type selection: whatever is
// typed is refused with the Czech message or kept as the digits the edit takes, and nothing else
// reaches the database.
#include "SelectionFixture.h"
#include "data/Format.h"
#include "data/Strings.h"
#include "selection/TestTypeDlg.h"
#include "widgets/DBEdit.h"
#include "widgets/Guard.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabBar>

namespace {

void typeChars(QWidget* w, const QString& text)
{
    const QList<uint> points = text.toUcs4();
    for (uint c : points) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        if (c < 0x80 && QChar(c).isPrint())
            QTest::keyClick(w, char(c));
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, one, Qt::NoModifier);
    }
}

void hostileRows()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("apostrophe") << QStringLiteral("3'");
    QTest::newRow("quotes") << QStringLiteral("\"4\"");
    QTest::newRow("always true") << QStringLiteral("1' OR '1'='1");
    QTest::newRow("drop table") << QStringLiteral("1); DROP TABLE OKRUHOT; --");
    QTest::newRow("control characters") << QStringLiteral("\x01"
                                                          "2\x1b");
    QTest::newRow("beyond an integer") << QStringLiteral("99999999999999999999");
    QTest::newRow("very long") << QString(500, u'9');
    QTest::newRow("diacritics") << QStringLiteral("dvě");
    QTest::newRow("emoji") << QStringLiteral("3😀");
}

} // namespace

class TestHostileCounts : public QObject
{
    Q_OBJECT
private slots:
    void countEdit_data() { hostileRows(); }
    void countEdit()
    {
        QFETCH(QString, typed);
        TSelectionFixture f;
        TTestTypeDlg dlg;
        bool stayedOpen = false;
        QString shown;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                DM->QSelectQuest->moveTo(1);
                dlg.DBEdit1()->selectAll();
                QTest::keyClick(dlg.DBEdit1(), Qt::Key_Backspace);
                typeChars(dlg.DBEdit1(), typed);
                shown = dlg.DBEdit1()->text();
                DM->QSelectQuest->moveTo(0);
                DM->QSelectQuest->moveTo(1);
                QCOMPARE(dlg.DBEdit1()->text(), shown); // moving away and back shows it as typed
                dlg.OkBtnClick();
                stayedOpen = dlg.isVisible();
            },
            [&] { dlg.Execute(3); });
        QCOMPARE(f.errors, QStringList());
        const bool digitsOnly = !shown.isEmpty() && shown.size() < 10 &&
                                std::all_of(shown.begin(), shown.end(), [](QChar c) { return c.isDigit(); });
        if (digitsOnly) {
            // what the edit kept is a count: stored as that number
            QVERIFY(!stayedOpen);
            QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 2")).toString(),
                     shown);
        } else {
            QCOMPARE(f.messages, QStringList{Format(Str::BadQuestionCount, {QStringLiteral("Značky")})});
            QVERIFY(stayedOpen);
            QVERIFY(f.runs.isEmpty());
            QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 2")).toInt(), 10);
        }
        QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM OKRUHOT")).toInt(), 3);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 7")).toInt(), 2);
    }

    void minutesEdit_data() { hostileRows(); }
    void minutesEdit()
    {
        QFETCH(QString, typed);
        TSelectionFixture f;
        TTestTypeDlg dlg;
        QString shown;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TimeLimit()->setChecked(true);
                dlg.Edit1()->selectAll();
                QTest::keyClick(dlg.Edit1(), Qt::Key_Backspace);
                dlg.Edit1()->setCursorPosition(0);
                typeChars(dlg.Edit1(), typed);
                shown = dlg.Edit1()->text();
                Guarded([&] { dlg.OkBtnClick(); }); // as the button runs it
            },
            [&] { dlg.Execute(3); });
        // The edit takes two digits at most and nothing else.
        QVERIFY2(shown.size() <= 2 &&
                     std::all_of(shown.begin(), shown.end(),
                                 [](QChar c) { return c.isDigit() || c == u'_' || c == u' '; }),
                 qPrintable(shown));
        const QString digits = QString(shown).remove(u'_').remove(u' ');
        if (digits.isEmpty()) {
            QCOMPARE(f.errors, QStringList{Format(Str::NotValidInteger, {QString()})});
            QCOMPARE(f.dm->GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("30"));
        } else {
            QCOMPARE(f.errors, QStringList());
            QCOMPARE(f.dm->GetConst(QStringLiteral("TIMEOUT")), digits);
            QCOMPARE(f.runs.size(), 1);
            QCOMPARE(int(f.runs.first().args.timeLimitMinutes), digits.toInt());
        }
        QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM FNKonst")).toInt(), 2);
    }
};

QTEST_MAIN(TestHostileCounts)
#include "tst_hostilecounts.moc"
