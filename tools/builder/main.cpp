// ferdano-dbbuild: creates the program's database.
//   ferdano-dbbuild [--force] DBDIR     the sample bank into DBDIR/ferdano.db
//   ferdano-dbbuild --server DB/server.conf [--force]
//                                       the bank into the server database the file names; keeps
//                                       the pupils there unless --force replaces them too
#include "Builder.h"
#include "ServerLoad.h"

#include "data/Error.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // pictures are drawn without a screen
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Builds the Ferdano database."));
    parser.addHelpOption();
    QCommandLineOption force(QStringLiteral("force"),
                             QStringLiteral("Replace a database that holds pupils."));
    parser.addOption(force);
    QCommandLineOption server(QStringLiteral("server"),
                              QStringLiteral("Load the bank into the server this file names."),
                              QStringLiteral("server.conf"));
    parser.addOption(server);
    parser.addPositionalArgument(QStringLiteral("dbdir"),
                                 QStringLiteral("The DB directory beside the program."));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    QTextStream err(stderr);
    QTextStream out(stdout);
    if (parser.isSet(server)) {
        TBuildResult r;
        try {
            TServerLoadOptions o;
            o.keepPupils = !parser.isSet(force);
            o.force = parser.isSet(force);
            r = ServerLoad::loadSample(TServerConfig::read(parser.value(server)), o);
        } catch (const TError& e) {
            r.problems << e.message();
        }
        for (const QString& p : r.problems)
            err << p << '\n';
        for (const QString& n : r.notes)
            out << n << '\n';
        return r.ok ? 0 : 1;
    }
    if (args.size() != 1) {
        err << parser.helpText();
        return 2;
    }
    TBuildOptions options;
    options.force = parser.isSet(force);
    const TBuildResult r = Builder::buildSample(args.first(), options);
    for (const QString& p : r.problems)
        err << p << '\n';
    for (const QString& n : r.notes)
        out << n << '\n';
    return r.ok ? 0 : 1;
}
