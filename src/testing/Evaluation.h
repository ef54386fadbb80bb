// The rules of a test that need no window: answer patterns, the picture fit, the scoring walk,
// the evaluation and verdict lines, the report and the countdown text.
#pragma once

#include <QDateTime>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class TDataSet;

// The letters of the ticked positions: "0101" gives "bd".
QString AnswerLetters(const QString& pattern);
// CC read as the boxes show it: CC + "0000", first four characters.
QString TickPattern(const QString& cc);
// AA read for the hints: an empty AA counts as "0000".
QString CorrectPattern(const QString& aa);
// Number of ticked answers in CC + "0000" (first four characters).
int CountTicked(const QString& cc);
// Right exactly when the first four characters of CC and AA are equal (an empty CC is wrong).
bool AnsweredCorrectly(const QString& cc, const QString& aa);
// A blank before every line of the memo: line breaks become single blanks.
QString JoinMemoLines(const QString& memo);

// The picture's size in the 280 x 180 view (never enlarged), from its own size.
QSize FitPicture(QSize own);
// The frame drawn behind a picture of the fitted size.
QSize FrameSize(QSize fitted);
// Top left corner of a picture of its own size in the enlarged view.
QPoint ZoomPlacement(QSize own);

QString EvaluationLine(bool right, int ordinal, const QString& pupilPattern, const QString& correctPattern,
                       int points);
bool TestPassed(int gained, int passMinimum, int mandatoryMissed);
// The empty line and the verdict lines that close the evaluation lines.
QStringList VerdictLines(int gained, int passMinimum, int mandatoryMissed);

// What the result window shows for a live test.
struct TVerdict
{
    QString verdict;
    QString note;
};
TVerdict LiveVerdict(int gained, int total, int passMinimum, int mandatoryMissed);

struct TEvaluation
{
    int total = 0;
    int gained = 0;
    int mandatoryMissed = 0;
    QStringList lines;
    bool perfect() const { return gained == total; }
};

// Walks the question set once from its first row, scores every question, calls `store` with
// (isRight, ID_OTAZKA, CC) and removes the correct rows from the set (in memory only). The verdict
// lines are appended at the end.
using TAnswerStore = std::function<void(bool isRight, int questionId, const QString& pattern)>;
TEvaluation EvaluateQuestionSet(TDataSet& set, int mandatoryGroup, int passMinimum,
                                const TAnswerStore& store);

// The date and time of the report line: Czech short date, a blank, the long time.
QString ReportDateTime(const QDateTime& when);
// The report's lines, in order, ready for STATIS and the result window.
QStringList ComposeReport(const QString& fullName, const QString& category, const QDateTime& when,
                          const QString& caption, const QStringList& evaluationLines, int total, int gained);

// Seconds left: the limit minus the elapsed time, rounded half to even, never negative.
int RemainingSeconds(int limitSecs, const QDateTime& start, const QDateTime& now);
// "Do konce testu zbývá 9:05".
QString CountdownText(int remainingSecs);
