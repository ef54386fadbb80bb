// The splash window.
#include "AboutDlg.h"

#include "data/Strings.h"

#include <QLabel>

const QString TAboutDlg::SkinName = QStringLiteral("splash");

TAboutDlg::TAboutDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(Str::AppTitle);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setModal(false);
    setSkin(SkinName, QSize(400, 240));
    QFont big(QStringLiteral("Arial"));
    big.setPixelSize(24);
    big.setBold(true);
    int top = 80;
    for (const QString& line : {Str::SplashLine1, Str::SplashLine2}) {
        auto* l = new QLabel(line, this);
        l->setFont(big);
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(20, top, 360, 34);
        top += 38;
    }
}
