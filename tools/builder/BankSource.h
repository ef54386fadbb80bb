// The bank's source format: a folder of JSON files and pictures that a school can edit.
// The reader works on bytes only (a map of relative file names to contents), so that it can be
// fed anything; it reports every problem as one line "file: entry: field: what is wrong".
#pragma once

#include "Bank.h"

namespace BankSource {

using TFiles = QMap<QString, QByteArray>; // relative path ("questions/1.json") -> contents

inline constexpr const char* MainFile = "bank.json";
inline constexpr const char* QuestionDir = "questions";
inline constexpr const char* TestsFile = "tests.json";
// The longest explanation of a question, in characters: a few sentences, with room to spare.
inline constexpr int ExplanationLimit = 2000;

// Parses and checks a bank. Returns false (and fills problems) when anything is wrong; the bank
// is then incomplete and must not be written.
bool parse(const TFiles& files, TBank* bank, QStringList* problems);

// What a parsed bank holds that the program accepts but shows badly, one line each in the form
// of the problems: a topic group's picture larger than the frame that shows it, which cuts it off.
QStringList warnings(const TBank& bank);

// Reads every file below dir into a map (relative names with '/').
bool readFolder(const QString& dir, TFiles* files, QStringList* problems);

// The source files of a bank (the inverse of parse, used by the export).
TFiles serialise(const TBank& bank);

// Writes files below dir, creating folders; dir must not hold a bank already.
bool writeFolder(const QString& dir, const TFiles& files, QStringList* problems);

// Why the bytes are not a picture of one of the stored formats, or an empty text when they are.
QString pictureProblem(const QByteArray& bytes);

} // namespace BankSource
