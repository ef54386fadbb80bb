// What the benchmarks share: a series of timings, a program started as a real process and timed
// until it prints its marker, and the test server that the scripts start.
#pragma once

#include <QByteArray>
#include <QString>

#include "data/PgEngine.h"

#include <vector>

struct TSeries
{
    std::vector<double> values;
    double median() const;
    double slowest() const;
};

struct TProcessRun
{
    double msToMarker = 0;
    double peakMb = 0;
};

// Starts `program` with QT_QPA_PLATFORM=offscreen, TMPDIR=`tmpDir`, `extraEnv` (NAME=value)
// and FERDANO_BENCH_EXIT_AFTER_PAINT=1 unless `extraEnv` asks for another marker; returns the
// time from the start to the line holding `marker` and the process's peak resident set. Ends
// the benchmark when no marker comes within a minute.
TProcessRun runUntilMarker(const QString& program, const QString& tmpDir, const QByteArray& extraEnv = {},
                           const char* marker = "main window painted");

[[noreturn]] void benchFail(const QString& what);

class TDataSet;
// Answers the questions of an opened live test in the test set: about half right, the rest
// wrong, which half depends on `run`, so that runs differ.
void answerAboutHalf(TDataSet& set, int run);

// The server of the environment, as for the tests: FERDANO_TEST_PG (host or socket directory),
// FERDANO_TEST_PG_PORT, FERDANO_TEST_PG_USER; the database named.
TServerConfig testServerConfig(const QString& database);
