// The modes of a run of the test window; the callers choose one, the window sets review itself.
#pragma once

enum TestMode
{
    tmBrowse = 1,
    tmHints = 2,
    tmPractice = 3,
    tmLive = 4,
    tmErrorTest = 5,
    tmReview = 7
};
