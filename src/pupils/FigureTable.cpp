// Read-only grids of figures.
#include "FigureTable.h"

#include <QHeaderView>
#include <QTableWidget>

namespace FigureTable {

QTableWidget* make(QWidget* parent, const QStringList& titles, const QString& name)
{
    auto* grid = new QTableWidget(0, int(titles.size()), parent);
    grid->setHorizontalHeaderLabels(titles);
    grid->setAccessibleName(name);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setTabKeyNavigation(false);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < titles.size(); ++c)
        grid->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    return grid;
}

void fill(QTableWidget* grid, const QVector<QStringList>& rows, const QString& emptyText, const QStringList& tips)
{
    grid->clearSpans();
    grid->clearContents();
    if (rows.isEmpty()) {
        grid->setRowCount(1);
        auto* item = new QTableWidgetItem(emptyText);
        item->setFlags(Qt::ItemIsEnabled);
        grid->setItem(0, 0, item);
        if (grid->columnCount() > 1)
            grid->setSpan(0, 0, 1, grid->columnCount());
        return;
    }
    grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(rows[r].value(c));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (c == 0)
                item->setToolTip(tips.value(r));
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, item);
        }
}

} // namespace FigureTable
