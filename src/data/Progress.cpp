// A pupil's progress and the school's figures.
#include "Progress.h"

#include "DataSet.h"
#include "Error.h"
#include "Format.h"
#include "Strings.h"

#include <algorithm>

namespace Progress {

TReadiness readiness(const QVector<int>& pointsNewestFirst, int minimum)
{
    TReadiness r;
    r.tests = int(std::min<qsizetype>(pointsNewestFirst.size(), ReadyRun));
    for (int i = 0; i < r.tests; ++i)
        if (pointsNewestFirst[i] < minimum)
            ++r.failed;
    r.ready = r.tests == ReadyRun && r.failed == 0;
    return r;
}

QString verdictText(const TReadiness& r)
{
    if (r.ready)
        return Str::VerdictReady;
    if (r.failed > 0)
        return Format(Str::VerdictNotPassed, {r.failed});
    return Format(Str::VerdictTooFew, {r.tests});
}

QString verdictWord(const TReadiness& r)
{
    return r.ready ? Str::VerdictWordReady : Str::VerdictWordNotReady;
}

QString ruleText(int minimum)
{
    return Format(Str::ReadinessRule, {minimum});
}

int sharePercent(int part, int whole)
{
    if (whole <= 0)
        return -1;
    return int((qint64(part) * 200 + whole) / (qint64(whole) * 2));
}

QString shareText(int right, int asked)
{
    if (asked <= 0)
        return Str::NoShare;
    return Format(Str::ShareOf, {sharePercent(right, asked), right, asked});
}

QDateTime recentSince(const QDateTime& now)
{
    return now.addDays(-RecentDays);
}

QVector<TQuestionTally> mostFailed(QVector<TQuestionTally> tallies, int limit)
{
    tallies.removeIf([](const TQuestionTally& t) { return t.wrong <= 0 || t.asked <= 0; });
    std::sort(tallies.begin(), tallies.end(), [](const TQuestionTally& a, const TQuestionTally& b) {
        if (a.wrong != b.wrong)
            return a.wrong > b.wrong;
        // a.wrong / a.asked > b.wrong / b.asked, without division
        const qint64 l = qint64(a.wrong) * b.asked, r = qint64(b.wrong) * a.asked;
        if (l != r)
            return l > r;
        return a.questionId < b.questionId;
    });
    if (limit >= 0 && tallies.size() > limit)
        tallies.resize(limit);
    return tallies;
}

QDateTime TPupilFigures::lastWhen() const
{
    return TDataSet::dateTimeOf(lastWhenValue);
}

QString shortened(const QString& text, int maxChars)
{
    const QString line = text.simplified();
    if (line.size() <= maxChars || maxChars < 2)
        return line;
    QString cut = line.left(maxChars - 1);
    // A word cut in the middle goes, unless the cut would lose more than half of the text.
    const QChar after = line.at(cut.size());
    const qsizetype blank = cut.lastIndexOf(u' ');
    if (!after.isSpace() && !after.isPunct() && blank > maxChars / 2)
        cut.truncate(blank);
    while (cut.endsWith(u' ') || cut.endsWith(u',') || cut.endsWith(u'.'))
        cut.chop(1);
    return cut + QChar(0x2026);
}

namespace {
// Lower case without diacritics: "Žluťoučký" gives "zlutoucky".
QString folded(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c.toLower());
    return out;
}
} // namespace

bool matchesFilter(const QStringList& texts, const QString& filter)
{
    const QStringList words = folded(filter).split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    const QString haystack = folded(texts.join(u'\n'));
    return std::all_of(words.begin(), words.end(), [&](const QString& w) { return haystack.contains(w); });
}

namespace {
QString csvCell(const QString& value)
{
    QString v = value;
    if (!v.isEmpty() && QStringLiteral("=+-@").contains(v.front())) {
        bool number = false;
        v.toDouble(&number);
        if (!number)
            v.prepend(u'\'');
    }
    if (v.contains(u';') || v.contains(u'"') || v.contains(u'\n') || v.contains(u'\r'))
        v = u'"' + v.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return v;
}
} // namespace

