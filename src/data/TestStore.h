// Stores a scored test: the pupil's wrong answers (ZAKODP), the stored tests not yet passed without
// fault (ZAKTEST) and the report of a live test (STATIS), as one transaction.
#pragma once

#include "ScoredTest.h"

#include <QDateTime>
#include <QString>

class TDatabase;

class TTestStore
{
public:
    explicit TTestStore(TDatabase& db) : m_db(db) {}

    // Confirms the pupil's sign-in first (TSignInLost when another station holds the pupil now),
    // then writes everything in one transaction: all of it is stored or nothing (TError).
    void store(const TScoredTest& test);

    // True when the pupil has a report of the stored test written at exactly this time.
    static bool reportStored(int pupilId, const QDateTime& when, int testId);

    static const QString SqlDeleteWrongAnswers;
    static const QString SqlInsertWrongAnswers;
    static const QString SqlDeleteUnfinishedTest;
    static const QString SqlSelectUnfinishedTest;
    static const QString SqlInsertUnfinishedTest;
    static const QString SqlReportStored;

private:
    void StoreAnswerOutcomes(int pupilId, const QVector<TScoredTest::Answer>& answers);
    void StoreTestOutcome(int pupilId, int testId, bool isPerfect);
    void WriteReport(int pupilId, int testId, const TScoredTest::Report& report);

    TDatabase& m_db;
};
