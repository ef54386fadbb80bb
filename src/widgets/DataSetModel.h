// An item model over one dataset, for grids: one column per named field.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QVector>

#include "data/DataSet.h"

struct TGridColumn
{
    QString field;
    QString title;
    Qt::Alignment titleAlignment = Qt::AlignLeft | Qt::AlignVCenter;
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

    // How a value is shown (date-times in the Czech short form, for example).
    static QString displayText(const QVariant& value);

private:
    void onDataChange(const QString& field);
    QPointer<TDataSet> m_dataSet;
    QVector<TGridColumn> m_columns;
    int m_rows = 0;
};
