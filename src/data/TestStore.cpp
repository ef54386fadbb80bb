// Storing a scored test.
#include "TestStore.h"

#include "DataModule.h"
#include "DataSet.h"
#include "Database.h"
#include "Engine.h"
#include "Error.h"
#include "Format.h"
#include "SignInLock.h"
#include "Strings.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <initializer_list>

// The outcomes of all questions in two statements, whatever the test's length: far from a server
// every statement is a round trip. The questions come as one JSON object (json_each is a table
// function of SQLite and PostgreSQL alike): {"question id": 0} to delete, and
// {"question id": {"p": "ticks"}} to insert where the pupil has no row for the question yet.
const QString TTestStore::SqlDeleteWrongAnswers = QStringLiteral(
    R"(DELETE FROM ZAKODP WHERE ID_ZAK=:ID_ZAK AND ID_OTAZKA IN (SELECT CAST(key AS INTEGER) FROM json_each(:QUESTIONS)))");
const QString TTestStore::SqlInsertWrongAnswers = QStringLiteral(
    R"(INSERT INTO ZAKODP (ID_ZAK,ID_OTAZKA,ZAK_ODP) SELECT CAST(:ID_ZAK AS INTEGER), CAST(j.key AS INTEGER), j.value ->> 'p' )"
    R"(FROM json_each(:ANSWERS) j WHERE NOT EXISTS (SELECT 1 FROM ZAKODP z WHERE z.ID_ZAK=:ID_ZAK AND z.ID_OTAZKA=CAST(j.key AS INTEGER)))");
const QString TTestStore::SqlDeleteUnfinishedTest =
    QStringLiteral(R"(DELETE FROM ZAKTEST WHERE ID_ZAK=:ID_ZAK AND ID_TEST=:ID_TEST)");
const QString TTestStore::SqlSelectUnfinishedTest =
    QStringLiteral(R"(SELECT * FROM ZAKTEST WHERE ID_ZAK=:ID_ZAK AND ID_TEST=:ID_TEST)");
const QString TTestStore::SqlInsertUnfinishedTest =
    QStringLiteral(R"(INSERT INTO ZAKTEST (ID_ZAK,ID_TEST) VALUES (:ID_ZAK,:ID_TEST))");
const QString TTestStore::SqlReportStored = QStringLiteral(
    R"(SELECT COUNT(*) AS N FROM STATIS WHERE ID_ZAK = :ID_ZAK AND DATETIME = :DATETIME AND ID_TEST = :ID_TEST)");
// One row per answer, the question and its outcome numbered (:Q0, :S0, :Q1, ...): SqlInsertOutcomes()
// puts the rows after the head, "#" of a row replaced by its number.
const QString TTestStore::SqlInsertOutcomesHead =
    QStringLiteral(R"(INSERT INTO ZAKVYSL (ID_ZAK,ID_OTAZKA,SPRAVNE,DATETIME,REZIM) VALUES )");
const QString TTestStore::SqlInsertOutcomesRow = QStringLiteral(R"((:ID_ZAK,:Q#,:S#,:DATETIME,:REZIM))");
const QString TTestStore::SqlOutcomesStored =
    QStringLiteral(R"(SELECT COUNT(*) AS N FROM ZAKVYSL WHERE ID_ZAK = :ID_ZAK AND DATETIME = :DATETIME)");

namespace {
// One statement with its values bound, ready to run.
struct TBound
{
    TBound(const QString& sql, std::initializer_list<TParam> params) : query(QStringLiteral("QTestStore"))
    {
        query.setSql({sql});
        for (const TParam& p : params)
            query.setParam(p.name, p.value);
    }
    TQuery query;
};

void execute(const QString& sql, std::initializer_list<TParam> params)
{
    TBound(sql, params).query.execSql();
}

int countOf(const QString& sql, std::initializer_list<TParam> params)
{
    TBound bound(sql, params);
    bound.query.open();
    return bound.query.asInteger(QStringLiteral("N"));
}

bool anyRow(const QString& sql, std::initializer_list<TParam> params)
{
    TBound bound(sql, params);
    bound.query.open();
    return !bound.query.isEmpty();
}
} // namespace

void TTestStore::store(const TScoredTest& test)
{
    // After a lost connection the sign-in is taken back first, unless another station took the
    // pupil meanwhile: then nothing may be stored under the pupil's name here.
    if (!m_db.engine().signInLock().confirm(test.pupilId))
        throw TSignInLost(Str::SignInTakenOver);
    m_db.runInTransaction([&] {
        StoreAnswerOutcomes(test.pupilId, test.answers);
        StoreTestOutcome(test.pupilId, test.testId, test.isPerfect);
        // An earlier attempt whose answer from the server was lost may have stored all of it: the
        // report, or else the outcomes, tell.
        if (test.report) {
            const TScoredTest::Report& report = *test.report;
            if (report.earlierAttempt && reportStored(test.pupilId, report.when, test.testId))
                return;
            WriteReport(test.pupilId, test.testId, report);
            StoreOutcomes(test, report.when);
        } else if (!(test.earlierAttempt && m_withOutcomes && outcomesStored(test.pupilId, test.when))) {
            StoreOutcomes(test, test.when);
        }
    });
}

