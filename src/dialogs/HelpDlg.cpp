// The help balloon.
#include "HelpDlg.h"

#include "data/Strings.h"
#include "widgets/FancyButton.h"
#include "widgets/PictureStore.h"

#include <QEvent>
#include <QLabel>

THelpDlg* HelpDlg = nullptr;

THelpDlg::THelpDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("HelpDlg"));
    setWindowTitle(Str::HelpName);
    setSkin(QStringLiteral("help"), QSize(300, 180));
    QPalette balloon = palette();
    balloon.setColor(QPalette::Window, lightWindowColour());
    setPalette(balloon);
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("HelpPicture"));
    picture->setGeometry(20, 40, 48, 48);
    picture->setPixmap(PictureStore::pixmap(QStringLiteral(":/ferdano/help-icon.png")));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("HelpText"));
    m_text->setWordWrap(true);
    QFont bold = m_text->font();
    bold.setBold(true);
    m_text->setFont(bold);
    m_text->setGeometry(80, 40, 200, 90);
    auto* cancel = TDsFancyButton::create(Str::Cancel, this, {180, 140, 97, 25});
    cancel->setButtonColor(lightWindowColour());
    connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    if (!HelpDlg)
        HelpDlg = this;
}

THelpDlg::~THelpDlg()
{
    if (HelpDlg == this)
        HelpDlg = nullptr;
}

bool THelpDlg::event(QEvent* e)
{
    if (e->type() == QEvent::WindowDeactivate && isVisible())
        reject();
    return TForm::event(e);
}
