// The close of a run as the pupil meets it.
#include "TestOutcome.h"

#include "TestMode.h"
#include "data/Format.h"
#include "data/Strings.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"

QString ConfirmationText(int mode)
{
    switch (mode) {
    case tmHints:
        return Str::ConfirmEndHints;
    case tmPractice:
        return Str::ConfirmEndPractice;
    case tmLive:
        return Str::ConfirmEndLive;
    case tmErrorTest:
        return Str::ConfirmEndErrorTest;
    default:
        return Str::ConfirmEndBrowsing;
    }
}

bool ShowOutcome(const TEvaluation& ev, bool live, int passMinimum)
{
    const bool perfect = ev.perfect();
    const QString message = Format(perfect ? Str::ScorePerfect : Str::ScoreReview, {ev.gained, ev.total});
    if (live) {
        const TVerdict v = LiveVerdict(ev.gained, ev.total, passMinimum, ev.mandatoryMissed);
        if (perfect) {
            ResultDlg->Execute(message, v.verdict, v.note, true);
            return false;
        }
        return ResultDlg->Execute(message, v.verdict, v.note, false);
    }
    if (perfect) {
        SystemDlg->Execute(message, true);
        return false;
    }
    return SystemDlg->Execute(message, false);
}
