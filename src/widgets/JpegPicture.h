// Shows a JPEG picture stored in a column in an image control.
#pragma once

class QLabel;
class QString;
class TDataSet;

// With a non-empty column the image shows its JPEG picture (stretched when the control scales
// its contents); with no column, or an empty one, the image is cleared. Content that is not a
// JPEG picture throws TError.
void LoadJpegPicture(QLabel* image, const TDataSet* dataSet, const QString& column);
