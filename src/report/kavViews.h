#pragma once

// Views: the visible objects placed on bands and pages (text, lines, shapes, pictures and
// subreport placeholders) with their published properties, setters and prepared-page
// difference texts, and the display formats and highlights a text object holds.

#include <persist/kavCollections.h>
#include <persist/kavUtils.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavComponent.h>
#include <report/kavFrames.h>
#include <rtl/kavColors.h>
#include <rtl/kavFont.h>
#include <rtl/kavSet.h>
#include <rtl/kavVariant.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QRect>
#include <QString>

#include <memory>

class TStream;
class TkavDataSet;
class TkavReportPage;
class TkavDrawText;
class TkavStyleItem;
class TkavMetafile;

// ORDER persisted: files store the identifier, prepared pages the ordinal.
enum TkavAlign : int {
    baNone,
    baLeft,
    baRight,
    baCenter,
    baWidth,
    baBottom,
    baClient
};

// ORDER persisted.
enum TkavShiftMode : int {
    smDontShift,
    smAlways,
    smWhenOverlapped
};

// ORDER persisted.
enum TkavStretchMode : int {
    smDontStretch,
    smActualHeight,
    smMaxHeight
};

// ORDER persisted.
enum TkavHAlign : int {
    haLeft,
    haRight,
    haCenter,
    haBlock
};

// ORDER persisted.
enum TkavVAlign : int {
    vaTop,
    vaBottom,
    vaCenter
};

// ORDER persisted: Visibility is the bit mask (preview 1, export 2, print 4).
enum TkavVisibilityType : int {
    vsPreview,
    vsExport,
    vsPrint
};
using TkavVisibilityTypes = TkavSet<TkavVisibilityType>;

// ORDER persisted; also the designer variant number of a new shape.
enum TkavShapeKind : int {
    skRectangle,
    skRoundRectangle,
    skEllipse,
    skTriangle,
    skDiamond,
    skDiagonal1,
    skDiagonal2
};

// ORDER persisted.
enum TkavFormatKind : int {
    fkText,
    fkNumeric,
    fkDateTime,
    fkBoolean
};

// What the bytes of a picture hold (never stored: found again from the bytes).
enum TkavPictureFormat : int {
    pfNone,
    pfBitmap,
    pfJPEG,
    pfPNG,
    pfMetafile,    // placeable metafile: kept as bytes, not decoded
    pfEnhMetafile, // enhanced metafile: kept as bytes, not decoded
    pfIcon
};

const TkavEnumInfo &kavEnumTypeInfo(TkavAlign);
const TkavEnumInfo &kavEnumTypeInfo(TkavShiftMode);
const TkavEnumInfo &kavEnumTypeInfo(TkavStretchMode);
const TkavEnumInfo &kavEnumTypeInfo(TkavHAlign);
const TkavEnumInfo &kavEnumTypeInfo(TkavVAlign);
const TkavEnumInfo &kavEnumTypeInfo(TkavVisibilityType);
const TkavSetInfo &kavSetTypeInfo(TkavVisibilityTypes);
const TkavEnumInfo &kavEnumTypeInfo(TkavShapeKind);
const TkavEnumInfo &kavEnumTypeInfo(TkavFormatKind);

// Initial values, each also the value the stored rules compare against.
inline constexpr TkavAlign kavViewDefaultAlign = baNone;
inline constexpr TkavShiftMode kavViewDefaultShiftMode = smAlways;
inline constexpr TkavVisibilityTypes kavViewDefaultVisibility{vsPreview, vsExport, vsPrint};
inline constexpr double kavMemoDefaultGapX = 2;
inline constexpr double kavMemoDefaultGapY = 1;
inline constexpr double kavMemoDefaultLineSpacing = 2;
inline constexpr char16_t kavMemoDefaultExpressionDelimiters[] = u"[,]";
inline constexpr int kavLineDefaultArrowLength = 20;
inline constexpr int kavLineDefaultArrowWidth = 5;
inline constexpr TColor kavPictureDefaultTransparentColor = clWhite;
inline constexpr TColor kavSubreportDefaultColor = clSilver;
// What LoadPictureFromStream returns for bytes it cannot take (the platform's
// invalid-argument result).
inline constexpr int kavPictureInvalidArgument = int(0x80070057u);
// The largest decoded image a picture may allocate, in bytes (4 bytes per pixel).
inline constexpr qint64 kavPictureMaxImageBytes = qint64(256) * 1024 * 1024;

// ---------------------------------------------------------------------------------------
// A display format: how a memo turns a value into text.
class TkavFormat : public TkavCollectionItem
{
public:
    KAV_CLASSINFO

    TkavFormat() = default;
    ~TkavFormat() override;

    // Copies the four properties of another format.
    void Assign(const TPersistent &source) override;

