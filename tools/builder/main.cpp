// ferdano-dbbuild: imports a question bank into the program's database, or exports one.
//   ferdano-dbbuild [--source DIR] [--keep-pupils|--force] DBDIR
//   ferdano-dbbuild --export DBDIR OUTDIR
#include "Builder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

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
    parser.addOptions({source, keep, force, exportOpt});
    parser.addPositionalArgument(QStringLiteral("DBDIR"), QStringLiteral("Složka DB vedle programu."));
    parser.addPositionalArgument(QStringLiteral("OUTDIR"), QStringLiteral("Jen s --export: cílová složka."),
                                 QStringLiteral("[OUTDIR]"));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    QTextStream err(stderr);
    QTextStream out(stdout);
    const bool exporting = parser.isSet(exportOpt);
    if (args.size() != (exporting ? 2 : 1)) {
        err << parser.helpText();
        return 2;
    }
    TBuildResult r;
    if (exporting) {
        r = Builder::exportBank(args[0], args[1]);
    } else {
        TBuildOptions options;
        options.keepPupils = parser.isSet(keep);
        options.force = parser.isSet(force);
        r = Builder::importBank(parser.value(source), args[0], options);
    }
    for (const QString& p : r.problems)
        err << p << '\n';
    for (const QString& n : r.notes)
        out << n << '\n';
    return r.ok ? 0 : 1;
}
