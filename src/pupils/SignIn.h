// The sign-in's steps that need no window: the pupil look-ups, the password check and filling
// SignedInPupil.
#pragma once

#include <QString>

class TDataSet;
class TQuery;

// Opens `query` on the pupil (joined with the category) whose RC equals `rc` as given.
void OpenPupilByRc(TQuery& query, const QString& rc);
// Opens `query` on the pupil (joined with the category) with the key `pupilId`.
void OpenPupilById(TQuery& query, int pupilId);

// Both sides trimmed, then compared exactly (letter case counts).
bool PasswordMatches(const QString& typed, const QString& stored);

// Copies the pupil of the query's current row into SignedInPupil and shows the name.
void FillSignedInPupil(const TDataSet& pupilRow);
