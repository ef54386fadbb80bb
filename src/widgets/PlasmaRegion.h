// The shape of a skinned window and its stored form: a list of rectangles in the RGNDATA layout.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QRegion>

class QIODevice;
class TPlasmaForm;

// Builds the region from stored bytes (header of 32 bytes, then left/top/right/bottom rectangles,
// little-endian signed 32-bit, right and bottom exclusive). Anything malformed gives an empty
// region: the bytes come from files and resources that we do not trust blindly.
QRegion ParseRegionData(const QByteArray& bytes);
// The stored bytes of a region; an empty region gives no bytes.
QByteArray WriteRegionData(const QRegion& region);

class TPlasmaRegion final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QByteArray Data READ data WRITE setData)
public:
    explicit TPlasmaRegion(TPlasmaForm* owner = nullptr);

    void setFromBytes(const QByteArray& bytes);
    // Copies the other region's data; none gives an empty region.
    void setFromRegion(const TPlasmaRegion* other);
    void setRegion(const QRegion& region) { m_region = region; }

    // Reads a whole stream; an empty stream gives an empty region.
    void readData(QIODevice& stream);
    // Writes the region's data, nothing when the region is empty.
    void writeData(QIODevice& stream) const;

    QByteArray data() const { return WriteRegionData(m_region); }
    void setData(const QByteArray& bytes) { setFromBytes(bytes); }

    const QRegion& region() const { return m_region; }
    bool isEmpty() const { return m_region.isEmpty(); }
    TPlasmaForm* owner() const { return m_owner; }

private:
    TPlasmaForm* m_owner;
    QRegion m_region;
};
