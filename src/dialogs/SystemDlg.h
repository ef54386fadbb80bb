// The common message dialog: every error message ("&Ok") and every yes/no question
// ("&Ano"/"&Ne") of the program.
#pragma once

#include "AnswerDlg.h"

#include <functional>
#include <utility>

class QLabel;

class TSystemDlg : public TAnswerDlg
{
    Q_OBJECT
public:
    explicit TSystemDlg(QWidget* parent = nullptr);
    ~TSystemDlg() override;

    // True on "&Ok" or "&Ano"; false on "&Ne" or Esc.
    bool Execute(const QString& text, bool okOnly);

    // Tests answer the dialog instead of a person: the function gets the text and the form.
    using AutoAnswer = std::function<bool(const QString& text, bool okOnly)>;
    static void setAutoAnswer(AutoAnswer answer) { s_autoAnswer = std::move(answer); }

    QLabel* messageLabel() const { return m_message; }

private:
    static inline AutoAnswer s_autoAnswer;
    QLabel* m_message;
};

extern TSystemDlg* SystemDlg;
