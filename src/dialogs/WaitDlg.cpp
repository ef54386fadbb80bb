// The wait window.
#include "WaitDlg.h"

#include "data/Strings.h"

#include <QLabel>

TWaitDlg* WaitDlg = nullptr;

TWaitDlg::TWaitDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("WaitDlg"));
    setModal(false);
    setWindowTitle(Str::AppTitle);
    setSkin(QStringLiteral("wait"), QSize(360, 110));
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("WaitLabel"));
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignCenter);
    QFont bold = m_label->font();
    bold.setBold(true);
    m_label->setFont(bold);
    m_label->setGeometry(24, 20, 312, 70);
    if (!WaitDlg)
        WaitDlg = this;
}

TWaitDlg::~TWaitDlg()
{
    if (WaitDlg == this)
        WaitDlg = nullptr;
}

void TWaitDlg::ShowWait(const QString& text)
{
    m_label->setText(text);
    centreOnScreen();
    show();
    raise();
    repaint();
}

void TWaitDlg::HideWait()
{
    hide();
}
