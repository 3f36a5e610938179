// Metafile pictures: placeable WMF and EMF records drawn into an image, their natural
// size, what cannot be drawn said in words, and damaged bytes refused without a crash.
#include "kavReportTestSupport.h"

#include <report/kavClass.h>
#include <report/kavMetafile.h>

#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Little-endian record writer.
class Bytes
{
public:
    Bytes &u16(int v)
    {
        char b[2];
        qToLittleEndian(quint16(v), b);
        FData.append(b, 2);
        return *this;
    }
    Bytes &u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        FData.append(b, 4);
        return *this;
    }
    Bytes &add(const QByteArray &bytes)
    {
        FData += bytes;
        return *this;
    }
    const QByteArray &data() const { return FData; }

private:
    QByteArray FData;
};

// One WMF record: its size in 16-bit words, the function and the parameters.
QByteArray wmfRecord(int function, std::initializer_list<int> params)
{
    Bytes r;
    r.u32(quint32(3 + params.size())).u16(function);
    for (int p : params)
        r.u16(p);
    return r.data();
}

// A 100 x 100 pixel placeable metafile (96 units per inch) of the given records.
QByteArray placeableMetafile(const QByteArray &records)
{
    Bytes file;
    file.u32(0x9AC6CDD7u).u16(0).u16(0).u16(0).u16(100).u16(100).u16(96).u32(0).u16(0);
    file.u16(1).u16(9).u16(0x0300).u32(quint32(9 + records.size() / 2 + 3)).u16(8).u32(8).u16(0);
    return file.add(records + wmfRecord(0x0000, {})).data();
}

// Red left half, and a flood fill, which is not drawn.
QByteArray placeableMetafile()
{
    QByteArray records;
    records += wmfRecord(0x02FC, {0, 0x00FF, 0x0000, 0}); // red solid brush -> slot 0
    records += wmfRecord(0x012D, {0});                    // select it
    records += wmfRecord(0x02FA, {5, 0, 0, 0, 0});        // null pen -> slot 1
    records += wmfRecord(0x012D, {1});
    records += wmfRecord(0x041B, {100, 50, 0, 0}); // rectangle (0,0)-(50,100)
    records += wmfRecord(0x0419, {0, 0, 10, 10});  // flood fill: not drawn
    return placeableMetafile(records);
}

QByteArray emfRecord(quint32 type, const std::vector<quint32> &params)
{
    Bytes r;
    r.u32(type).u32(quint32(8 + 4 * params.size()));
    for (quint32 p : params)
        r.u32(p);
    return r.data();
}

// CREATEFONTINDIRECT: a bold Arial of the given height.
QByteArray wmfFont(int height)
{
    const QByteArray face = QByteArray("Arial").leftJustified(32, '\0');
    Bytes r;
    for (int v : {height, 0, 0, 0, 700, 0, 0, 0, 0})
        r.u16(v);
    r.add(face);
    QByteArray record = wmfRecord(0x02FB, {});
    record += r.data();
    qToLittleEndian(quint32(record.size() / 2), record.data());
    return record;
}

// A 100 x 100 pixel enhanced metafile of the given records.
QByteArray enhancedMetafile(QByteArray records)
{
    records += emfRecord(14, {0, 16, 20});
    Bytes header;
    header.u32(1).u32(88);
    for (quint32 v : {0u, 0u, 99u, 99u, 0u, 0u, 2646u, 2646u, 0x464D4520u, 0x10000u})
        header.u32(v);
    header.u32(quint32(88 + records.size())).u32(7).u16(8).u16(0);
    for (quint32 v : {0u, 0u, 0u, 1000u, 1000u, 264u, 264u})
        header.u32(v);
    return header.add(records).data();
}

