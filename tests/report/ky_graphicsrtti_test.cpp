// The graphics module from scripts and from C++: drawing on bitmaps and read-back of their
// pixels, text measuring, pictures and metafiles through files under the file policy, the
// size limits, and a canvas drawing through a painter it is given.

#include "../script/kyScriptTestSupport.h"
#include "kavTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <script/ky_script.h>
#include <scriptlib/kavScriptLibrary.h>
#include <scriptlib/ky_graphicsrtti.h>

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Little-endian writers for the file headers the tests make.
void put32(QByteArray &data, qsizetype at, quint32 value)
{
    qToLittleEndian(value, reinterpret_cast<uchar *>(data.data()) + at);
}
void put16(QByteArray &data, qsizetype at, quint16 value)
{
    qToLittleEndian(value, reinterpret_cast<uchar *>(data.data()) + at);
}

// An enhanced metafile: its header record (frame in 0.01 mm) and the end record.
QByteArray emfBytes(qint32 frameRight, qint32 frameBottom)
{
    QByteArray data(108 + 20, '\0');
    put32(data, 0, 1);   // EMR_HEADER
    put32(data, 4, 108); // record size
    put32(data, 32, quint32(frameRight));
    put32(data, 36, quint32(frameBottom));
    put32(data, 40, 0x464D4520); // " EMF"
    put32(data, 44, 0x10000);
    put32(data, 48, quint32(data.size()));
    put32(data, 52, 2);   // records
    put32(data, 108, 14); // EMR_EOF
    put32(data, 112, 20);
    data[120] = char(0xAB); // a byte that must survive the round trip
    return data;
}

// A placeable Windows metafile: box in logical units at `inch` units per inch.
QByteArray placeableWmfBytes(qint16 right, qint16 bottom, quint16 inch)
{
    QByteArray data(22 + 18 + 6, '\0');
    put32(data, 0, 0x9AC6CDD7);
    put16(data, 10, quint16(right));
    put16(data, 12, quint16(bottom));
    put16(data, 14, inch);
    put16(data, 22, 1);     // memory metafile
    put16(data, 24, 9);     // header words
    put16(data, 26, 0x300); // version
    return data;
}

// A BMP header claiming width x height pixels, without the pixels.
QByteArray bmpHeaderBytes(qint32 width, qint32 height)
{
    QByteArray data(54, '\0');
    data[0] = 'B';
    data[1] = 'M';
    put32(data, 2, 54);
    put32(data, 10, 54);
    put32(data, 14, 40);
    put32(data, 18, quint32(width));
    put32(data, 22, quint32(height));
    put16(data, 26, 1);
    put16(data, 28, 24);
    return data;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(data), data.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class GraphicsScripts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kyEnsureBuiltinLanguages();
        kavRegisterScriptLibrary();
        script.AddRTTI();
        ASSERT_TRUE(dir.isValid());
    }

    // Runs source in a fresh scope: the messages shown, then "compile error at POS: ..." or
    // "runtime error: ...", joined by blanks. Dir names the test's temporary folder.
    std::string run(const QString &language, const QString &source)
    {
        shown.clear();
        script.Clear();
        script.AddVariable(u"Dir"_s, u"String"_s, dir.path());
        if (!outsidePath.isEmpty())
            script.AddVariable(u"Outside"_s, u"String"_s, outsidePath);
        return kyRunOutcome(script, shown, language, source).toStdString();
    }

    void runTable(const QString &language, const std::vector<KyScriptCase> &cases)
    {
        for (const KyScriptCase &c : cases)
            EXPECT_EQ(run(language, QString::fromUtf16(c.source)), c.expected) << c.name;
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QString outsidePath; // a folder outside the allowed ones, when a test sets one
    KyShownMessages messages;
    QStringList &shown = messages.lines;
    TkyScript script;
};

