// Stores a scored test: the pupil's wrong answers (ZAKODP), the stored tests not yet passed without
// fault (ZAKTEST), the report of a live test (STATIS) and every answer's outcome (ZAKVYSL), as one
// transaction.
#pragma once

#include "ScoredTest.h"

#include <QDateTime>
#include <QString>

class TDatabase;

class TTestStore
{
public:
    // `withOutcomes`: the database has the outcomes' table (one made before it has not).
    TTestStore(TDatabase& db, bool withOutcomes) : m_db(db), m_withOutcomes(withOutcomes) {}

    // Confirms the pupil's sign-in first (TSignInLost when another station holds the pupil now),
    // then writes everything in one transaction: all of it is stored or nothing (TError).
    void store(const TScoredTest& test);

    // True when the pupil has a report of the stored test written at exactly this time.
    static bool reportStored(int pupilId, const QDateTime& when, int testId);
    // True when the pupil has answers' outcomes stored at exactly this time. Throws TError, also
    // when the database has no table for them (see TDM::StoreScoredTest).
    static bool outcomesStored(int pupilId, const QDateTime& when);

    static const QString SqlDeleteWrongAnswers;
    static const QString SqlInsertWrongAnswers;
    static const QString SqlDeleteUnfinishedTest;
    static const QString SqlSelectUnfinishedTest;
    static const QString SqlInsertUnfinishedTest;
    static const QString SqlReportStored;
    static const QString SqlInsertOutcomesHead;
    static const QString SqlInsertOutcomesRow;
    // The insert of the outcomes of `rows` answers.
    static QString SqlInsertOutcomes(int rows);
    static const QString SqlOutcomesStored;

private:
    void StoreAnswerOutcomes(int pupilId, const QVector<TScoredTest::Answer>& answers);
    void StoreTestOutcome(int pupilId, int testId, bool isPerfect);
    void WriteReport(int pupilId, int testId, const TScoredTest::Report& report);
    void StoreOutcomes(const TScoredTest& test, const QDateTime& when);

    TDatabase& m_db;
    bool m_withOutcomes;
};
