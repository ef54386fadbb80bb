// The windows of a pupil's progress and of the school's view: the statistics window opened from the
// pupil record, the register's figures, filter and export, and the list of the questions failed most.
#include "PupilsTestSupport.h"

#include "app/MainDlg.h"
#include "data/Clock.h"
#include "data/Format.h"
#include "data/Strings.h"
#include "pupils/FailedDlg.h"
#include "pupils/StatistikaDlg.h"
#include "widgets/DBGrid.h"

#ifdef FERDANO_HAVE_CHARTS
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#endif
#include <QLabel>
#include <QTableWidget>

using namespace PupilsTest;

class TstProgressDlgs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void statisticsFromOwnRecord();
    void statisticsOfANewPupilCannotOpen();
    void registerFiguresAndFilter();
    void exportWritesTheRowsShown();
    void failedQuestionsOpenTheChosenOne();

private:
    std::unique_ptr<Station> m_station;
    std::unique_ptr<TMainDlg> m_main;
    std::unique_ptr<TStatistikaDlg> m_stat;
    std::unique_ptr<TFailedDlg> m_failed;
};

namespace {
// Whether this run should find the chart module: the twin run without it says so, and so does a
// build without Qt Charts.
bool chartExpected()
{
#ifdef FERDANO_HAVE_CHARTS
    return qEnvironmentVariableIntValue("FERDANO_TEST_NO_CHART") != 1;
#else
    return false;
#endif
}

void addLiveTest(int pupil, const QDateTime& when, int points)
{
    execBound(QStringLiteral("INSERT INTO STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, TEST_NAME) "
                       "VALUES (:Z, 0, :D, 50, :P, 'r', 'Ostrý test')"),
        {{QStringLiteral("Z"), pupil}, {QStringLiteral("D"), when}, {QStringLiteral("P"), points}});
}

void addAnswer(int pupil, int question, bool right, const QDateTime& when)
{
    execBound(QStringLiteral("INSERT INTO ZAKVYSL (ID_ZAK, ID_OTAZKA, SPRAVNE, DATETIME, REZIM) VALUES (:Z, :Q, :S, :D, 3)"),
        {{QStringLiteral("Z"), pupil}, {QStringLiteral("Q"), question}, {QStringLiteral("S"), right ? 1 : 0},
         {QStringLiteral("D"), when}});
}

int firstQuestionOfGroup(int group)
{
    return scalar(QStringLiteral("select min(ID_OTAZKA) from OTAZKA where ID_OKRUH=%1").arg(group)).toInt();
}

QStringList rowTexts(QTableWidget* grid, int row)
{
    QStringList texts;
    for (int c = 0; c < grid->columnCount(); ++c)
        texts << (grid->item(row, c) ? grid->item(row, c)->text() : QString());
    return texts;
}

void runRegister(std::function<void()> inRegister)
{
    whenShown(ZakListDlg, [inRegister] {
        inRegister();
        clickButton(ZakListDlg->OkBtn());
    });
    MainDlg->DsFancyButton6Click();
}
} // namespace

void TstProgressDlgs::init()
{
    m_station = std::make_unique<Station>();
    m_stat = std::make_unique<TStatistikaDlg>();
    m_failed = std::make_unique<TFailedDlg>();
    m_main = std::make_unique<TMainDlg>();
    showSignedInAsPupilOne(*m_main);
}

void TstProgressDlgs::cleanup()
{
    m_main.reset();
    m_failed.reset();
    m_stat.reset();
    m_station.reset();
}

