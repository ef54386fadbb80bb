// The sign-in lock: an exclusive lock per pupil (ZAK row) that every station sharing the
// database sees, fails at once when another station holds it, and is released when this
// station releases it, closes the database or ends (a crash included).
#pragma once

class TSignInLock
{
public:
    virtual ~TSignInLock() = default;
    // True when this station holds the pupil's lock after the call (also when it already did).
    virtual bool tryLock(int pupilId) = 0;
    virtual void release(int pupilId) = 0;
    virtual void releaseAll() = 0;
    virtual bool isHeld(int pupilId) const = 0;
    // Before acting on a pupil's sign-in: true when this station still holds the pupil's lock,
    // taking it back where it went with a lost connection or a replaced lock file; false when
    // another station holds it now (this station then no longer does). Throws TError when it
    // cannot be told.
    virtual bool confirm(int pupilId) = 0;
};
