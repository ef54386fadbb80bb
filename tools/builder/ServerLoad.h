// Loads a built (and so validated) SQLite database into a PostgreSQL server database, in one
// transaction: the tables from the schema, then every row.
#pragma once

#include "Builder.h"

#include "data/PgEngine.h"

struct TServerLoadOptions
{
    // Keep ZAK, STATIS, ZAKTEST and ZAKODP of a server database that has them; only the question
    // bank and its settings are replaced.
    bool keepPupils = true;
    // Replace the pupils too, also when the server database holds some (needs keepPupils off).
    bool force = false;
};

namespace ServerLoad {

// Copies the database file `sqliteFile` into the server database `config` names.
TBuildResult loadFromSqlite(const TServerConfig& config, const QString& sqliteFile,
                            const TServerLoadOptions& options = {});

// Builds the sample bank with the builder (in a temporary directory) and loads it.
TBuildResult loadSample(const TServerConfig& config, const TServerLoadOptions& options = {});

} // namespace ServerLoad
