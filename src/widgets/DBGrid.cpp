// Grid bound to a dataset.
#include "DBGrid.h"

#include "Guard.h"
#include "data/DataSet.h"

#include <QHeaderView>
#include <QMouseEvent>

TDBGrid::TDBGrid(TDataSet* dataSet, QVector<TGridColumn> columns, QWidget* parent)
    : QTableView(parent), m_model(new TDataSetModel(dataSet, std::move(columns), this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    // The selection stays visible when the grid loses the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    connect(dataSet, &TDataSet::dataChange, this, [this](const QString& field) {
        if (field.isEmpty())
            followDataSet();
    });
    // A filter chose other rows: the dataset's row is selected again where it is now shown.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { followDataSet(); }, Qt::QueuedConnection);
    followDataSet();
}

void TDBGrid::setTitles(bool shown)
{
    horizontalHeader()->setVisible(shown);
}

void TDBGrid::setName(const QString& name)
{
    setAccessibleName(name);
}

void TDBGrid::followDataSet()
{
    TDataSet* ds = m_model->dataSet();
    if (!ds || !ds->active() || ds->isEmpty())
        return;
    const int row = m_model->viewRow(ds->currentIndex());
    if (row < 0) {
        // the current row is filtered out: nothing of the grid is current
        if (currentIndex().isValid()) {
            m_syncing = true;
            selectionModel()->clear();
            m_syncing = false;
        }
        return;
    }
    if (currentIndex().row() == row && selectionModel()->isRowSelected(row, QModelIndex()))
        return;
    m_syncing = true;
    const QModelIndex idx = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(idx);
    m_syncing = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid())
        return;
    TDataSet* ds = m_model->dataSet();
    const int row = m_model->dataSetRow(current.row());
    if (ds && ds->active() && row >= 0 && ds->currentIndex() != row)
        Guarded([&] { ds->moveTo(row); });
}

void TDBGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (m_syncing)
        return;
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.size() == 1 && rows.first().row() != currentIndex().row())
        setCurrentIndex(rows.first());
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    QTableView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton && indexAt(e->position().toPoint()).isValid())
        emit rowDoubleClicked();
}
