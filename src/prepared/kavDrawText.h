#pragma once

// TkavDrawText: the text engine behind every memo. It parses the memo's small tag
// language, wraps the text into lines on an internal 600-dpi layout, answers heights and
// widths, splits the text where a height is full, and draws the lines on any QPainter
// so that line breaks and line lengths are the same on screen, paper and PDF.

#include "kavTextMeasure.h"

#include <rtl/kavColors.h>
#include <rtl/kavFont.h>

#include <QFont>
#include <QHash>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

class QPainter;
class QPaintDevice;
class QTransform;
class TkavTextRecorder;
enum TkavHAlign : int; // haLeft, haRight, haCenter, haBlock (report/kavViews.h)
enum TkavVAlign : int; // vaTop, vaBottom, vaCenter

// ORDER: subscript and superscript state of a character.
enum TkavSubStyle : int {
    ssNormal,
    ssSubscript,
    ssSuperscript
};

// Formatting of one visible character.
struct TkavHTMLTag
{
    int Position = 0;      // 1-based index of the character in the engine's plain text
    int Size = 0;          // points
    int AddY = 0;          // 1: baseline lowered by one size unit (subscript)
    TFontStyles Style;     // bold, italic, underline, strike-out
    TColor Color = clBlack;
    bool Default = true;   // same formatting as the previous character (first: as the defaults)
    bool Small = false;    // size differs from the default size
    bool DontWRAP = false; // inside a no-wrap span: a space here is no break point
    TkavSubStyle SubType = ssNormal;

    // Same look (size, baseline, style, colour, subtype): one run when drawing.
    bool SameFormat(const TkavHTMLTag &other) const;
};

// The records of one wrapped line, one per UTF-16 unit of its text.
using TkavHTMLTags = std::vector<TkavHTMLTag>;

// The records of every wrapped line and the parsing state of the tag language.
class TkavHTMLTagsList
{
public:
    // Forgets the lines; the state becomes the defaults, the source position 1.
    void Init(TColor defColor, int defSize, TFontStyles defStyle);
    void Clear() { FItems.clear(); }

    // Removes the recognised tags from s (one source line) and appends one record per
    // remaining UTF-16 unit to tags; the source position advances over the whole line,
    // removed tags included. With tags not allowed every unit stays with the defaults.
    void ExpandHTMLTags(QString &s, TkavHTMLTags &tags);
    // Advances the source position (over the CR LF between source lines).
    void SkipPosition(int count) { FPosition += count; }
    int Position() const { return FPosition; }

    bool AllowTags() const { return FAllowTags; }
    void SetAllowTags(bool value) { FAllowTags = value; }
    TColor DefColor() const { return FDefColor; }
    int DefSize() const { return FDefSize; }
    TFontStyles DefStyle() const { return FDefStyle; }

    std::vector<TkavHTMLTags> &Items() { return FItems; }
    const std::vector<TkavHTMLTags> &Items() const { return FItems; }

private:
    // Length of the tag starting at s[i] after applying it, or 0 when s[i] starts none.
    int applyTag(const QString &s, qsizetype i);
    TkavHTMLTag currentRecord() const;

    bool FAllowTags = true;
    int FAddY = 0;
    TColor FColor = clBlack;
    TColor FDefColor = clBlack;
    int FDefSize = 10;
    TFontStyles FDefStyle;
    std::vector<TkavHTMLTags> FItems;
    int FPosition = 1;
    int FSize = 10;
    TFontStyles FStyle;
    bool FDontWRAP = false;
    TkavSubStyle FSubStyle = ssNormal;
};

// Where one character of a drawn line goes, in the line's own coordinates (x along the
// line from the area's start, y down from the block's top), in device units.
struct TkavPlacedChar
{
    qsizetype Index = 0; // first UTF-16 unit of the character in the wrapped line
    int Units = 1;       // 1, or 2 for a surrogate pair
    int X = 0;
    int Advance = 0;     // the advance used (after spreading)
};