    const QString &DecimalSeparator() const { return FDecimalSeparator; }
    void SetDecimalSeparator(const QString &value) { FDecimalSeparator = value; }
    const QString &ThousandSeparator() const { return FThousandSeparator; }
    void SetThousandSeparator(const QString &value) { FThousandSeparator = value; }
    const QString &FormatStr() const { return FFormatStr; }
    void SetFormatStr(const QString &value) { FFormatStr = value; }
    TkavFormatKind Kind() const { return FKind; }
    void SetKind(TkavFormatKind value) { FKind = value; }

private:
    QString FDecimalSeparator;
    QString FThousandSeparator;
    QString FFormatStr;
    TkavFormatKind FKind = fkText;
};

// A bracketed expression: the opening delimiter at Start (-1: none was found), the
// expression in [ExprStart, ExprEnd), the bracket's last character at End.
struct TkavBracket
{
    qsizetype Start = -1;
    qsizetype ExprStart = 0;
    qsizetype ExprEnd = 0;
    qsizetype End = 0;
};
// Scans the bracket opening at pos: brackets nest, delimiters inside quoted texts ('...'
// or "...") do not count, and a bracket never closed takes the rest of the text.
TkavBracket kavScanBracket(const QString &text, qsizetype pos, QStringView open, QStringView close);

// The text of value in format: empty for null; numbers through a picture ("#,##0.00") or a
// printf-like format ("%2.2f", "%d") with the format's separators; dates through a date
// pattern; Booleans as "Yes,No" pairs. A value the format cannot take gives its plain text.
QString kavFormatData(const Variant &value, const TkavFormat &format);
// The script literal of text in language: 'it''s' for PascalScript, else "say \"hi\"".
QString kavQuotedForScript(const QString &text, const QString &language);

// ---------------------------------------------------------------------------------------
// A highlight: the look a memo takes while its condition holds.
class TkavHighlight : public TkavCollectionItem
{
public:
    KAV_CLASSINFO

    // Font Arial 10 red, a brush fill, an empty frame, visible.
    TkavHighlight();
    ~TkavHighlight() override;

    // Copies the apply flags, font, fill, frame, condition and visibility (not Active).
    void Assign(const TPersistent &source) override;

    // Shown when prepared objects are rebuilt; never stored.
    bool Active() const { return FActive; }
    void SetActive(bool value) { FActive = value; }
    bool ApplyFont() const { return FApplyFont; }
    void SetApplyFont(bool value) { FApplyFont = value; }
    bool ApplyFill() const { return FApplyFill; }
    void SetApplyFill(bool value) { FApplyFill = value; }
    bool ApplyFrame() const { return FApplyFrame; }
    void SetApplyFrame(bool value) { FApplyFrame = value; }
    TFont &Font() const { return *FFont; }
    void SetFont(const TFont &value) { FFont->Assign(value); }
    // A brush fill's BackColor, clNone for other fills; setting changes only a brush fill.
    TColor Color() const;
    void SetColor(TColor value);
    const QString &Condition() const { return FCondition; }
    void SetCondition(const QString &value) { FCondition = value; }
    TkavFillType FillType() const { return kavFillTypeOf(FFill.get()); }
    // A different type replaces the fill by a new one with its initial values.
    void SetFillType(TkavFillType value) { kavSetFillType(FFill, value); }
    TkavCustomFill &Fill() const { return *FFill; }
    // Takes the type of value and copies it.
    void SetFill(const TkavCustomFill &value) { kavAssignFill(FFill, value); }
    TkavFrame &Frame() const { return *FFrame; }
    void SetFrame(const TkavFrame &value) { FFrame->Assign(value); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }

private:
    bool FActive = false;
    bool FApplyFont = true;
    bool FApplyFill = true;
    bool FApplyFrame = false;
    std::unique_ptr<TFont> FFont;
    QString FCondition;
    std::unique_ptr<TkavCustomFill> FFill;
    std::unique_ptr<TkavFrame> FFrame;
    bool FVisible = true;
};

// ---------------------------------------------------------------------------------------
// The base of visible objects: rectangle, frame, fill, hyperlink, data binding.
class TkavView : public TkavReportComponent
{
public:
    KAV_CLASSINFO

    explicit TkavView(TkavComponent *AOwner = nullptr);
    ~TkavView() override;

    // BeginDraw, DrawBackground, DrawFrame: the view at pixel position OffsetX + ScaleX *
    // AbsLeft, OffsetY + ScaleY * AbsTop.
    void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // Every bracketed expression in TagStr and in the hyperlink's Value replaced by the text
    // of its value; a hyperlink Expression computed (text quoted for the report's language).
    void GetData() override;
    // Saves the bounds, TagStr and the hyperlink's Value; AfterPrint restores them.
    void BeforePrint() override;
    void AfterPrint() override;

    // Base difference, then " Align" (ordinal), the frame's attributes, " Cursor",
    // " Visibility" (mask), " TagStr" (escaped), " FillType" (ordinal), each when different;
    // then the fill's ("Fill") and the hyperlink's ("Hyperlink") attributes.
    QString Diff(const TkavComponent &AComponent) const override;

