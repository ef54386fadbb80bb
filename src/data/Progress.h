// A pupil's progress and the school's figures: what the live reports (STATIS) and the kept scored
// answers (ZAKVYSL) say about readiness for the exam, the topic groups and the questions failed
// most. The figures are plain functions; TProgressData reads what they work on.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace Progress {

// The number of newest live tests that must all be passed.
inline constexpr int ReadyRun = 5;
// The window of the recent shares, in days.
inline constexpr int RecentDays = 30;

struct TLiveTest
{
    QDateTime when;
    int points = 0;
    int total = 0;
    QString name;
};

struct TReadiness
{
    bool ready = false;
    int tests = 0;  // the newest live tests looked at (at most ReadyRun)
    int failed = 0; // of them, those below the minimum
};

// The verdict from the points of the pupil's live tests, the newest first (only the first
// ReadyRun count): ready when there are ReadyRun of them and each reaches `minimum`.
TReadiness readiness(const QVector<int>& pointsNewestFirst, int minimum);
// The verdict as the windows say it: ready, or why not.
QString verdictText(const TReadiness& r);
// The short form of the register's column.
QString verdictWord(const TReadiness& r);
// The rule, stated with the pupil's minimum.
QString ruleText(int minimum);

// The answers of one topic group: all of them, and those since the start of the recent window.
struct TGroupTally
{
    int groupId = 0;
    QString name;
    int asked = 0;
    int right = 0;
    int askedRecent = 0;
    int rightRecent = 0;
};

// `part` of `whole` in whole percent, rounded half up; -1 when `whole` is 0.
int sharePercent(int part, int whole);
// "87 % (13 z 15)", or a dash when nothing was asked.
QString shareText(int right, int asked);
// The start of the recent window for a view made at `now`.
QDateTime recentSince(const QDateTime& now);

// How often one question was answered and how often wrongly.
struct TQuestionTally
{
    int questionId = 0;
    QString text;
    int asked = 0;
    int wrong = 0;
};

// The questions failed most: more wrong answers first, then the larger share wrong, then the
// lower question id. Questions never failed are left out; at most `limit` are kept.
QVector<TQuestionTally> mostFailed(QVector<TQuestionTally> tallies, int limit);
// The text on one line, cut at a word to at most `maxChars` characters with "…" when longer.
QString shortened(const QString& text, int maxChars);

// True when every blank-separated word of `filter` is part of one of `texts`, without regard to
// case or diacritics ("novak" finds "Novák"). An empty filter matches everything.
bool matchesFilter(const QStringList& texts, const QString& filter);

// A spreadsheet file of these rows (the first row is the heading): UTF-8 with a byte-order mark,
// cells separated by semicolons, lines ended by CR LF, a cell quoted when it holds a separator,
// a quote or a line break. A text cell that a spreadsheet would take for a formula (it starts
// with "=", "+", "-" or "@") is kept as text by a leading apostrophe.
QByteArray csv(const QVector<QStringList>& rows);

// The live tests of every pupil, as the register shows them.
struct TPupilFigures
{
    QVector<int> pointsNewestFirst; // at most ReadyRun
    int lastTotal = 0;
    QVariant lastWhenValue; // as the database gives it: a date-time is read only when it is shown
    QDateTime lastWhen() const;
    int liveTests = 0;
};

} // namespace Progress

// Reads the figures' data. A database older than the kept answers gives no answers.
class TProgressData
{
public:
    // The pupil's live tests, the oldest first.
    static QVector<Progress::TLiveTest> liveTests(int pupilId);
    // The pass minimum of the pupil's licence category; 0 when the pupil or category is unknown.
    static int passMinimum(int pupilId);
    // The pupil's answers per topic group (in the groups' order), the recent ones since `since`.
    static QVector<Progress::TGroupTally> groupTallies(int pupilId, const QDateTime& since);
    // The questions the pupil answered wrongly at least once.
    static QVector<Progress::TQuestionTally> pupilQuestionTallies(int pupilId);
    // The questions answered wrongly at least once by any pupil.
    static QVector<Progress::TQuestionTally> schoolQuestionTallies();
    // The live-test figures of every pupil with a live test, by ID_ZAK.
    static QHash<int, Progress::TPupilFigures> schoolFigures();

    static const QString SqlLiveTests;
    static const QString SqlPassMinimum;
    static const QString SqlGroupTallies;
    static const QString SqlPupilQuestionTallies;
    static const QString SqlSchoolQuestionTallies;
    static const QString SqlSchoolFigures;
};
