// The wait window, shown without blocking while a random test is drawn.
#pragma once

#include "widgets/Form.h"

class QLabel;

class TWaitDlg : public TForm
{
    Q_OBJECT
public:
    explicit TWaitDlg(QWidget* parent = nullptr);
    ~TWaitDlg() override;
    // Shows the window with the text and paints it at once; returns immediately.
    void ShowWait(const QString& text);
    void HideWait();
    QLabel* label() const { return m_label; }

private:
    QLabel* m_label;
};

extern TWaitDlg* WaitDlg;
