// The enlarged question picture.
#include "ImageZoom.h"

#include "Artwork.h"
#include "Evaluation.h"
#include "data/Strings.h"
#include "widgets/FancyButton.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

TImageZoom::TImageZoom(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("ImageZoom"));
    setWindowTitle(Str::ZoomName);
    setSkin(QStringLiteral("zoom"), QSize(560, 324));

    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setAccessibleName(Str::ZoomName);
    Image->setCursor(Artwork::zoomOutCursor());
    Image->installEventFilter(this);

    OkBtn = TDsFancyButton::create(Str::Ok, this, {231, 284, 97, 25}, QStringLiteral("OkBtn"));
    connect(OkBtn, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(addHiddenDefaultButton(Str::Ok), &QPushButton::clicked, this, &QDialog::accept);
    addHiddenCancelButton(Str::Cancel);
    OkBtn->raise();
}

void TImageZoom::setPicture(const QImage& image)
{
    Image->setPixmap(QPixmap::fromImage(image));
    // A picture larger than the window is cut off by the window's edges; it lies over the skin
    // and under the "&Ok" button, which stays in sight over any picture.
    Image->setGeometry(QRect(ZoomPlacement(image.size()), image.size()));
    Image->stackUnder(OkBtn);
}

bool TImageZoom::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Image && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        accept();
        return true;
    }
    return TForm::eventFilter(watched, e);
}