// Blue right half, and a region fill, not drawn.
QByteArray enhancedMetafile()
{
    QByteArray records;
    records += emfRecord(39, {1, 0, 0x00FF0000, 0}); // blue solid brush -> handle 1
    records += emfRecord(37, {1});
    records += emfRecord(37, {0x80000008u});      // the stock null pen
    records += emfRecord(43, {50, 0, 100, 100});  // rectangle (50,0)-(100,100)
    records += emfRecord(71, {0, 0, 1, 1, 0, 1}); // region fill: not drawn
    return enhancedMetafile(records);
}

// 16-bit points, two to a 32-bit parameter.
quint32 xy(int x, int y)
{
    return quint32(quint16(x)) | quint32(quint16(y)) << 16;
}

// A text as 16-bit units, two to a 32-bit parameter (even length).
std::vector<quint32> utf16Pairs(const QString &text)
{
    std::vector<quint32> pairs;
    for (qsizetype i = 0; i < text.size(); i += 2)
        pairs.push_back(text[i].unicode() | quint32(text[i + 1].unicode()) << 16);
    return pairs;
}

// EXTCREATEFONTINDIRECTW: a bold Arial of the given height into handle 3.
QByteArray emfFont(int height)
{
    std::vector<quint32> params{3, quint32(height), 0, 0, 0, 700, 0, 0};
    for (quint32 pair : utf16Pairs(u"Arial\0"_s))
        params.push_back(pair);
    params.resize(8 + 16, 0); // the whole face name
    return emfRecord(82, params);
}

QImage drawn(const TkavPicture &picture)
{
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.Draw(painter, QRectF(0, 0, 100, 100), clWhite, false, false, false);
    return image;
}

class Metafile : public TkavReportTest
{};

TEST_F(Metafile, RecordsAreDrawnAndTheRestIsNamed)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        TkavPictureFormat format;
        QPoint filled;
        QColor color;
        const char16_t *notDrawn;
    } cases[] = {
        {"placeable",
         placeableMetafile(),
         pfMetafile,
         {25, 50},
         Qt::red,
         u"(record kinds: 0x0419 (1))"},
        {"enhanced",
         enhancedMetafile(),
         pfEnhMetafile,
         {75, 50},
         Qt::blue,
         u"(record kinds: 71 (1))"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TkavPicture picture;
        ASSERT_TRUE(picture.LoadFromBytes(c.bytes));
        EXPECT_EQ(picture.Format(), c.format);
        EXPECT_EQ(picture.Width(), 100);
        EXPECT_EQ(picture.Height(), 100);
        EXPECT_TRUE(picture.NotDrawn().endsWith(QString::fromUtf16(c.notDrawn)))
            << qPrintable(picture.NotDrawn());
        const QImage image = drawn(picture);
        EXPECT_EQ(image.pixelColor(c.filled), c.color);
        EXPECT_EQ(image.pixelColor(100 - c.filled.x(), 50), QColor(Qt::white));
    }
}

// Pixels of the drawing: one that must take a colour, one that must stay white.
struct Probe
{
    QPoint Inside;
    QColor Color;
    QPoint Outside;
};