// Colours as scripts show them: clRed 255, clBlue 16711680, clLime 65280, clWhite
// 16777215, clBlack 0, clAqua 16776960, clNone 536870911.
TEST_F(GraphicsScripts, DrawingOnBitmaps)
{
    runTable(u"PascalScript"_s,
             {
                 {"a new bitmap is empty; growing paints white",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create;
  ShowMessage(B.Width); ShowMessage(B.Height);
  B.Width := 30; B.Height := 20;
  ShowMessage(B.Width); ShowMessage(B.Height);
  ShowMessage(B.Canvas.Pixels[0, 0]); ShowMessage(B.Canvas.Pixels[29, 19]);
  B.Free;
end.)",
                  "0 0 30 20 16777215 16777215"},
                 {"rectangle: brush inside, pen on the edge, right and bottom exclusive",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 30; B.Height := 30;
  B.Canvas.Brush.Color := clRed; B.Canvas.Pen.Color := clBlue;
  B.Canvas.Rectangle(10, 10, 20, 20);
  ShowMessage(B.Canvas.Pixels[15, 15]); ShowMessage(B.Canvas.Pixels[10, 15]);
  ShowMessage(B.Canvas.Pixels[19, 19]); ShowMessage(B.Canvas.Pixels[20, 20]);
  ShowMessage(B.Canvas.Pixels[9, 9]);
end.)",
                  "255 16711680 16711680 16777215 16777215"},
                 {"without a pen the fill covers the whole box",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 10; B.Height := 10;
  B.Canvas.Pen.Style := psClear; B.Canvas.Brush.Color := clLime;
  B.Canvas.Rectangle(0, 0, 5, 5);
  ShowMessage(B.Canvas.Pixels[0, 0]); ShowMessage(B.Canvas.Pixels[4, 4]);
  ShowMessage(B.Canvas.Pixels[5, 5]);
end.)",
                  "65280 65280 16777215"},
                 {"a clear brush leaves the inside alone",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 10; B.Height := 10;
  B.Canvas.Brush.Style := bsClear; B.Canvas.Brush.Color := clRed;
  B.Canvas.Rectangle(0, 0, 10, 10);
  ShowMessage(B.Canvas.Pixels[5, 5]); ShowMessage(B.Canvas.Pixels[0, 5]);
end.)",
                  "16777215 0"},
                 {"lines in the pen's colour and width",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 40; B.Height := 40;
  B.Canvas.Pen.Color := clBlue;
  B.Canvas.MoveTo(0, 5); B.Canvas.LineTo(30, 5);
  ShowMessage(B.Canvas.Pixels[15, 5]); ShowMessage(B.Canvas.Pixels[15, 6]);
  B.Canvas.Pen.Width := 5; B.Canvas.Pen.Color := clRed;
  B.Canvas.MoveTo(20, 0); B.Canvas.LineTo(20, 39);
  ShowMessage(B.Canvas.Pixels[21, 30]); ShowMessage(B.Canvas.Pixels[26, 30]);
  B.Canvas.LineTo(0, 39);
  ShowMessage(B.Canvas.Pixels[10, 39]);
end.)",
                  "16711680 16777215 255 16777215 255"},
                 {"ellipse and rounded rectangle leave their corners",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 40; B.Height := 40;
  B.Canvas.Brush.Color := clLime; B.Canvas.Pen.Style := psClear;
  B.Canvas.Ellipse(0, 0, 40, 40);
  ShowMessage(B.Canvas.Pixels[20, 20]); ShowMessage(B.Canvas.Pixels[1, 1]);
  B.Canvas.Brush.Color := clRed;
  B.Canvas.RoundRect(0, 0, 40, 40, 20, 20);
  ShowMessage(B.Canvas.Pixels[20, 1]); ShowMessage(B.Canvas.Pixels[1, 1]);
end.)",
                  "65280 16777215 255 16777215"},
                 {"pixels: written and read; outside reads clNone and writes are ignored",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 5; B.Height := 5;
  B.Canvas.Pixels[2, 3] := clAqua;
  ShowMessage(B.Canvas.Pixels[2, 3]);
  B.Canvas.Pixels[7, 1] := clRed; B.Canvas.Pixels[-1, 0] := clRed;
  ShowMessage(B.Canvas.Pixels[7, 1]); ShowMessage(B.Canvas.Pixels[-1, 0]);
  ShowMessage(B.Canvas.Pixels[4, 1]);
end.)",
                  "16776960 536870911 536870911 16777215"},
                 {"resizing keeps the pixels that still fit; negative sizes are 0",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 10; B.Height := 10;
  B.Canvas.Pixels[2, 2] := clRed; B.Canvas.Pixels[8, 8] := clRed;
  B.Width := 50; B.Height := 5;
  ShowMessage(B.Canvas.Pixels[2, 2]); ShowMessage(B.Canvas.Pixels[45, 2]);
  ShowMessage(B.Canvas.Pixels[8, 8]);
  B.Width := -5;
  ShowMessage(B.Width); ShowMessage(B.Height); ShowMessage(B.Canvas.Pixels[0, 0]);
end.)",
                  "255 16777215 536870911 0 5 536870911"},
                 {"xor pen mode inverts against white",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 10; B.Height := 10;
  B.Canvas.Pen.Color := clRed; B.Canvas.Pen.Mode := pmXor;
  B.Canvas.MoveTo(0, 4); B.Canvas.LineTo(9, 4);
  ShowMessage(B.Canvas.Pixels[5, 4]);
  B.Canvas.MoveTo(0, 4); B.Canvas.LineTo(9, 4);
  ShowMessage(B.Canvas.Pixels[5, 4]);
end.)",
                  "16776960 16777215"},
                 {"draw and stretch-draw another bitmap; nil draws nothing",
                  uR"(var B, Red: TBitmap;
begin
  B := TBitmap.Create; B.Width := 40; B.Height := 40;
  Red := TBitmap.Create; Red.Width := 4; Red.Height := 4;
  Red.Canvas.Brush.Color := clRed; Red.Canvas.Pen.Style := psClear;
  Red.Canvas.Rectangle(0, 0, 4, 4);
  B.Canvas.Draw(5, 5, Red);
  ShowMessage(B.Canvas.Pixels[5, 5]); ShowMessage(B.Canvas.Pixels[8, 8]);
  ShowMessage(B.Canvas.Pixels[9, 9]);
  B.Canvas.StretchDraw(20, 20, 40, 40, Red);
  ShowMessage(B.Canvas.Pixels[39, 39]); ShowMessage(B.Canvas.Pixels[19, 19]);
  B.Canvas.Draw(0, 0, nil);
  ShowMessage(B.Canvas.Pixels[0, 0]);
end.)",
                  "255 255 16777215 255 16777215 16777215"},
                 {"text: wider for longer text, taller for a larger font, drawn in its colour",
                  uR"(var B: TBitmap; W1, W2, H1, I, J, Dark: Integer;
begin
  B := TBitmap.Create; B.Width := 200; B.Height := 60;
  W1 := B.Canvas.TextWidth('ab'); W2 := B.Canvas.TextWidth('abcdef');
  ShowMessage(W1 > 0); ShowMessage(W2 > W1);
  ShowMessage(B.Canvas.TextWidth(''));
  H1 := B.Canvas.TextHeight('X');
  B.Canvas.Font.Size := 30;
  ShowMessage(B.Canvas.TextHeight('X') > H1);
  B.Canvas.Font.Size := 10; B.Canvas.Font.Color := clBlack;
  B.Canvas.Brush.Style := bsClear;
  B.Canvas.TextOut(10, 10, 'WWW');
  Dark := 0;
  for I := 0 to 199 do
    for J := 0 to 59 do
      if B.Canvas.Pixels[I, J] <> clWhite then
        if (I >= 10) and (I < 10 + B.Canvas.TextWidth('WWW')) and (J >= 10)
           and (J < 10 + B.Canvas.TextHeight('WWW')) then Dark := Dark + 1
        else Dark := Dark - 1000;
  ShowMessage(Dark > 0);
end.)",
                  "True True 0 True True"},
                 {"a solid brush paints behind text",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 100; B.Height := 40;
  B.Canvas.Brush.Color := clLime;
  B.Canvas.TextOut(0, 0, '.');
  ShowMessage(B.Canvas.Pixels[0, 0]);
  ShowMessage(B.Canvas.Pixels[0, B.Canvas.TextHeight('.') + 1]);
end.)",
                  "65280 16777215"},
             });
}

