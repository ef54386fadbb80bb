// The outcome and the report of a live test.
#pragma once

#include "AnswerDlg.h"

#include <functional>
#include <utility>

class QLabel;
class QPlainTextEdit;

class TResultDlg : public TAnswerDlg
{
    Q_OBJECT
public:
    explicit TResultDlg(QWidget* parent = nullptr);
    ~TResultDlg() override;

    // The caller fills the report box first (setReportLines).
    bool Execute(const QString& text, const QString& verdict, const QString& note, bool okOnly);
    void setReportLines(const QStringList& lines);
    QStringList reportLines() const;

    struct Shown
    {
        QString text, verdict, note;
        bool okOnly;
        QStringList report;
    };
    using AutoAnswer = std::function<bool(const Shown&)>;
    static void setAutoAnswer(AutoAnswer answer) { s_autoAnswer = std::move(answer); }

    QLabel* verdictLabel() const { return m_verdict; }
    QLabel* noteLabel() const { return m_note; }
    QLabel* messageLabel() const { return m_message; }
    QPlainTextEdit* reportBox() const { return m_report; }

private:
    static inline AutoAnswer s_autoAnswer;
    QPlainTextEdit* m_report;
    QLabel* m_verdict;
    QLabel* m_note;
    QLabel* m_message;
};

extern TResultDlg* ResultDlg;
