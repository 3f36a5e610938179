#pragma once

// Small facilities shared across the report side: the wide-string list behind every
// multi-line text, character-set conversions, message boxes with localized captions,
// temporary and program file names, text and number helpers, overlap areas for the engine
// and the drawing of pictures with a transparent colour.

#include <rtl/kavColors.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QImage;
class QPainter;
class QRectF;
class TStream;

// ---------------------------------------------------------------------------------------
// TkavWideStrings: an unsorted list of texts with attached object references (not owned).
// Text joins every entry with CR LF (the last one too); setting Text splits at CR, LF,
// CR LF and U+2028, and a NUL ends the text. Streams and files hold UTF-16LE without a
// byte-order mark; reading accepts one.
class TkavWideStrings : public TWideStrings
{
public:
    TkavWideStrings() = default;
    ~TkavWideStrings() override;

    int Add(const QString &s) override;
    // Inserts before entry index (index = Count appends); any other index raises EListError
    // "Wide String Out of Bounds" and leaves the list unchanged.
    void Insert(int index, const QString &s) override;
    // 0 <= index < Count, else EListError "List index out of bounds (%d)".
    void Delete(int index) override;
    void Clear() override;
    // The first entry equal to s, compared exactly (case-sensitive, ordinal); -1 when none.
    int IndexOf(const QString &s) const override;

    // An empty text outside 0 .. Count - 1.
    QString Get(int index) const override;
    int GetCount() const override { return int(FWideStringList.size()); }
    // Null outside the range.
    TObject *GetObject(int index) const override;
    // Replaces the text of entry index and keeps its object; index = Count appends; any
    // other index raises "Wide String Out of Bounds".
    void Put(int index, const QString &s) override;
    // Ignored outside the range.
    void PutObject(int index, TObject *object) override;
    void SetTextStr(const QString &text) override;

    // The rest of the stream as UTF-16LE; a leading byte-order mark FF FE is skipped.
    void LoadFromStream(TStream &stream) override;
    // The rest of the stream as UTF-16LE, without looking for a byte-order mark.
    void LoadFromWStream(TStream &stream);
    // Text as UTF-16LE without a byte-order mark.
    void SaveToStream(TStream &stream) const override;
    // Written atomically: a failed save leaves the previous file in place (EFCreateError
    // or EWriteError).
    void SaveToFile(const QString &fileName) const override;

private:
    struct TkavWideStringItem
    {
        QString Text;
        TObject *Object = nullptr; // not owned
    };

    [[noreturn]] static void outOfBounds();
    // Text from UTF-16LE bytes (an odd last byte is ignored); Text as UTF-16LE bytes.
    void setFromUtf16(const QByteArray &bytes);
    QByteArray toUtf16() const;

    QList<TkavWideStringItem> FWideStringList;
};

// ---------------------------------------------------------------------------------------
// Character sets (the font character-set numbers files store) and their code pages.

// Locale identifiers as the files and the script library know them.
using TkavLCID = quint32;

// 1: the system ANSI code page; 77: kavCP_MACCP; 255: kavCP_OEMCP; 2 (symbol): 28591, so
// every byte passes unchanged; the other known sets their Windows code page; a set without
// one: the system ANSI code page.
int kavCharsetCodePage(int charset);
// 8-bit text to Unicode in codePage (0: kavCharsetCodePage(charset)).
QString kavAnsiToWide(const QByteArray &text, int charset, int codePage = 0);
// Unicode to 8-bit text in codePage (0: kavCharsetCodePage(charset)); characters the code
// page lacks become '?'.
QByteArray kavWideToAnsi(const QString &text, int charset, int codePage = 0);
// The locale of the East Asian, Greek, Turkish, Vietnamese, Hebrew, Arabic, Baltic,
// Russian, Thai and East European sets; any other set: kavThreadLocale().
TkavLCID kavCharsetLocale(int charset);
// The identifier of the current default QLocale; 0x0400 (the user's default) when the
// locale has no identifier of its own here.
TkavLCID kavThreadLocale();

// ---------------------------------------------------------------------------------------
// Message boxes through kavUIServices(), captioned from the resource table.

// Caption "mbError", error icon, an OK button.
void kavErrorBox(const QString &text);
// Caption "mbConfirm", question icon, the given buttons; the modal result of the answer.
TModalResult kavConfirmBox(const QString &text, TMsgDlgButtons buttons);
// Caption "mbInfo", information icon, an OK button.
void kavInfoBox(const QString &text);

