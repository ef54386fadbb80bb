// Shared helpers of the windows.
#include "Public.h"

#include "Clock.h"
#include "DataSet.h"
#include "Error.h"
#include "Format.h"
#include "Globals.h"
#include "Platform.h"
#include "Strings.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTimeZone>

#include <algorithm>

namespace {
std::uint32_t g_randomState = 0;
QString g_printProgram = Platform::defaultPrintProgram();
QStringList g_printArgs;
} // namespace

QString SkillLevelPattern(int level)
{
    QString pattern(9, u'_');
    const int pos = std::clamp(level, 1, 10) - 1;
    pattern.insert(pos, u'1');
    return pattern;
}

void ShowUserName(const TDataSet& query)
{
    const QString title = TrimText(query.asString(QStringLiteral("TITUL")));
    const QString first = TrimText(query.asString(QStringLiteral("JMENO")));
    const QString surname = TrimText(query.asString(QStringLiteral("PRIJMENI")));
    TSignedInPupil pupil = SignedInPupil;
    pupil.FullName = title + u' ' + first + u' ' + surname;
    TSession::instance().setSignedInPupil(pupil);
    TSession::instance().setUserLabel(Format(Str::UserLabel, {pupil.FullName}));
}

void SeedRandom()
{
    const QTime t = Clock::now().toUTC().time();
    g_randomState = std::uint32_t(((t.hour() * 60 + t.minute()) * 60 + t.second()) * 1000 + t.msec());
}

int RandomIndex(int n)
{
    g_randomState = g_randomState * 134775813u + 1u;
    return int((std::uint64_t(g_randomState) * std::uint32_t(n)) >> 32);
}

std::uint32_t RandomState()
{
    return g_randomState;
}

void SetRandomState(std::uint32_t state)
{
    g_randomState = state;
}

void SetPrintCommand(const QString& program, const QStringList& leadingArgs)
{
    g_printProgram = program;
    g_printArgs = leadingArgs;
}

void PrintAndWait(const QString& fileName, const QString& printerName)
{
    if (g_printProgram.isEmpty()) {
        Platform::shellPrint(fileName, printerName);
        return;
    }
    QProcess process;
    process.setProgram(g_printProgram);
    QStringList destination;
    if (!printerName.isEmpty())
        destination << QStringLiteral("-d") << printerName;
    process.setArguments(g_printArgs + destination + QStringList{fileName});
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    // A print that cannot start, or that the print command refuses, is no print: the user is told.
    if (!process.waitForStarted(2000))
        throw TError(Format(Str::PrintNotStarted, {g_printProgram}));
    while (!process.waitForFinished(100)) {
        if (process.state() == QProcess::NotRunning)
            break;
        QCoreApplication::processEvents();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAll()).trimmed();
        throw TError(Format(Str::PrintFailed, {said.isEmpty() ? g_printProgram : said}));
    }
}

void PrintLines(const QStringList& lines, const QString& printerName)
{
    SeedRandom();
    const QString fileName = QString::number(RandomIndex(999999)) + QStringLiteral(".txt");
    {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw TError(Format(Str::FileNotCreated, {fileName, file.errorString()}));
        for (const QString& line : lines) {
            file.write(line.toUtf8());
            file.write("\n");
        }
        if (file.error() != QFile::NoError) {
            const QString why = file.errorString();
            file.close();
            QFile::remove(fileName);
            throw TError(Format(Str::FileNotWritten, {fileName, why}));
        }
    }
    const auto removeFile = qScopeGuard([&] { QFile::remove(fileName); });
    PrintAndWait(fileName, printerName);
}
