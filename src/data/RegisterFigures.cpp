// The pupil register's figures.
#include "RegisterFigures.h"

#include "DataSet.h"
#include "Format.h"
#include "Strings.h"

#include <QLocale>

namespace {
int pupilAt(const TDataSet& zak, int row)
{
    return zak.valueAt(row, QStringLiteral("ID_ZAK")).toInt();
}

QString textAt(const TDataSet& zak, int row, const char* field)
{
    return TrimText(zak.valueAt(row, QLatin1String(field)).toString());
}
} // namespace

void TRegisterFigures::load()
{
    m_figures = TProgressData::schoolFigures();
}

Progress::TPupilFigures TRegisterFigures::figures(const TDataSet& zak, int row) const
{
    return m_figures.value(pupilAt(zak, row));
}

Progress::TReadiness TRegisterFigures::readiness(const TDataSet& zak, int row) const
{
    return Progress::readiness(figures(zak, row).pointsNewestFirst,
                               zak.valueAt(row, QStringLiteral("MINIMUM")).toInt());
}

QString TRegisterFigures::lastPoints(const TDataSet& zak, int row) const
{
    const Progress::TPupilFigures f = figures(zak, row);
    if (f.pointsNewestFirst.isEmpty())
        return QString();
    return Format(Str::LastPoints, {f.pointsNewestFirst.first(), f.lastTotal});
}

QString TRegisterFigures::verdictWord(const TDataSet& zak, int row) const
{
    return Progress::verdictWord(readiness(zak, row));
}

bool TRegisterFigures::matches(const TDataSet& zak, int row, const QString& filter)
{
    return Progress::matchesFilter({textAt(zak, row, "RC"), textAt(zak, row, "TITUL"), textAt(zak, row, "PRIJMENI"),
                                    textAt(zak, row, "JMENO")},
                                   filter);
}

QVector<QStringList> TRegisterFigures::exportRows(const TDataSet& zak, const QVector<int>& rows) const
{
    QVector<QStringList> out;
    out.append({Str::CsvIdentification, Str::CsvTitle, Str::ColSurname, Str::ColFirstName, Str::CsvCategory,
                Str::CsvLiveTests, Str::CsvLastDate, Str::CsvLastPoints, Str::CsvLastTotal, Str::CsvMinimum,
                Str::CsvVerdict});
    const QLocale czech(QLocale::Czech);
    for (int row : rows) {
        const Progress::TPupilFigures f = figures(zak, row);
        const bool any = !f.pointsNewestFirst.isEmpty();
        out.append({textAt(zak, row, "RC"), textAt(zak, row, "TITUL"), textAt(zak, row, "PRIJMENI"),
                    textAt(zak, row, "JMENO"), textAt(zak, row, "RP"), QString::number(f.liveTests),
                    any ? czech.toString(f.lastWhen(), QStringLiteral("d.M.yyyy H:mm")) : QString(),
                    any ? QString::number(f.pointsNewestFirst.first()) : QString(),
                    any ? QString::number(f.lastTotal) : QString(), textAt(zak, row, "MINIMUM"),
                    Progress::verdictText(readiness(zak, row))});
    }
    return out;
}
