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

// A 100 x 100 pixel placeable metafile (96 units per inch): red left half, and a flood
// fill, which is not drawn.
QByteArray placeableMetafile()
{
    QByteArray records;
    records += wmfRecord(0x02FC, {0, 0x00FF, 0x0000, 0}); // red solid brush -> slot 0
    records += wmfRecord(0x012D, {0});                    // select it
    records += wmfRecord(0x02FA, {5, 0, 0, 0, 0});        // null pen -> slot 1
    records += wmfRecord(0x012D, {1});
    records += wmfRecord(0x041B, {100, 50, 0, 0}); // rectangle (0,0)-(50,100)
    records += wmfRecord(0x0419, {0, 0, 10, 10});  // flood fill: not drawn
    records += wmfRecord(0x0000, {});
    Bytes file;
    file.u32(0x9AC6CDD7u).u16(0).u16(0).u16(0).u16(100).u16(100).u16(96).u32(0).u16(0);
    file.u16(1).u16(9).u16(0x0300).u32(quint32(9 + records.size() / 2)).u16(2).u32(8).u16(0);
    return file.add(records).data();
}

QByteArray emfRecord(quint32 type, std::initializer_list<quint32> params)
{
    Bytes r;
    r.u32(type).u32(quint32(8 + 4 * params.size()));
    for (quint32 p : params)
        r.u32(p);
    return r.data();
}

// A 100 x 100 pixel enhanced metafile: blue right half, and a region fill, not drawn.
QByteArray enhancedMetafile()
{
    QByteArray records;
    records += emfRecord(39, {1, 0, 0x00FF0000, 0}); // blue solid brush -> handle 1
    records += emfRecord(37, {1});
    records += emfRecord(37, {0x80000008u});      // the stock null pen
    records += emfRecord(43, {50, 0, 100, 100});  // rectangle (50,0)-(100,100)
    records += emfRecord(71, {0, 0, 1, 1, 0, 1}); // region fill: not drawn
    records += emfRecord(14, {0, 16, 20});
    Bytes header;
    header.u32(1).u32(88);
    for (quint32 v : {0u, 0u, 99u, 99u, 0u, 0u, 2646u, 2646u, 0x464D4520u, 0x10000u})
        header.u32(v);
    header.u32(quint32(88 + records.size())).u32(7).u16(2).u16(0);
    for (quint32 v : {0u, 0u, 0u, 1000u, 1000u, 264u, 264u})
        header.u32(v);
    return header.add(records).data();
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
}

} // namespace