    TkavAlign Align() const { return FAlign; }
    void SetAlign(TkavAlign value) { FAlign = value; }
    // Platform cursor number (0: the default cursor).
    int Cursor() const { return FCursor; }
    void SetCursor(int value) { FCursor = value; }
    const QString &DataField() const { return FDataField; }
    void SetDataField(const QString &value) { FDataField = value; }
    TkavDataSet *DataSet() const;
    // Also sets DataSetName from the data set's user name (empty for none).
    void SetDataSet(TkavDataSet *value);
    QString DataSetName() const { return FDataSetLink.Name(); }
    // Also resolves DataSet by user name among the data sets this view may see.
    void SetDataSetName(const QString &value);
    // DataSet set and DataField not empty.
    bool IsDataField() const;
    bool IsDataSetStored() const { return DataSet() != nullptr; }
    bool IsDataFieldStored() const { return !FDataField.isEmpty(); }

    TkavFrame &Frame() const { return *FFrame; }
    // Copies value.
    void SetFrame(const TkavFrame &value) { FFrame->Assign(value); }
    TkavShiftMode ShiftMode() const { return FShiftMode; }
    void SetShiftMode(TkavShiftMode value) { FShiftMode = value; }
    const QString &TagStr() const { return FTagStr; }
    void SetTagStr(const QString &value) { FTagStr = value; }
    const QString &Hint() const { return FHint; }
    void SetHint(const QString &value) { FHint = value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { FShowHint = value; }
    // The older form of the hyperlink; reads empty (never stored). Setting: empty does
    // nothing; "@n" a page-number link to n, "#name" an anchor link, anything else a URL.
    QString URL() const { return QString(); }
    void SetURL(const QString &value);
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool value) { FPlainText = value; }
    TkavHyperlink &Hyperlink() const { return *FHyperlink; }
    void SetHyperlink(const TkavHyperlink &value) { FHyperlink->Assign(value); }
    TkavFillType FillType() const { return kavFillTypeOf(FFill.get()); }
    // A different type replaces the fill by a new fill of that type with initial values.
    void SetFillType(TkavFillType value) { kavSetFillType(FFill, value); }
    TkavCustomFill &Fill() const { return *FFill; }
    // Takes the type of value and copies it.
    void SetFill(const TkavCustomFill &value) { kavAssignFill(FFill, value); }
    // The brush fill's Style; bsClear for other fills, whose style cannot be set.
    TBrushStyle BrushStyle() const;
    void SetBrushStyle(TBrushStyle value);
    // The fill's representative colour (brush: BackColor; glass: clNone); setting changes
    // only a brush fill's BackColor.
    TColor Color() const { return FFill->representativeColor(); }
    void SetColor(TColor value);
    TkavVisibilityTypes Visibility() const { return FVisibility; }
    void SetVisibility(TkavVisibilityTypes value) { FVisibility = value; }
    // vsPrint in Visibility; setting adds or removes it.
    bool Printable() const { return FVisibility.Contains(vsPrint); }
    void SetPrintable(bool value);
    bool DrawAsMask() const { return FDrawAsMask; }
    void SetDrawAsMask(bool value) { FDrawAsMask = value; }

    const TkavNotifyEvent &OnMouseEnter() const { return FOnMouseEnter; }
    void SetOnMouseEnter(const TkavNotifyEvent &value) { FOnMouseEnter = value; }
    const TkavNotifyEvent &OnMouseLeave() const { return FOnMouseLeave; }
    void SetOnMouseLeave(const TkavNotifyEvent &value) { FOnMouseLeave = value; }
    const TkavNotifyEvent &OnMouseDown() const { return FOnMouseDown; }
    void SetOnMouseDown(const TkavNotifyEvent &value) { FOnMouseDown = value; }
    const TkavNotifyEvent &OnMouseMove() const { return FOnMouseMove; }
    void SetOnMouseMove(const TkavNotifyEvent &value) { FOnMouseMove = value; }
    const TkavNotifyEvent &OnMouseUp() const { return FOnMouseUp; }
    void SetOnMouseUp(const TkavNotifyEvent &value) { FOnMouseUp = value; }

    // The device rectangle (X, Y)-(X1, Y1) at that scale and offset, a drop shadow's strip
    // left free.
    QRect DeviceRect(double ScaleX, double ScaleY, double OffsetX, double OffsetY) const;

    // The mouse over this view of a prepared page in the preview (X, Y in report pixels of
    // the page). The views of this library do nothing; interactive views ask for a repaint
    // with Refresh and for the page to be written back with Modified.
    virtual void DoMouseMove(double, double, int, int, bool &) {}
    virtual void DoMouseUp(double, double, int, int, bool &) {}
    virtual void DoMouseEnter(TkavView *, bool &) {}
    virtual void DoMouseLeave(TkavView *, bool &) {}
    virtual void DoMouseClick(TkavView *, bool, bool &, bool &) {}

protected:
    // Remembers canvas, scales and offsets and computes the device rectangle (FX, FY)-(FX1,
    // FY1) (a drop shadow's strip left free), its size and the frame width in pixels.
    virtual void BeginDraw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
    // The fill, reaching under half of each frame line.
    virtual void DrawBackground();
    virtual void DrawFrame();