struct TkavPlacedLine
{
    int Line = 0;        // index among the wrapped lines
    int Top = 0;         // top of the line in block coordinates
    int Start = 0;       // x of the first character
    int Length = 0;      // sum of the advances used
    int Available = 0;   // line length of the area minus the indent
    std::vector<TkavPlacedChar> Chars;
};

// The geometry DrawText uses on a device: the per-line placement plus the transform that
// maps line coordinates into the device (translation to the rotated start, rotation).
struct TkavTextPlacement
{
    bool Printer = false;
    double DpiX = 96;
    double DpiY = 96;
    int FontPixels = 0;   // device pixel size of the default font
    double OriginX = 0;   // device point of the block's (0, 0)
    double OriginY = 0;
    double Angle = 0;     // rotation in degrees, counter-clockwise on the page
    std::vector<TkavPlacedLine> Lines;
};

class TkavDrawText
{
public:
    // measurer: advances of the internal layout (default: the process-wide Qt measurer).
    explicit TkavDrawText(std::shared_ptr<TkavTextMeasurer> measurer = {});
    ~TkavDrawText();
    TkavDrawText(const TkavDrawText &) = delete;
    TkavDrawText &operator=(const TkavDrawText &) = delete;

    // One process-wide recursive lock shared by all engines: hold it for the whole
    // sequence of set-up, measuring and drawing.
    void Lock();
    void Unlock();

    void SetMeasurer(std::shared_ptr<TkavTextMeasurer> measurer);
    TkavTextMeasurer &Measurer() const { return *FMeasurer; }

    // Name, style, charset and colour (black with the mono-font switch); the internal
    // font height becomes -rnd(Size * 600 / 72).
    void SetFont(const TFont &font);
    // Rotation is taken modulo 360.
    void SetOptions(bool wordWrap,
                    bool htmlTags,
                    bool rtlReading,
                    bool wordBreak,
                    bool clipped,
                    bool wysiwyg,
                    int rotation);
    // Zoom, print scale, the text area at scale 1 in report pixels (after gaps) and the
    // area on the target device.
    void SetDimensions(double scaleX,
                       double scaleY,
                       double printScale,
                       const QRectF &originalRect,
                       const QRectF &scaledRect);
    // Report pixels: first-line indent, extra space after each character, between lines.
    void SetGaps(double paragraphGap, double charSpacing, double lineSpacing);
    // Parses and wraps the source lines (tags included). firstParaBreak: the first line
    // continues a paragraph split off on an earlier page (no indent).
    void SetText(const QStringList &text, bool firstParaBreak = false);
    // Clears the paragraph-start flag of the first line / the paragraph-end flag of the last.
    void SetParaBreaks(bool firstParaBreak, bool lastParaBreak);
    // The text with every recognised tag removed.
    QString DeleteTags(const QString &txt);

    // Draws the wrapped lines into the scaled rectangle.
    void DrawText(QPainter &canvas, TkavHAlign hAlign, TkavVAlign vAlign);
    // What DrawText would place on device (no drawing): for tests and exports.
    TkavTextPlacement PlaceText(const QPaintDevice &device,
                                TkavHAlign hAlign,
                                TkavVAlign vAlign) const;

    // Report pixels.
    double TextHeight() const;
    // TextHeight + line spacing, at least one pixel (fitting divides by it).
    double LineHeight() const;
    double CalcHeight() const;
    double CalcWidth() const;
    double UnusedSpace() const;
    QString GetInBoundsText() const { return FPlainText; }
    // Cuts the lines that do not fit into the original rectangle's height and returns their
    // source text (prefixed with the formatting in force); paraBreak tells whether the cut
    // lies inside a paragraph. Empty when everything fits.
    QString GetOutBoundsText(bool &paraBreak);
    QString GetWrappedText() const;

    // Draw everything black (masks).
    void SetMonoFont(bool value) { FMonoFont = value; }
    bool MonoFont() const { return FMonoFont; }
    // Kept for the memo's switch; Qt fonts carry no character set, so it changes nothing.
    void SetUseDefaultCharset(bool value) { FUseDefaultCharset = value; }
    bool UseDefaultCharset() const { return FUseDefaultCharset; }

