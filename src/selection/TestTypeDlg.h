// The test-type selection: a stored test or a random test in the modes with hints, practice
// and live, with the time limit and the per-group question counts.
#pragma once

#include "TestSelectionDlg.h"

class QCheckBox;
class QLineEdit;

class TTestTypeDlg : public TTestSelectionDlg
{
    Q_OBJECT
public:
    explicit TTestTypeDlg(QWidget* parent = nullptr);
    ~TTestTypeDlg() override;

    // Mode 2 (tests with hints), 3 (practice) or 4 (live); returns when the dialog has closed.
    void Execute(int mode);

    void TimeLimitChange();
    // Draws the random test into QTestType3; false when no question was drawn.
    bool GenerateRandomTest();

    int mode() const { return m_mode; }
    TDBEdit* DBEdit2() const { return m_dbEdit2; }
    QCheckBox* TimeLimit() const { return m_timeLimit; }
    QLineEdit* Edit1() const { return m_edit1; }
    QLabel* Label4() const { return m_label4; }

protected:
    TQuery* storedTests() const override;
    void filterStoredTests(TQuery& tests) override;
    void bindMore() override;
    int testMode() const override { return m_mode; }
    int timeLimitMinutes() const override;
    void keepSettings() override;
    bool drawRandomTest() override { return GenerateRandomTest(); }
    QString waitText() const override;

private:
    void setUpOpening(int mode);
    void setTimeLimitLook(bool checked, bool enabled);

    int m_mode = 2;
    TDBEdit* m_dbEdit2 = nullptr;
    QCheckBox* m_timeLimit;
    QLineEdit* m_edit1;
    QLabel* m_label4;
};

extern TTestTypeDlg* TestTypeDlg;
