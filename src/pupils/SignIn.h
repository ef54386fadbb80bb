// The sign-in's steps that need no window: the pupil look-ups, the password check, filling
// SignedInPupil and moving the sign-in lock from one pupil to another.
#pragma once

#include <QString>

class TDataSet;
class TQuery;
class TSignInLock;
class TTable;

// Opens `query` on the pupil (joined with the category) whose RC equals `rc` as given.
void OpenPupilByRc(TQuery& query, const QString& rc);
// Opens `query` on the pupil (joined with the category) with the key `pupilId`.
void OpenPupilById(TQuery& query, int pupilId);

// Both sides trimmed, then compared exactly (letter case counts).
bool PasswordMatches(const QString& typed, const QString& stored);

// Copies the pupil of the query's current row into SignedInPupil and shows the name.
void FillSignedInPupil(const TDataSet& pupilRow);

// Leaves `cursor` holding the lock of `pupilId`. The new lock is taken before the previous one
// is let go, so that a failure leaves the previous pupil locked; false when the pupil is held
// by another station or has no row.
bool HoldSignInLock(TTable& cursor, TSignInLock& lock, int pupilId);
