// An item model over one dataset, for grids: one column per named field.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QVector>

#include <functional>

#include "data/DataSet.h"

struct TGridColumn
{
    QString field;
    QString title;
    Qt::Alignment titleAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    // A column computed from the dataset's row (its index) instead of a field.
    std::function<QString(int row)> computed = {};
};

class TDataSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    TDataSetModel(TDataSet* dataSet, QVector<TGridColumn> columns, QObject* parent = nullptr);

    TDataSet* dataSet() const { return m_dataSet; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Shows only the dataset's rows that `accept` takes (by the row's index); an empty function
    // shows every row. The rows are chosen again whenever the dataset's rows change.
    void setRowFilter(std::function<bool(int row)> accept);
    // Chooses the shown rows again (after the filter's own condition changed).
    void refilter();
    // The grid's row of a dataset row, -1 when it is not shown; and the dataset row of a grid row.
    int viewRow(int dataSetRow) const;
    int dataSetRow(int viewRow) const;

    // How a value is shown (date-times in the Czech short form, for example).
    static QString displayText(const QVariant& value);

private:
    void onDataChange(const QString& field);
    QPointer<TDataSet> m_dataSet;
    QVector<TGridColumn> m_columns;
    void chooseRows();
    int m_rows = 0;
    std::function<bool(int)> m_accept;
    QVector<int> m_shown; // the dataset rows shown, while a filter is set
};
