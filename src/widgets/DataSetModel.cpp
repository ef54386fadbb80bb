// Item model over a dataset.
#include "DataSetModel.h"

#include "data/DataSet.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

TDataSetModel::TDataSetModel(TDataSet* dataSet, QVector<TGridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_dataSet(dataSet), m_columns(std::move(columns))
{
    m_rows = m_dataSet && m_dataSet->active() ? m_dataSet->recordCount() : 0;
    connect(m_dataSet, &TDataSet::dataChange, this, &TDataSetModel::onDataChange);
}

void TDataSetModel::onDataChange(const QString& field)
{
    const int rows = m_dataSet && m_dataSet->active() ? m_dataSet->recordCount() : 0;
    if (rows != m_rows || field.isEmpty()) {
        const int shown = rowCount();
        if (rows != m_rows) {
            beginResetModel();
            m_rows = rows;
            chooseRows();
            endResetModel();
        } else if (shown > 0) {
            emit dataChanged(index(0, 0), index(shown - 1, columnCount() - 1));
        }
        return;
    }
    const int r = viewRow(m_dataSet->currentIndex());
    if (r >= 0)
        emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

void TDataSetModel::setRowFilter(std::function<bool(int)> accept)
{
    m_accept = std::move(accept);
    refilter();
}

void TDataSetModel::refilter()
{
    beginResetModel();
    chooseRows();
    endResetModel();
}

void TDataSetModel::chooseRows()
{
    m_shown.clear();
    if (!m_accept)
        return;
    for (int i = 0; i < m_rows; ++i)
        if (m_accept(i))
            m_shown.append(i);
}

int TDataSetModel::viewRow(int dataSetRow) const
{
    if (dataSetRow < 0 || dataSetRow >= m_rows)
        return -1;
    if (!m_accept)
        return dataSetRow;
    const auto it = std::lower_bound(m_shown.begin(), m_shown.end(), dataSetRow);
    return it != m_shown.end() && *it == dataSetRow ? int(it - m_shown.begin()) : -1;
}

int TDataSetModel::dataSetRow(int viewRow) const
{
    if (!m_accept)
        return viewRow >= 0 && viewRow < m_rows ? viewRow : -1;
    return m_shown.value(viewRow, -1);
}

int TDataSetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_accept ? int(m_shown.size()) : m_rows;
}

int TDataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString TDataSetModel::displayText(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QDateTime)
        return QLocale(QLocale::Czech).toString(value.toDateTime(), QLocale::ShortFormat);
    if (value.typeId() == QMetaType::QByteArray)
        return QString();
    return value.toString();
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const
{
    const int row = index.isValid() ? dataSetRow(index.row()) : -1;
    if (row < 0 || !m_dataSet || !m_dataSet->active())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return QVariant();
    const TGridColumn& c = m_columns[index.column()];
    if (c.computed)
        return c.computed(row);
    if (!m_dataSet->hasField(c.field))
        return QVariant();
    QVariant v = m_dataSet->valueAt(row, c.field);
    if (v.typeId() == QMetaType::QString && c.field.compare(QLatin1String("DATETIME"), Qt::CaseInsensitive) == 0) {
        const QDateTime dt = QDateTime::fromString(v.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (dt.isValid())
            v = dt;
    }
    return displayText(v);
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_columns[section].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant(m_columns[section].titleAlignment);
    return QVariant();
}
