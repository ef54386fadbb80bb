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

#include <initializer_list>

const QString TTestStore::SqlDeleteWrongAnswer =
    QStringLiteral(R"(DELETE FROM ZAKODP WHERE ID_ZAK=:ID_ZAK AND ID_OTAZKA=:ID_OTAZKA)");
const QString TTestStore::SqlSelectWrongAnswer =
    QStringLiteral(R"(SELECT * FROM ZAKODP WHERE ID_ZAK=:ID_ZAK AND ID_OTAZKA=:ID_OTAZKA)");
const QString TTestStore::SqlInsertWrongAnswer =
    QStringLiteral(R"(INSERT INTO ZAKODP (ID_ZAK,ID_OTAZKA,ZAK_ODP) VALUES (:ID_ZAK,:ID_OTAZKA,:ZAK_ODP))");
const QString TTestStore::SqlDeleteUnfinishedTest =
    QStringLiteral(R"(DELETE FROM ZAKTEST WHERE ID_ZAK=:ID_ZAK AND ID_TEST=:ID_TEST)");
const QString TTestStore::SqlSelectUnfinishedTest =
    QStringLiteral(R"(SELECT * FROM ZAKTEST WHERE ID_ZAK=:ID_ZAK AND ID_TEST=:ID_TEST)");
const QString TTestStore::SqlInsertUnfinishedTest =
    QStringLiteral(R"(INSERT INTO ZAKTEST (ID_ZAK,ID_TEST) VALUES (:ID_ZAK,:ID_TEST))");
const QString TTestStore::SqlReportStored = QStringLiteral(
    R"(SELECT COUNT(*) AS N FROM STATIS WHERE ID_ZAK = :ID_ZAK AND DATETIME = :DATETIME AND ID_TEST = :ID_TEST)");
const QString TTestStore::SqlInsertOutcome = QStringLiteral(
    R"(INSERT INTO ZAKVYSL (ID_ZAK,ID_OTAZKA,SPRAVNE,DATETIME,REZIM) VALUES (:ID_ZAK,:ID_OTAZKA,:SPRAVNE,:DATETIME,:REZIM))");
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
        for (const TScoredTest::Answer& answer : test.answers)
            StoreAnswerOutcome(test.pupilId, answer);
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
    if (!m_withOutcomes)
        return; // a database made before the outcomes' table keeps the rest as it always did
    for (const TScoredTest::Answer& answer : test.answers)
        execute(SqlInsertOutcome, {{QStringLiteral("ID_ZAK"), test.pupilId},
                                   {QStringLiteral("ID_OTAZKA"), answer.questionId},
                                   {QStringLiteral("SPRAVNE"), answer.isRight ? 1 : 0},
                                   {QStringLiteral("DATETIME"), when},
                                   {QStringLiteral("REZIM"), test.mode}});
}

void TTestStore::StoreAnswerOutcome(int pupilId, const TScoredTest::Answer& answer)
{
    const std::initializer_list<TParam> key = {{QStringLiteral("ID_ZAK"), pupilId},
                                               {QStringLiteral("ID_OTAZKA"), answer.questionId}};
    if (answer.isRight) {
        execute(SqlDeleteWrongAnswer, key);
        return;
    }
    // The first wrong answer to a question is the one kept.
    if (anyRow(SqlSelectWrongAnswer, key))
        return;
    execute(SqlInsertWrongAnswer, {{QStringLiteral("ID_ZAK"), pupilId},
                                   {QStringLiteral("ID_OTAZKA"), answer.questionId},
                                   {QStringLiteral("ZAK_ODP"), TrimText(answer.pattern)}});
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
