// The test rules without a window: patterns, picture fit, evaluation and verdict lines, the
// scoring walk, the report layout and the countdown.
#include "data/DataSet.h"
#include "testing/Evaluation.h"

#include <QtTest>

class TstEvaluation : public QObject
{
    Q_OBJECT
private slots:
    void answerLetters_data();
    void answerLetters();
    void readingRules();
    void fit_data();
    void fit();
    void zoomPlacement_data();
    void zoomPlacement();
    void evaluationLine_data();
    void evaluationLine();
    void verdict_data();
    void verdict();
    void walkRemovesCorrectRows();
    void walkEndsAfterRemovingLastRow();
    void walkOfEmptySet();
    void reportLayout();
    void countdown_data();
    void countdown();
    void joinMemoLines_data();
    void joinMemoLines();
};

void TstEvaluation::answerLetters_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("letters");
    QTest::newRow("b and d") << "0101"
                             << "bd";
    QTest::newRow("none") << "0000"
                          << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("all") << "1111"
                         << "abcd";
    QTest::newRow("short") << "01"
                           << "b";
    QTest::newRow("longer than four") << "00000001"
                                      << "h";
    QTest::newRow("other characters") << "1x1 "
                                      << "ac";
}

void TstEvaluation::answerLetters()
{
    QFETCH(QString, pattern);
    QFETCH(QString, letters);
    QCOMPARE(AnswerLetters(pattern), letters);
}

void TstEvaluation::readingRules()
{
    QCOMPARE(TickPattern(""), QString("0000"));
    QCOMPARE(TickPattern("01"), QString("0100"));
    QCOMPARE(TickPattern("011011"), QString("0110"));
    QCOMPARE(CountTicked("0111"), 3);
    QCOMPARE(CountTicked("1"), 1);
    QCOMPARE(CountTicked(""), 0);
    QCOMPARE(CorrectPattern(""), QString("0000"));
    // An untouched question is wrong even against an AA of "0000".
    QVERIFY(!AnsweredCorrectly("", "0000"));
    QVERIFY(AnsweredCorrectly("0100", "0100"));
    QVERIFY(AnsweredCorrectly("01001", "01000"));
    QVERIFY(!AnsweredCorrectly("0110", "0100"));
}

void TstEvaluation::fit_data()
{
    QTest::addColumn<QSize>("own");
    QTest::addColumn<QSize>("fitted");
    QTest::addColumn<QSize>("frame");
    QTest::newRow("560x360") << QSize(560, 360) << QSize(280, 180) << QSize(290, 190);
    QTest::newRow("400x100") << QSize(400, 100) << QSize(280, 70) << QSize(290, 73);
    QTest::newRow("100x300") << QSize(100, 300) << QSize(60, 180) << QSize(62, 190);
    QTest::newRow("600x500 from own size") << QSize(600, 500) << QSize(216, 180) << QSize(223, 190);
    QTest::newRow("200x100 not enlarged") << QSize(200, 100) << QSize(200, 100) << QSize(207, 105);
    QTest::newRow("280x180 exact") << QSize(280, 180) << QSize(280, 180) << QSize(290, 190);
    QTest::newRow("empty") << QSize(0, 0) << QSize(0, 0) << QSize(0, 0);
}

void TstEvaluation::fit()
{
    QFETCH(QSize, own);
    QFETCH(QSize, fitted);
    QFETCH(QSize, frame);
    QCOMPARE(FitPicture(own), fitted);
    QCOMPARE(FrameSize(fitted), frame);
}

void TstEvaluation::zoomPlacement_data()
{
    QTest::addColumn<QSize>("own");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("small centred") << QSize(200, 100) << QPoint(170, 95);
    QTest::newRow("area size") << QSize(460, 230) << QPoint(40, 30);
    // Larger than the area: further left and up, truncating toward zero.
    QTest::newRow("larger") << QSize(561, 361) << QPoint(-10, -35);
    QTest::newRow("odd") << QSize(101, 51) << QPoint(219, 119);
}

void TstEvaluation::zoomPlacement()
{
    QFETCH(QSize, own);
    QFETCH(QPoint, topLeft);
    QCOMPARE(ZoomPlacement(own), topLeft);
}

void TstEvaluation::evaluationLine_data()
{
    QTest::addColumn<bool>("right");
    QTest::addColumn<int>("ordinal");
    QTest::addColumn<QString>("cc");
    QTest::addColumn<QString>("aa");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("line");
    QTest::newRow("right") << true << 1 << "0100"
                           << "0100" << 2 << "        1        b        b      2";
    QTest::newRow("wrong") << false << 12 << "1100"
                           << "0100" << 3 << "    *  12       ab        b      3";
    QTest::newRow("untouched") << false << 7 << ""
                               << "0010" << 1 << "    *   7                 c      1";
    QTest::newRow("wide values not cut") << false << 1234 << "1111"
                                         << "1011" << 100 << "    * 1234     abcd      acd     100";
}

