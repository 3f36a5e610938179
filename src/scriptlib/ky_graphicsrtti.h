#pragma once

// The script library's graphics module: pens, brushes, canvases, bitmaps, metafiles and
// pictures as scripts use them (registered by kyRegisterGraphicsModule). A canvas draws
// through a QPainter it is given (a form's paint event) or one its bitmap opens per call.

#include <report/kavFrames.h> // TBrushStyle

#include <rtl/kavColors.h>
#include <rtl/kavFont.h>
#include <rtl/kavObject.h>

#include <QByteArray>
#include <QString>

#include <memory>

class QColor;
class QImage;
class QPainter;
class QRect;
class TkavEnumInfo;

// ORDER: the ordinals scripts see.
enum TPenStyle : int {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame,
    psUserStyle,
    psAlternate
};

// ORDER: the ordinals scripts see. The raster operation of the pen with what is already
// drawn.
enum TPenMode : int {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

const TkavEnumInfo &kavEnumTypeInfo(TPenStyle);
const TkavEnumInfo &kavEnumTypeInfo(TPenMode);

// The largest bitmap a script may make or load: each side at most kyMaxBitmapSide pixels
// and the image at most kyMaxBitmapBytes bytes (4 bytes a pixel). Larger requests raise
// EkavError instead of allocating.
inline constexpr int kyMaxBitmapSide = 16384;
inline constexpr qint64 kyMaxBitmapBytes = qint64(256) * 1024 * 1024;


// The pen lines and outlines are drawn with: black, 1 pixel, solid, copy mode.
class TkyPen : public TPersistent
{
public:
    KAV_CLASSINFO

    void Assign(const TPersistent &source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    // Negative widths are taken as 0; 0 and 1 both draw one pixel.
    int Width() const { return FWidth; }
    void SetWidth(int value) { FWidth = value < 0 ? 0 : value; }
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value) { FStyle = value; }
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode value) { FMode = value; }

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

// The brush shapes are filled with: white, solid.
class TkyBrush : public TPersistent
{
public:
    KAV_CLASSINFO

    void Assign(const TPersistent &source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value) { FStyle = value; }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

class TkyGraphic;

// A drawing surface with a font, pen, brush and pen position. Coordinates are pixels;
// right and bottom edges of rectangles are exclusive. Drawing without a painter (and
// without a bitmap behind the canvas) does nothing; measuring without one uses a 96 dpi
// device.
class TkyCanvas : public TPersistent
{
public:
    KAV_CLASSINFO

    TkyCanvas();
    ~TkyCanvas() override;

    TFont &Font() { return FFont; }
    const TFont &Font() const { return FFont; }
    TkyPen &Pen() { return FPen; }
    const TkyPen &Pen() const { return FPen; }
    TkyBrush &Brush() { return FBrush; }
    const TkyBrush &Brush() const { return FBrush; }

    // The painter drawing calls go to (not owned; nullptr detaches). Each call saves and
    // restores the painter's state, so the caller's settings survive.
    void SetPainter(QPainter *painter) { FPainter = painter; }
    QPainter *Painter() const { return FPainter; }

    int PenPosX() const { return FPenX; }
    int PenPosY() const { return FPenY; }

    void MoveTo(int x, int y);
    // A line from the pen position to (x, y) with the pen, which then moves there.
    void LineTo(int x, int y);
    // Filled with the brush, outlined with the pen, covering [x1, x2) x [y1, y2).
    void Rectangle(int x1, int y1, int x2, int y2);
    void Ellipse(int x1, int y1, int x2, int y2);
    // Corners rounded by ellipses x3 wide and y3 high.
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    // The text with its top left corner at (x, y) in the font (on the brush colour when
    // the brush is solid); the pen position moves to its end.
    void TextOut(int x, int y, const QString &text);
    int TextWidth(const QString &text) const;
    int TextHeight(const QString &text) const;
    // The graphic at its own size with its top left at (x, y); nil draws nothing.
    void Draw(int x, int y, const TkyGraphic *graphic);
    // The graphic scaled into [x1, x2) x [y1, y2); nil draws nothing.
    void StretchDraw(int x1, int y1, int x2, int y2, const TkyGraphic *graphic);
    // The pixel's colour; clNone outside the surface or when it cannot be read (a screen
    // painter). Writes outside the surface are ignored.
    TColor Pixels(int x, int y) const;
    void SetPixels(int x, int y, TColor color);

protected:
    // A painter for one call when none is attached (a bitmap opens one on its image).
    virtual std::unique_ptr<QPainter> openPainter();
    // The image pixels are read from and written to with its transform from canvas
    // coordinates, or nullptr (the default: the attached painter's image, if any).
    virtual QImage *pixelImage() const;

private:
    template <class F>
    void paint(F &&draw);
    void applyPen(QPainter &painter) const;
    void applyBrush(QPainter &painter) const;