TEST_F(GraphicsScripts, FontsPensBrushesAndCanvases)
{
    runTable(u"PascalScript"_s,
             {
                 {"created, assigned to a canvas and freed",
                  uR"(var P: TPen; Br: TBrush; F: TFont; B: TBitmap;
begin
  P := TPen.Create; P.Color := clRed; P.Width := 3; P.Style := psDot; P.Mode := pmXor;
  Br := TBrush.Create; Br.Color := clBlue; Br.Style := bsCross;
  F := TFont.Create; F.Name := 'Courier'; F.Size := 12;
  B := TBitmap.Create;
  B.Canvas.Pen := P; B.Canvas.Brush.Assign(Br); B.Canvas.Font := F;
  ShowMessage(B.Canvas.Pen.Color); ShowMessage(B.Canvas.Pen.Width);
  ShowMessage(B.Canvas.Pen.Style = psDot); ShowMessage(B.Canvas.Pen.Mode = pmXor);
  ShowMessage(B.Canvas.Brush.Color); ShowMessage(B.Canvas.Brush.Style = bsCross);
  ShowMessage(B.Canvas.Font.Name); ShowMessage(B.Canvas.Font.Size);
  P.Free; Br.Free; F.Free; B.Free;
end.)",
                  "255 3 True True 16711680 True Courier 12"},
                 {"defaults: black pen of one pixel, white solid brush",
                  uR"(var C: TCanvas;
begin
  C := TCanvas.Create;
  ShowMessage(C.Pen.Color); ShowMessage(C.Pen.Width); ShowMessage(C.Pen.Mode = pmCopy);
  ShowMessage(C.Brush.Color); ShowMessage(C.Brush.Style = bsSolid);
  C.Pen.Width := -4; ShowMessage(C.Pen.Width);
  C.Free;
end.)",
                  "0 1 True 16777215 True 0"},
                 {"a canvas without a surface draws nothing but measures",
                  uR"(var C: TCanvas;
begin
  C := TCanvas.Create;
  C.Rectangle(0, 0, 10, 10); C.TextOut(0, 0, 'x');
  ShowMessage(C.Pixels[1, 1]); ShowMessage(C.TextWidth('abc') > 0);
  C.Free;
end.)",
                  "536870911 True"},
                 {"enumerations and the font style set",
                  uR"(var F: TFont;
begin
  ShowMessage(psInsideFrame); ShowMessage(pmNotXor); ShowMessage(bsDiagCross);
  ShowMessage(fpFixed); ShowMessage(fsStrikeout);
  F := TFont.Create; F.Style := fsBold + fsUnderline; ShowMessage(F.Style);
end.)",
                  "6 15 7 2 8 5"},
                 {"a bitmap's canvas belongs to the bitmap",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 2; B.Height := 2;
  ShowMessage(B.Canvas.ClassName);
  B.Canvas.Free;
end.)",
                  "TCanvas runtime error: Cannot free this object"},
                 {"the abstract graphic cannot be created",
                  uR"(var G: TGraphic;
begin
  G := TGraphic.Create;
end.)",
                  "runtime error: Cannot create an instance of TGraphic"},
                 {"a metafile canvas records nothing",
                  uR"(var M: TMetafile; C: TMetafileCanvas;
begin
  M := TMetafile.Create;
  C := TMetafileCanvas.Create(M, 0);
  C.Rectangle(0, 0, 5, 5);
  ShowMessage(C.ClassName); ShowMessage(M.Width); ShowMessage(C.TextHeight('A') > 0);
  C.Free; M.Free;
end.)",
                  "TMetafileCanvas 0 True"},
             });
}