void TstEvaluation::evaluationLine()
{
    QFETCH(bool, right);
    QFETCH(int, ordinal);
    QFETCH(QString, cc);
    QFETCH(QString, aa);
    QFETCH(int, points);
    QFETCH(QString, line);
    QCOMPARE(EvaluationLine(right, ordinal, cc, aa, points), line);
}

void TstEvaluation::verdict_data()
{
    QTest::addColumn<int>("gained");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("missed");
    QTest::addColumn<bool>("passed");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("dialogVerdict");
    QTest::addColumn<QString>("note");
    const QString mandatory = "NE UDELAL JSTE VSECHNI POVINNE OTAZKY... ";
    QTest::newRow("43 of 50 passes") << 43 << 50 << 43 << 0 << true << QStringList{"", "Prošel. "}
                                     << "Prošel. "
                                     << "";
    QTest::newRow("42 of 50 fails") << 42 << 50 << 43 << 0 << false << QStringList{"", "      Neprošel. "}
                                    << "Neprošel. "
                                    << "";
    QTest::newRow("mandatory missed")
        << 45 << 50 << 43 << 1 << false << QStringList{"", "      Neprošel. ", "", "      " + mandatory}
        << "Neprošel. " << mandatory;
    QTest::newRow("too few and mandatory")
        << 40 << 50 << 43 << 2 << false << QStringList{"", "      Neprošel. "} << "Neprošel. "
        << "";
    // A perfect test always shows "Prošel. " in the dialog; the report follows the pass rule.
    QTest::newRow("perfect under minimum")
        << 20 << 20 << 43 << 0 << false << QStringList{"", "      Neprošel. "} << "Prošel. "
        << "";
}

void TstEvaluation::verdict()
{
    QFETCH(int, gained);
    QFETCH(int, total);
    QFETCH(int, minimum);
    QFETCH(int, missed);
    QFETCH(bool, passed);
    QFETCH(QStringList, lines);
    QFETCH(QString, dialogVerdict);
    QFETCH(QString, note);
    QCOMPARE(TestPassed(gained, minimum, missed), passed);
    QCOMPARE(VerdictLines(gained, minimum, missed), lines);
    const TVerdict v = LiveVerdict(gained, total, minimum, missed);
    QCOMPARE(v.verdict, dialogVerdict);
    QCOMPARE(v.note, note);
}

namespace {
class TRowSet : public TDataSet
{
public:
    TRowSet() : TDataSet(QStringLiteral("Rows")) {}

protected:
    QString selectStatement() const override { return QString(); }
};

QVector<QVector<QVariant>> rows(const QList<std::tuple<int, int, QString, QString, int>>& list)
{
    QVector<QVector<QVariant>> out;
    for (const auto& [id, group, aa, cc, bb] : list)
        out.append({id, group, aa, cc, bb});
    return out;
}
const QStringList fields = {"ID_OTAZKA", "ID_OKRUH", "AA", "CC", "BB"};
} // namespace

void TstEvaluation::walkRemovesCorrectRows()
{
    TRowSet set;
    set.openRows(fields, rows({{11, 1, "1000", "1000", 2},
                               {12, 4, "0100", "0110", 3},
                               {13, 2, "0010", "0010", 1},
                               {14, 4, "0001", "", 2},
                               {15, 3, "1100", "1100", 1}}));
    QList<std::tuple<bool, int, QString>> stored;
    const TEvaluation ev = EvaluateQuestionSet(set, 4, 5, [&](bool r, int id, const QString& cc) {
        stored.append({r, id, cc});
    });
    QCOMPARE(ev.total, 9);
    QCOMPARE(ev.gained, 4);
    QCOMPARE(ev.mandatoryMissed, 2);
    QVERIFY(!ev.perfect());
    QCOMPARE(stored.size(), 5);
    QCOMPARE(stored[0], std::make_tuple(true, 11, QString("1000")));
    QCOMPARE(stored[1], std::make_tuple(false, 12, QString("0110")));
    QCOMPARE(stored[3], std::make_tuple(false, 14, QString("")));
    QCOMPARE(stored[4], std::make_tuple(true, 15, QString("1100")));
    QCOMPARE(set.recordCount(), 2);
    QCOMPARE(set.valueAt(0, "ID_OTAZKA").toInt(), 12);
    QCOMPARE(set.valueAt(1, "ID_OTAZKA").toInt(), 14);
    QCOMPARE(ev.lines.size(), 5 + 2);
    QCOMPARE(ev.lines[0], QString("        1        a        a      2"));
    QCOMPARE(ev.lines[1], QString("    *   2       bc        b      3"));
    QCOMPARE(ev.lines[4], QString("        5       ab       ab      1"));
    QCOMPARE(ev.lines[6], QString("      Neprošel. "));
}