    // Drawing working values, valid from BeginDraw to the end of Draw.
    QPainter *FCanvas = nullptr;
    int FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0;
    int FFrameWidth = 0;
    double FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;

private:
    TkavAlign FAlign = kavViewDefaultAlign;
    int FCursor = 0;
    QString FDataField;
    TkavDataSetLink FDataSetLink;
    std::unique_ptr<TkavFrame> FFrame;
    TkavShiftMode FShiftMode = kavViewDefaultShiftMode;
    QString FTagStr;
    QString FSaveTagStr;
    QString FSaveHyperlinkValue;
    QString FHint;
    bool FShowHint = false;
    bool FPlainText = false;
    std::unique_ptr<TkavHyperlink> FHyperlink;
    std::unique_ptr<TkavCustomFill> FFill;
    TkavVisibilityTypes FVisibility = kavViewDefaultVisibility;
    bool FDrawAsMask = false;
    TkavNotifyEvent FOnMouseEnter;
    TkavNotifyEvent FOnMouseLeave;
    TkavNotifyEvent FOnMouseDown;
    TkavNotifyEvent FOnMouseMove;
    TkavNotifyEvent FOnMouseUp;
};

// ---------------------------------------------------------------------------------------
// Views whose height can follow their content.
class TkavStretcheable : public TkavView
{
public:
    KAV_CLASSINFO

    explicit TkavStretcheable(TkavComponent *AOwner = nullptr);
    ~TkavStretcheable() override;

    TkavStretchMode StretchMode() const { return FStretchMode; }
    void SetStretchMode(TkavStretchMode value) { FStretchMode = value; }

    // The height the content needs (the base: Height).
    virtual double CalcHeight() { return Height(); }
    // Splitting across pages: InitPart starts, each DrawPart keeps what fits into Height and
    // returns the unused height (0 in the base); HasNextDataPart: more data follows.
    virtual void InitPart() {}
    virtual double DrawPart() { return 0; }
    virtual bool HasNextDataPart() { return false; }
    // Engine working values.
    double SavedHeight() const { return FSavedHeight; }
    void SetSavedHeight(double value) { FSavedHeight = value; }
    double SavedTop() const { return FSavedTop; }
    void SetSavedTop(double value) { FSavedTop = value; }

private:
    TkavStretchMode FStretchMode = smDontStretch;
    double FSavedHeight = 0;
    double FSavedTop = 0;
};

// ---------------------------------------------------------------------------------------
// Text objects. The text is written by the serializer as the element's text attribute.
class TkavCustomMemoView : public TkavStretcheable, public IkavXMLText
{
public:
    KAV_CLASSINFO

    explicit TkavCustomMemoView(TkavComponent *AOwner = nullptr);
    ~TkavCustomMemoView() override;

    // The view's data, then the text: a data field's content or value, or the bracketed
    // expressions expanded with the display formats; repeated values suppressed; what does
    // not fit handed to FlowTo.
    void GetData() override;
    // The next value is never taken as a repetition.
    void ResetSuppress() { FLastOutput = Variant::Null(); }
    // Gives the memo AHighlight's look: its font, fill and frame as its Apply flags say,
    // and its visibility.
    void ApplyHighlight(const TkavHighlight &AHighlight);
    // The first highlight when it is Active (prepared memos rebuilt for the preview).
    void ApplyPreviewHighlight();
    // Saves the text (unless bound to a data field); AfterPrint restores it and the look a
    // highlight changed.
    void BeforePrint() override;
    void AfterPrint() override;

    // The view's difference text, then " AutoWidth", " CharSpacing", " GapX", " GapY",
    // " HAlign", " LineSpacing", " UseDefaultCharset" when different, always " u" (the
    // text), " ParagraphGap", " Rotation", " RTLReading", " Underlines", " VAlign",
    // " WordWrap" when different, the single display format's attributes when different,
    // " FirstParaBreak" / " LastParaBreak" when set. Afterwards FirstParaBreak takes
    // LastParaBreak's value and LastParaBreak is cleared (the next part of a split memo
    // starts with the right flag).
    QString Diff(const TkavComponent &AComponent) const override;

    // Drawing-time placeholders replaced (outside the designer), background and frame,
    // underlines, then the text laid out in the text rectangle.
    void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // At scale 1, in whole pixels: the text's height / width plus the frame and gaps.
    double CalcHeight() override;
    double CalcWidth();
    void InitPart() override;
    // Keeps the part of the text that fits into Height as the lines and the rest for the
    // next part; returns the unused height (Height when the layout reports exactly 0).
    double DrawPart() override;
    // The text the next DrawPart starts from: all of it after InitPart, then what is left.
    const QString &PartText() const { return FPartText; }
    // The text laid out at scale 1: its wrapped lines (WrapWords) or its text without tags.
    QString WrapText(bool WrapWords);
    // Frame lines, gaps and shadow around the text.
    double VerticalPadding() const;
    double HorizontalPadding() const;
    // The device rectangle of the text at that scale and offset (after frame and gaps).
    QRect TextRect(double ScaleX, double ScaleY, double OffsetX, double OffsetY) const;

