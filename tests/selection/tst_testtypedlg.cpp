// The test-type selection: random draws per mode, stored tests, captions, time limits, the
// per-group counts (stored, refused, discarded) and the state of OK.
#include "SelectionFixture.h"
#include "data/Statements.h"
#include "data/Strings.h"
#include "selection/TestTypeDlg.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>

class TestTestTypeDlg : public QObject
{
    Q_OBJECT

    // Types a count into the count field of the group at `row`, as a person would.
    static void typeCount(TTestTypeDlg& dlg, int row, const QString& text)
    {
        DM->QSelectQuest->moveTo(row);
        dlg.DBEdit1()->selectAll();
        QTest::keyClick(dlg.DBEdit1(), Qt::Key_Backspace);
        QTest::keyClicks(dlg.DBEdit1(), text);
    }

private slots:
    void randomTestTakesTheModesCount_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("heading");
        QTest::newRow("hints take Pocet") << 2 << Str::HeadingHints;
        QTest::newRow("practice takes Pocet") << 3 << Str::HeadingPractice;
        QTest::newRow("live takes PocetDef") << 4 << Str::HeadingLive;
    }
    void randomTestTakesTheModesCount()
    {
        QFETCH(int, mode);
        QFETCH(QString, heading);
        TSelectionFixture f;
        TTestTypeDlg dlg;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                dlg.OkBtnClick();
            },
            [&] { dlg.Execute(mode); });

        // Pocet 2 / 10 / 0 and PocetDef 5 / 1 / 0 in display order; group 2 has 3 questions at level 2
        const QVector<int> counts = mode == 4 ? QVector<int>{5, 1, 0} : QVector<int>{2, 10, 0};
        TReferenceDraw ref;
        QVector<qint64> expected;
        const QVector<int> groups = {7, 2, 5};
        for (int g = 0; g < groups.size(); ++g)
            ref.draw(f.levelIds(groups[g]), counts[g], expected);
        QCOMPARE(expected.size(), mode == 4 ? 6 : 5);

        QCOMPARE(f.dm->QTestType3->sql(), Statements::DrawnQuestions);
        QCOMPARE(f.drawnIds(), expected);
        QCOMPARE(f.runs.size(), 1);
        const TRecordedRun& run = f.runs[0];
        QCOMPARE(run.args.mode, mode);
        QCOMPARE(run.args.testId, 0);
        QCOMPARE(run.args.caption, heading + QStringLiteral(" - Náhodně vygenerovaný test"));
        QCOMPARE(run.args.questionSet, f.dm->QTestType3);
        QCOMPARE(run.args.showAnswerNow, false);
        QVector<qint64> got = run.ids;
        std::sort(got.begin(), got.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(got, expected);
        if (mode != 4) // the group with 3 questions at the level and a count of 10 gives those 3
            QVERIFY(got.contains(201) && got.contains(203) && got.contains(205));
        QVERIFY(!dlg.isVisible());
        QVERIFY(f.messages.isEmpty());
        QVERIFY(f.errors.isEmpty());
    }

    void allCountsZeroShowsTheMessage()
    {
        TSelectionFixture f;
        f.exec(QStringLiteral("UPDATE OKRUHOT SET Pocet = 0"));
        f.reloadGroups();
        f.dm->QTestType3->setSql({QStringLiteral("select * from otazka where id_otazka in (101)")});
        TTestTypeDlg dlg;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                dlg.OkBtnClick();
            },
            [&] { dlg.Execute(3); });
        QCOMPARE(f.messages, QStringList{QStringLiteral("Chyba: počet otázek musí být větší než nula ...")});
        QCOMPARE(f.okOnlyFlags, QVector<bool>{true});
        QVERIFY(f.runs.isEmpty());
        QVERIFY(!dlg.isVisible());
        QCOMPARE(f.dm->QTestType3->sql(),
                 QStringList{QStringLiteral("select * from otazka where id_otazka in (101)")});
        QCOMPARE(f.scalar(QStringLiteral("SELECT SUM(Pocet) FROM OKRUHOT")).toInt(), 0);
    }

    void storedTestCaptionAndQuestions()
    {
        TSelectionFixture f;
        TTestTypeDlg dlg;
        QStringList listed;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                for (int row = 0; row < f.dm->QSelectTest->recordCount(); ++row)
                    listed << f.dm->QSelectTest->valueAt(row, QStringLiteral("poradi")).toString();
                QVERIFY(dlg.OkBtn()->isEnabled());
                QVERIFY(!dlg.DBGrid1()->isEnabled());
                QVERIFY(f.dm->QSelectTest->locate(QStringLiteral("poradi"), 3));
                QTest::keyClick(dlg.DBGrid2(), Qt::Key_Return); // Enter acts as OK
            },
            [&] { dlg.Execute(2); });
        // the first test type is current; its test numbered 4 is not for level 2
        QCOMPARE(listed, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(f.runs[0].args.caption, QStringLiteral("Testy s nápovědou - Test číslo 3"));
        QCOMPARE(f.runs[0].args.testId, 13);
        QCOMPARE(f.runs[0].args.mode, 2);
        QCOMPARE(f.runs[0].args.timeLimitMinutes, quint16(0));
        QCOMPARE(f.runs[0].args.questionSet, f.dm->QTestType2);
        QCOMPARE(f.runs[0].ids, (QVector<qint64>{110, 105, 201}));
    }

    void timeLimit_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("limitOn");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("timeout");
        QTest::newRow("practice, limit on, 15")
            << 3 << true << QStringLiteral("15") << 15 << QStringLiteral("15");
        QTest::newRow("practice, limit on, 5")
            << 3 << true << QStringLiteral("5") << 5 << QStringLiteral("5");
        QTest::newRow("practice, limit off")
            << 3 << false << QStringLiteral("15") << 0 << QStringLiteral("30");
        QTest::newRow("hints") << 2 << false << QString() << 0 << QStringLiteral("30");
        QTest::newRow("live") << 4 << true << QString() << 45 << QStringLiteral("30");
    }
    void timeLimit()
    {
        QFETCH(int, mode);
        QFETCH(bool, limitOn);
        QFETCH(QString, typed);
        QFETCH(int, minutes);
        QFETCH(QString, timeout);
        TSelectionFixture f;
        TTestTypeDlg dlg;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                QCOMPARE(dlg.TimeLimit()->isChecked(), mode != 2);
                QCOMPARE(dlg.TimeLimit()->isEnabled(), mode == 3);
                QCOMPARE(dlg.Edit1()->isEnabled(), mode == 3);
                if (mode == 3) {
                    QCOMPARE(dlg.Edit1()->text().trimmed(), QStringLiteral("30"));
                    dlg.Edit1()->selectAll();
                    QTest::keyClick(dlg.Edit1(), Qt::Key_Backspace);
                    dlg.Edit1()->setCursorPosition(0);
                    QTest::keyClicks(dlg.Edit1(), typed);
                    if (!limitOn) {
                        dlg.TimeLimit()->setChecked(false);
                        QVERIFY(!dlg.Edit1()->isEnabled());
                    }
                }
                if (mode == 4) {
                    QCOMPARE(dlg.Edit1()->text(), QStringLiteral("45"));
                    QCOMPARE(dlg.Label4()->palette().color(QPalette::WindowText), QColor(128, 128, 128));
                }
                dlg.OkBtnClick();
            },
            [&] { dlg.Execute(mode); });
        QVERIFY(f.errors.isEmpty());
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(int(f.runs[0].args.timeLimitMinutes), minutes);
        QCOMPARE(f.dm->GetConst(QStringLiteral("TIMEOUT")), timeout);
        QCOMPARE(f.dm->GetConst(QStringLiteral("TESTTIMEOUT")), QStringLiteral("45"));
    }

    void liveLimitWiderThanTwoDigits()
    {
        TSelectionFixture f;
        f.dm->SetConst(QStringLiteral("TESTTIMEOUT"), QStringLiteral("120"));
        TTestTypeDlg dlg;
        TSelectionFixture::whileOpen(
            &dlg, [&] { dlg.OkBtnClick(); }, [&] { dlg.Execute(4); });
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(int(f.runs[0].args.timeLimitMinutes), 120);
    }

    void minutesThatAreNoNumber()
    {
        TSelectionFixture f;
        TTestTypeDlg dlg;
        bool stayedOpen = false;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                typeCount(dlg, 0, QStringLiteral("7"));
                dlg.Edit1()->clear();
                QTest::mouseClick(dlg.OkBtn(), Qt::LeftButton);
                stayedOpen = dlg.isVisible();
            },
            [&] { dlg.Execute(3); });
        QCOMPARE(f.errors, QStringList{QStringLiteral("'' is not a valid integer value")});
        QVERIFY(stayedOpen);
        QVERIFY(f.runs.isEmpty());
        QCOMPARE(f.dm->GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("30"));
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 7")).toInt(), 2);
    }

    void countsThatAreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << QStringLiteral("ab");
        QTest::newRow("fraction") << QStringLiteral("2.5");
    }
    void countsThatAreRefused()
    {
        QFETCH(QString, typed);
        TSelectionFixture f;
        TTestTypeDlg dlg;
        bool stayedOpen = false;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                typeCount(dlg, 1, typed);
                typeCount(dlg, 0, QStringLiteral("4"));
                dlg.Edit1()->setText(QStringLiteral("20"));
                dlg.OkBtnClick();
                stayedOpen = dlg.isVisible();
            },
            [&] { dlg.Execute(3); });
        QCOMPARE(f.messages, QStringList{QStringLiteral(
                                 "Chyba: počet otázek ve skupině „Značky“ musí být celé číslo ...")});
        QCOMPARE(f.okOnlyFlags, QVector<bool>{true});
        QVERIFY(stayedOpen);
        QVERIFY(f.runs.isEmpty());
        QCOMPARE(f.dm->GetConst(QStringLiteral("TIMEOUT")), QStringLiteral("30"));
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 7")).toInt(), 2);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 2")).toInt(), 10);
    }

    // A negative count is a count like 0: stored as typed, and its group gives nothing.
    void negativeCountGivesNothing()
    {
        TSelectionFixture f;
        TTestTypeDlg dlg;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                typeCount(dlg, 1, QStringLiteral("-3"));
                typeCount(dlg, 0, QStringLiteral("1"));
                typeCount(dlg, 2, QStringLiteral("2"));
                dlg.OkBtnClick();
            },
            [&] { dlg.Execute(3); });
        QCOMPARE(f.messages, QStringList());
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(f.runs[0].ids.size(), 3);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 2")).toInt(), -3);
    }

    void okStoresTypedCountsAsNumbers()
    {
        TSelectionFixture f;
        TTestTypeDlg dlg;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                typeCount(dlg, 2, QStringLiteral(" 3"));
                typeCount(dlg, 0, QStringLiteral("1"));
                typeCount(dlg, 1, QString());
                dlg.OkBtnClick();
            },
            [&] { dlg.Execute(2); });
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 7")).toInt(), 1);
        QVERIFY(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 2")).isNull());
        QCOMPARE(f.scalar(QStringLiteral("SELECT typeof(Pocet) FROM OKRUHOT WHERE ID_OKRUH = 5")).toString(),
                 QStringLiteral("integer"));
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 5")).toInt(), 3);
        // the draw used the new counts: 1 of group 7, none of 2, 3 of 5
        QCOMPARE(f.runs[0].ids.size(), 4);
        QVERIFY(!f.dm->QSelectQuest->updatesPending());
    }

    void stornoKeepsTheStoredCounts()
    {
        TSelectionFixture f;
        TTestTypeDlg dlg;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                typeCount(dlg, 0, QStringLiteral("9"));
                typeCount(dlg, 1, QStringLiteral("8"));
                QTest::keyClick(&dlg, Qt::Key_Escape);
            },
            [&] { dlg.Execute(3); });
        QVERIFY(f.runs.isEmpty());
        QVERIFY(!f.dm->QSelectQuest->updatesPending());
        QCOMPARE(f.dm->QSelectQuest->state(), TDataSet::State::Browse);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 7")).toInt(), 2);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 2")).toInt(), 10);
        // the next opening shows the stored counts and a confirmed test writes nothing of the edits
        QString shown;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                shown = dlg.DBEdit1()->text();
                dlg.OkBtnClick();
            },
            [&] { dlg.Execute(3); });
        QCOMPARE(shown, QStringLiteral("2"));
        QCOMPARE(f.scalar(QStringLiteral("SELECT Pocet FROM OKRUHOT WHERE ID_OKRUH = 2")).toInt(), 10);
    }

    void emptyStoredListDisablesOk()
    {
        TSelectionFixture f;
        f.exec(QStringLiteral("DELETE FROM TEST WHERE ID_TYPTEST = 1"));
        TTestTypeDlg dlg;
        bool okOnStored = true, okOnRandom = false;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                okOnStored = dlg.OkBtn()->isEnabled();
                dlg.OkBtnClick();
                QTest::keyClick(&dlg, Qt::Key_Return);
                emit dlg.DBGrid2()->rowDoubleClicked();
                QVERIFY(dlg.isVisible());
                dlg.TabSet1()->setCurrentIndex(1);
                okOnRandom = dlg.OkBtn()->isEnabled();
                dlg.TabSet1()->setCurrentIndex(0);
                QVERIFY(!dlg.OkBtn()->isEnabled());
            },
            [&] { dlg.Execute(4); });
        QVERIFY(!okOnStored);
        QVERIFY(okOnRandom); // a random test needs no stored test
        QVERIFY(f.runs.isEmpty());
        QVERIFY(f.messages.isEmpty());
    }

    void largeBankIsDrawnQuickly()
    {
        TSelectionFixture f;
        f.exec(
            QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 100000) "
                           "INSERT INTO OTAZKA (ID_OTAZKA, ID_OKRUH, SKILL_LEVEL) "
                           "SELECT 1000 + x, 5, '1111111111' FROM n"));
        f.exec(QStringLiteral("UPDATE OKRUHOT SET Pocet = 100000 WHERE ID_OKRUH = 5"));
        f.reloadGroups();
        TTestTypeDlg dlg;
        QElapsedTimer timer;
        timer.start();
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                dlg.OkBtnClick();
            },
            [&] { dlg.Execute(2); });
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(f.runs[0].ids.size(), 2 + 3 + 100000);
        QVERIFY2(elapsed < 20000, qPrintable(QString::number(elapsed)));
        qInfo("100 000 questions drawn and opened in %lld ms", elapsed);
    }

    void everyOpeningStartsAfresh()
    {
        TSelectionFixture f;
        TTestTypeDlg dlg;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                dlg.TabSet1()->setCurrentIndex(1);
                f.dm->QSelectQuest->moveTo(2);
            },
            [&] { dlg.Execute(4); });
        int tab = -1, groupRow = -1;
        bool countShown = false, defShown = true;
        QStringList tabs;
        TSelectionFixture::whileOpen(
            &dlg,
            [&] {
                tab = dlg.TabSet1()->currentIndex();
                groupRow = f.dm->QSelectQuest->currentIndex();
                countShown = dlg.DBEdit1()->isVisible();
                defShown = dlg.DBEdit2()->isVisible();
                tabs << dlg.TabSet1()->tabText(0) << dlg.TabSet1()->tabText(1);
            },
            [&] { dlg.Execute(3); });
        QCOMPARE(tab, 0);
        QCOMPARE(groupRow, 0);
        QCOMPARE(dlg.Label1()->text(), Str::HeadingPractice);
        QCOMPARE(tabs, (QStringList{QStringLiteral("Standardní testy"),
                                    QStringLiteral("Náhodně vygenerovaný test")}));
        QVERIFY(!countShown); // on the hidden random page, but the field is the count field
        QVERIFY(!defShown);
        QVERIFY(!dlg.DBEdit1()->isHidden());
        QVERIFY(dlg.DBEdit2()->isHidden());
    }
};

QTEST_MAIN(TestTestTypeDlg)
#include "tst_testtypedlg.moc"
