// The sign-in window.
#include "LogonDlg.h"

#include "SignIn.h"
#include "ZakDlg.h"
#include "data/DataModule.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Strings.h"
#include "dialogs/SystemDlg.h"
#include "widgets/DBEdit.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TLogonDlg* LogonDlg = nullptr;

TLogonDlg::TLogonDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("LogonDlg"));
    setWindowTitle(Str::LogonHeading);
    setSkin(QStringLiteral("logon"), QSize(380, 220));

    QLabel* heading = boldLabel(Str::LogonHeading, this, {20, 24, 340, 24}, 16);
    heading->setAlignment(Qt::AlignCenter);

    auto* label1 = new QLabel(Str::LabelIdentification, this);
    label1->setGeometry(50, 72, 100, 24);
    m_edit1 = new QLineEdit(this);
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setMaxLength(11);
    KeepWholeCharacters(m_edit1);
    m_edit1->setGeometry(150, 72, 180, 24);
    label1->setBuddy(m_edit1);
    m_edit1->setAccessibleName(Str::LabelIdentification);

    auto* label2 = new QLabel(Str::LabelPassword, this);
    label2->setGeometry(50, 108, 100, 24);
    m_edit2 = new QLineEdit(this);
    m_edit2->setObjectName(QStringLiteral("Edit2"));
    m_edit2->setMaxLength(10);
    KeepWholeCharacters(m_edit2);
    m_edit2->setGeometry(150, 108, 180, 24);
    label2->setBuddy(m_edit2);
    m_edit2->setAccessibleName(Str::LabelPassword);

    m_ok = TDsFancyButton::create(Str::Ok, this, {82, 166, 97, 25}, QStringLiteral("OkBtn"));
    m_cancel = TDsFancyButton::create(Str::Cancel, this, {201, 166, 97, 25}, QStringLiteral("CancelBtn"));

    QPushButton* def = addHiddenDefaultButton(Str::LogonDefault);
    def->setObjectName(QStringLiteral("DefBtn"));
    QPushButton* canc = addHiddenCancelButton(Str::HiddenCancel);
    canc->setObjectName(QStringLiteral("CancBtn"));

    connectGuarded(m_ok, &QAbstractButton::clicked, this, &TLogonDlg::OkBtnClick);
    connectGuarded(def, &QAbstractButton::clicked, this, &TLogonDlg::OkBtnClick);
    connectGuarded(m_cancel, &QAbstractButton::clicked, this, &TLogonDlg::CancelBtnClick);
    if (!LogonDlg) LogonDlg = this;
}

TLogonDlg::~TLogonDlg()
{
    if (LogonDlg == this) LogonDlg = nullptr;
}

bool TLogonDlg::Logon(int pupilId)
{
    m_edit2->clear();
    TQuery* q = DM->QSelectZak;
    q->close();
    q->setParam(QStringLiteral("ID_ZAK"), pupilId == -1 ? PrivilegedPupilId : pupilId);
    q->open();
    m_edit1->setText(q->isEmpty() ? QString() : q->asString(QStringLiteral("RC")));
    m_edit1->setFocus();
    centreOnScreen();
    return ShowModal();
}

void TLogonDlg::FormActivate()
{
    // Back from a message, the focus stays where the user left it.
    if (firstActivationOfOpening())
        m_edit1->setFocus();
}

void TLogonDlg::CancelBtnClick()
{
    reject();
}

void TLogonDlg::OkBtnClick()
{
    TQuery* q = DM->QTmp;
    DM->OpenPupilByRc(*q, TrimText(m_edit1->text()));
    if (q->isEmpty()) {
        if (!SystemDlg->Execute(Str::PupilNotFound, false)) return;
        if (!ZakDlg->EditPupil(true, m_edit1->text(), m_edit2->text())) return;
        // The identification may have been changed in the record, so the saved one is looked up.
        DM->OpenPupilByRc(*q, TrimText(DM->QZak->asString(QStringLiteral("RC"))));
        if (q->isEmpty()) {
            SystemDlg->Execute(Str::NewPupilNotFound, true);
            return;
        }
    } else if (!PasswordMatches(m_edit2->text(), q->asString(QStringLiteral("HESLO")))) {
        SystemDlg->Execute(Str::WrongPassword, true);
        return;
    }
    const int pupilId = q->asInteger(QStringLiteral("ID_ZAK"));
    // Any database error here reaches the user as itself; the previous pupil stays signed in.
    if (!DM->TZak->moveLockTo(pupilId)) {
        SystemDlg->Execute(Str::AlreadySignedIn, true);
        return;
    }
    FillSignedInPupil(*q);
    accept();
}
