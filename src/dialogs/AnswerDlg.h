// The base of the windows that are answered with "&Ok" alone or with "&Ano" and "&Ne": the
// common message dialog and the result of a live test.
#pragma once

#include "widgets/Form.h"

class TDsFancyButton;

class TAnswerDlg : public TForm
{
    Q_OBJECT
public:
    TDsFancyButton* yesButton() const { return m_yes; }
    TDsFancyButton* noButton() const { return m_no; }
    TDsFancyButton* okButton() const { return m_ok; }

protected:
    explicit TAnswerDlg(QWidget* parent = nullptr);

    // "&Ano" at (left, top), "&Ne" beside it and "&Ok" between the two; "&Ok" and "&Ano" accept
    // the window, "&Ne" rejects it.
    void addAnswerButtons(int left, int top);
    // Shows "&Ok" alone, or "&Ano" and "&Ne".
    void showAnswers(bool okOnly);

    // Enter accepts while "&Ok" or "&Ano" is shown; Esc rejects.
    void keyPressEvent(QKeyEvent* e) override;

private:
    TDsFancyButton* m_yes = nullptr;
    TDsFancyButton* m_no = nullptr;
    TDsFancyButton* m_ok = nullptr;
};
