// Writing a bank into a database and reading it back; the one place that knows the tables.
// Everything goes through a QSqlDatabase and the Schema dialect, so the same code serves SQLite
// and PostgreSQL. Failures throw TError.
#pragma once

#include "Bank.h"

#include "data/Schema.h"

#include <QSqlDatabase>
#include <QVariantList>

namespace BankDatabase {

// Creates the tables of the schema.
void createTables(QSqlDatabase& db, TDialect dialect);

// Fills the reference tables from a checked bank; with pupils, also its pupils (ZAK).
void writeBank(QSqlDatabase& db, TDialect dialect, const TBank& bank, bool withPupils);

// Reads the reference tables (and pupil 1) back into a bank with its picture files.
TBank readBank(QSqlDatabase& db);

// A school's own records: pupils, their reports, failed tests, wrong answers and every scored
// answer's outcome (none from a database made before that table), row by row in the Schema's
// column order.
struct TPupilRecords
{
    QVector<QVariantList> pupils, reports, failedTests, wrongAnswers, outcomes;
};

// True when the database holds more than the privileged pupil: other pupils or any record.
bool hasPupilRecords(QSqlDatabase& db);
TPupilRecords readPupilRecords(QSqlDatabase& db);

struct TKeepResult
{
    int pupils = 0, reports = 0, failedTests = 0, wrongAnswers = 0, outcomes = 0;
    int droppedFailedTests = 0, droppedWrongAnswers = 0, droppedOutcomes = 0;
    QStringList unknownCategories; // pupils whose category the new bank does not have
};

// Writes kept records into a database that holds the new bank, leaving out failed tests, wrong
// answers and outcomes that name tests or questions the bank no longer has.
TKeepResult writePupilRecords(QSqlDatabase& db, TDialect dialect, const TPupilRecords& records,
                              const TBank& bank);

// The ID_PICT of each question picture file: the files in name order, numbered from 1.
QMap<QString, int> pictureIds(const TBank& bank);

} // namespace BankDatabase