    // Set by the prepared pages before drawing: the total page count and copy number the
    // drawing-time placeholders show, and the scale of printed output.
    int TotalPages() const { return FTotalPages; }
    void SetTotalPages(int value) { FTotalPages = value; }
    int CopyNo() const { return FCopyNo; }
    void SetCopyNo(int value) { FCopyNo = value; }
    double PrintScale() const { return FPrintScale; }
    void SetPrintScale(double value) { FPrintScale = value; }
    // "[TOTALPAGES#]" and "[COPYNAME#]" replaced (only when AllowExpressions).
    void ExtractMacros();
    // The text with the first "[TOTALPAGES]" replaced (when AllowExpressions), for exports.
    QString GetComponentText() const;

    // IkavXMLText: the text without its final line break.
    QString XMLText() const override;
    void SetXMLText(const QString &Text) override;

    bool AutoWidth() const { return FAutoWidth; }
    void SetAutoWidth(bool value) { FAutoWidth = value; }
    bool AllowExpressions() const { return FAllowExpressions; }
    void SetAllowExpressions(bool value) { FAllowExpressions = value; }
    bool AllowHTMLTags() const { return FAllowHTMLTags; }
    void SetAllowHTMLTags(bool value) { FAllowHTMLTags = value; }
    double CharSpacing() const { return FCharSpacing; }
    void SetCharSpacing(double value) { FCharSpacing = value; }
    bool Clipped() const { return FClipped; }
    void SetClipped(bool value) { FClipped = value; }
    const QString &ExpressionDelimiters() const { return FExpressionDelimiters; }
    void SetExpressionDelimiters(const QString &value) { FExpressionDelimiters = value; }
    TkavCustomMemoView *FlowTo() const { return FFlowTo.get(); }
    void SetFlowTo(TkavCustomMemoView *value) { FFlowTo = value; }
    double GapX() const { return FGapX; }
    void SetGapX(double value) { FGapX = value; }
    double GapY() const { return FGapY; }
    void SetGapY(double value) { FGapY = value; }
    TkavHAlign HAlign() const { return FHAlign; }
    void SetHAlign(TkavHAlign value) { FHAlign = value; }
    bool HideZeros() const { return FHideZeros; }
    void SetHideZeros(bool value) { FHideZeros = value; }
    double LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(double value) { FLineSpacing = value; }
    TkavWideStrings &Memo() const { return *FMemo; }
    void SetMemo(const TWideStrings &value) { FMemo->Assign(value); }
    TkavWideStrings &Lines() const { return *FMemo; }
    double ParagraphGap() const { return FParagraphGap; }
    void SetParagraphGap(double value) { FParagraphGap = value; }
    int Rotation() const { return FRotation; }
    // Stores the value modulo 360, keeping its sign (450 gives 90, -90 stays -90).
    void SetRotation(int value) { FRotation = value % 360; }
    bool RTLReading() const { return FRTLReading; }
    void SetRTLReading(bool value) { FRTLReading = value; }
    const QString &Style() const { return FStyle; }
    // Stores the name and, inside a report, applies the report's style of that name.
    void SetStyle(const QString &value);
    // Copies the item's fill, font and frame, each when the item says to apply it; a
    // missing item changes nothing.
    void ApplyStyle(const TkavStyleItem *Item);
    bool SuppressRepeated() const { return FSuppressRepeated; }
    void SetSuppressRepeated(bool value) { FSuppressRepeated = value; }
    bool Underlines() const { return FUnderlines; }
    void SetUnderlines(bool value) { FUnderlines = value; }
    bool UseDefaultCharset() const { return FUseDefaultCharset; }
    void SetUseDefaultCharset(bool value) { FUseDefaultCharset = value; }
    bool WordBreak() const { return FWordBreak; }
    void SetWordBreak(bool value) { FWordBreak = value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value) { FWordWrap = value; }
    bool Wysiwyg() const { return FWysiwyg; }
    void SetWysiwyg(bool value) { FWysiwyg = value; }
    TkavVAlign VAlign() const { return FVAlign; }
    void SetVAlign(TkavVAlign value) { FVAlign = value; }
    bool FirstParaBreak() const { return FFirstParaBreak; }
    void SetFirstParaBreak(bool value) { FFirstParaBreak = value; }
    bool LastParaBreak() const { return FLastParaBreak; }
    void SetLastParaBreak(bool value) { FLastParaBreak = value; }

    // The lines as one text, each line ended by CR LF.
    QString Text() const { return FMemo->Text(); }
    void SetText(const QString &value) { FMemo->SetText(value); }
    // The text in the 8-bit code page of the font's character set.
    QByteArray AnsiText() const;
    void SetAnsiText(const QByteArray &value);
    // The value of the data field or of the last expression evaluated.
    const Variant &Value() const { return FValue; }
    void SetValue(const Variant &value) { FValue = value; }