TEST_F(GraphicsScripts, OversizedBitmapsAreRefused)
{
    // Each side allowed, the area not: refused from the header, before decoding.
    writeFile(path(u"huge.bmp"_s), bmpHeaderBytes(16000, 16000));
    const std::string tooLarge = " is too large (at most 16384 pixels a side and 256 MB)";
    // The messages name the requested size; the bitmap keeps its previous content.
    EXPECT_EQ(run(u"PascalScript"_s, uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Height := 2; B.Width := 16385;
end.)"_s),
              "runtime error: Bitmap size 16385 x 2" + tooLarge);
    EXPECT_EQ(run(u"PascalScript"_s, uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 16384; ShowMessage(B.Width); B.Height := 16384;
end.)"_s),
              "16384 runtime error: Bitmap size 16384 x 16384" + tooLarge);
    EXPECT_EQ(run(u"PascalScript"_s, uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 3; B.Height := 3;
  try
    B.LoadFromFile(Dir + '/huge.bmp');
  except
    ShowMessage(B.Width);
  end;
end.)"_s),
              "3");
    EXPECT_THAT(run(u"PascalScript"_s, uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.LoadFromFile(Dir + '/huge.bmp');
end.)"_s),
                ::testing::EndsWith("Bitmap size 16000 x 16000" + tooLarge));
}

