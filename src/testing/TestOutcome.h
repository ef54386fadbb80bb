// What the pupil is asked and shown when a run closes: the confirmation by mode and the outcome
// of a scored test.
#pragma once

#include "Evaluation.h"

#include <QString>

// The question that confirms the close of a run in this mode.
QString ConfirmationText(int mode);

// Shows the outcome of a scored test: the result window for a live test, a message otherwise.
// True when the pupil chose to review the wrongly answered questions (never after a perfect test).
bool ShowOutcome(const TEvaluation& ev, bool live, int passMinimum);
