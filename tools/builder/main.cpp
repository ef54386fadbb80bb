// ferdano-dbbuild: creates the program's database.
//   ferdano-dbbuild [--force] DBDIR     the sample bank into DBDIR/ferdano.db
#include "Builder.h"

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
    QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Replace a database that holds pupils."));
    parser.addOption(force);
    parser.addPositionalArgument(QStringLiteral("dbdir"), QStringLiteral("The DB directory beside the program."));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    QTextStream err(stderr);
    QTextStream out(stdout);
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