void TTestStore::StoreOutcomes(const TScoredTest& test, const QDateTime& when)
{
    if (!m_withOutcomes || test.answers.isEmpty())
        return; // a database made before the outcomes' table keeps the rest as it always did
    QVector<TParam> params = {{QStringLiteral("ID_ZAK"), test.pupilId},
                              {QStringLiteral("DATETIME"), when},
                              {QStringLiteral("REZIM"), test.mode}};
    for (qsizetype i = 0; i < test.answers.size(); ++i) {
        params.append({QStringLiteral("Q%1").arg(i), test.answers[i].questionId});
        params.append({QStringLiteral("S%1").arg(i), test.answers[i].isRight ? 1 : 0});
    }
    // every answer's row in one statement: far from a server every statement is a round trip
    TQuery query(QStringLiteral("QTestStore"));
    query.setSql({SqlInsertOutcomes(int(test.answers.size()))});
    for (const TParam& p : std::as_const(params))
        query.setParam(p.name, p.value);
    query.execSql();
}

QString TTestStore::SqlInsertOutcomes(int rows)
{
    QString sql = SqlInsertOutcomesHead;
    for (int i = 0; i < rows; ++i)
        sql += (i ? QStringLiteral(",") : QString()) + QString(SqlInsertOutcomesRow).replace(u'#', QString::number(i));
    return sql;
}

void TTestStore::StoreAnswerOutcomes(int pupilId, const QVector<TScoredTest::Answer>& answers)
{
    // What the questions' outcomes leave, taken in order as one statement per question would: a
    // right answer removes the pupil's row of the question; a wrong one adds a row unless there is
    // one, so that the first wrong answer is the one kept.
    QJsonObject remove, insert;
    for (const TScoredTest::Answer& answer : answers) {
        const QString key = QString::number(answer.questionId);
        if (answer.isRight) {
            insert.remove(key);
            remove.insert(key, 0);
        } else if (!insert.contains(key)) {
            insert.insert(key, QJsonObject{{QStringLiteral("p"), TrimText(answer.pattern)}});
        }
    }
    const auto text = [](const QJsonObject& o) {
        return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    };
    if (!remove.isEmpty())
        execute(SqlDeleteWrongAnswers, {{QStringLiteral("ID_ZAK"), pupilId}, {QStringLiteral("QUESTIONS"), text(remove)}});
    if (!insert.isEmpty())
        execute(SqlInsertWrongAnswers, {{QStringLiteral("ID_ZAK"), pupilId}, {QStringLiteral("ANSWERS"), text(insert)}});
}

void TTestStore::StoreTestOutcome(int pupilId, int testId, bool isPerfect)
{
    if (testId == 0)
        return; // a random test is no stored test to take again
    const std::initializer_list<TParam> key = {{QStringLiteral("ID_ZAK"), pupilId},
                                               {QStringLiteral("ID_TEST"), testId}};
    if (isPerfect) {
        execute(SqlDeleteUnfinishedTest, key);
        return;
    }
    if (anyRow(SqlSelectUnfinishedTest, key))
        return;
    execute(SqlInsertUnfinishedTest, key);
}

void TTestStore::WriteReport(int pupilId, int testId, const TScoredTest::Report& report)
{
    QString text;
    for (const QString& line : report.lines)
        text += line + QStringLiteral("\r\n");
    execute(TDM::UpdStatisticInsert, {{QStringLiteral("ID_ZAK"), pupilId},
                                      {QStringLiteral("ID_TEST"), testId},
                                      {QStringLiteral("DATETIME"), report.when},
                                      {QStringLiteral("PTOTAL"), report.total},
                                      {QStringLiteral("PCURRENT"), report.gained},
                                      {QStringLiteral("REPORT"), text},
                                      {QStringLiteral("TEST_NAME"), report.testName}});
}

bool TTestStore::reportStored(int pupilId, const QDateTime& when, int testId)
{
    return countOf(SqlReportStored, {{QStringLiteral("ID_ZAK"), pupilId},
                                     {QStringLiteral("DATETIME"), when},
                                     {QStringLiteral("ID_TEST"), testId}}) > 0;
}

bool TTestStore::outcomesStored(int pupilId, const QDateTime& when)
{
    return countOf(SqlOutcomesStored, {{QStringLiteral("ID_ZAK"), pupilId}, {QStringLiteral("DATETIME"), when}}) > 0;
}
