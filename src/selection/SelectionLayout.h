// The frame that the three selection dialogs share: heading, tab strip, two pages, the picture
// of the current topic group and the row of buttons, laid out on the 600 x 440 "selection" skin.
#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;
class TDBGrid;
class TDataSet;
class TDsFancyButton;

namespace SelectionLayout {

constexpr int Width = 600;
constexpr int Height = 440;
// The area below the tab strip where the pages lie.
constexpr QRect PageArea{30, 90, 540, 250};

QLabel* heading(QWidget* parent);
// A caption above a list or a field.
QLabel* caption(const QString& text, QWidget* parent, QRect geometry);
// A list without title row, named for assistive technology after its caption.
TDBGrid* grid(TDataSet* dataSet, const QString& field, const QString& name, QWidget* parent, QRect geometry);
// The framed picture of the current topic group, stretched to its frame.
QLabel* picture(QWidget* parent, QRect geometry);
// A page under the tab strip.
QWidget* page(QWidget* parent);
// The "&Ok", "&Storno" and "&Nápověda" buttons in the bottom row.
void buttons(QWidget* parent, TDsFancyButton*& ok, TDsFancyButton*& cancel, TDsFancyButton*& help);
// Shows the current topic group's picture; a picture that cannot be decoded leaves it empty.
void showGroupPicture(QLabel* image, const TDataSet* groups);

} // namespace SelectionLayout
