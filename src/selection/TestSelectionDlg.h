// What the test-type and the error-test selections share: a stored test of the chosen type on the
// first page or a random test drawn by the per-group counts on the second, and the road that OK
// takes from the choice to the test window.
#pragma once

#include "widgets/Form.h"

#include <functional>

class QLabel;
class QTabBar;
class TDBEdit;
class TDBGrid;
class TDsFancyButton;
class TQuery;

class TTestSelectionDlg : public TForm
{
    Q_OBJECT
public:
    ~TTestSelectionDlg() override;

    void OkBtnClick();
    void CancelBtnClick();
    void TabSet1Change(int newTab);

    QLabel* Label1() const { return m_label1; }
    QTabBar* TabSet1() const { return m_tabSet1; }
    QWidget* Page1() const { return m_page1; }
    QWidget* Page2() const { return m_page2; }
    TDBGrid* DBGrid1() const { return m_dbGrid1; }
    TDBGrid* DBGrid2() const { return m_dbGrid2; }
    TDBGrid* DBGrid3() const { return m_dbGrid3; }
    TDBEdit* DBEdit1() const { return m_dbEdit1; }
    QLabel* Image1() const { return m_image1; }
    TDsFancyButton* OkBtn() const { return m_okBtn; }

protected:
    // Where the two selections' second pages differ.
    struct TGroupPage
    {
        QString caption; // above the topic-group list
        int listHeight;
        int pictureHeight;
    };
    TTestSelectionDlg(const TGroupPage& groupPage, QWidget* parent);

    // The button row and the handlers. The derived constructor calls it once its own controls
    // are placed, so that they come before the buttons in the order of the window's controls.
    void finishFrame();
    // The lists and the count field need the data module, which is created after the windows:
    // bound by the derived constructor where the module exists, else at the first opening.
    void bindData();
    // Reads the test types afresh; the first one becomes current.
    void openTestTypes();
    // Runs `setUp` and shows the dialog modally; the dialog follows the shared cursors, which
    // move while other dialogs run, only meanwhile.
    void openModal(const std::function<void()>& setUp);

    // The stored tests listed on the first page.
    virtual TQuery* storedTests() const = 0;
    // Sets the parameters of the stored tests other than the test type.
    virtual void filterStoredTests(TQuery& tests) = 0;
    // Controls that only one of the selections binds to data.
    virtual void bindMore() {}
    // The mode in which the test window runs the chosen test.
    virtual int testMode() const = 0;
    // The time limit in minutes, read before anything is stored (a text that is no number
    // throws and so stores nothing).
    virtual int timeLimitMinutes() const { return 0; }
    // Settings stored with the counts once they are found valid.
    virtual void keepSettings() {}
    // Draws the random test into QTestType3; false when no question was drawn.
    virtual bool drawRandomTest() = 0;
    virtual QString waitText() const = 0;

    void FormClose() override;

private:
    void DataSource1DataChange(const QString& field);
    void DataSource2DataChange(const QString& field);
    void DataSource3DataChange(const QString& field);
    bool storedTestChosen() const;
    void runStoredTest(int minutes);
    void runRandomTest(int minutes);

    TGroupPage m_groupPage;
    bool m_running = false;
    QLabel* m_label1;
    QTabBar* m_tabSet1;
    QWidget* m_page1;
    QWidget* m_page2;
    TDBGrid* m_dbGrid1 = nullptr;
    TDBGrid* m_dbGrid2 = nullptr;
    TDBGrid* m_dbGrid3 = nullptr;
    TDBEdit* m_dbEdit1 = nullptr;
    QLabel* m_image1;
    TDsFancyButton* m_okBtn = nullptr;
    TDsFancyButton* m_cancelBtn = nullptr;
    TDsFancyButton* m_helpBtn = nullptr;
};
