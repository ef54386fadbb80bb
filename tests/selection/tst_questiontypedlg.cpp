// The question-browsing selection: every opening starts at the first group, the show-answer
// choice survives, the caption and the arguments of the browsing run, OK only with groups, a
// group picture of the frame's size shown whole.
#include "SelectionFixture.h"
#include "pictures/Picture.h"
#include "selection/QuestionTypeDlg.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>

class TestQuestionTypeDlg : public QObject
{
    Q_OBJECT

    static void open(TQuestionTypeDlg& dlg, const std::function<void()>& body)
    {
        TSelectionFixture::whileOpen(
            &dlg,
            [&dlg, body] {
                // the dialog acts when it becomes active
                QTRY_VERIFY(dlg.isActiveWindow());
                body();
            },
            [&dlg] { dlg.ShowModal(); });
    }

private slots:
    void browsesTheChosenGroup_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QVector<qint64>>("ids");
        QTest::newRow("second group, level 2")
            << 2 << 1 << QStringLiteral("Prohlížení skupin otázek - Značky")
            << QVector<qint64>{201, 203, 205};
        QTest::newRow("second group, level 1")
            << 1 << 1 << QStringLiteral("Prohlížení skupin otázek - Značky")
            << QVector<qint64>{202, 204, 206};
        QTest::newRow("no question at level 1")
            << 1 << 2 << QStringLiteral("Prohlížení skupin otázek - Situace") << QVector<qint64>{};
    }
    void browsesTheChosenGroup()
    {
        QFETCH(int, level);
        QFETCH(int, row);
        QFETCH(QString, caption);
        QFETCH(QVector<qint64>, ids);
        TSelectionFixture f;
        changeSignedIn([&](TSignedInPupil& p) { p.SkillLevel = level; });
        TQuestionTypeDlg dlg;
        open(dlg, [&] {
            f.dm->QSelectQuest->moveTo(row);
            emit dlg.DBGrid1()->rowDoubleClicked();
        });
        QCOMPARE(f.runs.size(), 1);
        const TRecordedRun& run = f.runs[0];
        QCOMPARE(run.args.mode, 1);
        QCOMPARE(run.args.testId, 0);
        QCOMPARE(run.args.caption, caption);
        QCOMPARE(run.args.questionSet, f.dm->QTestType1);
        QCOMPARE(run.args.showAnswerNow, true);
        QCOMPARE(run.args.timeLimitMinutes, quint16(0));
        QVector<qint64> got = run.ids;
        std::sort(got.begin(), got.end());
        QCOMPARE(got, ids);
        QVERIFY(!dlg.isVisible());
    }

    void everyOpeningStartsAtTheFirstGroupAndKeepsTheChoice()
    {
        TSelectionFixture f;
        TQuestionTypeDlg dlg;
        QVERIFY(dlg.ShowAnswerNow()->isChecked());
        f.dm->QSelectQuest->moveTo(2);
        int firstRow = -1;
        open(dlg, [&] {
            firstRow = f.dm->QSelectQuest->currentIndex();
            dlg.ShowAnswerNow()->setChecked(false);
            f.dm->QSelectQuest->moveTo(2);
            QTest::keyClick(&dlg, Qt::Key_Return);
        });
        QCOMPARE(firstRow, 0);
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(f.runs[0].args.showAnswerNow, false);
        QCOMPARE(f.runs[0].args.caption, QStringLiteral("Prohlížení skupin otázek - Situace"));

        int secondRow = -1;
        bool checked = true;
        open(dlg, [&] {
            secondRow = f.dm->QSelectQuest->currentIndex();
            checked = dlg.ShowAnswerNow()->isChecked();
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        QCOMPARE(secondRow, 0);
        QVERIFY(!checked);
        QCOMPARE(f.runs.size(), 1);
    }

    // Coming back to the dialog, from a message or from another program, keeps the group the
    // pupil chose: the dialog starts at the first group once per opening, not per activation.
    void comingBackKeepsTheChosenGroup()
    {
        TSelectionFixture f;
        TQuestionTypeDlg dlg;
        int afterMessage = -1, afterOtherProgram = -1;
        open(dlg, [&] {
            f.dm->QSelectQuest->moveTo(2);
            QDialog message(&dlg);
            message.show();
            message.activateWindow();
            QTRY_VERIFY(message.isActiveWindow());
            message.close();
            dlg.activateWindow();
            QTRY_VERIFY(dlg.isActiveWindow());
            afterMessage = f.dm->QSelectQuest->currentIndex();
            QEvent away(QEvent::WindowDeactivate), back(QEvent::WindowActivate);
            QApplication::sendEvent(&dlg, &away);
            QApplication::sendEvent(&dlg, &back);
            afterOtherProgram = f.dm->QSelectQuest->currentIndex();
            QTest::keyClick(&dlg, Qt::Key_Return);
        });
        QCOMPARE(afterMessage, 2);
        QCOMPARE(afterOtherProgram, 2);
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(f.runs[0].args.caption, QStringLiteral("Prohlížení skupin otázek - Situace"));
    }

    void captionKeepsTheGroupNameAsStored()
    {
        TSelectionFixture f;
        f.exec(QStringLiteral("UPDATE OKRUHOT SET OKRUH = 'Pravidla  ' WHERE ID_OKRUH = 7"));
        f.reloadGroups();
        TQuestionTypeDlg dlg;
        open(dlg, [&] { dlg.OkBtnClick(); });
        QCOMPARE(f.runs.size(), 1);
        QCOMPARE(f.runs[0].args.caption, QStringLiteral("Prohlížení skupin otázek - Pravidla  "));
    }

    void noGroupsNoBrowsing()
    {
        TSelectionFixture f;
        f.exec(QStringLiteral("DELETE FROM OKRUHOT"));
        f.reloadGroups();
        TQuestionTypeDlg dlg;
        bool enabled = true, stayed = false;
        open(dlg, [&] {
            enabled = dlg.OkBtn()->isEnabled();
            dlg.OkBtnClick();
            QTest::keyClick(&dlg, Qt::Key_Return);
            stayed = dlg.isVisible();
        });
        QVERIFY(!enabled);
        QVERIFY(stayed);
        QVERIFY(f.runs.isEmpty());
        QVERIFY(f.errors.isEmpty());
    }

    void groupPictureOfTheFrameSizeShowsWhole()
    {
        // red edges two pixels wide around blue: each corner of the picture must be in sight
        const QSize size = Picture::GroupPictureSize;
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(QColor(220, 30, 30));
        for (int y = 2; y < size.height() - 2; ++y)
            for (int x = 2; x < size.width() - 2; ++x)
                picture.setPixel(x, y, qRgb(30, 60, 200));
        QByteArray jpeg;
        QBuffer buf(&jpeg);
        QVERIFY(buf.open(QIODevice::WriteOnly) && picture.save(&buf, "JPEG", 95));
        TSelectionFixture f;
        f.dm->QTmp->close();
        f.dm->QTmp->clearSql();
        f.dm->QTmp->addLine(QStringLiteral("UPDATE OKRUHOT SET Picture = :PICTURE WHERE ID_OKRUH = 7"));
        f.dm->QTmp->setParam(QStringLiteral("PICTURE"), jpeg);
        f.dm->QTmp->execSql();
        f.reloadGroups();

        TQuestionTypeDlg dlg;
        QImage shown;
        open(dlg, [&] {
            shown = dlg.Image1()->grab().toImage();
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        QCOMPARE(dlg.Image1()->contentsRect().size(), size);
        const QPoint inside = dlg.Image1()->contentsRect().topLeft();
        auto red = [](QRgb c) { return qRed(c) > 170 && qGreen(c) < 90 && qBlue(c) < 90; };
        for (const QPoint corner : {QPoint(0, 0), QPoint(size.width() - 1, 0), QPoint(0, size.height() - 1),
                                    QPoint(size.width() - 1, size.height() - 1)})
            QVERIFY2(red(shown.pixel(inside + corner)),
                     qPrintable(QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y())));
        QVERIFY(!red(shown.pixel(0, 0))); // the frame's line around it
    }
};

QTEST_MAIN(TestQuestionTypeDlg)
#include "tst_questiontypedlg.moc"
