// Text objects: the memo's published tables, its text and its prepared-page difference text.

#include "kavViews.h"
#include "kavViews_p.h"
#include "kavReport.h"
#include "kavStyles.h"

#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavCast.h>
#include <rtl/kavFormat.h>
#include <rtl/kavRTTI.h>

#include <optional>

using namespace Qt::StringLiterals;
using namespace kavViewsPrivate;

namespace {

const QString formatsElement = u"Formats"_s;
const QString highlightsElement = u"Highlights"_s;

const TkavFormat &defaultFormat()
{
    static const TkavFormat format;
    return format;
}

bool isExpressionDelimitersStored(const TkavCustomMemoView &memo)
{
    return memo.ExpressionDelimiters() != QString::fromUtf16(kavMemoDefaultExpressionDelimiters);
}

// The memo entries in their stored order; only those named in `only` when given (the
// system memo publishes a subset).
template <class T>
void publishMemoProps(TkavPropBuilder<T> &p, const QStringList *only)
{
    using M = TkavCustomMemoView;
    const auto want = [only](QStringView name) { return !only || only->contains(name); };
    if (want(u"AutoWidth"))
        p.Bool(u"AutoWidth"_s, &M::AutoWidth, &M::SetAutoWidth).Default(false);
    if (want(u"AllowExpressions"))
        p.Bool(u"AllowExpressions"_s, &M::AllowExpressions, &M::SetAllowExpressions).Default(true);
    if (want(u"AllowHTMLTags"))
        p.Bool(u"AllowHTMLTags"_s, &M::AllowHTMLTags, &M::SetAllowHTMLTags).Default(false);
    if (want(u"BrushStyle"))
        p.Enum(u"BrushStyle"_s, &TkavView::BrushStyle, &TkavView::SetBrushStyle).Stored(false);
    if (want(u"CharSpacing"))
        p.Float(u"CharSpacing"_s, &M::CharSpacing, &M::SetCharSpacing).StoredIf([](const M &m) {
            return m.CharSpacing() != 0;
        });
    if (want(u"Clipped"))
        p.Bool(u"Clipped"_s, &M::Clipped, &M::SetClipped).Default(true);
    if (want(u"Color"))
        publishColor(p);
    if (want(u"DataField"))
        publishDataBinding(p);
    if (want(u"DisplayFormat"))
        p.Object(u"DisplayFormat"_s, &M::DisplayFormat, &M::SetDisplayFormat)
            .StoredIf(&M::IsDisplayFormatStored);
    if (want(u"ExpressionDelimiters"))
        p.String(u"ExpressionDelimiters"_s, &M::ExpressionDelimiters, &M::SetExpressionDelimiters)
            .StoredIf(&isExpressionDelimitersStored);
    if (want(u"FlowTo"))
        p.Component(u"FlowTo"_s, &M::FlowTo, &M::SetFlowTo);
    if (want(u"Font"))
        kavPublishFont(p);
    if (want(u"Frame"))
        publishFrameAndFill(p, true);
    if (want(u"GapX"))
        p.Float(u"GapX"_s, &M::GapX, &M::SetGapX).StoredIf([](const M &m) {
            return floatsDiffer(m.GapX(), kavMemoDefaultGapX);
        });
    if (want(u"GapY"))
        p.Float(u"GapY"_s, &M::GapY, &M::SetGapY).StoredIf([](const M &m) {
            return floatsDiffer(m.GapY(), kavMemoDefaultGapY);
        });
    if (want(u"HAlign"))
        p.Enum(u"HAlign"_s, &M::HAlign, &M::SetHAlign).Default(haLeft);
    if (want(u"HideZeros"))
        p.Bool(u"HideZeros"_s, &M::HideZeros, &M::SetHideZeros).Default(false);
    if (want(u"Highlight"))
        p.Object(u"Highlight"_s, &M::Highlight, &M::SetHighlight).StoredIf(&M::IsHighlightStored);
    if (want(u"LineSpacing"))
        p.Float(u"LineSpacing"_s, &M::LineSpacing, &M::SetLineSpacing).StoredIf([](const M &m) {
            return floatsDiffer(m.LineSpacing(), kavMemoDefaultLineSpacing);
        });
    // The text itself travels as the element's text attribute.
    if (want(u"Memo"))
        p.WideStrings(u"Memo"_s, &M::Memo, &M::SetMemo).TypeName(u"TWideStrings"_s);
    if (want(u"ParagraphGap"))
        p.Float(u"ParagraphGap"_s, &M::ParagraphGap, &M::SetParagraphGap).StoredIf([](const M &m) {
            return m.ParagraphGap() != 0;
        });
    if (want(u"ParentFont"))
        kavPublishParentFont(p).Default(true);
    if (want(u"Rotation"))
        p.Int(u"Rotation"_s, &M::Rotation, &M::SetRotation).Default(0);
    if (want(u"RTLReading"))
        p.Bool(u"RTLReading"_s, &M::RTLReading, &M::SetRTLReading).Default(false);
    if (want(u"Style"))
        p.String(u"Style"_s, &M::Style, &M::SetStyle);
    if (want(u"SuppressRepeated"))
        p.Bool(u"SuppressRepeated"_s, &M::SuppressRepeated, &M::SetSuppressRepeated).Default(false);
    if (want(u"Underlines"))
        p.Bool(u"Underlines"_s, &M::Underlines, &M::SetUnderlines).Default(false);
    if (want(u"UseDefaultCharset"))
        p.Bool(u"UseDefaultCharset"_s, &M::UseDefaultCharset, &M::SetUseDefaultCharset)
            .Default(false);
    if (want(u"WordBreak"))
        p.Bool(u"WordBreak"_s, &M::WordBreak, &M::SetWordBreak).Default(false);
    // The system memo's own table puts VAlign before WordWrap.
    const auto publishVAlign
        = [&p] { p.Enum(u"VAlign"_s, &M::VAlign, &M::SetVAlign).Default(vaTop); };
    if (only && want(u"VAlign"))
        publishVAlign();
    if (want(u"WordWrap"))
        p.Bool(u"WordWrap"_s, &M::WordWrap, &M::SetWordWrap).Default(true);
    if (want(u"Wysiwyg"))
        p.Bool(u"Wysiwyg"_s, &M::Wysiwyg, &M::SetWysiwyg).Default(true);
    if (!only)
        publishVAlign();
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavCustomMemoView

TkavCustomMemoView::TkavCustomMemoView(TkavComponent *AOwner)
    : TkavStretcheable(AOwner)
    , FMemo(std::make_unique<TkavWideStrings>())
    , FFormats(std::make_unique<TkavCollection>(TkavFormat::StaticClassInfo()))
    , FHighlights(std::make_unique<TkavCollection>(TkavHighlight::StaticClassInfo()))
{
    SetkvComponentStyle(kvComponentStyle() - TkavComponentStyle{csDefaultDiff}
                        + TkavComponentStyle{csHandlesNestedProperties});
}

TkavCustomMemoView::~TkavCustomMemoView() = default;

void TkavCustomMemoView::SetStyle(const QString &value)
{
    FStyle = value;
    if (const TkavReport *report = Report())
        ApplyStyle(report->Styles().Find(value));
}

void TkavCustomMemoView::ApplyStyle(const TkavStyleItem *Item)
{
    if (!Item)
        return;
    if (Item->ApplyFill())
        SetFill(Item->Fill());
    if (Item->ApplyFont())
        SetFont(Item->Font());
    if (Item->ApplyFrame())
        SetFrame(Item->Frame());
}

void TkavCustomMemoView::BeforePrint()
{
    TkavStretcheable::BeforePrint();
    FDataTaken = false;
    if (!IsDataField())
        FSavedText = FMemo->Text();
}

void TkavCustomMemoView::AfterPrint()
{
    FDataTaken = false;
    if (!IsDataField())
        FMemo->SetText(FSavedText);
    restoreLook();
    TkavStretcheable::AfterPrint();
}

QString TkavCustomMemoView::XMLText() const
{
    QString text = FMemo->Text();
    if (text.endsWith(u"\r\n"_s))
        text.chop(2);
    return text;
}

void TkavCustomMemoView::SetXMLText(const QString &Text)
{
    FMemo->SetText(Text);
}

QByteArray TkavCustomMemoView::AnsiText() const
{
    return kavWideToAnsi(Text(), Font().Charset());
}

void TkavCustomMemoView::SetAnsiText(const QByteArray &value)
{
    SetText(kavAnsiToWide(value, Font().Charset()));
}

TkavFormat &TkavCustomMemoView::DisplayFormat()
{
    if (FFormats->Count() == 0)
        FFormats->Add();
    return static_cast<TkavFormat &>(*FFormats->Items(0));
}

TkavHighlight &TkavCustomMemoView::Highlight()
{
    if (FHighlights->Count() == 0)
        FHighlights->Add();
    return static_cast<TkavHighlight &>(*FHighlights->Items(0));
}

bool TkavCustomMemoView::IsHighlightStored() const
{
    return FHighlights->Count() == 1
           && !static_cast<const TkavHighlight *>(FHighlights->Items(0))
                   ->Condition()
                   .trimmed()
                   .isEmpty();
}

void TkavCustomMemoView::WriteNestedProperties(TkavXMLItem *Item)
{
    if (!Item)
        return;
    // Written without ancestor collections until inherited reports supply the ancestor memo.
    if (FFormats->Count() > 1)
        kavWriteCollection(*FFormats, formatsElement, *Item, this);
    if (FHighlights->Count() > 1)
        kavWriteCollection(*FHighlights, highlightsElement, *Item, this);
}

bool TkavCustomMemoView::ReadNestedProperty(TkavXMLItem *Item)
{
    if (!Item)
        return false;
    if (kavSameText(Item->Name(), formatsElement))
        kavReadCollection(*FFormats, *Item, this);
    else if (kavSameText(Item->Name(), highlightsElement))
        kavReadCollection(*FHighlights, *Item, this);
    else
        return false;
    return true;
}

void TkavCustomMemoView::LoadFromStream(TStream &Stream)
{
    if (!AncestorOnlyStream()) {
        FFormats->Clear();
        FHighlights->Clear();
    }
    TkavStretcheable::LoadFromStream(Stream);
}

const TkavFormat *TkavCustomMemoView::firstFormat() const
{
    return FFormats->Count() > 0 ? static_cast<const TkavFormat *>(FFormats->Items(0)) : nullptr;
}

QString TkavCustomMemoView::Diff(const TkavComponent &AComponent) const
{
    QString text = TkavStretcheable::Diff(AComponent);
    // Compared against a default memo when the other object is not one.
    std::optional<TkavCustomMemoView> defaults;
    const auto *found = kavCast<const TkavCustomMemoView>(&AComponent);
    const TkavCustomMemoView &other = found ? *found : defaults.emplace();

    const auto addBool = [&text](QStringView name, bool mine, bool theirs) {
        if (mine != theirs)
            addAttr(text, name, boolText(mine));
    };
    const auto addFloat = [&text](QStringView name, double mine, double theirs) {
        if (floatsDiffer(mine, theirs))
            addAttr(text, name, kavFloatToFileText(mine));
    };
    const auto addInt = [&text](QStringView name, int mine, int theirs) {
        if (mine != theirs)
            addAttr(text, name, QString::number(mine));
    };

    addBool(u"AutoWidth", FAutoWidth, other.FAutoWidth);
    addFloat(u"CharSpacing", FCharSpacing, other.FCharSpacing);
    addFloat(u"GapX", FGapX, other.FGapX);
    addFloat(u"GapY", FGapY, other.FGapY);
    addInt(u"HAlign", FHAlign, other.FHAlign);
    addFloat(u"LineSpacing", FLineSpacing, other.FLineSpacing);
    addBool(u"UseDefaultCharset", FUseDefaultCharset, other.FUseDefaultCharset);
    // Always written; escaped even for one line so quotes cannot end the attribute.
    addAttr(text, u"u", kavEncodeXMLText(XMLText()));
    addFloat(u"ParagraphGap", FParagraphGap, other.FParagraphGap);
    addInt(u"Rotation", FRotation, other.FRotation);
    addBool(u"RTLReading", FRTLReading, other.FRTLReading);
    addBool(u"Underlines", FUnderlines, other.FUnderlines);
    addInt(u"VAlign", FVAlign, other.FVAlign);
    addBool(u"WordWrap", FWordWrap, other.FWordWrap);

    if (FFormats->Count() == 1) {
        const TkavFormat &mine = *firstFormat();
        const TkavFormat &theirs = other.firstFormat() ? *other.firstFormat() : defaultFormat();
        addInt(u"DisplayFormat.Kind", mine.Kind(), theirs.Kind());
        if (mine.DecimalSeparator() != theirs.DecimalSeparator())
            addAttr(
                text, u"DisplayFormat.DecimalSeparator", kavEncodeXMLText(mine.DecimalSeparator()));
        if (mine.ThousandSeparator() != theirs.ThousandSeparator())
            addAttr(text,
                    u"DisplayFormat.ThousandSeparator",
                    kavEncodeXMLText(mine.ThousandSeparator()));
        if (mine.FormatStr() != theirs.FormatStr())
            addAttr(text, u"DisplayFormat.FormatStr", kavEncodeXMLText(mine.FormatStr()));
    }
    if (FFirstParaBreak)
        addAttr(text, u"FirstParaBreak", u"1"_s);
    if (FLastParaBreak)
        addAttr(text, u"LastParaBreak", u"1"_s);
    // The next part of a split text starts where this one ended.
    FFirstParaBreak = FLastParaBreak;
    FLastParaBreak = false;
    return text;
}

const TkavClassInfo &TkavCustomMemoView::StaticClassInfo()
{
    using M = TkavCustomMemoView;
    static const TkavClassInfo info = kavMakeClassInfo<M, TkavStretcheable>(
        u"TkavCustomMemoView"_s,
        [](TkavPropBuilder<M> &p) {
            p.Bool(u"FirstParaBreak"_s, &M::FirstParaBreak, &M::SetFirstParaBreak).Default(false);
            p.Bool(u"LastParaBreak"_s, &M::LastParaBreak, &M::SetLastParaBreak).Default(false);
            publishCursor(p);
            publishTagStr(p);
            publishURL(p);
        },
        kavComponentFactory<M>());
    return info;
}

TkavMemoView::~TkavMemoView() = default;

const TkavClassInfo &TkavMemoView::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavMemoView, TkavCustomMemoView>(
        u"TkavMemoView"_s,
        [](TkavPropBuilder<TkavMemoView> &p) { publishMemoProps(p, nullptr); },
        kavComponentFactory<TkavMemoView>());
    return info;
}

TkavSysMemoView::~TkavSysMemoView() = default;

const TkavClassInfo &TkavSysMemoView::StaticClassInfo()
{
    static const QStringList published = {u"AutoWidth"_s,
                                          u"CharSpacing"_s,
                                          u"Color"_s,
                                          u"DisplayFormat"_s,
                                          u"Font"_s,
                                          u"Frame"_s,
                                          u"GapX"_s,
                                          u"GapY"_s,
                                          u"HAlign"_s,
                                          u"HideZeros"_s,
                                          u"Highlight"_s,
                                          u"Memo"_s,
                                          u"ParentFont"_s,
                                          u"Rotation"_s,
                                          u"RTLReading"_s,
                                          u"Style"_s,
                                          u"SuppressRepeated"_s,
                                          u"VAlign"_s,
                                          u"WordWrap"_s};
    static const TkavClassInfo info = kavMakeClassInfo<TkavSysMemoView, TkavCustomMemoView>(
        u"TkavSysMemoView"_s,
        [](TkavPropBuilder<TkavSysMemoView> &p) { publishMemoProps(p, &published); },
        kavComponentFactory<TkavSysMemoView>());
    return info;
}