// A pupil opens "Statistika" from the own record: the chart has the live tests and the pass line
// at the category's minimum, the verdict follows the last five tests, the groups show their shares.
void TstProgressDlgs::statisticsFromOwnRecord()
{
    Messages m;
    const int pupil = addPupil(QStringLiteral("zak7"), QStringLiteral("h"), QStringLiteral("Kovář"),
                               QStringLiteral("Jiří"));
    const QDateTime now = Clock::now();
    for (int i = 0; i < 6; ++i)
        addLiveTest(pupil, now.addDays(-12 + 2 * i), i == 4 ? 29 : 44);
    const int q1 = firstQuestionOfGroup(1), q2 = firstQuestionOfGroup(2);
    addAnswer(pupil, q1, true, now.addDays(-60));
    addAnswer(pupil, q1, false, now.addDays(-1));
    addAnswer(pupil, q2, false, now.addDays(-1));
    QVERIFY(PupilsTest::signIn(QStringLiteral("zak7"), QStringLiteral("h")));

    QString verdict, rule, pupilLine;
    QStringList groups, failedFirst;
    int chartPoints = -1;
    qreal passLine = -1;
    QString chartText, missingText;
    bool recordBehind = false;
    whenShown(ZakDlg, [&] {
        whenShown(StatistikaDlg, [&] {
            recordBehind = ZakDlg->isVisible();
            verdict = StatistikaDlg->VerdictLb()->text();
            rule = StatistikaDlg->RuleLb()->text();
            pupilLine = StatistikaDlg->findChild<QLabel*>(QStringLiteral("PupilLb"))->text();
            chartText = StatistikaDlg->Chart()->accessibleDescription();
#ifdef FERDANO_HAVE_CHARTS
            if (auto* view = qobject_cast<QChartView*>(StatistikaDlg->Chart())) {
                const QList<QAbstractSeries*> series = view->chart()->series();
                chartPoints = int(static_cast<QLineSeries*>(series.value(0))->count());
                passLine = static_cast<QLineSeries*>(series.value(1))->at(0).y();
            }
#endif
            if (auto* missing = qobject_cast<QLabel*>(StatistikaDlg->Chart()))
                missingText = missing->text();
            groups = rowTexts(StatistikaDlg->GroupGrid(), 0) + rowTexts(StatistikaDlg->GroupGrid(), 1);
            failedFirst = rowTexts(StatistikaDlg->FailedGrid(), 0);
            QTest::keyClick(StatistikaDlg, Qt::Key_Escape);
        });
        clickButton(ZakDlg->StatBtn());
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    MainDlg->DsFancyButton6Click();

    QVERIFY(recordBehind);
    QCOMPARE(pupilLine, QStringLiteral("Žák: Jiří Kovář"));
    // The chart is drawn by its module; a build or installation without it shows a text in its
    // place. Either way the chart's summary is read out with it.
    QVERIFY(chartText.startsWith(QStringLiteral("Ostrých testů: 6")));
    if (chartExpected()) {
        QCOMPARE(chartPoints, 6);
        QCOMPARE(passLine, 30.0);
        QCOMPARE(missingText, QString());
    } else {
        QCOMPARE(chartPoints, -1);
        QCOMPARE(missingText, Format(Str::ChartUnavailable, {QStringLiteral("ferdano_chart")}));
    }
    QCOMPARE(verdict, QStringLiteral("Nepřipraven: z posledních pěti ostrých testů nesložil 1 (méně bodů než minimum)."));
    QCOMPARE(rule, Format(Str::ReadinessRule, {30}));
    QCOMPARE(groups, (QStringList{QStringLiteral("Pravidla provozu na pozemních komunikacích"),
                                  QStringLiteral("50 % (1 z 2)"), QStringLiteral("0 % (0 z 1)"),
                                  QStringLiteral("Dopravní značky"), QStringLiteral("0 % (0 z 1)"),
                                  QStringLiteral("0 % (0 z 1)")}));
    QCOMPARE(failedFirst.value(1), QStringLiteral("1 / 1"));
    QVERIFY(MainDlg->isVisible());
    QCOMPARE(m.errors, QStringList());
}

void TstProgressDlgs::statisticsOfANewPupilCannotOpen()
{
    Messages m;
    bool enabled = true;
    whenShown(ZakDlg, [&] {
        enabled = ZakDlg->StatBtn()->isEnabled();
        ZakDlg->StatBtnClick(); // does nothing for a pupil not yet saved
        QTest::keyClick(ZakDlg, Qt::Key_Escape);
    });
    ZakDlg->EditPupil(true, QStringLiteral("novy"), QString());
    QVERIFY(!enabled);
    QVERIFY(!StatistikaDlg->isVisible());
    QCOMPARE(m.errors, QStringList());
}

// Pupil 1's register: each pupil's last live test and verdict; the filter finds a typed part of a
// name without regard to case and diacritics, and the buttons follow the rows shown.
void TstProgressDlgs::registerFiguresAndFilter()
{
    Messages m;
    const int ready = addPupil(QStringLiteral("811224/0001"), QStringLiteral("a"), QStringLiteral("Šťastný"),
                               QStringLiteral("Čeněk"));
    addPupil(QStringLiteral("900101/0002"), QStringLiteral("b"), QStringLiteral("Novák"), QStringLiteral("Petr"));
    for (int i = 0; i < 5; ++i)
        addLiveTest(ready, Clock::now().addDays(-i), 40 + i);
    QStringList readyRow, afterFilter, nothingShown;
    int shownForNumber = -1;
    runRegister([&] {
        TDBGrid* grid = ZakListDlg->DBGrid1();
        QAbstractItemModel* model = grid->model();
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, 1).data().toString() == QStringLiteral("Šťastný"))
                for (int c = 0; c < model->columnCount(); ++c)
                    readyRow << model->index(r, c).data().toString();
        typeText(ZakListDlg->FilterEdit(), QStringLiteral("STASTN"));
        for (int c = 0; c < model->columnCount(); ++c)
            afterFilter << model->index(0, c).data().toString();
        afterFilter << QString::number(model->rowCount()) << DM->QZak->asString(QStringLiteral("PRIJMENI"))
                    << (ZakListDlg->UpdBtn()->isEnabled() ? QStringLiteral("upd") : QStringLiteral("-"));
        ZakListDlg->FilterEdit()->setText(QStringLiteral("xyz"));
        nothingShown << QString::number(model->rowCount())
                     << (ZakListDlg->UpdBtn()->isEnabled() ? QStringLiteral("upd") : QStringLiteral("-"))
                     << (ZakListDlg->DelBtn()->isEnabled() ? QStringLiteral("del") : QStringLiteral("-"));
        ZakListDlg->FilterEdit()->setText(QStringLiteral("0002"));
        shownForNumber = model->rowCount();
    });
    QCOMPARE(readyRow, (QStringList{QStringLiteral("811224/0001"), QStringLiteral("Šťastný"), QStringLiteral("Čeněk"),
                                    QStringLiteral("40 / 50"), QStringLiteral("připraven")}));
    QCOMPARE(afterFilter, readyRow + (QStringList{QStringLiteral("1"), QStringLiteral("Šťastný"), QStringLiteral("upd")}));
    QCOMPARE(nothingShown, (QStringList{QStringLiteral("0"), QStringLiteral("-"), QStringLiteral("-")}));
    QCOMPARE(shownForNumber, 1);
    QCOMPARE(m.errors, QStringList());

    // The next opening shows every pupil again.
    int rows = 0;
    runRegister([&] { rows = ZakListDlg->DBGrid1()->model()->rowCount(); });
    QCOMPARE(rows, 3);
}