    TkavCollection &Formats() const { return *FFormats; }
    TkavCollection &Highlights() const { return *FHighlights; }
    // The first format / highlight, created on first access.
    TkavFormat &DisplayFormat();
    void SetDisplayFormat(const TkavFormat &value) { DisplayFormat().Assign(value); }
    TkavHighlight &Highlight();
    void SetHighlight(const TkavHighlight &value) { Highlight().Assign(value); }
    // Stored as DisplayFormat when there is exactly one format; as Highlight when there is
    // exactly one highlight with a non-blank condition.
    bool IsDisplayFormatStored() const { return FFormats->Count() == 1; }
    bool IsHighlightStored() const;

    // Two or more formats / highlights are stored as the child elements "Formats" and
    // "Highlights" (one "item" each); fewer travel in DisplayFormat / Highlight.
    void WriteNestedProperties(TkavXMLItem *Item) override;
    // Takes exactly "Formats" and "Highlights" (ignoring case) and adds their items.
    bool ReadNestedProperty(TkavXMLItem *Item) override;
    // A memo read from a stream takes its formats and highlights from the stream alone
    // (both are emptied first, unless AncestorOnlyStream), so a copy never keeps or
    // doubles the target's own.
    void LoadFromStream(TStream &Stream) override;

private:
    const TkavFormat *firstFormat() const;
    // The bracketed expressions of the text replaced by their display texts.
    void expandExpressions();
    // The first highlight whose condition holds, the look saved first.
    void applyFirstHighlight();
    void restoreLook();
    // The display text of one expression with format (an inline " #tag" overrides it).
    QString expressionText(const QString &expr, const TkavFormat &format);
    // The text engine of the memo's report, or the process-wide one.
    TkavDrawText &drawText() const;
    // Hands the memo's font, options, gaps, geometry and text to engine (locked by the
    // caller). At scale 1 with wide the text area is 10000 x 10000 pixels.
    void prepareLayout(TkavDrawText &engine, double ScaleX, double ScaleY, double OffsetX,
                       double OffsetY, bool wide = false);
    // AutoWidth: Width follows the text, the right edge or centre kept by HAlign.
    void applyAutoWidth(TkavDrawText &engine);
    // Following FlowTo from here comes back to this memo.
    bool flowsBackToSelf() const;

    bool FAutoWidth = false;
    bool FAllowExpressions = true;
    bool FAllowHTMLTags = false;
    double FCharSpacing = 0;
    bool FClipped = true;
    QString FExpressionDelimiters = QString::fromUtf16(kavMemoDefaultExpressionDelimiters);
    TkavComponentRef<TkavCustomMemoView> FFlowTo;
    bool FDataTaken = false; // GetData ran in the current output: the text is this output's
    double FGapX = kavMemoDefaultGapX;
    double FGapY = kavMemoDefaultGapY;
    TkavHAlign FHAlign = haLeft;
    bool FHideZeros = false;
    double FLineSpacing = kavMemoDefaultLineSpacing;
    std::unique_ptr<TkavWideStrings> FMemo;
    double FParagraphGap = 0;
    int FRotation = 0;
    bool FRTLReading = false;
    QString FStyle;
    bool FSuppressRepeated = false;
    bool FUnderlines = false;
    bool FUseDefaultCharset = false;
    bool FWordBreak = false;
    bool FWordWrap = true;
    bool FWysiwyg = true;
    TkavVAlign FVAlign = vaTop;
    // Diff hands the break flags on to the next part of a split text.
    mutable bool FFirstParaBreak = false;
    mutable bool FLastParaBreak = false;
    Variant FValue;
    std::unique_ptr<TkavCollection> FFormats;
    std::unique_ptr<TkavCollection> FHighlights;
    QString FSavedText;
    // The look before a highlight was applied during an output (null when none was).
    struct SavedLook
    {
        std::unique_ptr<TFont> Font;
        std::unique_ptr<TkavCustomFill> Fill;
        std::unique_ptr<TkavFrame> Frame;
        bool Visible = true;
    };
    std::unique_ptr<SavedLook> FSavedLook;
    QString FPartText; // what is left of a text split across pages
    Variant FLastOutput = Variant::Null(); // the text last output, for SuppressRepeated
    int FTotalPages = 0;
    int FCopyNo = 0;
    double FPrintScale = 1;
};

// The text object of the designer.
class TkavMemoView : public TkavCustomMemoView
{
public:
    KAV_CLASSINFO
    using TkavCustomMemoView::TkavCustomMemoView;
    ~TkavMemoView() override;
};

// System text: a memo publishing fewer properties (the others keep their initial values).
class TkavSysMemoView : public TkavCustomMemoView
{
public:
    KAV_CLASSINFO
    using TkavCustomMemoView::TkavCustomMemoView;
    ~TkavSysMemoView() override;
};

