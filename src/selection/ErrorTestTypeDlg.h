// The error-test selection: a stored test that the pupil once finished with errors, or a random
// test drawn from the pupil's wrong answers, optionally topped up with other questions.
#pragma once

#include "TestSelectionDlg.h"

class QCheckBox;

class TErrorTestTypeDlg : public TTestSelectionDlg
{
    Q_OBJECT
public:
    explicit TErrorTestTypeDlg(QWidget* parent = nullptr);
    ~TErrorTestTypeDlg() override;

    // Returns when the dialog has closed.
    void Execute();

    // Draws the random error test into QTestType3; false when no question was drawn.
    bool GenerateRandomErrorTest();

    QCheckBox* NoError() const { return m_noError; }

protected:
    TQuery* storedTests() const override;
    void filterStoredTests(TQuery& tests) override;
    int testMode() const override;
    bool drawRandomTest() override { return GenerateRandomErrorTest(); }
    QString waitText() const override;

private:
    QCheckBox* m_noError;
};

extern TErrorTestTypeDlg* ErrorTestTypeDlg;
