// EMF and placeable WMF records, written from the display list.
#include "MetafileWriter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

class TBytes
{
public:
    void u16(quint32 v) { put<quint16>(quint16(v)); }
    void i16(int v) { put<qint16>(qint16(v)); }
    void u32(quint32 v) { put<quint32>(v); }
    void i32(int v) { put<qint32>(qint32(v)); }
    void f32(float v)
    {
        quint32 bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void u8(int v) { m_data.append(char(v)); }
    void raw(const QByteArray& b) { m_data.append(b); }
    void padTo(int n)
    {
        while (m_data.size() % n)
            m_data.append('\0');
    }
    qsizetype size() const { return m_data.size(); }
    void patch32(qsizetype at, quint32 v) { qToLittleEndian(v, m_data.data() + at); }
    void patch16(qsizetype at, quint16 v) { qToLittleEndian(v, m_data.data() + at); }
    const QByteArray& data() const { return m_data; }

private:
    template <typename T> void put(T v)
    {
        char b[sizeof(T)];
        qToLittleEndian(v, b);
        m_data.append(b, sizeof(T));
    }
    QByteArray m_data;
};

quint32 colorRef(QColor c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

QRect boundsOf(const QVector<QPoint>& pts)
{
    int l = pts.value(0).x(), t = pts.value(0).y(), r = l, b = t;
    for (const QPoint& p : pts) {
        l = std::min(l, p.x());
        r = std::max(r, p.x());
        t = std::min(t, p.y());
        b = std::max(b, p.y());
    }
    return QRect(QPoint(l, t), QPoint(r, b));
}

QFont textFont(int height)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(height);
    f.setBold(true);
    return f;
}

// Character advances, so that a player lays the text out as the raster copy does.
QVector<int> advances(const QString& text, int height)
{
    const QFontMetrics fm(textFont(height));
    QVector<int> out;
    for (QChar c : text)
        out << fm.horizontalAdvance(c);
    return out;
}

constexpr quint32 Stock = 0x80000000u;
constexpr quint32 NullBrush = Stock | 5, NullPen = Stock | 8, BlackPen = Stock | 7, WhiteBrush = Stock | 0,
                  SystemFont = Stock | 13;

} // namespace

void TMetafileWriter::setPen(QColor colour, int width)
{
    m_items << Item{Op::Pen, colour, width, {}, {}, {}};
}

void TMetafileWriter::setBrush(QColor colour)
{
    m_items << Item{Op::Brush, colour, 0, {}, {}, {}};
}

void TMetafileWriter::polygon(const QVector<QPoint>& points)
{
    m_items << Item{Op::Polygon, {}, 0, points, {}, {}};
}

void TMetafileWriter::polyline(const QVector<QPoint>& points)
{
    m_items << Item{Op::Polyline, {}, 0, points, {}, {}};
}

void TMetafileWriter::ellipse(const QRect& box)
{
    m_items << Item{Op::Ellipse, {}, 0, {}, box, {}};
}

void TMetafileWriter::rectangle(const QRect& box)
{
    m_items << Item{Op::Rectangle, {}, 0, {}, box, {}};
}

void TMetafileWriter::text(QPoint baselineCentre, const QString& text, int height, QColor colour)
{
    m_items << Item{Op::Text, colour, height, {baselineCentre}, {}, text};
}