// The export writes the rows shown, with their figures, as a UTF-8 file; a file that cannot be
// written is reported as not written. (The file dialog's road is in the end-to-end suite.)
void TstProgressDlgs::exportWritesTheRowsShown()
{
    Messages m;
    const int pupil = addPupil(QStringLiteral("e1"), QStringLiteral("a"), QStringLiteral("Žďárský"),
                               QStringLiteral("Řehoř"));
    addLiveTest(pupil, Clock::now(), 35);
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("žáci.csv"));
    bool written = false, badWritten = true;
    QString error;
    runRegister([&] {
        typeText(ZakListDlg->FilterEdit(), QStringLiteral("zdar"));
        written = ZakListDlg->ExportTo(good, nullptr);
        // nobody, not even root, creates files in /proc
        badWritten = ZakListDlg->ExportTo(QStringLiteral("/proc/žáci.csv"), &error);
    });
    QVERIFY(written);
    QVERIFY(!badWritten);
    QVERIFY(!error.isEmpty());
    QFile file(good);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("Identifikace;Titul;Příjmení;Jméno;Oprávnění;")));
    QVERIFY2(lines[1].startsWith(QStringLiteral("e1;;Žďárský;Řehoř;B;1;")), qPrintable(lines[1]));
    QVERIFY(lines[1].endsWith(QStringLiteral(";35;50;30;Zatím nepřipraven: napsal 1 z pěti potřebných ostrých testů.")));
    QCOMPARE(m.errors, QStringList());
}

// The school's list orders the questions by wrong answers and opens the chosen one.
void TstProgressDlgs::failedQuestionsOpenTheChosenOne()
{
    Messages m;
    const int a = addPupil(QStringLiteral("f1"), QStringLiteral("a"), QStringLiteral("Malá"), QStringLiteral("Eva"));
    const int b = addPupil(QStringLiteral("f2"), QStringLiteral("b"), QStringLiteral("Velký"), QStringLiteral("Jan"));
    const int q1 = firstQuestionOfGroup(1), q3 = firstQuestionOfGroup(3);
    for (int pupil : {a, b}) {
        addAnswer(pupil, q3, false, Clock::now());
        addAnswer(pupil, q1, pupil == a, Clock::now());
    }
    QList<int> opened;
    bool hiddenMeanwhile = false;
    connect(FailedDlg, &TFailedDlg::questionRequested, this, [&](int id, const QString& caption) {
        opened << id;
        hiddenMeanwhile = !FailedDlg->isVisible();
        QCOMPARE(caption, Format(Str::FailedQuestionCaption, {id}));
    });
    QStringList first, second;
    bool backAfterwards = false;
    runRegister([&] {
        whenShown(FailedDlg, [&] {
            first = rowTexts(FailedDlg->Grid(), 0);
            second = rowTexts(FailedDlg->Grid(), 1);
            FailedDlg->Grid()->selectRow(1);
            QTest::keyClick(FailedDlg->Grid(), Qt::Key_Return);
            backAfterwards = FailedDlg->isVisible();
            clickButton(FailedDlg->OkBtn());
        });
        clickButton(ZakListDlg->FailedBtn());
    });
    QCOMPARE(first.mid(1), (QStringList{QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("100 %")}));
    QCOMPARE(second.mid(1), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("50 %")}));
    QCOMPARE(opened, QList<int>{q1});
    QVERIFY(hiddenMeanwhile);
    QVERIFY(backAfterwards);
    QCOMPARE(m.errors, QStringList());
}

PUPILS_TEST_MAIN(TstProgressDlgs)
#include "tst_progressdlgs.moc"
