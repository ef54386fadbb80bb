// The splash window.
#include "AboutDlg.h"

#include "data/Strings.h"

#include <QLabel>

TAboutDlg::TAboutDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(Str::AppTitle);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setModal(false);
    setSkin(QStringLiteral("splash"), QSize(400, 240));
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
