// The questions that the school's pupils fail most, with the share of wrong answers; a question of
// the list can be opened in the browsing view.
#pragma once

#include "data/Progress.h"
#include "widgets/Form.h"

class QTableWidget;
class TDsFancyButton;

class TFailedDlg : public TForm
{
    Q_OBJECT
public:
    explicit TFailedDlg(QWidget* parent = nullptr);
    ~TFailedDlg() override;

    // Reads the list and shows it; returns when the window has closed.
    void Execute();
    // Reads the list without showing the window.
    void Load();
    // Opens the selected question (asks whoever connected questionRequested to show it).
    void ShowBtnClick();

    QTableWidget* Grid() const { return m_grid; }
    TDsFancyButton* ShowBtn() const { return m_show; }
    TDsFancyButton* OkBtn() const { return m_ok; }
    // The questions listed, in the grid's order.
    const QVector<Progress::TQuestionTally>& questions() const { return m_questions; }

    // The number of questions listed.
    static constexpr int Listed = 100;

signals:
    // Show this question in the browsing view; returns when it has been shown and closed.
    void questionRequested(int questionId, const QString& caption);

private:
    QTableWidget* m_grid;
    TDsFancyButton* m_show;
    TDsFancyButton* m_ok;
    QVector<Progress::TQuestionTally> m_questions;
};

extern TFailedDlg* FailedDlg;
