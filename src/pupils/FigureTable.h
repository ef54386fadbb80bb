// A read-only grid of figures (texts in rows and columns) that a screen reader reads cell by cell.
#pragma once

#include <QStringList>
#include <QVector>

class QTableWidget;
class QWidget;

namespace FigureTable {

// An empty grid with these column titles and this accessible name.
QTableWidget* make(QWidget* parent, const QStringList& titles, const QString& name);
// Puts these rows into the grid; with no rows, one row spanning the grid says `emptyText`.
// Columns from the second on are right-aligned figures; `tips` are the first cells' tool tips.
void fill(QTableWidget* grid, const QVector<QStringList>& rows, const QString& emptyText,
          const QStringList& tips = {});

} // namespace FigureTable