QByteArray csv(const QVector<QStringList>& rows)
{
    QString text;
    for (const QStringList& row : rows) {
        QStringList cells;
        cells.reserve(row.size());
        for (const QString& cell : row)
            cells.append(csvCell(cell));
        text += cells.join(u';') + QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace Progress

// ---- the statements ----

const QString TProgressData::SqlLiveTests = QStringLiteral(
    R"(SELECT DATETIME, PTOTAL, PCURRENT, TEST_NAME FROM STATIS WHERE ID_ZAK = :ID_ZAK ORDER BY DATETIME, ID_STATIS)");

const QString TProgressData::SqlPassMinimum =
    QStringLiteral(R"(SELECT RP.MINIMUM FROM ZAK, RP WHERE ZAK.ID_ZAK = :ID_ZAK AND ZAK.RP = RP.RP)");

const QString TProgressData::SqlGroupTallies = QStringLiteral(R"(
SELECT OKRUHOT.ID_OKRUH, OKRUHOT.OKRUH, OKRUHOT.PORADI,
       COUNT(*) AS ASKED, SUM(ZAKVYSL.SPRAVNE) AS RIGHT_ALL,
       SUM(CASE WHEN ZAKVYSL.DATETIME >= :SINCE THEN 1 ELSE 0 END) AS ASKED_RECENT,
       SUM(CASE WHEN ZAKVYSL.DATETIME >= :SINCE THEN ZAKVYSL.SPRAVNE ELSE 0 END) AS RIGHT_RECENT
  FROM ZAKVYSL, OTAZKA, OKRUHOT
 WHERE ZAKVYSL.ID_ZAK = :ID_ZAK AND OTAZKA.ID_OTAZKA = ZAKVYSL.ID_OTAZKA AND OKRUHOT.ID_OKRUH = OTAZKA.ID_OKRUH
 GROUP BY OKRUHOT.ID_OKRUH, OKRUHOT.OKRUH, OKRUHOT.PORADI
 ORDER BY OKRUHOT.PORADI, OKRUHOT.ID_OKRUH)");

const QString TProgressData::SqlPupilQuestionTallies = QStringLiteral(R"(
SELECT T.ID_OTAZKA, T.ASKED, T.WRONG, OTAZKA.OTAZKA
  FROM (SELECT ID_OTAZKA, COUNT(*) AS ASKED, SUM(1 - SPRAVNE) AS WRONG
          FROM ZAKVYSL WHERE ID_ZAK = :ID_ZAK GROUP BY ID_OTAZKA) T, OTAZKA
 WHERE OTAZKA.ID_OTAZKA = T.ID_OTAZKA AND T.WRONG > 0)");

const QString TProgressData::SqlSchoolQuestionTallies = QStringLiteral(R"(
SELECT T.ID_OTAZKA, T.ASKED, T.WRONG, OTAZKA.OTAZKA
  FROM (SELECT ID_OTAZKA, COUNT(*) AS ASKED, SUM(1 - SPRAVNE) AS WRONG
          FROM ZAKVYSL GROUP BY ID_OTAZKA) T, OTAZKA
 WHERE OTAZKA.ID_OTAZKA = T.ID_OTAZKA AND T.WRONG > 0)");

// Every live test of every pupil, in the order of the index on (ID_ZAK, DATETIME): a walk of the
// index alone, without a sort. Tests of a pupil at the same time are put in order as they are read.
const QString TProgressData::SqlSchoolFigures =
    QStringLiteral(R"(SELECT ID_ZAK, ID_STATIS, DATETIME, PCURRENT, PTOTAL FROM STATIS ORDER BY ID_ZAK, DATETIME)");

namespace {
struct TBoundQuery
{
    explicit TBoundQuery(const QString& sql) : query(QStringLiteral("QProgress")) { query.setSql({sql}); }
    TQuery query;
};

// Opens a statement over the kept answers; false when the database is older than them.
bool openAnswers(TQuery& query)
{
    try {
        query.open();
    } catch (const TError& e) {
        if (e.message().startsWith(Str::DatabaseIncomplete.section(u'%', 0, 0)))
            return false;
        throw;
    }
    return true;
}

QVector<Progress::TQuestionTally> readQuestionTallies(TQuery& q)
{
    QVector<Progress::TQuestionTally> out;
    if (!openAnswers(q))
        return out;
    out.reserve(q.recordCount());
    for (q.first(); !q.eof(); q.next())
        out.append({q.asInteger(QStringLiteral("ID_OTAZKA")), q.asString(QStringLiteral("OTAZKA")),
                    q.asInteger(QStringLiteral("ASKED")), q.asInteger(QStringLiteral("WRONG"))});
    return out;
}
} // namespace

QVector<Progress::TLiveTest> TProgressData::liveTests(int pupilId)
{
    TBoundQuery b(SqlLiveTests);
    b.query.setParam(QStringLiteral("ID_ZAK"), pupilId);
    b.query.open();
    QVector<Progress::TLiveTest> out;
    out.reserve(b.query.recordCount());
    for (b.query.first(); !b.query.eof(); b.query.next())
        out.append({b.query.asDateTime(QStringLiteral("DATETIME")), b.query.asInteger(QStringLiteral("PCURRENT")),
                    b.query.asInteger(QStringLiteral("PTOTAL")), b.query.asString(QStringLiteral("TEST_NAME"))});
    return out;
}

int TProgressData::passMinimum(int pupilId)
{
    TBoundQuery b(SqlPassMinimum);
    b.query.setParam(QStringLiteral("ID_ZAK"), pupilId);
    b.query.open();
    return b.query.isEmpty() ? 0 : b.query.asInteger(QStringLiteral("MINIMUM"));
}

QVector<Progress::TGroupTally> TProgressData::groupTallies(int pupilId, const QDateTime& since)
{
    TBoundQuery b(SqlGroupTallies);
    b.query.setParam(QStringLiteral("ID_ZAK"), pupilId);
    b.query.setParam(QStringLiteral("SINCE"), since);
    QVector<Progress::TGroupTally> out;
    if (!openAnswers(b.query))
        return out;
    TQuery& q = b.query;
    for (q.first(); !q.eof(); q.next())
        out.append({q.asInteger(QStringLiteral("ID_OKRUH")), TrimText(q.asString(QStringLiteral("OKRUH"))),
                    q.asInteger(QStringLiteral("ASKED")), q.asInteger(QStringLiteral("RIGHT_ALL")),
                    q.asInteger(QStringLiteral("ASKED_RECENT")), q.asInteger(QStringLiteral("RIGHT_RECENT"))});
    return out;
}

QVector<Progress::TQuestionTally> TProgressData::pupilQuestionTallies(int pupilId)
{
    TBoundQuery b(SqlPupilQuestionTallies);
    b.query.setParam(QStringLiteral("ID_ZAK"), pupilId);
    return readQuestionTallies(b.query);
}

QVector<Progress::TQuestionTally> TProgressData::schoolQuestionTallies()
{
    TBoundQuery b(SqlSchoolQuestionTallies);
    return readQuestionTallies(b.query);
}

namespace {
struct TLiveRow
{
    qint64 id;
    QVariant when;
    int points;
    int total;
};

// The figures of one pupil from the pupil's live tests in the order of their times.
Progress::TPupilFigures figuresOf(QVector<TLiveRow>& rows)
{
    // equal times: the test stored first is the older one
    for (qsizetype i = 0; i + 1 < rows.size();) {
        qsizetype end = i + 1;
        while (end < rows.size() && rows[end].when == rows[i].when)
            ++end;
        std::sort(rows.begin() + i, rows.begin() + end,
                  [](const TLiveRow& a, const TLiveRow& b) { return a.id < b.id; });
        i = end;
    }
    Progress::TPupilFigures f;
    f.liveTests = int(rows.size());
    f.lastTotal = rows.last().total;
    f.lastWhenValue = rows.last().when;
    for (qsizetype i = rows.size() - 1; i >= 0 && f.pointsNewestFirst.size() < Progress::ReadyRun; --i)
        f.pointsNewestFirst.append(rows[i].points);
    return f;
}
} // namespace

QHash<int, Progress::TPupilFigures> TProgressData::schoolFigures()
{
    TBoundQuery b(SqlSchoolFigures);
    QHash<int, Progress::TPupilFigures> out;
    QVector<TLiveRow> rows;
    int pupil = 0;
    b.query.readRows({QStringLiteral("ID_ZAK"), QStringLiteral("ID_STATIS"), QStringLiteral("DATETIME"),
                      QStringLiteral("PCURRENT"), QStringLiteral("PTOTAL")},
                     [&](const QVariant* v) {
                         const int id = v[0].toInt();
                         if (id != pupil && !rows.isEmpty()) {
                             out.insert(pupil, figuresOf(rows));
                             rows.clear();
                         }
                         pupil = id;
                         rows.append({v[1].toLongLong(), v[2], v[3].toInt(), v[4].toInt()});
                     });
    if (!rows.isEmpty())
        out.insert(pupil, figuresOf(rows));
    return out;
}