void TMetafileWriter::paint(QPainter& p) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::NoBrush);
    for (const Item& it : m_items) {
        switch (it.op) {
        case Op::Pen:
            if (it.size > 0)
                p.setPen(QPen(it.colour, it.size, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            else
                p.setPen(Qt::NoPen);
            break;
        case Op::Brush:
            if (it.colour.isValid())
                p.setBrush(it.colour);
            else
                p.setBrush(Qt::NoBrush);
            break;
        case Op::Polygon:
            p.drawPolygon(it.points.constData(), int(it.points.size()));
            break;
        case Op::Polyline:
            p.drawPolyline(it.points.constData(), int(it.points.size()));
            break;
        case Op::Ellipse:
            p.drawEllipse(it.box);
            break;
        case Op::Rectangle:
            p.drawRect(it.box);
            break;
        case Op::Text: {
            p.save();
            const QFont f = textFont(it.size);
            p.setFont(f);
            p.setPen(it.colour);
            int w = 0;
            for (int a : advances(it.text, it.size))
                w += a;
            p.drawText(QPoint(it.points[0].x() - w / 2, it.points[0].y()), it.text);
            p.restore();
            break;
        }
        }
    }
    p.restore();
}

QByteArray TMetafileWriter::emf() const
{
    TBytes b;
    int records = 0;
    const auto begin = [&](quint32 type) {
        ++records;
        const qsizetype at = b.size();
        b.u32(type);
        b.u32(0);
        return at;
    };
    const auto end = [&](qsizetype at) {
        b.padTo(4);
        b.patch32(at + 4, quint32(b.size() - at));
    };
    const auto rect = [&](const QRect& r) {
        b.i32(r.left());
        b.i32(r.top());
        b.i32(r.right());
        b.i32(r.bottom());
    };
    const auto simple = [&](quint32 type, quint32 value) {
        const qsizetype at = begin(type);
        b.u32(value);
        end(at);
    };

    // EMR_HEADER with both extensions
    qsizetype at = begin(1);
    rect(QRect(0, 0, m_width, m_height));
    b.i32(0);
    b.i32(0);
    b.i32(m_width * 2540 / 96 - 1);
    b.i32(m_height * 2540 / 96 - 1);
    b.u32(0x464D4520u); // " EMF"
    b.u32(0x00010000u);
    const qsizetype bytesAt = b.size();
    b.u32(0); // nBytes
    b.u32(0); // nRecords
    b.u16(4); // handles: the reserved 0, pen, brush, font
    b.u16(0);
    b.u32(0); // no description
    b.u32(0);
    b.u32(0); // no palette
    b.i32(1920);
    b.i32(1080);
    b.i32(508);
    b.i32(286);
    b.u32(0); // no pixel format
    b.u32(0);
    b.u32(0); // not OpenGL
    b.u32(508000);
    b.u32(285750);
    end(at);

    simple(17, 1);      // EMR_SETMAPMODE MM_TEXT
    simple(18, 1);      // EMR_SETBKMODE TRANSPARENT
    simple(22, 6 | 24); // EMR_SETTEXTALIGN TA_CENTER | TA_BASELINE
    bool penMade = false, brushMade = false, fontMade = false;
    for (const Item& it : m_items) {
        switch (it.op) {
        case Op::Pen:
            simple(37, BlackPen);       // EMR_SELECTOBJECT: release our pen before replacing it
            if (penMade) simple(40, 1); // EMR_DELETEOBJECT
            penMade = false;
            if (it.size <= 0) {
                simple(37, NullPen);
                break;
            }
            at = begin(38); // EMR_CREATEPEN
            b.u32(1);
            b.u32(0); // PS_SOLID
            b.i32(it.size);
            b.i32(0);
            b.u32(colorRef(it.colour));
            end(at);
            simple(37, 1);
            penMade = true;
            break;
        case Op::Brush:
            simple(37, WhiteBrush);
            if (brushMade) simple(40, 2);
            brushMade = false;
            if (!it.colour.isValid()) {
                simple(37, NullBrush);
                break;
            }
            at = begin(39); // EMR_CREATEBRUSHINDIRECT
            b.u32(2);
            b.u32(0); // BS_SOLID
            b.u32(colorRef(it.colour));
            b.u32(0);
            end(at);
            simple(37, 2);
            brushMade = true;
            break;
        case Op::Polygon:
        case Op::Polyline:
            at = begin(it.op == Op::Polygon ? 3 : 4); // EMR_POLYGON, EMR_POLYLINE
            rect(boundsOf(it.points));
            b.u32(quint32(it.points.size()));
            for (const QPoint& p : it.points) {
                b.i32(p.x());
                b.i32(p.y());
            }
            end(at);
            break;
        case Op::Ellipse:
        case Op::Rectangle:
            at = begin(it.op == Op::Ellipse ? 42 : 43); // EMR_ELLIPSE, EMR_RECTANGLE
            b.i32(it.box.left());                       // the lower right edge is not part of the shape
            b.i32(it.box.top());
            b.i32(it.box.left() + it.box.width());
            b.i32(it.box.top() + it.box.height());
            end(at);
            break;
        case Op::Text: {
            simple(37, SystemFont);
            if (fontMade) simple(40, 3);
            at = begin(82); // EMR_EXTCREATEFONTINDIRECTW with a plain LOGFONTW
            b.u32(3);
            b.i32(-it.size);
            b.i32(0);
            b.i32(0);
            b.i32(0);
            b.i32(700);                                 // bold
            for (int v : {0, 0, 0, 238, 0, 0, 4, 0x22}) // EASTEUROPE, ANTIALIASED, VARIABLE | SWISS
                b.u8(v);
            QByteArray face(64, '\0');
            const QString name = QStringLiteral("Arial");
            for (qsizetype i = 0; i < name.size(); ++i)
                qToLittleEndian(name.at(i).unicode(), face.data() + 2 * i);
            b.raw(face);
            end(at);
            simple(37, 3);
            fontMade = true;
            simple(24, colorRef(it.colour)); // EMR_SETTEXTCOLOR
            const QVector<int> dx = advances(it.text, it.size);
            int w = 0;
            for (int a : dx)
                w += a;
            const QPoint ref = it.points[0];
            const QRect bounds(ref.x() - w / 2, ref.y() - it.size, w, it.size + it.size / 4);
            at = begin(84); // EMR_EXTTEXTOUTW
            rect(bounds);
            b.u32(1); // GM_COMPATIBLE
            b.f32(0);
            b.f32(0);
            b.i32(ref.x());
            b.i32(ref.y());
            b.u32(quint32(it.text.size()));
            b.u32(76); // the string follows the fixed part
            b.u32(0);  // no options, so no clipping rectangle either
            for (int i = 0; i < 4; ++i)
                b.i32(0);
            const qsizetype dxAt = b.size();
            b.u32(0);
            for (QChar c : it.text)
                b.u16(c.unicode());
            b.padTo(4);
            b.patch32(dxAt, quint32(b.size() - at));
            for (int a : dx)
                b.u32(quint32(a));
            end(at);
            break;
        }
        }
    }
    simple(37, BlackPen);
    simple(37, WhiteBrush);
    simple(37, SystemFont);
    for (quint32 h = 1; h <= 3; ++h)
        if ((h == 1 && penMade) || (h == 2 && brushMade) || (h == 3 && fontMade)) simple(40, h);
    at = begin(14); // EMR_EOF
    b.u32(0);
    b.u32(16);
    b.u32(20);
    end(at);
    b.patch32(bytesAt, quint32(b.size()));
    b.patch32(bytesAt + 4, quint32(records));
    return b.data();
}

QByteArray TMetafileWriter::wmf() const
{
    TBytes b;
    // placeable header: key, handle, bounding box, units per inch, reserved, checksum
    b.u32(0x9AC6CDD7u);
    b.u16(0);
    b.i16(0);
    b.i16(0);
    b.i16(m_width);
    b.i16(m_height);
    b.u16(96);
    b.u32(0);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= qFromLittleEndian<quint16>(b.data().constData() + 2 * i);
    b.u16(sum);

    const qsizetype headerAt = b.size();
    b.u16(1);      // memory metafile
    b.u16(9);      // header words
    b.u16(0x0300); // version
    b.u32(0);      // size in words, patched
    b.u16(0);      // objects, patched
    b.u32(0);      // largest record, patched
    b.u16(0);

    quint32 largest = 0;
    const auto begin = [&](quint16 function) {
        const qsizetype at = b.size();
        b.u32(0);
        b.u16(function);
        return at;
    };
    const auto end = [&](qsizetype at) {
        b.padTo(2);
        const quint32 words = quint32((b.size() - at) / 2);
        b.patch32(at, words);
        largest = std::max(largest, words);
    };
    // the object table: a created object takes the lowest free slot
    QVector<bool> objectTable;
    const auto take = [&]() {
        const qsizetype free = objectTable.indexOf(false);
        if (free >= 0) {
            objectTable[free] = true;
            return int(free);
        }
        objectTable << true;
        return int(objectTable.size() - 1);
    };
    const auto select = [&](int slot) {
        const qsizetype at = begin(0x012D); // META_SELECTOBJECT
        b.u16(quint16(slot));
        end(at);
    };
    const auto release = [&](int& slot) {
        if (slot < 0) return;
        const qsizetype at = begin(0x01F0); // META_DELETEOBJECT
        b.u16(quint16(slot));
        end(at);
        objectTable[slot] = false;
        slot = -1;
    };

    qsizetype at = begin(0x020B); // META_SETWINDOWORG (y, x)
    b.i16(0);
    b.i16(0);
    end(at);
    at = begin(0x020C); // META_SETWINDOWEXT (y, x)
    b.i16(m_height);
    b.i16(m_width);
    end(at);
    at = begin(0x0102); // META_SETBKMODE TRANSPARENT
    b.u16(1);
    end(at);
    at = begin(0x012E); // META_SETTEXTALIGN TA_CENTER | TA_BASELINE
    b.u16(6 | 24);
    end(at);

    int pen = -1, brush = -1, font = -1;
    for (const Item& it : m_items) {
        switch (it.op) {
        case Op::Pen: {
            at = begin(0x02FA);         // META_CREATEPENINDIRECT
            b.u16(it.size > 0 ? 0 : 5); // PS_SOLID or PS_NULL
            b.i16(std::max(it.size, 0));
            b.i16(0);
            b.u32(colorRef(it.colour));
            end(at);
            const int slot = take();
            select(slot);
            release(pen);
            pen = slot;
            break;
        }
        case Op::Brush: {
            at = begin(0x02FC);                 // META_CREATEBRUSHINDIRECT
            b.u16(it.colour.isValid() ? 0 : 1); // BS_SOLID or BS_NULL
            b.u32(it.colour.isValid() ? colorRef(it.colour) : 0);
            b.u16(0);
            end(at);
            const int slot = take();
            select(slot);
            release(brush);
            brush = slot;
            break;
        }
        case Op::Polygon:
        case Op::Polyline:
            at = begin(it.op == Op::Polygon ? 0x0324 : 0x0325);
            b.i16(int(it.points.size()));
            for (const QPoint& p : it.points) {
                b.i16(p.x());
                b.i16(p.y());
            }
            end(at);
            break;
        case Op::Ellipse:
        case Op::Rectangle: // bottom, right, top, left
            at = begin(it.op == Op::Ellipse ? 0x0418 : 0x041B);
            b.i16(it.box.bottom() + 1);
            b.i16(it.box.right() + 1);
            b.i16(it.box.top());
            b.i16(it.box.left());
            end(at);
            break;
        case Op::Text: {
            at = begin(0x02FB); // META_CREATEFONTINDIRECT
            b.i16(-it.size);
            b.i16(0);
            b.i16(0);
            b.i16(0);
            b.i16(700);
            for (int v : {0, 0, 0, 0, 0, 0, 4, 0x22})
                b.u8(v);
            b.raw(QByteArray("Arial", 6)); // with its terminating zero
            end(at);
            const int slot = take();
            select(slot);
            release(font);
            font = slot;
            at = begin(0x0209); // META_SETTEXTCOLOR
            b.u32(colorRef(it.colour));
            end(at);
            const QByteArray ansi = it.text.toLatin1();
            at = begin(0x0521); // META_TEXTOUT
            b.i16(int(ansi.size()));
            b.raw(ansi);
            b.padTo(2);
            b.i16(it.points[0].y());
            b.i16(it.points[0].x());
            end(at);
            break;
        }
        }
    }
    release(pen);
    release(brush);
    release(font);
    at = begin(0x0000); // META_EOF
    end(at);

    QByteArray out = b.data();
    qToLittleEndian(quint32((out.size() - headerAt) / 2), out.data() + headerAt + 6);
    qToLittleEndian(quint16(objectTable.size()), out.data() + headerAt + 10);
    qToLittleEndian(largest, out.data() + headerAt + 12);
    return out;
}
