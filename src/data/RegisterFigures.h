// The pupil register's figures: each pupil's last live test and readiness beside the pupil's row,
// the register's filter, and the rows of its spreadsheet export.
#pragma once

#include "Progress.h"

#include <QHash>
#include <QStringList>
#include <QVector>

class TDataSet;

class TRegisterFigures
{
public:
    // Reads every pupil's live-test figures (the register's rows are read by the register).
    void load();
    // Sets the figures directly (for a register built by code).
    void set(QHash<int, Progress::TPupilFigures> figures) { m_figures = std::move(figures); }

    // The figures of row `row` of the register's query (ZAK joined with RP: ID_ZAK, MINIMUM).
    Progress::TPupilFigures figures(const TDataSet& zak, int row) const;
    Progress::TReadiness readiness(const TDataSet& zak, int row) const;
    // "45 / 50", or nothing without a live test.
    QString lastPoints(const TDataSet& zak, int row) const;
    QString verdictWord(const TDataSet& zak, int row) const;
    // True when the row's identification, title, surname or first name holds the filter's words.
    static bool matches(const TDataSet& zak, int row, const QString& filter);
    // The export: a heading, then these rows of the register with their figures.
    QVector<QStringList> exportRows(const TDataSet& zak, const QVector<int>& rows) const;

private:
    QHash<int, Progress::TPupilFigures> m_figures;
};