// ---------------------------------------------------------------------------------------
// A straight or diagonal line with optional arrows; its colour, width and style are its
// frame's.
class TkavCustomLineView : public TkavStretcheable
{
public:
    KAV_CLASSINFO

    explicit TkavCustomLineView(TkavComponent *AOwner = nullptr);
    ~TkavCustomLineView() override;

    // Colour of solid arrow heads.
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    bool Diagonal() const { return FDiagonal; }
    void SetDiagonal(bool value) { FDiagonal = value; }
    bool ArrowStart() const { return FArrowStart; }
    void SetArrowStart(bool value) { FArrowStart = value; }
    bool ArrowEnd() const { return FArrowEnd; }
    void SetArrowEnd(bool value) { FArrowEnd = value; }
    bool ArrowSolid() const { return FArrowSolid; }
    void SetArrowSolid(bool value) { FArrowSolid = value; }
    int ArrowLength() const { return FArrowLength; }
    void SetArrowLength(int value) { FArrowLength = value; }
    int ArrowWidth() const { return FArrowWidth; }
    void SetArrowWidth(int value) { FArrowWidth = value; }

    // A line that is not diagonal is first made straight (vertical when Width <= Height,
    // else horizontal) and drawn as that frame side; a diagonal one from corner to corner.
    // Then the arrow heads.
    void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

protected:
    // 0 a straight line; 1 diagonal; 2 diagonal with an end arrow; 3 with a start arrow;
    // 4 with both arrows.
    void designSetup(int Flags) override;

private:
    TColor FColor = clNone;
    bool FDiagonal = false;
    bool FArrowStart = false;
    bool FArrowEnd = false;
    bool FArrowSolid = false;
    int FArrowLength = kavLineDefaultArrowLength;
    int FArrowWidth = kavLineDefaultArrowWidth;
};

class TkavLineView : public TkavCustomLineView
{
public:
    KAV_CLASSINFO
    using TkavCustomLineView::TkavCustomLineView;
    ~TkavLineView() override;
};

// ---------------------------------------------------------------------------------------
// Rectangle, rounded rectangle, ellipse, triangle, diamond and diagonals.
class TkavShapeView : public TkavView
{
public:
    KAV_CLASSINFO

    explicit TkavShapeView(TkavComponent *AOwner = nullptr);
    ~TkavShapeView() override;

    TkavShapeKind Shape() const { return FShape; }
    void SetShape(TkavShapeKind value) { FShape = value; }
    // Corner size of rounded rectangles (0: a quarter of the smaller side).
    int Curve() const { return FCurve; }
    void SetCurve(int value) { FCurve = value; }

    // The shape in the frame's colour, width and style, filled with Color (a hatch brush
    // style paints the hatch over it in the frame colour); fsDouble paints it twice.
    void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

protected:
    // Flags is the shape kind; out-of-range values keep the rectangle.
    void designSetup(int Flags) override;

private:
    TkavShapeKind FShape = skRectangle;
    int FCurve = 0;
};

// ---------------------------------------------------------------------------------------
// Picture data: the bytes as read, their format, and the decoded image (bitmaps, JPEG,
// PNG, icons). Metafiles are kept as bytes only. Stored as its bytes ("PropData").
class TkavPicture : public TPersistent, public IkavPropData
{
public:
    KAV_CLASSINFO

    TkavPicture();
    ~TkavPicture() override;

    // Copies the bytes, format and image of another picture.
    void Assign(const TPersistent &source) override;

    // Takes bytes of a known format (a wrapped picture's 8-byte header is skipped) and
    // decodes them; true on success. Unknown formats, images that fail to decode and images
    // larger than kavPictureMaxImageBytes clear the picture and give false.
    bool LoadFromBytes(QByteArrayView data);
    void Clear();

    bool IsEmpty() const { return FFormat == pfNone; }
    TkavPictureFormat Format() const { return FFormat; }
    const QByteArray &Data() const { return FData; }
    // Empty for metafiles and empty pictures.
    const QImage &Image() const { return FImage; }
    // Size of the decoded image or metafile in screen pixels (0 when there is none).
    int Width() const;
    int Height() const;
    // There is an image or a metafile to draw.
    bool CanDraw() const;
    // What of a metafile cannot be drawn, as a sentence; empty when everything draws.
    QString NotDrawn() const;
    // Draws the picture scaled into Target; the transparency and quality switches apply
    // to images.
    void Draw(QPainter &Canvas,
              const QRectF &Target,
              TColor TransparentColor,
              bool Transparent,
              bool HighQuality,
              bool Printing) const;

    // Called after every change of the picture.
    void SetOnChange(std::function<void()> handler) { FOnChange = std::move(handler); }

    // IkavPropData: the entry "Data" with the bytes; nothing for an empty picture.
    void DefinePropData(TkavPropDataWriter &Writer) const override;
    void ReadPropData(const TkavPropDataEntry &Entry) override;

private:
    void changed();