TEST_F(GraphicsScripts, PicturesThroughFiles)
{
    runTable(u"PascalScript"_s,
             {
                 {"PNG, JPEG and BMP keep their size; PNG and BMP their pixels",
                  uR"(var B: TBitmap; P: TPicture; Ext: String; I: Integer;
begin
  B := TBitmap.Create; B.Width := 21; B.Height := 13;
  B.Canvas.Pixels[3, 4] := clRed;
  P := TPicture.Create;
  for I := 0 to 2 do
  begin
    if I = 0 then Ext := '.png' else if I = 1 then Ext := '.jpg' else Ext := '.bmp';
    B.SaveToFile(Dir + '/pic' + Ext);
    P.LoadFromFile(Dir + '/pic' + Ext);
    ShowMessage(P.Width); ShowMessage(P.Height);
    if I <> 1 then ShowMessage(TBitmap(P.Graphic).Canvas.Pixels[3, 4]);
  end;
end.)",
                  "21 13 255 21 13 21 13 255"},
                 {"an unknown extension is written as BMP and read back by content",
                  uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.Width := 4; B.Height := 6;
  B.SaveToFile(Dir + '/pic.dat');
  B.Free; B := TBitmap.Create;
  B.LoadFromFile(Dir + '/pic.dat');
  ShowMessage(B.Width); ShowMessage(B.Height);
end.)",
                  "4 6"},
             });
}

// PNG and JPEG images save in their own format whatever the file is called, and draw like
// bitmaps.
TEST_F(GraphicsScripts, PngAndJpegImages)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(var P: TPngImage; J: TJPEGImage; G: TPicture;
begin
  P := TPngImage.Create; P.Width := 5; P.Height := 3;
  P.Canvas.Pixels[1, 1] := clRed;
  P.SaveToFile(Dir + '/p.img');
  J := TJPEGImage.Create; J.LoadFromFile(Dir + '/p.img');
  J.SaveToFile(Dir + '/j.img');
  G := TPicture.Create; G.LoadFromFile(Dir + '/j.img');
  ShowMessage(G.Width); ShowMessage(G.Height); ShowMessage(P is TGraphic);
end.)"_s),
              "5 3 True");
    EXPECT_TRUE(readFile(path(u"p.img"_s)).startsWith("\x89PNG"));
    EXPECT_TRUE(readFile(path(u"j.img"_s)).startsWith("\xFF\xD8"));
}

// Failures name the file they concern.
TEST_F(GraphicsScripts, FileErrorsNameTheFile)
{
    const std::string d = dir.path().toStdString();
    EXPECT_EQ(run(u"PascalScript"_s, uR"(var B: TBitmap;
begin
  B := TBitmap.Create; B.SaveToFile(Dir + '/empty.png');
end.)"_s),
              "runtime error: Cannot save an empty bitmap to \"" + d + "/empty.png\"");
    EXPECT_EQ(run(u"PascalScript"_s, uR"(var P: TPicture;
begin
  P := TPicture.Create; P.LoadFromFile(Dir + '/missing.png');
end.)"_s),
              "runtime error: Cannot open file \"" + d
                  + "/missing.png\". No such file or directory");
    writeFile(path(u"text.png"_s), "this is not a picture");
    EXPECT_THAT(run(u"PascalScript"_s, uR"(var P: TPicture;
begin
  P := TPicture.Create; P.LoadFromFile(Dir + '/text.png');
end.)"_s),
                ::testing::StartsWith("runtime error: Cannot read the picture in file \"" + d
                                      + "/text.png\""));
    EXPECT_FALSE(QFile::exists(path(u"empty.png"_s)));
}

