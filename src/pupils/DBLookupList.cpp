// Lookup list bound to a data set's field.
#include "DBLookupList.h"

#include "widgets/Guard.h"

#include <QHeaderView>

TDBLookupList::TDBLookupList(TDataSet* dataSet, const QString& dataField, TDataSet* listSet,
                             const QString& keyField, QVector<TGridColumn> listFields, QWidget* parent)
    : QTableView(parent), m_dataSet(dataSet), m_dataField(dataField), m_listSet(listSet),
      m_keyField(keyField), m_model(new TDataSetModel(listSet, std::move(listFields), this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_syncing && current.isValid())
                    Guarded([&] { choose(current.row()); });
            });
    // A row selected without moving the current row (an assistive technology selects so) is
    // chosen as well.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_syncing)
            return;
        const QModelIndexList rows = selectionModel()->selectedRows();
        if (rows.size() == 1 && rows.first().row() != currentIndex().row())
            setCurrentIndex(rows.first());
    });
    connect(dataSet, &TDataSet::dataChange, this, [this](const QString& field) {
        if (field.isEmpty() || field.compare(m_dataField, Qt::CaseInsensitive) == 0)
            refresh();
    });
    connect(listSet, &TDataSet::dataChange, this, [this](const QString& field) {
        if (field.isEmpty() && !m_syncing)
            refresh();
    });
    refresh();
}

void TDBLookupList::refresh()
{
    if (m_syncing)
        return;
    m_syncing = true;
    int found = -1;
    if (m_dataSet && m_listSet && m_dataSet->active() && m_listSet->active() && !m_dataSet->isEmpty() &&
        m_dataSet->hasField(m_dataField) && m_listSet->hasField(m_keyField)) {
        const QString key = m_dataSet->asString(m_dataField);
        if (!key.isEmpty())
            for (int i = 0; i < m_listSet->recordCount(); ++i)
                if (m_listSet->valueAt(i, m_keyField).toString() == key) {
                    found = i;
                    break;
                }
    }
    if (found >= 0) {
        m_listSet->moveTo(found);
        const QModelIndex idx = m_model->index(found, 0);
        selectionModel()->setCurrentIndex(idx,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(idx);
    } else {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    m_syncing = false;
}

void TDBLookupList::choose(int row)
{
    if (!m_dataSet || !m_listSet || !m_dataSet->active() || !m_listSet->active())
        return;
    m_syncing = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_syncing};
    m_listSet->moveTo(row);
    const QVariant key = m_listSet->value(m_keyField);
    if (m_dataSet->value(m_dataField).toString() == key.toString())
        return;
    m_dataSet->edit();
    m_dataSet->setValue(m_dataField, key);
}
