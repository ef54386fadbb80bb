// The test-type selection: a stored test or a random test in the modes with hints, practice
// and live, with the time limit and the per-group question counts.
#pragma once

#include "widgets/Form.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTabBar;
class TDBEdit;
class TDBGrid;
class TDsFancyButton;

class TTestTypeDlg : public TForm
{
    Q_OBJECT
public:
    explicit TTestTypeDlg(QWidget* parent = nullptr);
    ~TTestTypeDlg() override;

    // Mode 2 (tests with hints), 3 (practice) or 4 (live); returns when the dialog has closed.
    void Execute(int mode);

    void OkBtnClick();
    void CancelBtnClick();
    void TabSet1Change(int newTab);
    void TimeLimitChange();
    // Draws the random test into QTestType3; false when no question was drawn.
    bool GenerateRandomTest();

    int mode() const { return m_mode; }
    QLabel* Label1() const { return m_label1; }
    QTabBar* TabSet1() const { return m_tabSet1; }
    QWidget* Page1() const { return m_page1; }
    QWidget* Page2() const { return m_page2; }
    TDBGrid* DBGrid1() const { return m_dbGrid1; }
    TDBGrid* DBGrid2() const { return m_dbGrid2; }
    TDBGrid* DBGrid3() const { return m_dbGrid3; }
    TDBEdit* DBEdit1() const { return m_dbEdit1; }
    TDBEdit* DBEdit2() const { return m_dbEdit2; }
    QLabel* Image1() const { return m_image1; }
    QCheckBox* TimeLimit() const { return m_timeLimit; }
    QLineEdit* Edit1() const { return m_edit1; }
    QLabel* Label4() const { return m_label4; }
    TDsFancyButton* OkBtn() const { return m_okBtn; }

protected:
    void FormClose() override;

private:
    // The lists and count fields need the data module, which is created after the windows.
    void bindData();
    void DataSource1DataChange(const QString& field);
    void DataSource2DataChange(const QString& field);
    void DataSource3DataChange(const QString& field);
    void setTimeLimitLook(bool checked, bool enabled);

    int m_mode = 2;
    bool m_running = false;
    QLabel* m_label1;
    QTabBar* m_tabSet1;
    QWidget* m_page1;
    QWidget* m_page2;
    TDBGrid* m_dbGrid1 = nullptr;
    TDBGrid* m_dbGrid2 = nullptr;
    TDBGrid* m_dbGrid3 = nullptr;
    TDBEdit* m_dbEdit1 = nullptr;
    TDBEdit* m_dbEdit2 = nullptr;
    QLabel* m_image1;
    QCheckBox* m_timeLimit;
    QLineEdit* m_edit1;
    QLabel* m_label4;
    TDsFancyButton* m_okBtn;
    TDsFancyButton* m_cancelBtn;
    TDsFancyButton* m_helpBtn;
};

extern TTestTypeDlg* TestTypeDlg;
