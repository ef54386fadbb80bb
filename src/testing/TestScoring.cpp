// Scoring a finished run and storing its outcome.
#include "TestScoring.h"

#include "TestMode.h"
#include "data/Clock.h"
#include "data/DataModule.h"
#include "data/DataSet.h"
#include "data/Globals.h"
#include "data/ScoredTest.h"

TEvaluation TTestScoring::scoreAndStore(TDataSet& set, int testId, const QString& caption, int mode)
{
    const TDataSet::Snapshot answers = set.snapshot();
    try {
        TScoredTest scored;
        scored.pupilId = SignedInPupil.PupilId;
        scored.testId = testId;
        scored.mode = mode;
        scored.earlierAttempt = m_scoredTime.has_value();
        if (!m_scoredTime)
            m_scoredTime = Clock::now();
        scored.when = *m_scoredTime;
        TEvaluation ev = EvaluateQuestionSet(set, SignedInPupil.MandatoryGroup, SignedInPupil.PassMinimum,
                                             [&](bool isRight, int questionId, const QString& cc) {
                                                 scored.answers.append({questionId, isRight, cc});
                                             });
        scored.isPerfect = ev.perfect();
        if (mode == tmLive) {
            m_report = ComposeReport(SignedInPupil.FullName, SignedInPupil.LicenceCategory, scored.when, caption,
                                     ev.lines, ev.total, ev.gained);
            scored.report =
                TScoredTest::Report{scored.when, caption, ev.total, ev.gained, m_report, scored.earlierAttempt};
        }
        DM->StoreScoredTest(scored);
        m_scoredTime.reset();
        return ev;
    } catch (...) {
        set.restore(answers);
        throw;
    }
}
