// ferdano-dbbuild: imports a question bank into the program's database, or exports one.
//   ferdano-dbbuild [--source DIR] [--keep-pupils|--force] DBDIR
//   ferdano-dbbuild --export DBDIR OUTDIR
//   ferdano-dbbuild [--source DIR] [--force] --server DB/server.conf
//       the bank into the server database the file names; the pupils there are kept unless
//       --force replaces them too
#include "Builder.h"
#include "ServerLoad.h"

#include "data/Engine.h"
#include "data/Error.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Validates and builds the bank into a temporary SQLite file, then copies it into the server.
TBuildResult loadServer(const QString& serverFile, const QString& source, bool force)
{
    TBuildResult r;
    try {
        QTemporaryDir temp;
        TBuildOptions build;
        build.force = true;
        r = Builder::importBank(source, temp.path(), build);
        if (!r.ok)
            return r;
        TServerLoadOptions o;
        o.keepPupils = !force;
        o.force = force;
        const QStringList warnings = r.warnings;
        r = ServerLoad::loadFromSqlite(TServerConfig::read(serverFile),
                                       QDir(temp.path()).filePath(QString::fromLatin1(SqliteFileName)), o);
        r.warnings = warnings;
    } catch (const TError& e) {
        r.ok = false;
        r.problems << e.message();
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Vytvoří databázi programu Ferdano z banky otázek, nebo banku "
                       "z databáze vypíše."));
    parser.addHelpOption();
    QCommandLineOption source(QStringLiteral("source"),
                              QStringLiteral("Složka banky (výchozí: ukázková banka)."),
                              QStringLiteral("DIR"), Builder::sampleBankDir());
    QCommandLineOption keep(QStringLiteral("keep-pupils"),
                            QStringLiteral("Zachovat žáky stávající databáze."));
    QCommandLineOption force(QStringLiteral("force"),
                             QStringLiteral("Nahradit databázi i se žáky (žáci se ztratí)."));
    QCommandLineOption exportOpt(QStringLiteral("export"),
                                 QStringLiteral("Vypsat banku z DBDIR do složky OUTDIR."));
    QCommandLineOption server(QStringLiteral("server"),
                              QStringLiteral("Nahrát banku do databázového serveru, který soubor jmenuje."),
                              QStringLiteral("server.conf"));
    parser.addOptions({source, keep, force, exportOpt, server});
    parser.addPositionalArgument(QStringLiteral("DBDIR"), QStringLiteral("Složka DB vedle programu."));
    parser.addPositionalArgument(QStringLiteral("OUTDIR"), QStringLiteral("Jen s --export: cílová složka."),
                                 QStringLiteral("[OUTDIR]"));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    QTextStream err(stderr);
    QTextStream out(stdout);
    TBuildResult r;
    if (parser.isSet(server)) {
        if (!args.isEmpty()) {
            err << parser.helpText();
            return 2;
        }
        r = loadServer(parser.value(server), parser.value(source), parser.isSet(force));
    } else {
        const bool exporting = parser.isSet(exportOpt);
        if (args.size() != (exporting ? 2 : 1)) {
            err << parser.helpText();
            return 2;
        }
        if (exporting) {
            r = Builder::exportBank(args[0], args[1]);
        } else {
            TBuildOptions options;
            options.keepPupils = parser.isSet(keep);
            options.force = parser.isSet(force);
            r = Builder::importBank(parser.value(source), args[0], options);
        }
    }
    for (const QString& p : r.problems)
        err << p << '\n';
    for (const QString& w : r.warnings)
        err << QStringLiteral("varování: ") << w << '\n';
    for (const QString& n : r.notes)
        out << n << '\n';
    return r.ok ? 0 : 1;
}