    QByteArray FData;
    TkavPictureFormat FFormat = pfNone;
    QImage FImage;
    std::shared_ptr<const TkavMetafile> FMetafile; // shared by copies: never changed
    std::function<void()> FOnChange;
};

// The format the bytes start with (after an optional 8-byte wrapper, whose length field
// counts the bytes after it); pfNone when unknown. wrapperSize receives 8 or 0.
TkavPictureFormat kavDetectPictureFormat(QByteArrayView data, int *wrapperSize = nullptr);

class TkavPictureView : public TkavView
{
public:
    KAV_CLASSINFO

    explicit TkavPictureView(TkavComponent *AOwner = nullptr);
    ~TkavPictureView() override;

    // Reads the rest of Stream (from its start when ResetStreamPos) as a picture: 0 on
    // success, kavPictureInvalidArgument (with the picture cleared) otherwise. Never throws
    // for bad picture bytes.
    int LoadPictureFromStream(TStream &Stream, bool ResetStreamPos);

    // The view's data, then the picture: from FileLink (expressions expanded; none when the
    // file is missing, and an error line when it cannot be read or the file policy refuses
    // it) or from a binary data field.
    void GetData() override;
    // Background (unless DrawAsMask), the picture stretched, kept in proportion, centred
    // or at its own size as the properties say (clipped to the view), then the frame.
    void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // The view's difference, then " ImageIndex" when it differs: a picture on a prepared page
    // is its number in the picture cache.
    QString Diff(const TkavComponent &AComponent) const override;

    bool AutoSize() const { return FAutoSize; }
    // Turning it on sizes the view to the picture (when there is one).
    void SetAutoSize(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value) { FCenter = value; }
    const QString &FileLink() const { return FFileLink; }
    void SetFileLink(const QString &value) { FFileLink = value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value) { FImageIndex = value; }
    bool KeepAspectRatio() const { return FKeepAspectRatio; }
    void SetKeepAspectRatio(bool value) { FKeepAspectRatio = value; }
    TkavPicture &Picture() const { return *FPicture; }
    void SetPicture(const TkavPicture &value) { FPicture->Assign(value); }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool value) { FStretched = value; }
    bool HightQuality() const { return FHightQuality; }
    void SetHightQuality(bool value) { FHightQuality = value; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value) { FTransparent = value; }
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor value) { FTransparentColor = value; }

    // Whether files store ImageIndex (initially not) and Picture (initially so).
    bool IsImageIndexStored() const { return FIsImageIndexStored; }
    void SetIsImageIndexStored(bool value) { FIsImageIndexStored = value; }
    bool IsPictureStored() const { return FIsPictureStored; }
    void SetIsPictureStored(bool value) { FIsPictureStored = value; }
    // Set by every picture change (and by a run's preparation); the picture cache reads it.
    bool PictureChanged() const { return FPictureChanged; }
    void SetPictureChanged(bool value) { FPictureChanged = value; }

private:
    void pictureChanged();
    void applyAutoSize();

    bool FAutoSize = false;
    bool FCenter = false;
    QString FFileLink;
    int FImageIndex = 0;
    bool FKeepAspectRatio = true;
    std::unique_ptr<TkavPicture> FPicture;
    // While designing: the picture a FileLink without expressions names, so the page shows
    // what will print; never stored with the view.
    const TkavPicture &designPicture();
    std::unique_ptr<TkavPicture> FLinkedPicture;
    QString FLinkedFile;
    bool FStretched = true;
    bool FHightQuality = false;
    bool FTransparent = false;
    TColor FTransparentColor = kavPictureDefaultTransparentColor;
    bool FIsImageIndexStored = false;
    bool FIsPictureStored = true;
    bool FPictureChanged = false;
};

// ---------------------------------------------------------------------------------------
// Placeholder that outputs another report page in its place; never put on prepared pages.
class TkavSubreport : public TkavView
{
public:
    KAV_CLASSINFO

    // All four frame sides, font Tahoma 8, silver background.
    explicit TkavSubreport(TkavComponent *AOwner = nullptr);
    // Clears the page's back-reference to this subreport.
    ~TkavSubreport() override;

    // The page whose content is output here. Published as "Page"; named apart from the
    // component's own Page() (the page the subreport sits on). Setting it also points the
    // page's SubReport at this subreport (and releases the previous page).
    TkavReportPage *SubPage() const;
    void SetSubPage(TkavReportPage *value);
    bool PrintOnParent() const { return FPrintOnParent; }
    void SetPrintOnParent(bool value) { FPrintOnParent = value; }

    // The view, then its name in its own font at (X + 2, Y + 2).
    void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

private:
    void releasePage();

    TkavComponentRef<TkavReportPage> FPage;
    bool FPrintOnParent = false;
};

// A script string literal holding text: PascalScript quotes with ' and doubles inner ';
// the C-like languages quote with " and escape \ and " with a backslash.
QString kavQuoteScriptString(const QString &text, bool pascalScript);

// Registers the view classes and the format and highlight items in the class registry.
void kavRegisterViewClasses();
