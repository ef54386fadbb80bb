// The base of the windows answered with "&Ok" or with "&Ano" and "&Ne".
#include "AnswerDlg.h"

#include "data/Strings.h"
#include "widgets/FancyButton.h"

#include <QKeyEvent>

TAnswerDlg::TAnswerDlg(QWidget* parent) : TForm(parent) {}

void TAnswerDlg::addAnswerButtons(int left, int top)
{
    m_yes = TDsFancyButton::create(Str::Yes, this, {left, top, 97, 25});
    m_no = TDsFancyButton::create(Str::No, this, {left + 107, top, 97, 25});
    m_ok = TDsFancyButton::create(Str::Ok, this, {left + 53, top, 97, 25});
    for (TDsFancyButton* b : {m_yes, m_no, m_ok})
        b->setButtonColor(lightWindowColour());
    connect(m_yes, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(m_no, &QAbstractButton::clicked, this, &QDialog::reject);
}

void TAnswerDlg::showAnswers(bool okOnly)
{
    m_ok->setVisible(okOnly);
    m_yes->setVisible(!okOnly);
    m_no->setVisible(!okOnly);
}

void TAnswerDlg::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_ok->isVisible() || m_yes->isVisible())
            accept();
        return;
    case Qt::Key_Escape:
        reject();
        return;
    default:
        TForm::keyPressEvent(e);
    }
}