    QPainter *FPainter = nullptr;
    TFont FFont;
    TkyPen FPen;
    TkyBrush FBrush;
    int FPenX = 0;
    int FPenY = 0;
};

// A canvas for drawing into a metafile. Metafiles are kept only as the bytes they were
// loaded from, so drawing records nothing; measuring works.
class TkyMetafileCanvas : public TkyCanvas
{
public:
    KAV_CLASSINFO
};

// Base of the pictures a script can load, save and draw. Abstract.
class TkyGraphic : public TPersistent
{
public:
    KAV_CLASSINFO

    virtual int Width() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual int Height() const = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Empty() const = 0;
    // Both check the file policy first. Loading replaces the content or raises EkavError
    // naming the file (unreadable, undecodable or too large); saving writes atomically.
    virtual void LoadFromFile(const QString &fileName) = 0;
    virtual void SaveToFile(const QString &fileName) const = 0;
    // Paints the graphic scaled into target.
    virtual void Paint(QPainter &painter, const QRect &target) const = 0;
};

// A raster image (ARGB32). A new bitmap is 0 x 0; resizing keeps the pixels that still
// fit and paints the new area white. Width and height are kept even while the other is 0
// (the image then has no pixels). Saved in the format its extension names (PNG, JPEG,
// BMP ...), BMP for other names.
class TkyBitmap : public TkyGraphic
{
public:
    KAV_CLASSINFO

    TkyBitmap();
    ~TkyBitmap() override;

    void Assign(const TPersistent &source) override;

    int Width() const override;
    void SetWidth(int value) override;
    int Height() const override;
    void SetHeight(int value) override;
    // Negative sizes are taken as 0; sizes beyond the limits raise EkavError.
    void SetSize(int width, int height);
    bool Empty() const override;
    void LoadFromFile(const QString &fileName) override;
    void SaveToFile(const QString &fileName) const override;
    void Paint(QPainter &painter, const QRect &target) const override;

    // Draws on the image.
    TkyCanvas &Canvas() { return *FCanvas; }
    const QImage &Image() const { return *FImage; }
    // Takes image over (converted to ARGB32); sizes beyond the limits raise EkavError.
    void SetImage(const QImage &image);

protected:
    // A bitmap always saved in format ("png", "jpeg"), whatever the file's extension.
    explicit TkyBitmap(QByteArray format);

private:
    std::unique_ptr<QImage> FImage;
    std::unique_ptr<TkyCanvas> FCanvas;
    int FWidth = 0;
    int FHeight = 0;
    QByteArray FFormat; // empty: the extension decides
};

// Bitmaps that load any picture and save as PNG or as JPEG.
class TkyPngImage : public TkyBitmap
{
public:
    KAV_CLASSINFO
    TkyPngImage() : TkyBitmap("png") {}
};

class TkyJPEGImage : public TkyBitmap
{
public:
    KAV_CLASSINFO
    TkyJPEGImage() : TkyBitmap("jpeg") {}
};

// An EMF or WMF file kept as its bytes and saved back unchanged. Its size comes from the
// file's header (0 when the header gives none). It is not rendered: drawing it paints
// nothing.
class TkyMetafile : public TkyGraphic
{
public:
    KAV_CLASSINFO

    void Assign(const TPersistent &source) override;

    int Width() const override { return FWidth; }
    void SetWidth(int value) override { FWidth = value < 0 ? 0 : value; }
    int Height() const override { return FHeight; }
    void SetHeight(int value) override { FHeight = value < 0 ? 0 : value; }
    bool Empty() const override { return FData.isEmpty(); }
    // Files that are neither EMF nor WMF raise EkavError naming the file.
    void LoadFromFile(const QString &fileName) override;
    void SaveToFile(const QString &fileName) const override;
    void Paint(QPainter &painter, const QRect &target) const override;

    const QByteArray &Data() const { return FData; }
    // The bytes of a metafile; false (nothing changed) when they are not one.
    bool SetData(const QByteArray &data);

private:
    QByteArray FData;
    int FWidth = 0;
    int FHeight = 0;
};

// Holds one graphic of the kind its file needs: .emf and .wmf files load as metafiles,
// other files as bitmaps.
class TkyPicture : public TPersistent
{
public:
    KAV_CLASSINFO

    TkyPicture();
    ~TkyPicture() override;

    void Assign(const TPersistent &source) override;

    // The graphic held; nullptr when empty.
    TkyGraphic *Graphic() const { return FGraphic.get(); }
    int Width() const;
    int Height() const;
    void LoadFromFile(const QString &fileName);
    // Saving an empty picture raises EkavError.
    void SaveToFile(const QString &fileName) const;

private:
    std::unique_ptr<TkyGraphic> FGraphic;
};

// Adds the module to the library modules every script takes (once per process).
void kyRegisterGraphicsModule();
