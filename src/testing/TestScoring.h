// The scoring of a finished run and the storing of its outcome, apart from the window: the walk
// over the question set, the report of a live test and the one call that stores them.
#pragma once

#include "Evaluation.h"

#include <QDateTime>
#include <QStringList>

#include <optional>

class TDataSet;

class TTestScoring
{
public:
    // A new run: nothing of an earlier run's attempts counts.
    void reset() { m_scoredTime.reset(); }

    // Scores the set for the signed-in pupil, removes the correctly answered questions from it (in
    // memory only) and stores the outcome of a test of `mode` (practice, live or error test): the
    // answers, the stored test `testId` (0 for a random test) and, for a live test, the report.
    // When storing fails the set is put back as it was and the error is passed on (TSignInLost when
    // another station has the pupil now); the next attempt keeps this attempt's time, since the
    // database may have stored it unconfirmed.
    TEvaluation scoreAndStore(TDataSet& set, int testId, const QString& caption, int mode);

    // The report of the last live test scored, for the result window.
    const QStringList& reportLines() const { return m_report; }

private:
    std::optional<QDateTime> m_scoredTime;
    QStringList m_report;
};
