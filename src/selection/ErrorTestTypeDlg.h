// The error-test selection: a stored test that the pupil once finished with errors, or a random
// test drawn from the pupil's wrong answers, optionally topped up with other questions.
#pragma once

#include "widgets/Form.h"

class QCheckBox;
class QLabel;
class QTabBar;
class TDBEdit;
class TDBGrid;
class TDsFancyButton;

class TErrorTestTypeDlg : public TForm
{
    Q_OBJECT
public:
    explicit TErrorTestTypeDlg(QWidget* parent = nullptr);
    ~TErrorTestTypeDlg() override;

    // Returns when the dialog has closed.
    void Execute();

    void OkBtnClick();
    void CancelBtnClick();
    void TabSet1Change(int newTab);
    // Draws the random error test into QTestType3; false when no question was drawn.
    bool GenerateRandomErrorTest();

    QLabel* Label1() const { return m_label1; }
    QTabBar* TabSet1() const { return m_tabSet1; }
    QWidget* Page1() const { return m_page1; }
    QWidget* Page2() const { return m_page2; }
    TDBGrid* DBGrid1() const { return m_dbGrid1; }
    TDBGrid* DBGrid2() const { return m_dbGrid2; }
    TDBGrid* DBGrid3() const { return m_dbGrid3; }
    TDBEdit* DBEdit1() const { return m_dbEdit1; }
    QCheckBox* NoError() const { return m_noError; }
    QLabel* Image1() const { return m_image1; }
    TDsFancyButton* OkBtn() const { return m_okBtn; }

protected:
    void FormClose() override;

private:
    // The lists and the count field need the data module, which is created after the windows.
    void bindData();
    void DataSource1DataChange(const QString& field);
    void DataSource2DataChange(const QString& field);
    void DataSource3DataChange(const QString& field);

    bool m_running = false;
    QLabel* m_label1;
    QTabBar* m_tabSet1;
    QWidget* m_page1;
    QWidget* m_page2;
    TDBGrid* m_dbGrid1 = nullptr;
    TDBGrid* m_dbGrid2 = nullptr;
    TDBGrid* m_dbGrid3 = nullptr;
    TDBEdit* m_dbEdit1 = nullptr;
    QCheckBox* m_noError;
    QLabel* m_image1;
    TDsFancyButton* m_okBtn;
    TDsFancyButton* m_cancelBtn;
    TDsFancyButton* m_helpBtn;
};

extern TErrorTestTypeDlg* ErrorTestTypeDlg;