    // The wrapped lines and their flags (1 first, 2 last line of a paragraph).
    int LineCount() const { return int(FText.size()); }
    const QString &Line(int i) const { return FText[size_t(i)].Text; }
    int LineFlags(int i) const { return FText[size_t(i)].Flags; }
    const TkavHTMLTags &LineTags(int i) const { return FHTMLTags.Items()[size_t(i)]; }
    // Width of wrapped line i on the internal layout (internal units, indent included).
    int LineWidth(int i) const;


private:
    struct TextLine
    {
        QString Text;
        int Flags = 0;
        bool Hyphenated = false; // ends with a hyphen added by wrapping
    };
    struct Target;

    void wrapLine(const QString &visible, const TkavHTMLTags &tags, int firstWidth, int width);
    void addLine(const QString &visible,
                 const TkavHTMLTags &tags,
                 qsizetype from,
                 qsizetype to,
                 bool hyphen);
    // Internal advances (spacing included) of each unit of text with its records.
    void advances(const QString &text, const TkavHTMLTags &tags, std::vector<int> &out) const;
    // Index of the last character after which the word starting at wordStart may be
    // hyphenated, so that [lineStart, point) plus a hyphen fits into limit; -1 when none.
    qsizetype hyphenPoint(const QString &text,
                          const std::vector<int> &adv,
                          const TkavHTMLTags &tags,
                          qsizetype lineStart,
                          qsizetype wordStart,
                          qsizetype overflow,
                          int limit) const;
    int fittingLines() const;
    // Hands every placed line to a text recorder (text search).
    void recordLines(TkavTextRecorder &recorder,
                     const QTransform &toDevice,
                     const TkavTextPlacement &placement) const;
    QString formatPrefix(const TkavHTMLTag &tag) const;
    void placeLine(const Target &target,
                   int line,
                   int available,
                   TkavHAlign hAlign,
                   TkavPlacedLine &placed) const;

    std::shared_ptr<TkavTextMeasurer> FMeasurer;
    // Device fonts already made: a Qt font made anew looks its font engine up again, which
    // cost more than the rest of drawing a short text.
    mutable QHash<QString, QFont> FDeviceFonts;
    // The advances of Latin-1 characters per device font and resolution (NaN: not yet
    // measured): asking the font engine for each character was a fifth of drawing a page.
    mutable QHash<QString, std::vector<double>> FLatinAdvances;
    // The device font made last, with its advances on the device it was made for: kept
    // between texts, as most texts of a page share a font.
    struct LastFont
    {
        QString Name;
        int Pixels = -1;
        int Style = -1;
        int Dpi = 0;
        bool Printer = false;
        QFont Font;
        std::vector<double> *Latin = nullptr; // in FLatinAdvances
        // Font's ascent on a device of AscentDpi (0: not measured yet). Its raw font is not
        // kept: one is only good on the thread that made it, and threads come and go.
        double Ascent = 0;
        int AscentDpi = 0;
    };
    mutable LastFont FLastFont;

    int FFontHeight = 0; // internal units, negative: -rnd(Size * 600 / 72)
    int FFontSize = 10;
    QString FFontName;
    TFontStyles FFontStyle;
    TColor FFontColor = clBlack;
    TFontCharset FFontCharset = kavFontDefaultCharsetValue;

    TkavHTMLTagsList FHTMLTags;
    double FCharSpacing = 0;
    double FLineSpacing = 0;
    int FOptions = 0;
    QRectF FOriginalRect;
    double FParagraphGap = 0;
    QString FPlainText;
    double FPrintScale = 1;
    int FRotation = 0;
    bool FRTLReading = false;
    QRectF FScaledRect;
    double FScaleX = 1;
    double FScaleY = 1;
    std::vector<TextLine> FText;
    bool FWordBreak = false;
    bool FWordWrap = false;
    bool FWysiwyg = true;
    bool FMonoFont = false;
    bool FUseDefaultCharset = false;
};

// The engine for memos outside a report.
TkavDrawText &kavDefaultDrawText();