// The common records of both kinds, each drawn alone: lines and pens, polygons, shapes,
// hatched brushes and text.
TEST_F(Metafile, CommonRecordsDraw)
{
    const QColor green(0, 255, 0), red(255, 0, 0), blue(0, 0, 255);
    // WMF parameters are 16-bit words: a colour is two of them, low word first.
    const auto wmfSolidBrush = [](int low, int high) {
        return wmfRecord(0x02FC, {0, low, high, 0}) + wmfRecord(0x012D, {0});
    };
    const QByteArray wmfNullPen = wmfRecord(0x02FA, {5, 0, 0, 0, 0}) + wmfRecord(0x012D, {1});
    const auto wmfPen = [](int width, int low, int high) {
        return wmfRecord(0x02FA, {0, width, 0, low, high}) + wmfRecord(0x012D, {0});
    };
    const QByteArray emfNullPen = emfRecord(37, {0x80000008u});
    const auto emfSolidBrush = [](quint32 color) {
        return emfRecord(39, {1, 0, color, 0}) + emfRecord(37, {1});
    };
    const auto emfPen = [](quint32 width, quint32 color) {
        return emfRecord(38, {2, 0, width, 0, color}) + emfRecord(37, {2});
    };
    const struct
    {
        const char *name;
        QByteArray bytes;
        Probe probe;
    } cases[] = {
        {"wmf polygon",
         placeableMetafile(wmfSolidBrush(0xFF00, 0) + wmfNullPen
                           + wmfRecord(0x0324, {3, 10, 90, 50, 10, 90, 90})),
         {{50, 60}, green, {15, 15}}},
        {"wmf ellipse",
         placeableMetafile(wmfSolidBrush(0, 0xFF) + wmfNullPen
                           + wmfRecord(0x0418, {80, 80, 20, 20})),
         {{50, 50}, blue, {22, 22}}},
        {"wmf round rectangle",
         placeableMetafile(wmfSolidBrush(0xFF, 0) + wmfNullPen
                           + wmfRecord(0x061C, {40, 40, 90, 90, 10, 10})),
         {{50, 50}, red, {11, 11}}},
        {"wmf wide pen polyline",
         placeableMetafile(wmfPen(10, 0xFF, 0) + wmfRecord(0x0325, {2, 10, 50, 90, 50})),
         {{50, 53}, red, {50, 40}}},
        {"wmf move and line",
         placeableMetafile(wmfPen(6, 0, 0xFF) + wmfRecord(0x0214, {10, 50})
                           + wmfRecord(0x0213, {90, 50})),
         {{51, 50}, blue, {40, 50}}},
        {"emf polygon",
         enhancedMetafile(emfSolidBrush(0x00FF00) + emfNullPen
                          + emfRecord(86, {10, 10, 90, 90, 3, xy(10, 90), xy(50, 10), xy(90, 90)})),
         {{50, 60}, green, {15, 15}}},
        {"emf ellipse",
         enhancedMetafile(emfSolidBrush(0xFF0000) + emfNullPen
                          + emfRecord(42, {20, 20, 80, 80})),
         {{50, 50}, blue, {22, 22}}},
        {"emf wide pen polyline",
         enhancedMetafile(emfPen(10, 0x0000FF) + emfRecord(87, {10, 50, 90, 50, 2, xy(10, 50), xy(90, 50)})),
         {{50, 53}, red, {50, 40}}},
        {"emf move and line",
         enhancedMetafile(emfPen(6, 0xFF0000) + emfRecord(27, {50, 10})
                          + emfRecord(54, {50, 90})),
         {{51, 50}, blue, {40, 50}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TkavPicture picture;
        ASSERT_TRUE(picture.LoadFromBytes(c.bytes));
        EXPECT_EQ(picture.NotDrawn(), QString());
        const QImage image = drawn(picture);
        EXPECT_EQ(image.pixelColor(c.probe.Inside), c.probe.Color);
        EXPECT_EQ(image.pixelColor(c.probe.Outside), QColor(Qt::white));
    }
}

// Text in its font and colour, and hatched brushes, which leave the background between
// their lines.
TEST_F(Metafile, TextAndHatchesDraw)
{
    const auto colored = [](const QImage &image, const QRect &area, auto test) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += test(image.pixelColor(x, y)) ? 1 : 0;
        return n;
    };
    const auto reddish = [](const QColor &c) { return c.red() > 200 && c.green() < 90 && c.blue() < 90; };
    const auto black = [](const QColor &c) { return c.lightness() < 60; };
    const auto white = [](const QColor &c) { return c.lightness() > 240; };
    QByteArray emfText = emfFont(-40) + emfRecord(37, {3}) + emfRecord(24, {0x0000FF})
                         + emfRecord(18, {1});
    // EXTTEXTOUTW: bounds, graphics mode, scales, then the text record (reference point,
    // length, offset of the text from the record's start, options, clip, no spacing).
    std::vector<quint32> params{0, 0, 99, 99, 1, 0x3F800000u, 0x3F800000u, 10, 10, 2, 76, 0, 0, 0, 0, 0, 0};
    for (quint32 pair : utf16Pairs(u"WW"_s))
        params.push_back(pair);
    emfText += emfRecord(84, params);
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool text;
    } cases[] = {
        {"wmf text",
         placeableMetafile(wmfFont(-40) + wmfRecord(0x012D, {0}) + wmfRecord(0x0209, {0xFF, 0})
                           + wmfRecord(0x0102, {1})
                           + wmfRecord(0x0521, {2, 'W' | 'W' << 8, 10, 10})),
         true},
        {"emf text", enhancedMetafile(emfText), true},
        {"wmf horizontal hatch",
         placeableMetafile(wmfRecord(0x02FC, {2, 0, 0, 0}) + wmfRecord(0x012D, {0})
                           + wmfRecord(0x02FA, {5, 0, 0, 0, 0}) + wmfRecord(0x012D, {1})
                           + wmfRecord(0x041B, {100, 100, 0, 0})),
         false},
        {"emf horizontal hatch",
         enhancedMetafile(emfRecord(39, {1, 2, 0, 0}) + emfRecord(37, {1})
                          + emfRecord(37, {0x80000008u}) + emfRecord(43, {0, 0, 100, 100})),
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TkavPicture picture;
        ASSERT_TRUE(picture.LoadFromBytes(c.bytes));
        EXPECT_EQ(picture.NotDrawn(), QString());
        const QImage image = drawn(picture);
        if (c.text) {
            // Two 40-pixel letters from (10, 10): red strokes there, nothing further down.
            EXPECT_GT(colored(image, QRect(10, 10, 60, 40), reddish), 100);
            EXPECT_EQ(colored(image, QRect(0, 60, 100, 40), reddish), 0);
        } else {
            // A column crosses lines and gaps: both black and white pixels, each in runs.
            const QRect column(50, 20, 1, 60);
            EXPECT_GT(colored(image, column, black), 3);
            EXPECT_GT(colored(image, column, white), 20);
        }
    }
}

TEST_F(Metafile, DamagedBytesNeverCrash)
{
    for (const QByteArray &whole : {placeableMetafile(), enhancedMetafile()}) {
        for (qsizetype n = 0; n < whole.size(); ++n) {
            TkavPicture picture;
            if (picture.LoadFromBytes(whole.left(n)))
                drawn(picture); // drawn up to the damage
        }
        // Records claiming more than there is.
        QByteArray swollen = whole;
        swollen[swollen.size() / 2] = char(0x7F);
        TkavPicture picture;
        if (picture.LoadFromBytes(swollen))
            drawn(picture);
    }
}

// A metafile in a template loads and says in the load's errors what it cannot draw.
TEST_F(Metafile, WhatCannotBeDrawnIsAnErrorLineOfTheLoad)
{
    QByteArray data("\x09TMetafile");
    Bytes count;
    count.u32(quint32(enhancedMetafile().size()));
    data += count.data() + enhancedMetafile();
    QByteArray propData("\x04"
                        "Data"
                        "\x0A");
    Bytes size;
    size.u32(quint32(data.size()));
    propData += size.data() + data;
    TkavReport report;
    load(report,
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><TkavReport>"
         "<TkavReportPage Name=\"Page1\"><TkavPictureView Name=\"Pic\" Picture.PropData=\""
             + propData.toHex().toUpper() + "\"/></TkavReportPage></TkavReport>");
    ASSERT_EQ(report.Errors().Count(), 1);
    EXPECT_TRUE(report.Errors().Strings(0).startsWith(u"Pic: 1 of the 5 records"_s))
        << qPrintable(report.Errors().Strings(0));
    auto *view = dynamic_cast<TkavPictureView *>(report.FindObject(u"Pic"_s));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Picture().Format(), pfEnhMetafile);
    // Written back in the same form, byte for byte.
    const QByteArray once = save(report);
    EXPECT_TRUE(once.contains(propData.toHex().toUpper())) << once.constData();
    TkavReport again;
    load(again, once);
    EXPECT_EQ(save(again), once);
}

} // namespace
