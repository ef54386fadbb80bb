// The common message dialog.
#include "SystemDlg.h"

#include "data/Strings.h"
#include "widgets/FancyButton.h"
#include "widgets/PictureStore.h"

#include <QLabel>

TSystemDlg* SystemDlg = nullptr;

TSystemDlg::TSystemDlg(QWidget* parent) : TAnswerDlg(parent)
{
    setObjectName(QStringLiteral("SystemDlg"));
    setWindowTitle(Str::SystemHeading);
    setSkin(QStringLiteral("system"), QSize(420, 170));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Icon"));
    icon->setGeometry(22, 26, 48, 48);
    icon->setPixmap(PictureStore::pixmap(QStringLiteral(":/ferdano/system-icon.png")));
    icon->setAccessibleName(QStringLiteral("Ikona hlášení"));

    boldLabel(Str::SystemHeading, this, {84, 20, 310, 20});

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("MessageLabel"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setGeometry(84, 46, 310, 72);

    addAnswerButtons(108, 128);
    for (TDsFancyButton* b : {yesButton(), noButton(), okButton()})
        b->applyGreyFrame();
    if (!SystemDlg)
        SystemDlg = this;
}

TSystemDlg::~TSystemDlg()
{
    if (SystemDlg == this)
        SystemDlg = nullptr;
}

bool TSystemDlg::Execute(const QString& text, bool okOnly)
{
    showAnswers(okOnly);
    m_message->setText(text);
    if (s_autoAnswer)
        return s_autoAnswer(text, okOnly);
    centreOnScreen();
    return ShowModal();
}
