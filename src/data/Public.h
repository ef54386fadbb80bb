// Small operations that several windows share: the skill-level pattern, the pupil's name line,
// the pseudo-random generator and printing a list of lines.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class TDataSet;

// LIKE pattern of ten characters with "1" at the pupil's skill level and "_" elsewhere.
QString SkillLevelPattern(int level);

// Sets SignedInPupil.FullName from TITUL, JMENO and PRIJMENI of the current row and the main
// window's user label to "Uživatel: " and that name.
void ShowUserName(const TDataSet& query);

// The program's 32-bit linear congruential generator.
void SeedRandom();
int RandomIndex(int n);
// The generator's state, for tests that need a known sequence.
std::uint32_t RandomState();
void SetRandomState(std::uint32_t state);

// Prints a text file through the system's print spooler (on Windows through the shell's "print"
// verb) and waits for the job to be handed over, keeping the windows responsive. Reports nothing
// when printing is not possible. The job goes to the named printer, or without a name to the
// system's default printer.
void PrintAndWait(const QString& fileName, const QString& printerName = QString());
// Writes the lines to a temporary file in the current directory, prints it (on the named printer,
// or the default one) and removes it. A failure to write the file throws TError.
void PrintLines(const QStringList& lines, const QString& printerName = QString());
// The print command (default "lp"; on Windows none: the shell prints); tests replace it.
void SetPrintCommand(const QString& program, const QStringList& leadingArgs = {});
