// LoadJpegPicture.
#include "JpegPicture.h"

#include "data/DataSet.h"
#include "data/Error.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

void LoadJpegPicture(QLabel* image, const TDataSet* dataSet, const QString& column)
{
    QByteArray bytes;
    if (dataSet && dataSet->active() && !dataSet->isEmpty() && dataSet->hasField(column))
        bytes = dataSet->asBytes(column);
    if (bytes.isEmpty()) {
        image->clear();
        return;
    }
    QImage picture;
    if (!picture.loadFromData(bytes, "JPEG")) {
        image->clear();
        throw TError(QStringLiteral("JPEG error #53"));
    }
    image->setPixmap(QPixmap::fromImage(picture));
}
