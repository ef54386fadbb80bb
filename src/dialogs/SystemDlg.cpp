// The common message dialog.
#include "SystemDlg.h"

#include "data/Strings.h"
#include "widgets/FancyButton.h"

#include <QKeyEvent>
#include <QLabel>

TSystemDlg* SystemDlg = nullptr;

namespace {
TSystemDlg::AutoAnswer& autoAnswer()
{
    static TSystemDlg::AutoAnswer a;
    return a;
}
} // namespace

void TSystemDlg::setAutoAnswer(AutoAnswer answer)
{
    autoAnswer() = std::move(answer);
}

TSystemDlg::TSystemDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("SystemDlg"));
    setWindowTitle(Str::SystemHeading);
    setSkin(QStringLiteral("system"), QSize(420, 170));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Icon"));
    icon->setGeometry(22, 26, 48, 48);
    icon->setPixmap(QPixmap(QStringLiteral(":/ferdano/system-icon.png")));
    icon->setAccessibleName(QStringLiteral("Ikona hlášení"));

    auto* heading = new QLabel(Str::SystemHeading, this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setGeometry(84, 20, 310, 20);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("MessageLabel"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setGeometry(84, 46, 310, 72);

    m_yes = TDsFancyButton::create(Str::Yes, this, {108, 128, 97, 25});
    m_no = TDsFancyButton::create(Str::No, this, {215, 128, 97, 25});
    m_ok = TDsFancyButton::create(Str::Ok, this, {161, 128, 97, 25});
    for (TDsFancyButton* b : {m_yes, m_no, m_ok}) {
        b->applyGreyFrame();
        b->setButtonColor(lightWindowColour());
    }
    connect(m_yes, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(m_no, &QAbstractButton::clicked, this, &QDialog::reject);
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
    m_ok->setVisible(okOnly);
    m_yes->setVisible(!okOnly);
    m_no->setVisible(!okOnly);
    m_message->setText(text);
    if (autoAnswer())
        return autoAnswer()(text, okOnly);
    centreOnScreen();
    return ShowModal();
}

void TSystemDlg::keyPressEvent(QKeyEvent* e)
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
