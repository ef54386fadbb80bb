// The test window: every question run (browsing, tests with hints, practice, live and error
// tests) happens here.
#pragma once

#include "widgets/Form.h"

#include <functional>

class TDataSet;

enum TestMode { tmBrowse = 1, tmHints = 2, tmPractice = 3, tmLive = 4, tmErrorTest = 5, tmReview = 7 };

class TTestDlg : public TForm
{
    Q_OBJECT
public:
    explicit TTestDlg(QWidget* parent = nullptr);
    ~TTestDlg() override;

    // The one way into the test engine; returns when the window has closed.
    void RunTest(int mode, int testId, const QString& caption, TDataSet* questionSet, bool showAnswerNow,
                 quint16 timeLimitMinutes);

    // Tests of the callers replace the run with a function that receives the arguments.
    struct RunTestArgs
    {
        int mode;
        int testId;
        QString caption;
        TDataSet* questionSet;
        bool showAnswerNow;
        quint16 timeLimitMinutes;
    };
    using RunTestHook = std::function<void(const RunTestArgs&)>;
    static void setRunTestHook(RunTestHook hook);
};

extern TTestDlg* TestDlg;