TEST_F(GraphicsScripts, MetafilesKeepTheirBytes)
{
    const QByteArray emf = emfBytes(2540, 1270);               // 1 x 0.5 inch: 96 x 48 pixels
    const QByteArray wmf = placeableWmfBytes(2880, 720, 1440); // 2 x 0.5 inch
    writeFile(path(u"in.emf"_s), emf);
    writeFile(path(u"in.wmf"_s), wmf);
    writeFile(path(u"bad.emf"_s), "not a metafile at all, just some text");
    EXPECT_EQ(run(u"PascalScript"_s, uR"(var M: TMetafile; P: TPicture; B: TBitmap;
begin
  M := TMetafile.Create;
  M.LoadFromFile(Dir + '/in.emf');
  ShowMessage(M.Width); ShowMessage(M.Height);
  M.SaveToFile(Dir + '/out.emf');
  P := TPicture.Create;
  P.LoadFromFile(Dir + '/in.wmf');
  ShowMessage(P.Width); ShowMessage(P.Height); ShowMessage(P.Graphic.ClassName);
  P.SaveToFile(Dir + '/out.wmf');
  B := TBitmap.Create; B.Width := 10; B.Height := 10;
  B.Canvas.Draw(0, 0, M);
  ShowMessage(B.Canvas.Pixels[5, 5]);
  M.LoadFromFile(Dir + '/bad.emf');
end.)"_s),
              "96 48 192 48 TMetafile 16777215 runtime error: File \"" + dir.path().toStdString()
                  + "/bad.emf\" is not a metafile");
    EXPECT_EQ(readFile(path(u"out.emf"_s)), emf);
    EXPECT_EQ(readFile(path(u"out.wmf"_s)), wmf);
}

TEST_F(GraphicsScripts, FileKavFilePolicyGuardsLoadingAndSaving)
{
    KavFilePolicyGuard guard;
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    writeFile(outside.filePath(u"in.emf"_s), emfBytes(2540, 2540));
    kavFilePolicy().SetRestricted({dir.path()});
    outsidePath = outside.path();
    const std::string out = outside.path().toStdString();
    const std::string refused = " is not allowed: it lies outside the folders this run may use";
    const struct
    {
        const char *name;
        const char16_t *statement;
        std::string expected;
    } cases[] = {
        {"bitmap saved inside", u"B.SaveToFile(Dir + '/ok.png'); ShowMessage('saved');", "saved"},
        {"bitmap saved outside",
         u"B.SaveToFile(Outside + '/no.png');",
         "runtime error: Writing the file \"" + out + "/no.png\"" + refused},
        {"picture saved outside",
         u"P.LoadFromFile(Dir + '/ok.png'); P.SaveToFile(Outside + '/no.bmp');",
         "runtime error: Writing the file \"" + out + "/no.bmp\"" + refused},
        {"empty picture saved outside: the policy speaks first",
         u"P.SaveToFile(Outside + '/no.bmp');",
         "runtime error: Writing the file \"" + out + "/no.bmp\"" + refused},
        {"metafile read outside",
         u"M.LoadFromFile(Outside + '/in.emf');",
         "runtime error: Reading the file \"" + out + "/in.emf\"" + refused},
        {"picture read outside",
         u"P.LoadFromFile(Outside + '/in.emf');",
         "runtime error: Reading the file \"" + out + "/in.emf\"" + refused},
    };
    for (const auto &c : cases) {
        const QString source = u"var B: TBitmap; P: TPicture; M: TMetafile;\nbegin\n"
                               u"  B := TBitmap.Create; B.Width := 2; B.Height := 2;\n"
                               u"  P := TPicture.Create; M := TMetafile.Create;\n  "_s
                               + QString::fromUtf16(c.statement) + u"\nend."_s;
        EXPECT_EQ(run(u"PascalScript"_s, source), c.expected) << c.name;
    }
    EXPECT_FALSE(QFile::exists(outside.filePath(u"no.png"_s)));
    EXPECT_FALSE(QFile::exists(outside.filePath(u"no.bmp"_s)));
}

