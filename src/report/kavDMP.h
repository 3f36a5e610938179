#pragma once

// Dot-matrix reports: a page, a text object, a line and a printer command laid out on a
// character grid of 9.6 x 17 report pixels (one Courier New 12 pt character per cell), for
// fixed-pitch printers.

#include <report/kavBands.h>
#include <report/kavPages.h>
#include <report/kavViews.h>
#include <rtl/kavSet.h>

#include <QByteArray>
#include <QString>

class TkavEnumInfo;
class TkavSetInfo;

// ORDER persisted: files store the bit mask (member i is bit i).
enum TkavDMPFontStyle : int {
    fsxBold,
    fsxItalic,
    fsxUnderline,
    fsxSuperScript,
    fsxSubScript,
    fsxCondensed,
    fsxWide,
    fsx12cpi,
    fsx15cpi
};
using TkavDMPFontStyles = TkavSet<TkavDMPFontStyle>;
const TkavEnumInfo &kavEnumTypeInfo(TkavDMPFontStyle);
const TkavSetInfo &kavSetTypeInfo(TkavDMPFontStyles);

// Half a cell: lines run through the middle of cells, frames half a cell outside text.
inline constexpr double kavDMPHalfCharWidth = kavDMPCharWidth / 2;
inline constexpr double kavDMPHalfCharHeight = kavDMPCharHeight / 2;
// The font of every dot-matrix text: a fixed pitch of one cell per character.
inline constexpr char16_t kavDMPFontName[] = u"Courier New";
inline constexpr int kavDMPFontSize = 12;

// Whole cells in a length: rnd(value / cell), halves to the even neighbour. Values within
// a millionth of a cell of a whole number count as that number, so a length that is
// already on the grid stays there whatever its float representation.
qint64 kavDMPRoundCells(double value, double cell);
// The same truncated towards zero.
qint64 kavDMPTruncCells(double value, double cell);

// ---------------------------------------------------------------------------------------
// A report page whose paper and margins are whole cells and whose font is the grid font.
class TkavDMPPage : public TkavReportPage
{
public:
    KAV_CLASSINFO

    // The report page, then the grid font.
    explicit TkavDMPPage(TkavComponent *AOwner = nullptr);
    ~TkavDMPPage() override;

    // The grid font: Courier New 12 with bold, italic and underline from FontStyle.
    void ResetFontOptions();
    // The page defaults, then margins of one cell and the paper cut down to whole cells.
    void SetDefaults() override;
    // The base setter, then the paper is rounded to whole cells.
    void SetPaperWidth(double Value) override;
    void SetPaperHeight(double Value) override;
    void SetPaperSize(int Value) override;
    // The page keeps the grid font whatever its parent's font is.
    void SetParentFont(bool Value) override;

    TkavDMPFontStyles FontStyle() const { return FFontStyle; }
    // Stores the set, resets the font, and every object on the page that inherits its font
    // takes the page's font and font style again.
    void SetFontStyle(TkavDMPFontStyles Value);

private:
    TkavDMPFontStyles FFontStyle;
};

// ---------------------------------------------------------------------------------------
// A text object covering whole cells; its frame is drawn half a cell outside its cells.
class TkavDMPMemoView : public TkavCustomMemoView
{
public:
    KAV_CLASSINFO

    // The memo, then the grid font and spacing (no gaps, line spacing 1); on a dot-matrix
    // page an inheriting memo takes the page's font style.
    explicit TkavDMPMemoView(TkavComponent *AOwner = nullptr);
    ~TkavDMPMemoView() override;

    // Courier New 12 with the styles of FontStyle, no character spacing, line spacing 1,
    // no gaps. The font no longer reports its changes to the memo.
    void ResetFontOptions();

    // Left (trunc for right-aligned memos, else rnd), Top, Width and Height to whole cells.
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    // The four values as given, without snapping.
    void SetBoundsDirect(double ALeft, double ATop, double AWidth, double AHeight);
    // The base setter; an inheriting memo on a dot-matrix page takes the page's font style.
    void SetParentFont(bool Value) override;

    // The memo's height / width rounded to whole rows / columns.
    double CalcHeight() override;
    double CalcWidth();
    // The memo's lines as they fit its cells: at most rnd(Height / 17) lines, each cut to
    // rnd(Width / 9.6) characters and ended by CR LF.
    QString GetoutBoundText() const;

    TkavDMPFontStyles FontStyle() const { return FFontStyle; }
    // Stores the set, stops inheriting the font and resets the font.
    void SetFontStyle(TkavDMPFontStyles Value);
    // Stored and loaded only.
    bool TruncOutboundText() const { return FTruncOutboundText; }
    void SetTruncOutboundText(bool Value) { FTruncOutboundText = Value; }

    QString GetDescription() const override;

protected:
    // The frame around the cells widened by half a cell on every side.
    void DrawFrame() override;

private:
    TkavDMPFontStyles FFontStyle;
    bool FTruncOutboundText = false;
};

// ---------------------------------------------------------------------------------------
// A line through the middle of cells.
class TkavDMPLineView : public TkavCustomLineView
{
public:
    KAV_CLASSINFO

    explicit TkavDMPLineView(TkavComponent *AOwner = nullptr);
    ~TkavDMPLineView() override;

    // Left and Top to the middle of a cell, Width to whole cells; Height is not snapped.
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    // The base setter; an inheriting line on a dot-matrix page takes the page's font style.
    void SetParentFont(bool Value) override;

    TkavDMPFontStyles FontStyle() const { return FFontStyle; }
    // Stores the set and stops inheriting the font.
    void SetFontStyle(TkavDMPFontStyles Value);

    QString GetDescription() const override;

private:
    TkavDMPFontStyles FFontStyle;
};

// ---------------------------------------------------------------------------------------
// Bytes sent to the printer at the command's place: Command is "#27#64" (decimal bytes,
// each introduced by "#") or "1B40" (hexadecimal pairs).
class TkavDMPCommand : public TkavView
{
public:
    KAV_CLASSINFO

    explicit TkavDMPCommand(TkavComponent *AOwner = nullptr);
    ~TkavDMPCommand() override;

    // Left and Top to whole cells; the size is not snapped.
    void SetLeft(double Value) override;
    void SetTop(double Value) override;

    const QString &Command() const { return FCommand; }
    void SetCommand(const QString &Value) { FCommand = Value; }
    // The bytes Command denotes. Decimal form: every number between "#" marks is one byte
    // 0..255. Hexadecimal form: every pair of digits is one byte, a last single digit is
    // ignored. An empty number, a value above 255 or a character that is no digit of the
    // form raises EConvertError naming the command.
    QByteArray ToChr() const;

    QString GetDescription() const override;

private:
    QString FCommand;
};

// Registers the dot-matrix page and the three object classes.
void kavRegisterDMPClasses();
