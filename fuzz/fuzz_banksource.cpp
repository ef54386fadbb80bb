// Fuzz target: the bank source reader of the builder, fed a whole folder of files.
// The input is split into files at lines "### NAME"; bytes before the first such line are bank.json.
#include "BankSource.h"
#include "FuzzMain.h"

#include <QStringList>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzInitApplication();
    return 0;
}

namespace {

BankSource::TFiles splitFiles(const QByteArray& bytes)
{
    BankSource::TFiles files;
    QString name = QString::fromLatin1(BankSource::MainFile);
    qsizetype pos = 0;
    if (bytes.startsWith("### "))
        pos = -1;
    while (pos < bytes.size()) {
        qsizetype contentStart = pos;
        if (pos < 0 || bytes.mid(pos, 4) == "### ") {
            const qsizetype from = pos < 0 ? 4 : pos + 4;
            const qsizetype eol = bytes.indexOf('\n', from);
            if (eol < 0)
                break;
            name = QString::fromUtf8(bytes.mid(from, eol - from));
            contentStart = eol + 1;
        }
        qsizetype next = bytes.indexOf("\n### ", contentStart);
        const qsizetype end = next < 0 ? bytes.size() : next;
        files.insert(name, bytes.mid(contentStart, end - contentStart));
        if (next < 0)
            break;
        pos = next + 1;
    }
    return files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const BankSource::TFiles files = splitFiles(FuzzBytes(data, size));
    TBank bank;
    QStringList problems;
    if (BankSource::parse(files, &bank, &problems)) {
        // What the reader accepted, the export writes back in a form the reader accepts again.
        TBank again;
        QStringList againProblems;
        if (!BankSource::parse(BankSource::serialise(bank), &again, &againProblems))
            __builtin_trap();
    }
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        BankSource::pictureProblem(it.value());
    return 0;
}
