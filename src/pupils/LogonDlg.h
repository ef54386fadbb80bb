// The sign-in window: identification and password, the offer of a new pupil, the sign-in lock.
#pragma once

#include "widgets/Form.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TDsFancyButton;

class TLogonDlg : public TForm
{
    Q_OBJECT
public:
    explicit TLogonDlg(QWidget* parent = nullptr);
    ~TLogonDlg() override;

    // Pre-fills the identification of `pupilId` (-1: the privileged pupil) and runs the window;
    // true when a pupil was signed in.
    bool Logon(int pupilId);

    void OkBtnClick();
    void CancelBtnClick();

    QLineEdit* Edit1() const { return m_edit1; }
    QLineEdit* Edit2() const { return m_edit2; }
    TDsFancyButton* OkBtn() const { return m_ok; }
    TDsFancyButton* CancelBtn() const { return m_cancel; }

protected:
    void FormActivate() override;

private:
    QLineEdit* m_edit1;
    QLineEdit* m_edit2;
    TDsFancyButton* m_ok;
    TDsFancyButton* m_cancel;
};

extern TLogonDlg* LogonDlg;
