// The built-in sample bank: a few topic groups, questions with pictures, categories, tests.
#pragma once

#include <QSqlDatabase>

namespace SampleBank {
// Fills the reference tables and pupil 1 of an empty database; throws TError on failure.
void load(QSqlDatabase& db);
} // namespace SampleBank
