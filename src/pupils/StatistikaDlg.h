// A pupil's progress: the live tests' points over time against the pass minimum, the share of
// right answers per topic group (all tests and the recent ones), the questions failed most and
// whether the pupil is ready for the exam.
#pragma once

#include "data/Progress.h"
#include "widgets/Form.h"

#include <memory>

class QLabel;
class QTableWidget;
class TDsFancyButton;
class TPointsChart;

class TStatistikaDlg : public TForm
{
    Q_OBJECT
public:
    explicit TStatistikaDlg(QWidget* parent = nullptr);
    ~TStatistikaDlg() override;

    // Shows the progress of the pupil; returns when the window has closed.
    void Execute(int pupilId, const QString& fullName);
    // Reads the pupil's figures and fills the window without showing it.
    void Load(int pupilId, const QString& fullName);

    // The chart (a QChartView), or a text in its place where the chart module is missing.
    QWidget* Chart() const { return m_chartArea; }
    QLabel* VerdictLb() const { return m_verdict; }
    QLabel* RuleLb() const { return m_rule; }
    QLabel* SummaryLb() const { return m_summary; }
    QTableWidget* GroupGrid() const { return m_groups; }
    QTableWidget* FailedGrid() const { return m_failed; }
    TDsFancyButton* OkBtn() const { return m_ok; }

    // The number of the pupil's most failed questions listed.
    static constexpr int FailedShown = 10;

private:
    void addTables();
    void showChart(const QVector<Progress::TLiveTest>& tests, int minimum);
    void showVerdict(const QVector<Progress::TLiveTest>& tests, int minimum);
    void showGroups(const QVector<Progress::TGroupTally>& groups);
    void showFailed(const QVector<Progress::TQuestionTally>& failed);

    QLabel* m_pupil;
    std::unique_ptr<TPointsChart> m_chart;
    QWidget* m_chartArea;
    QLabel* m_summary;
    QLabel* m_verdict;
    QLabel* m_rule;
    QTableWidget* m_groups;
    QTableWidget* m_failed;
    TDsFancyButton* m_ok;
};

extern TStatistikaDlg* StatistikaDlg;
