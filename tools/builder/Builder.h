// Builds a database: creates the tables and loads a question bank into them.
#pragma once

#include <QString>
#include <QStringList>

struct TBuildOptions
{
    // Replace a database that already holds pupils.
    bool force = false;
};

struct TBuildResult
{
    bool ok = false;
    QStringList problems; // one line per problem, when not ok
    QStringList notes;    // what was done
};

namespace Builder {

// Creates DB/ferdano.db in dbDir with the built-in sample bank, written to a temporary file
// first and moved into place when complete.
TBuildResult buildSample(const QString& dbDir, const TBuildOptions& options = {});

// Creates an empty database with the tables only (for tests).
TBuildResult buildEmpty(const QString& dbDir);

} // namespace Builder
