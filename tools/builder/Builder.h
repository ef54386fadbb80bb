// Builds a database: creates the tables and imports a question bank from its source folder.
#pragma once

#include <QString>
#include <QStringList>

struct TBuildOptions
{
    // Import into a database that holds pupils, keeping the pupils and their records.
    bool keepPupils = false;
    // Replace a database that holds pupils, dropping them.
    bool force = false;
};

struct TBuildResult
{
    bool ok = false;
    QStringList problems; // one line per problem, when not ok
    QStringList notes;    // what was done
    QStringList warnings; // what was imported all the same but will show badly
};

namespace Builder {

// The repository's sample bank folder.
QString sampleBankDir();

// Checks the bank in sourceDir and writes DB/ferdano.db in dbDir from it. The new database is
// written to a temporary file and moved into place only when complete; on any problem the
// existing database stays as it was.
TBuildResult importBank(const QString& sourceDir, const QString& dbDir, const TBuildOptions& options = {});

// Writes the bank of the database in dbDir into outDir in the source format.
TBuildResult exportBank(const QString& dbDir, const QString& outDir);

// The sample bank into dbDir.
TBuildResult buildSample(const QString& dbDir, const TBuildOptions& options = {});

// An empty database with the tables only (for tests).
TBuildResult buildEmpty(const QString& dbDir);

} // namespace Builder
