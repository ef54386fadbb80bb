// Item model over a dataset.
#include "DataSetModel.h"

#include "data/DataSet.h"

#include <QDateTime>
#include <QLocale>

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
        if (rows != m_rows) {
            beginResetModel();
            m_rows = rows;
            endResetModel();
        } else if (m_rows > 0) {
            emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
        }
        return;
    }
    const int r = m_dataSet->currentIndex();
    if (r >= 0 && r < m_rows)
        emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

int TDataSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
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
    if (!index.isValid() || !m_dataSet || !m_dataSet->active() || index.row() >= m_rows)
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return QVariant();
    const TGridColumn& c = m_columns[index.column()];
    if (!m_dataSet->hasField(c.field))
        return QVariant();
    QVariant v = m_dataSet->valueAt(index.row(), c.field);
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
