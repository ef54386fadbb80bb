// The pupil register: every pupil with the details and the category animation of the selected
// one; adds, edits and deletes pupils.
#pragma once

#include "data/RegisterFigures.h"
#include "widgets/Form.h"

#include <QMetaObject>

class QLineEdit;
class TAnimate;
class TDBGrid;
class TDsFancyButton;

class TZakListDlg : public TForm
{
    Q_OBJECT
public:
    explicit TZakListDlg(QWidget* parent = nullptr);
    ~TZakListDlg() override;

    // Shows the register over QZak as the caller opened it.
    bool Execute();

    void DataSource1DataChange();
    void AddBtnClick();
    void UpdBtnClick();
    void DelBtnClick();
    void OkBtnClick();
    // The school's view: the questions failed most, and the register as a spreadsheet file.
    void FailedBtnClick();
    void ExportBtnClick();
    // Writes the rows shown now, with their figures, to the file; false (the reason in `error`)
    // when it could not be written.
    bool ExportTo(const QString& fileName, QString* error);
    // The register's rows shown under the filter typed now (indexes of QZak's rows).
    QVector<int> shownRows() const;

    TDBGrid* DBGrid1() const { return m_grid; }
    TAnimate* Animated1() const { return m_animation; }
    TDsFancyButton* AddBtn() const { return m_add; }
    TDsFancyButton* UpdBtn() const { return m_upd; }
    TDsFancyButton* DelBtn() const { return m_del; }
    TDsFancyButton* OkBtn() const { return m_ok; }
    TDsFancyButton* FailedBtn() const { return m_failed; }
    TDsFancyButton* ExportBtn() const { return m_export; }
    QLineEdit* FilterEdit() const { return m_filter; }

protected:
    void FormActivate() override;
    void FormClose() override;
    void showEvent(QShowEvent* e) override;

private:
    void attachRowChange();
    void showAnimation(int animationId);
    void addGrid();
    void addButtons();
    void filterChanged();
    bool currentRowShown() const;
    TDBGrid* m_grid;
    TAnimate* m_animation;
    TDsFancyButton* m_add;
    TDsFancyButton* m_upd;
    TDsFancyButton* m_del;
    TDsFancyButton* m_ok;
    TDsFancyButton* m_help;
    TDsFancyButton* m_failed;
    TDsFancyButton* m_export;
    QLineEdit* m_filter;
    TRegisterFigures m_figures;
    QMetaObject::Connection m_rowChange;
    int m_animationId = -1;
};

extern TZakListDlg* ZakListDlg;
