// Printing a stored report where the print dialog says.
#include "ReportPrint.h"

#include "data/Error.h"
#include "data/Format.h"
#include "data/Public.h"
#include "data/Strings.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

TPrintTarget PrintTargetOf(bool toFile, const QString& fileName, const QString& printerName,
                           const QString& defaultPrinter)
{
    // Without printers the dialog offers only the file, with the home directory for its name:
    // that names no file, and the report goes to the default printer as it always did.
    if (toFile && !fileName.isEmpty() && !fileName.endsWith(u'/') && !QFileInfo(fileName).isDir())
        return {TPrintTarget::Kind::PdfFile, fileName};
    if (!toFile && !printerName.isEmpty() && printerName != defaultPrinter)
        return {TPrintTarget::Kind::NamedPrinter, printerName};
    return {};
}

void WriteReportPdf(const QStringList& lines, QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw TError(Format(Str::PrintFileNotWritten, {QDir::toNativeSeparators(printer.outputFileName())}));
    // The report's columns are aligned with blanks.
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    int top = 0;
    for (const QString& line : lines) {
        if (top > 0 && top + metrics.height() > pageHeight) {
            printer.newPage();
            top = 0;
        }
        painter.drawText(0, top + metrics.ascent(), line);
        top += metrics.lineSpacing();
    }
    if (!painter.end())
        throw TError(Format(Str::PrintFileNotWritten, {QDir::toNativeSeparators(printer.outputFileName())}));
}

void PrintReport(const QStringList& lines, QPrinter& printer)
{
    const TPrintTarget target =
        PrintTargetOf(printer.outputFormat() == QPrinter::PdfFormat, printer.outputFileName(),
                      printer.printerName(), QPrinterInfo::defaultPrinterName());
    switch (target.kind) {
    case TPrintTarget::Kind::PdfFile:
        WriteReportPdf(lines, printer);
        break;
    case TPrintTarget::Kind::NamedPrinter:
        PrintLines(lines, target.name);
        break;
    case TPrintTarget::Kind::DefaultPrinter:
        PrintLines(lines);
        break;
    }
}
