// A scored test as the test window hands it to the data layer to be stored: who took it, in which
// mode, how each question came out, whether the stored test was passed without fault, and a live
// test's report.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

struct TScoredTest
{
    struct Answer
    {
        int questionId = 0;
        bool isRight = false;
        // The pupil's ticks (CC) as the question set holds them.
        QString pattern;
    };

    // The report of a live test, one STATIS row.
    struct Report
    {
        // Fixed by the first attempt to store the test and kept by every retry.
        QDateTime when;
        QString testName;
        int total = 0;
        int gained = 0;
        QStringList lines;
        // An earlier attempt may have stored this report without the server confirming it: the
        // report is looked for before it is written again.
        bool earlierAttempt = false;
    };

    int pupilId = 0;
    // The test's mode (3 practice, 4 live, 5 error test), kept with every answer's outcome.
    int mode = 0;
    // When a test without a report was scored, for its answers' outcomes (a live test's outcomes
    // carry its report's time). Fixed by the first attempt to store the test and kept by every
    // retry; after an earlier attempt the outcomes are looked for before they are written again.
    QDateTime when;
    bool earlierAttempt = false;
    // The stored test that was taken; 0 for a random test.
    int testId = 0;
    bool isPerfect = false;
    QVector<Answer> answers;
    std::optional<Report> report;
};
