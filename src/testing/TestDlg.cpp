// The test window (its presentation, answering and scoring come with the test engine).
#include "TestDlg.h"

TTestDlg* TestDlg = nullptr;

namespace {
TTestDlg::RunTestHook& hook()
{
    static TTestDlg::RunTestHook h;
    return h;
}
} // namespace

void TTestDlg::setRunTestHook(RunTestHook h)
{
    hook() = std::move(h);
}

TTestDlg::TTestDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("TestDlg"));
    if (!TestDlg)
        TestDlg = this;
}

TTestDlg::~TTestDlg()
{
    if (TestDlg == this)
        TestDlg = nullptr;
}

void TTestDlg::RunTest(int mode, int testId, const QString& caption, TDataSet* questionSet, bool showAnswerNow,
                       quint16 timeLimitMinutes)
{
    if (hook()) {
        hook()({mode, testId, caption, questionSet, showAnswerNow, timeLimitMinutes});
        return;
    }
}