void TstEvaluation::walkEndsAfterRemovingLastRow()
{
    TRowSet set;
    // The last row is right: removing it must not visit the previous row again.
    set.openRows(fields, rows({{1, 1, "1000", "0000", 1}, {2, 1, "0100", "0100", 1}}));
    int visits = 0;
    const TEvaluation ev = EvaluateQuestionSet(set, 9, 0, [&](bool, int, const QString&) { ++visits; });
    QCOMPARE(visits, 2);
    QCOMPARE(ev.total, 2);
    QCOMPARE(ev.gained, 1);
    QCOMPARE(set.recordCount(), 1);

    TRowSet all;
    all.openRows(fields, rows({{1, 1, "1000", "1000", 3}, {2, 1, "0100", "0100", 4}}));
    const TEvaluation perfect = EvaluateQuestionSet(all, 9, 0, {});
    QVERIFY(perfect.perfect());
    QCOMPARE(perfect.gained, 7);
    QVERIFY(all.isEmpty());
    QCOMPARE(perfect.lines.last(), QString("Prošel. "));
}

void TstEvaluation::walkOfEmptySet()
{
    TRowSet set;
    set.openRows(fields, {});
    int visits = 0;
    const TEvaluation ev = EvaluateQuestionSet(set, 4, 43, [&](bool, int, const QString&) { ++visits; });
    QCOMPARE(visits, 0);
    QCOMPARE(ev.total, 0);
}

void TstEvaluation::reportLayout()
{
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 5, 3));
    const QStringList eval = {"        1        a        a      2", "", "Prošel. "};
    const QStringList r = ComposeReport(" Jan Novák", "B", when, "Ostré testy - Test číslo 1", eval, 50, 43);
    const QStringList expected = {" Jan Novák",
                                  "   ",
                                  "   Oprávnění : B",
                                  "   Datum a čas testu : " + ReportDateTime(when),
                                  "   Typ a číslo testu : Ostré testy - Test číslo 1",
                                  "   ",
                                  "   Otázka  Odpověď  Správná  Počet",
                                  "    číslo     žáka  odpověď   bodů",
                                  "   -------------------------------",
                                  "        1        a        a      2",
                                  "",
                                  "Prošel. ",
                                  "   -------------------------------",
                                  "               Celkem :  43     50"};
    QCOMPARE(r, expected);
    // Czech short date and the long time.
    QVERIFY2(ReportDateTime(when).contains("9:05:03"), qPrintable(ReportDateTime(when)));
    QVERIFY2(ReportDateTime(when).contains("07.03") || ReportDateTime(when).contains("7.3"),
             qPrintable(ReportDateTime(when)));
}

void TstEvaluation::countdown_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("elapsedMs");
    QTest::addColumn<int>("remaining");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << 60 << 0 << 60 << "Do konce testu zbývá 1:00";
    QTest::newRow("9:05") << 600 << 55000 << 545 << "Do konce testu zbývá 9:05";
    QTest::newRow("round down") << 60 << 30400 << 30 << "Do konce testu zbývá 0:30";
    QTest::newRow("round up") << 60 << 30600 << 29 << "Do konce testu zbývá 0:29";
    QTest::newRow("half to even 30") << 60 << 29500 << 30 << "Do konce testu zbývá 0:30";
    QTest::newRow("half to even 28") << 60 << 31500 << 28 << "Do konce testu zbývá 0:28";
    QTest::newRow("past the end") << 60 << 75000 << 0 << "Do konce testu zbývá 0:00";
    QTest::newRow("99 minutes") << 5940 << 0 << 5940 << "Do konce testu zbývá 99:00";
}

void TstEvaluation::countdown()
{
    QFETCH(int, limit);
    QFETCH(int, elapsedMs);
    QFETCH(int, remaining);
    QFETCH(QString, text);
    const QDateTime start(QDate(2026, 1, 1), QTime(23, 59, 40));
    QCOMPARE(RemainingSeconds(limit, start, start.addMSecs(elapsedMs)), remaining);
    QCOMPARE(CountdownText(remaining), text);
}

void TstEvaluation::joinMemoLines_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("joined");
    QTest::newRow("one line") << "Text"
                              << " Text";
    QTest::newRow("two lines") << "První\nDruhý"
                               << " První Druhý";
    QTest::newRow("crlf") << "A\r\nB\r\n"
                          << " A B";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("empty middle line") << "A\n\nB"
                                       << " A  B";
}

void TstEvaluation::joinMemoLines()
{
    QFETCH(QString, memo);
    QFETCH(QString, joined);
    QCOMPARE(JoinMemoLines(memo), joined);
}

QTEST_GUILESS_MAIN(TstEvaluation)
#include "tst_evaluation.moc"