// ---------------------------------------------------------------------------------------
// Files.

// Creates a new empty file "kvXXXXXX" (mode 0600) in folder, or in the system's temporary
// folder when folder is empty, and returns its full name. A folder that does not exist or
// is not writable raises EFCreateError.
QString kavTempFileName(const QString &folder);
// The full name of the running program.
QString kavProgramFileName();
// The folder of the running program, ending with "/".
QString kavProgramFolder();

// ---------------------------------------------------------------------------------------
// Text helpers.

// Clears list, then adds every field of text between separators, empty ones included; a
// separator at the very end adds no empty field; an empty text gives an empty list. An
// empty separator makes the whole text one field.
void kavSplitString(const QString &text, const QString &separator, TStrings &list);
// A whole number as FloatToStr writes it ("2", "1E20"); anything else fixed with two
// decimals ("2.50"); both with the decimal separator of FormatSettings().
QString kavFloatText(double value);

// ---------------------------------------------------------------------------------------
// TkavRectArea: a rectangle (left X, top Y, right X1, bottom Y1, report pixels) for the
// engine's overlap tests, which ignore overlaps of 0.0001 pixels or less.
class TkavRectArea
{
public:
    static constexpr double Tolerance = 0.0001;

    TkavRectArea() = default;
    TkavRectArea(double left, double top, double right, double bottom)
        : FX(left), FY(top), FX1(right), FY1(bottom)
    {}
    // The absolute rectangle of a report component.
    template <typename TComponent>
        requires requires(const TComponent &c) {
            c.AbsLeft();
            c.AbsTop();
            c.Width();
            c.Height();
        }
    explicit TkavRectArea(const TComponent &c)
        : TkavRectArea(c.AbsLeft(), c.AbsTop(), c.AbsLeft() + c.Width(), c.AbsTop() + c.Height())
    {}

    double X() const { return FX; }
    double Y() const { return FY; }
    double X1() const { return FX1; }
    double Y1() const { return FY1; }
    void SetX(double value) { FX = value; }
    void SetY(double value) { FY = value; }
    void SetX1(double value) { FX1 = value; }
    void SetY1(double value) { FY1 = value; }

    // True when the horizontal (vertical) spans overlap by more than the tolerance.
    bool InterceptsX(const TkavRectArea &a) const;
    bool InterceptsY(const TkavRectArea &a) const;
    // The common horizontal span (Y and Y1 zero), or nothing without an overlap.
    std::optional<TkavRectArea> InterceptX(const TkavRectArea &a) const;
    // The common vertical span (X and X1 zero), or nothing without an overlap.
    std::optional<TkavRectArea> InterceptY(const TkavRectArea &a) const;

    static double Max(double x1, double x2) { return x1 > x2 ? x1 : x2; }
    static double Min(double x1, double x2) { return x1 < x2 ? x1 : x2; }

    bool operator==(const TkavRectArea &) const = default;

private:
    double FX = 0;
    double FY = 0;
    double FX1 = 0;
    double FY1 = 0;
};

// ---------------------------------------------------------------------------------------
// Picture drawing on a painter over a screen, image, printer or PDF device. Smooth output
// is resampled at the device's resolution; a picture zoomed far beyond the device is
// resampled only where it shows. Images only: metafile pictures are drawn by their own code.

// Draws graphic stretched into rect. Transparent (with a transparentColor other than
// clNone) leaves the target unchanged where the picture has transparentColor; highQuality
// and printing resample smoothly. A picture with an alpha channel drawn through the
// smooth path is first composed over transparentColor (white for clNone). Sets the
// painter's brush colour to white.
void kavPaintPicture(QPainter &canvas,
                     const QRectF &rect,
                     const QImage &graphic,
                     TColor transparentColor,
                     bool transparent,
                     bool highQuality,
                     bool printing);
// Draws bitmap stretched into rect, leaving the target unchanged where the bitmap has
// transparentColor (mask sampled at the nearest pixel). One-bit bitmaps are stretched
// without smoothing, all others smoothly. useDIB is accepted for callers that distinguish
// printer output; images here are always device-independent.
void kavPaintMasked(QPainter &canvas,
                    const QRectF &rect,
                    const QImage &bitmap,
                    bool useDIB,
                    TColor transparentColor);
