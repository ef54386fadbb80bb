// Printing a stored report where the print dialog says: the default printer, another printer by
// its name, or a PDF file.
#pragma once

#include <QString>
#include <QStringList>

class QPrinter;

struct TPrintTarget
{
    enum class Kind
    {
        DefaultPrinter,
        NamedPrinter,
        PdfFile
    };
    Kind kind = Kind::DefaultPrinter;
    QString name; // the printer's name or the file's path
};

// The dialog's choice: the file when "print to file" names a file, the printer when it is not the
// system's default, otherwise the default printer.
TPrintTarget PrintTargetOf(bool toFile, const QString& fileName, const QString& printerName,
                           const QString& defaultPrinter);

// Writes the lines into the PDF file of `printer` in a fixed-pitch font, one report line per
// line, on as many pages as they need; throws TError when the file cannot be written.
void WriteReportPdf(const QStringList& lines, QPrinter& printer);

// Prints the lines where the print dialog left `printer`: plain text through the print spooler
// to the default or the chosen printer, or a PDF file.
void PrintReport(const QStringList& lines, QPrinter& printer);
