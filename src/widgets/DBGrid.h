// A grid over one dataset that follows the dataset's current row and moves it when the user
// selects another row. Whole-row selection that stays visible without the focus.
#pragma once

#include "DataSetModel.h"

#include <QTableView>

class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    TDBGrid(TDataSet* dataSet, QVector<TGridColumn> columns, QWidget* parent = nullptr);
    // Shows or hides the title row.
    void setTitles(bool shown);
    TDataSetModel* dataModel() const { return m_model; }
    // The accessible name of the grid.
    void setName(const QString& name);

signals:
    // A double-click on a row (the dataset is already on it).
    void rowDoubleClicked();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // A row selected without moving the current row (an assistive technology selects so)
    // becomes the current row.
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void followDataSet();
    TDataSetModel* m_model;
    bool m_syncing = false;
};