TEST_F(GraphicsScripts, OtherLanguages)
{
    EXPECT_EQ(run(u"JScript"_s, uR"(
var B = new TBitmap;
B.Width = 20; B.Height = 10;
B.Canvas.Brush.Color = clRed; B.Canvas.Pen.Color = clBlue;
B.Canvas.Rectangle(2, 2, 8, 8);
ShowMessage(B.Canvas.Pixels[4, 4]); ShowMessage(B.Canvas.Pixels[2, 2]);
ShowMessage(B.Canvas.Pixels[9, 9]);
B.Canvas.MoveTo(0, 9); B.Canvas.LineTo(19, 9);
ShowMessage(B.Canvas.Pixels[15, 9]);
ShowMessage(B.Canvas.TextWidth("abcd") > B.Canvas.TextWidth("ab"));
B.SaveToFile(Dir + "/js.png");
var P = new TPicture;
P.LoadFromFile(Dir + "/js.png");
ShowMessage(P.Width); ShowMessage(P.Height);
B.Free(); P.Free();
)"_s),
              "255 16711680 16777215 16711680 True 20 10");
    EXPECT_EQ(run(u"C++Script"_s, uR"(
TBitmap B = new TBitmap;
TPicture P = new TPicture;
{
  B.Width = 12; B.Height = 7;
  B.Canvas.Pen.Style = psClear; B.Canvas.Brush.Color = clLime;
  B.Canvas.Ellipse(0, 0, 12, 7);
  B.Canvas.Pixels[0, 0] = clAqua;
  ShowMessage(B.Canvas.Pixels[6, 3]); ShowMessage(B.Canvas.Pixels[0, 0]);
  B.SaveToFile(Dir + "/cpp.bmp");
  P.LoadFromFile(Dir + "/cpp.bmp");
  ShowMessage(P.Width); ShowMessage(P.Height);
  delete B; delete P;
})"_s),
              "65280 16776960 12 7");
    EXPECT_EQ(
        run(u"BasicScript"_s,
            u"Dim B As TBitmap\r\nSet B = New TBitmap\r\nB.Width = 9\r\nB.Height = 9\r\n"
            u"B.Canvas.Pen.Color = clRed\r\nB.Canvas.Brush.Style = bsClear\r\n"
            u"B.Canvas.Ellipse(0, 0, 9, 9)\r\nShowMessage(B.Canvas.Pixels[4, 4])\r\n"
            u"ShowMessage(B.Canvas.Pixels[4, 0])\r\nB.SaveToFile(Dir + \"/basic.png\")\r\n"
            u"B.LoadFromFile(Dir + \"/basic.png\")\r\nShowMessage(B.Canvas.Pixels[0, 4])\r\n"_s),
        "16777215 255 255");
}

TEST(GraphicsModule, RegistersTheClassesWithTheirAncestors)
{
    kyEnsureBuiltinLanguages();
    kavRegisterScriptLibrary();
    TkyScript script;
    script.AddRTTI();
    kyExpectAncestors(script,
                      {
                          {u"TFont", u"TPersistent"},
                          {u"TPen", u"TPersistent"},
                          {u"TBrush", u"TPersistent"},
                          {u"TCanvas", u"TPersistent"},
                          {u"TGraphic", u"TPersistent"},
                          {u"TPicture", u"TPersistent"},
                          {u"TMetafile", u"TGraphic"},
                          {u"TMetafileCanvas", u"TCanvas"},
                          {u"TBitmap", u"TGraphic"},
                          {u"TJPEGImage", u"TGraphic"},
                          {u"TPngImage", u"TGraphic"},
                      });
    // Members inherited along the chain.
    const TkyClassVariable *bitmap = script.FindClass(u"TBitmap");
    ASSERT_NE(bitmap, nullptr);
    for (const char16_t *member : {u"Canvas", u"Width", u"Height", u"LoadFromFile", u"SaveToFile"})
        EXPECT_NE(bitmap->Find(QStringView(member)), nullptr)
            << QString::fromUtf16(member).toStdString();
}

