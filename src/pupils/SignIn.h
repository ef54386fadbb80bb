// The sign-in's steps that need no window: the password check and filling SignedInPupil.
#pragma once

#include <QString>

class TDataSet;

// Both sides trimmed, then compared exactly (letter case counts).
bool PasswordMatches(const QString& typed, const QString& stored);

// Copies the pupil of the query's current row into SignedInPupil and shows the name.
void FillSignedInPupil(const TDataSet& pupilRow);
