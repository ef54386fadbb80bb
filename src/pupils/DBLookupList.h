// A lookup list: shows the rows of a list data set and keeps one field of another data set's
// current row equal to the key of the row chosen. No row is selected while the field matches none.
#pragma once

#include "widgets/DataSetModel.h"

#include <QPointer>
#include <QTableView>

class TDBLookupList : public QTableView
{
    Q_OBJECT
public:
    TDBLookupList(TDataSet* dataSet, const QString& dataField, TDataSet* listSet, const QString& keyField,
                  QVector<TGridColumn> listFields, QWidget* parent = nullptr);

    // Selects the list row whose key equals the field (and makes it current in the list set).
    void refresh();

private:
    void choose(int row);
    QPointer<TDataSet> m_dataSet;
    QString m_dataField;
    QPointer<TDataSet> m_listSet;
    QString m_keyField;
    TDataSetModel* m_model;
    bool m_syncing = false;
};