// A canvas drawing through a painter it is given, as a form's paint event does.
TEST(GraphicsCanvas, DrawsThroughAnAttachedPainter)
{
    QImage image(60, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    TkyCanvas canvas;
    {
        QPainter painter(&image);
        painter.translate(5, 3);
        const QPen callerPen(Qt::green, 7);
        painter.setPen(callerPen);
        canvas.SetPainter(&painter);
        EXPECT_EQ(canvas.Painter(), &painter);
        canvas.Brush().SetColor(clRed);
        canvas.Pen().SetColor(clBlue);
        canvas.Rectangle(10, 10, 20, 20);
        canvas.MoveTo(0, 30);
        canvas.LineTo(40, 30);
        canvas.SetPixels(50, 0, clLime);
        // Read through the painter's transform from the image being painted.
        EXPECT_EQ(canvas.Pixels(15, 15), clRed);
        EXPECT_EQ(canvas.Pixels(10, 10), clBlue);
        EXPECT_EQ(canvas.Pixels(100, 100), clNone);
        EXPECT_EQ(canvas.PenPosX(), 40);
        EXPECT_EQ(painter.pen(), callerPen); // the caller's state survives
        canvas.SetPainter(nullptr);
    }
    const struct
    {
        const char *name;
        int x, y;
        QColor expected;
    } probes[] = {
        {"inside the rectangle", 20, 18, Qt::red},
        {"its outline", 15, 13, Qt::blue},
        {"its last column", 24, 18, Qt::blue},
        {"right of it", 25, 18, Qt::white},
        {"above it", 20, 12, Qt::white},
        {"on the line", 25, 33, Qt::blue},
        {"under the line", 25, 34, Qt::white},
        {"the pixel", 55, 3, Qt::green},
        {"the untouched corner", 0, 0, Qt::white},
    };
    for (const auto &p : probes)
        EXPECT_EQ(image.pixelColor(p.x, p.y), p.expected) << p.name;

    // Detached: drawing does nothing, measuring still works and text still moves the pen
    // position to its end.
    const QImage before = image;
    canvas.Rectangle(0, 0, 60, 40);
    canvas.TextOut(3, 4, u"abc"_s);
    EXPECT_EQ(canvas.PenPosX(), 3 + canvas.TextWidth(u"abc"_s));
    EXPECT_EQ(canvas.PenPosY(), 4);
    EXPECT_EQ(image, before);
    EXPECT_EQ(canvas.Pixels(1, 1), clNone);
    EXPECT_GT(canvas.TextWidth(u"Kavrel"_s), canvas.TextWidth(u"K"_s));
}

TEST(GraphicsCanvas, BitmapCopiesAndPictures)
{
    TkyBitmap bitmap;
    bitmap.SetSize(8, 8);
    bitmap.Canvas().Pen().SetStyle(psClear);
    bitmap.Canvas().Brush().SetColor(clNavy);
    bitmap.Canvas().Rectangle(0, 0, 4, 4);
    // Drawing a bitmap onto its own canvas reads the picture as it was.
    bitmap.Canvas().Draw(4, 4, &bitmap);
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), clNavy);
    EXPECT_EQ(bitmap.Canvas().Pixels(7, 7), clNavy);
    EXPECT_EQ(bitmap.Canvas().Pixels(7, 0), clWhite);

    TkyPicture picture;
    picture.Assign(bitmap);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 8);
    TkyBitmap copy;
    copy.Assign(picture);
    EXPECT_EQ(copy.Image(), bitmap.Image());
    EXPECT_THROW(copy.SetSize(kyMaxBitmapSide + 1, 1), EkavError);
    EXPECT_EQ(copy.Width(), 8);

    TkyMetafile metafile;
    EXPECT_FALSE(metafile.SetData("plain text that is no metafile"));
    EXPECT_TRUE(metafile.Empty());
    EXPECT_TRUE(metafile.SetData(emfBytes(-100, 2540)));
    EXPECT_EQ(metafile.Width(), 0); // a reversed frame gives no size
    EXPECT_EQ(metafile.Height(), 96);
}

} // namespace
