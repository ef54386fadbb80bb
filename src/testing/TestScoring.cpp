// Scoring a finished run and storing its outcome.
#include "TestScoring.h"

#include "data/Clock.h"
#include "data/DataModule.h"
#include "data/DataSet.h"
#include "data/Globals.h"
#include "data/ScoredTest.h"

TEvaluation TTestScoring::scoreAndStore(TDataSet& set, int testId, const QString& caption, bool live)
{
    const TDataSet::Snapshot answers = set.snapshot();
    try {
        TScoredTest scored;
        scored.pupilId = SignedInPupil.PupilId;
        scored.testId = testId;
        TEvaluation ev = EvaluateQuestionSet(set, SignedInPupil.MandatoryGroup, SignedInPupil.PassMinimum,
                                             [&](bool isRight, int questionId, const QString& cc) {
                                                 scored.answers.append({questionId, isRight, cc});
                                             });
        scored.isPerfect = ev.perfect();
        if (live) {
            const bool earlierAttempt = m_reportTime.has_value();
            if (!m_reportTime)
                m_reportTime = Clock::now();
            m_report = ComposeReport(SignedInPupil.FullName, SignedInPupil.LicenceCategory,
                                     *m_reportTime, caption, ev.lines, ev.total, ev.gained);
            scored.report =
                TScoredTest::Report{*m_reportTime, caption, ev.total, ev.gained, m_report, earlierAttempt};
        }
        DM->StoreScoredTest(scored);
        m_reportTime.reset();
        return ev;
    } catch (...) {
        set.restore(answers);
        throw;
    }
}
