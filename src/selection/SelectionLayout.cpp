// The frame that the three selection dialogs share.
#include "SelectionLayout.h"

#include "data/Error.h"
#include "data/Strings.h"
#include "widgets/DBGrid.h"
#include "widgets/FancyButton.h"
#include "widgets/Form.h"
#include "widgets/JpegPicture.h"

#include <QHeaderView>
#include <QLabel>

namespace SelectionLayout {

QLabel* heading(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("Label1"));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(22);
    f.setBold(true);
    label->setFont(f);
    label->setGeometry(30, 20, 540, 32);
    return label;
}

QLabel* caption(const QString& text, QWidget* parent, QRect geometry)
{
    return TForm::boldLabel(text, parent, geometry);
}

TDBGrid* grid(TDataSet* dataSet, const QString& field, const QString& name, QWidget* parent, QRect geometry)
{
    auto* g = new TDBGrid(dataSet, {{field, name}}, parent);
    g->setTitles(false);
    g->setName(name);
    g->setShowGrid(false);
    g->horizontalHeader()->setStretchLastSection(true);
    g->setGeometry(geometry);
    return g;
}

QLabel* picture(QWidget* parent, QRect geometry)
{
    auto* image = new QLabel(parent);
    image->setObjectName(QStringLiteral("Image1"));
    image->setAccessibleName(Str::NameGroupPicture);
    image->setFrameShape(QFrame::Box);
    image->setScaledContents(true);
    image->setGeometry(geometry);
    QPalette pal = image->palette();
    pal.setColor(QPalette::WindowText, QColor(128, 128, 0));
    image->setPalette(pal);
    return image;
}

QWidget* page(QWidget* parent)
{
    auto* w = new QWidget(parent);
    w->setGeometry(PageArea);
    return w;
}

void buttons(QWidget* parent, TDsFancyButton*& ok, TDsFancyButton*& cancel, TDsFancyButton*& help)
{
    ok = TDsFancyButton::create(Str::Ok, parent, {255, 392, 97, 25}, QStringLiteral("OkBtn"));
    cancel = TDsFancyButton::create(Str::Cancel, parent, {364, 392, 97, 25}, QStringLiteral("CancelBtn"));
    help = TDsFancyButton::create(Str::Help, parent, {473, 392, 97, 25}, QStringLiteral("HelpBtn"));
}

void showGroupPicture(QLabel* image, const TDataSet* groups)
{
    try {
        LoadJpegPicture(image, groups, QStringLiteral("Picture"));
    } catch (const TError&) {
        // LoadJpegPicture has cleared the picture; a damaged group picture is simply not shown.
    }
}

} // namespace SelectionLayout
