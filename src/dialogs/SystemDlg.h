// The common message dialog: every error message ("&Ok") and every yes/no question
// ("&Ano"/"&Ne") of the program.
#pragma once

#include "widgets/Form.h"

#include <functional>

class QLabel;
class TDsFancyButton;

class TSystemDlg : public TForm
{
    Q_OBJECT
public:
    explicit TSystemDlg(QWidget* parent = nullptr);
    ~TSystemDlg() override;

    // True on "&Ok" or "&Ano"; false on "&Ne" or Esc.
    bool Execute(const QString& text, bool okOnly);

    // Tests answer the dialog instead of a person: the function gets the text and the form.
    using AutoAnswer = std::function<bool(const QString& text, bool okOnly)>;
    static void setAutoAnswer(AutoAnswer answer);

    QLabel* messageLabel() const { return m_message; }
    TDsFancyButton* yesButton() const { return m_yes; }
    TDsFancyButton* noButton() const { return m_no; }
    TDsFancyButton* okButton() const { return m_ok; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QLabel* m_message;
    TDsFancyButton* m_yes;
    TDsFancyButton* m_no;
    TDsFancyButton* m_ok;
};

extern TSystemDlg* SystemDlg;
