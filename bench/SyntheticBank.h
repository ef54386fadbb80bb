// A large school's database for the benchmarks: many questions, pupils and reports.
#pragma once

#include <QString>

struct TSyntheticSize
{
    int questions = 100000;
    int groups = 7;
    int pupils = 10000;
    int reports = 50000;
    int wrongAnswersPerPupil = 20;
    // One pupil carries this many reports (the pupil record benchmark opens it).
    int reportsOfBusiestPupil = 500;
    // Scored answers kept (ZAKVYSL), 25 to a test; the busiest pupil has one test per report.
    int keptAnswers = 5000000;
};

namespace SyntheticBank {
// Builds DB/ferdano.db in dbDir: the tables, then the synthetic content in one transaction.
// Returns an empty string, or the problem.
QString build(const QString& dbDir, const TSyntheticSize& size = {});
// The pupil with many reports.
inline constexpr int BusiestPupil = 2;
} // namespace SyntheticBank
