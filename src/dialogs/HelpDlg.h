// The help balloon: a picture, a text and "&Storno"; it closes when it stops being active.
#pragma once

#include "widgets/Form.h"

class QLabel;

class THelpDlg : public TForm
{
    Q_OBJECT
public:
    explicit THelpDlg(QWidget* parent = nullptr);
    ~THelpDlg() override;
    QLabel* textLabel() const { return m_text; }

protected:
    bool event(QEvent* e) override;

private:
    QLabel* m_text;
};

extern THelpDlg* HelpDlg;
