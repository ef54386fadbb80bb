// The pupil record: creates or edits one pupil of QZak, validates and saves it, and shows the
// pupil's stored test reports, which can be printed and (by the privileged pupil) deleted.
#pragma once

#include "widgets/Form.h"

class QLabel;
class QPlainTextEdit;
class TDBEdit;
class TDBGrid;
class TDBLookupList;
class TDsFancyButton;

class TZakDlg : public TForm
{
    Q_OBJECT
public:
    explicit TZakDlg(QWidget* parent = nullptr);
    ~TZakDlg() override;

    // New mode inserts a pupil with the identification and password given; edit mode edits the
    // current row of QZak. True when the pupil was saved; the saved row is then current.
    bool EditPupil(bool newPupil, const QString& identification, const QString& password);

    void OkBtnClick();
    void CancelBtnClick();
    void DelBtnClick();
    void PrintBtnClick();
    void DataSource3DataChange();
    // Shows the progress of the pupil being edited.
    void StatBtnClick();

    TDBEdit* Edit(int n) const { return m_edits.value(n - 1); }
    TDBLookupList* DBLookupListBox1() const { return m_category; }
    TDBGrid* DBGrid1() const { return m_reports; }
    QPlainTextEdit* DBMemo1() const { return m_memo; }
    TDsFancyButton* DelBtn() const { return m_del; }
    TDsFancyButton* PrintBtn() const { return m_print; }
    TDsFancyButton* OkBtn() const { return m_ok; }
    TDsFancyButton* CancelBtn() const { return m_cancel; }
    TDsFancyButton* StatBtn() const { return m_stat; }

protected:
    void FormClose() override;
    void showEvent(QShowEvent* e) override;

private:
    void addEdits();
    void addLists();
    void addButtons();
    void showReport();
    void addStatisticsButton();
    QVector<TDBEdit*> m_edits;
    TDBLookupList* m_category;
    TDBGrid* m_reports;
    QPlainTextEdit* m_memo;
    TDsFancyButton* m_del;
    TDsFancyButton* m_print;
    TDsFancyButton* m_ok;
    TDsFancyButton* m_cancel;
    TDsFancyButton* m_help;
    TDsFancyButton* m_stat;
};

extern TZakDlg* ZakDlg;
