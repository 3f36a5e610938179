// Views: published tables through the registry (order, defaults, stored rules), setters'
// side effects, prepared-page difference texts, picture bytes (formats, wrapper, bounded
// decoding, round trip through the serializer) and creation by class name.

#include <persist/kavXMLSerializer.h>
#include <report/kavComponent.h>
#include <report/kavDataSets.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavColors.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QStringList propNames(const TkavClassInfo &info)
{
    QStringList names;
    for (const TkavPropInfo *prop : info.Props())
        names << prop->Name();
    return names;
}

// The names a class adds after its ancestor's entries.
QStringList ownNames(const TkavClassInfo &info)
{
    const QStringList all = propNames(info);
    return all.mid(info.Parent() ? propNames(*info.Parent()).size() : 0);
}

const QStringList viewNames = {u"Name"_s,
                               u"Tag"_s,
                               u"Description"_s,
                               u"Align"_s,
                               u"Printable"_s,
                               u"ShiftMode"_s,
                               u"Left"_s,
                               u"Top"_s,
                               u"Width"_s,
                               u"Height"_s,
                               u"GroupIndex"_s,
                               u"Restrictions"_s,
                               u"Visible"_s,
                               u"OnAfterData"_s,
                               u"OnAfterPrint"_s,
                               u"OnBeforePrint"_s,
                               u"OnMouseEnter"_s,
                               u"OnMouseLeave"_s,
                               u"OnMouseDown"_s,
                               u"OnMouseMove"_s,
                               u"OnMouseUp"_s,
                               u"OnPreviewClick"_s,
                               u"OnPreviewDblClick"_s,
                               u"Hyperlink"_s,
                               u"Hint"_s,
                               u"ShowHint"_s,
                               u"Visibility"_s};

struct OrderRow
{
    const char *label;
    const TkavClassInfo &(*info)();
    QStringList own;
};

TEST(ViewsTables, PublishedOrderPerClass)
{
    const std::vector<OrderRow> rows = {
        {"view", &TkavView::StaticClassInfo, viewNames.mid(3)},
        {"stretcheable", &TkavStretcheable::StaticClassInfo, {u"StretchMode"_s}},
        {"custom memo",
         &TkavCustomMemoView::StaticClassInfo,
         {u"FirstParaBreak"_s, u"LastParaBreak"_s, u"Cursor"_s, u"TagStr"_s, u"URL"_s}},
        {"memo", &TkavMemoView::StaticClassInfo, {u"AutoWidth"_s,     u"AllowExpressions"_s,
                                                  u"AllowHTMLTags"_s, u"BrushStyle"_s,
                                                  u"CharSpacing"_s,   u"Clipped"_s,
                                                  u"Color"_s,         u"DataField"_s,
                                                  u"DataSet"_s,       u"DataSetName"_s,
                                                  u"DisplayFormat"_s, u"ExpressionDelimiters"_s,
                                                  u"FlowTo"_s,        u"Font"_s,
                                                  u"Frame"_s,         u"FillType"_s,
                                                  u"Fill"_s,          u"GapX"_s,
                                                  u"GapY"_s,          u"HAlign"_s,
                                                  u"HideZeros"_s,     u"Highlight"_s,
                                                  u"LineSpacing"_s,   u"Memo"_s,
                                                  u"ParagraphGap"_s,  u"ParentFont"_s,
                                                  u"Rotation"_s,      u"RTLReading"_s,
                                                  u"Style"_s,         u"SuppressRepeated"_s,
                                                  u"Underlines"_s,    u"UseDefaultCharset"_s,
                                                  u"WordBreak"_s,     u"WordWrap"_s,
                                                  u"Wysiwyg"_s,       u"VAlign"_s}},
        {"system memo",
         &TkavSysMemoView::StaticClassInfo,
         {u"AutoWidth"_s,
          u"CharSpacing"_s,
          u"Color"_s,
          u"DisplayFormat"_s,
          u"Font"_s,
          u"Frame"_s,
          u"FillType"_s,
          u"Fill"_s,
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
          u"WordWrap"_s}},
        {"custom line", &TkavCustomLineView::StaticClassInfo, {u"Color"_s, u"TagStr"_s}},
        {"line",
         &TkavLineView::StaticClassInfo,
         {u"ArrowEnd"_s,
          u"ArrowLength"_s,
          u"ArrowSolid"_s,
          u"ArrowStart"_s,
          u"ArrowWidth"_s,
          u"Frame"_s,
          u"Diagonal"_s}},
        {"shape",
         &TkavShapeView::StaticClassInfo,
         {u"Shape"_s,
          u"Curve"_s,
          u"Color"_s,
          u"Cursor"_s,
          u"FillType"_s,
          u"Fill"_s,
          u"Frame"_s,
          u"TagStr"_s,
          u"URL"_s}},
        {"picture",
         &TkavPictureView::StaticClassInfo,
         {u"Cursor"_s,
          u"AutoSize"_s,
          u"Center"_s,
          u"DataField"_s,
          u"DataSet"_s,
          u"DataSetName"_s,
          u"Frame"_s,
          u"FillType"_s,
          u"Fill"_s,
          u"FileLink"_s,
          u"ImageIndex"_s,
          u"KeepAspectRatio"_s,
          u"Picture"_s,
          u"Stretched"_s,
          u"TagStr"_s,
          u"URL"_s,
          u"HightQuality"_s,
          u"Transparent"_s,
          u"TransparentColor"_s}},
        {"subreport", &TkavSubreport::StaticClassInfo, {u"Page"_s, u"PrintOnParent"_s}},
        {"format",
         &TkavFormat::StaticClassInfo,
         {u"DecimalSeparator"_s, u"ThousandSeparator"_s, u"FormatStr"_s, u"Kind"_s}},
        {"highlight",
         &TkavHighlight::StaticClassInfo,
         {u"Active"_s,
          u"ApplyFont"_s,
          u"ApplyFill"_s,
          u"ApplyFrame"_s,
          u"Font"_s,
          u"Color"_s,
          u"Condition"_s,
          u"FillType"_s,
          u"Fill"_s,
          u"Frame"_s,
          u"Visible"_s}},
    };
    EXPECT_EQ(propNames(TkavView::StaticClassInfo()), viewNames);
    for (const OrderRow &row : rows)
        EXPECT_EQ(ownNames(row.info()), row.own) << row.label;
}

struct DefaultRow
{
    const char16_t *name;
    const char16_t *typeName;
    TkavStoredRule stored;
    bool hasDefault;
    qint64 defaultValue;
};

TEST(ViewsTables, DeclaredDefaultsAndStoredRulesOfTheMemo)
{
    const std::vector<DefaultRow> rows = {
        {u"Align", u"TkavAlign", srAlways, true, baNone},
        {u"Printable", u"Boolean", srNever, false, 0},
        {u"ShiftMode", u"TkavShiftMode", srAlways, true, smAlways},
        {u"Visible", u"Boolean", srAlways, true, 1},
        {u"ShowHint", u"Boolean", srAlways, true, 0},
        {u"Visibility", u"TkavVisibilityTypes", srAlways, true, 7},
        {u"StretchMode", u"TkavStretchMode", srAlways, true, smDontStretch},
        {u"URL", u"String", srNever, false, 0},
        {u"Cursor", u"TCursor", srAlways, true, 0},
        {u"AutoWidth", u"Boolean", srAlways, true, 0},
        {u"AllowExpressions", u"Boolean", srAlways, true, 1},
        {u"BrushStyle", u"TBrushStyle", srNever, false, 0},
        {u"Color", u"TColor", srNever, false, 0},
        {u"Clipped", u"Boolean", srAlways, true, 1},
        {u"DisplayFormat", u"TkavFormat", srPredicate, false, 0},
        {u"Highlight", u"TkavHighlight", srPredicate, false, 0},
        {u"GapX", u"Double", srPredicate, false, 0},
        {u"HAlign", u"TkavHAlign", srAlways, true, haLeft},
        {u"ParentFont", u"Boolean", srAlways, true, 1},
        {u"Font", u"TFont", srPredicate, false, 0},
        {u"Rotation", u"Integer", srAlways, true, 0},
        {u"WordWrap", u"Boolean", srAlways, true, 1},
        {u"Wysiwyg", u"Boolean", srAlways, true, 1},
        {u"VAlign", u"TkavVAlign", srAlways, true, vaTop},
        {u"FlowTo", u"TkavCustomMemoView", srAlways, false, 0},
    };
    const TkavClassInfo &info = TkavMemoView::StaticClassInfo();
    for (const DefaultRow &row : rows) {
        const TkavPropInfo *prop = info.FindProp(QStringView(row.name));
        ASSERT_NE(prop, nullptr) << QString::fromUtf16(row.name).toStdString();
        const std::string label = prop->Name().toStdString();
        EXPECT_EQ(prop->TypeName(), QString::fromUtf16(row.typeName)) << label;
        EXPECT_EQ(prop->StoredRule(), row.stored) << label;
        EXPECT_EQ(prop->HasDefault(), row.hasDefault) << label;
        if (row.hasDefault) {
            EXPECT_EQ(prop->Default(), row.defaultValue) << label;
        }
    }
}

TEST(ViewsTables, OtherClassesDefaults)
{
    const struct
    {
        const TkavClassInfo &(*info)();
        const char16_t *name;
        qint64 defaultValue;
    } rows[] = {
        {&TkavLineView::StaticClassInfo, u"ArrowLength", 20},
        {&TkavLineView::StaticClassInfo, u"ArrowWidth", 5},
        {&TkavLineView::StaticClassInfo, u"Color", clNone},
        {&TkavShapeView::StaticClassInfo, u"Shape", skRectangle},
        {&TkavPictureView::StaticClassInfo, u"KeepAspectRatio", 1},
        {&TkavPictureView::StaticClassInfo, u"Stretched", 1},
        {&TkavPictureView::StaticClassInfo, u"TransparentColor", clWhite},
        {&TkavHighlight::StaticClassInfo, u"ApplyFont", 1},
        {&TkavHighlight::StaticClassInfo, u"ApplyFrame", 0},
        {&TkavFormat::StaticClassInfo, u"Kind", fkText},
    };
    for (const auto &row : rows) {
        const TkavPropInfo *prop = row.info().FindProp(QStringView(row.name));
        ASSERT_NE(prop, nullptr);
        EXPECT_TRUE(prop->HasDefault()) << prop->Name().toStdString();
        EXPECT_EQ(prop->Default(), row.defaultValue) << prop->Name().toStdString();
    }
}

// Initial values agree with the declared defaults, so a new object writes nothing for them.
TEST(ViewsTables, InitialValuesMatchDeclaredDefaults)
{
    kavRegisterReportClasses();
    for (const char16_t *cls : {u"TkavMemoView",
                                u"TkavSysMemoView",
                                u"TkavLineView",
                                u"TkavShapeView",
                                u"TkavPictureView"}) {
        std::unique_ptr<TPersistent> obj = kavCreateObject(QStringView(cls));
        ASSERT_TRUE(obj);
        for (const TkavPropInfo *prop : obj->ClassInfo().Props()) {
            if (prop->HasDefault()) {
                EXPECT_EQ(prop->GetOrd(*obj), prop->Default())
                    << QString::fromUtf16(cls).toStdString() << "." << prop->Name().toStdString();
            }
        }
    }
}

TEST(ViewsTables, StoredPredicatesFollowTheValues)
{
    TkavMemoView memo;
    const TkavClassInfo &info = memo.ClassInfo();
    const auto stored
        = [&](const char16_t *name) { return info.FindProp(QStringView(name))->IsStored(memo); };
    EXPECT_FALSE(stored(u"GapX"));
    EXPECT_FALSE(stored(u"GapY"));
    EXPECT_FALSE(stored(u"LineSpacing"));
    EXPECT_FALSE(stored(u"ExpressionDelimiters"));
    EXPECT_FALSE(stored(u"DisplayFormat"));
    EXPECT_FALSE(stored(u"Highlight"));
    memo.SetGapX(3);
    memo.SetGapY(0);
    memo.SetLineSpacing(1.5);
    memo.SetExpressionDelimiters(u"<%,%>"_s);
    memo.DisplayFormat();
    memo.Highlight();
    EXPECT_TRUE(stored(u"GapX"));
    EXPECT_TRUE(stored(u"GapY"));
    EXPECT_TRUE(stored(u"LineSpacing"));
    EXPECT_TRUE(stored(u"ExpressionDelimiters"));
    EXPECT_TRUE(stored(u"DisplayFormat"));
    // One highlight is stored only with a non-blank condition.
    EXPECT_FALSE(stored(u"Highlight"));
    memo.Highlight().SetCondition(u"  "_s);
    EXPECT_FALSE(stored(u"Highlight"));
    memo.Highlight().SetCondition(u"Value > 0"_s);
    EXPECT_TRUE(stored(u"Highlight"));
    // Two items go to nested elements instead.
    memo.Formats().Add();
    memo.Highlights().Add();
    EXPECT_FALSE(stored(u"DisplayFormat"));
    EXPECT_FALSE(stored(u"Highlight"));

    TkavPictureView picture;
    const TkavClassInfo &pinfo = picture.ClassInfo();
    EXPECT_TRUE(pinfo.FindProp(u"Picture")->IsStored(picture));
    EXPECT_FALSE(pinfo.FindProp(u"ImageIndex")->IsStored(picture));
    picture.SetIsPictureStored(false);
    picture.SetIsImageIndexStored(true);
    EXPECT_FALSE(pinfo.FindProp(u"Picture")->IsStored(picture));
    EXPECT_TRUE(pinfo.FindProp(u"ImageIndex")->IsStored(picture));
}

TEST(ViewsTables, WrittenAttributesOfANewAndAnEditedMemo)
{
    TkavMemoView memo;
    TkavXMLSerializer writer;
    const QString plain = writer.ObjToXML(&memo);
    for (const char16_t *name : {u"GapX=",
                                 u"AllowExpressions=",
                                 u"Printable=",
                                 u"URL=",
                                 u"Color=",
                                 u"BrushStyle=",
                                 u"DisplayFormat.",
                                 u"Rotation="})
        EXPECT_FALSE(plain.contains(QStringView(name))) << plain.toStdString();
    memo.SetGapX(4);
    memo.SetAllowExpressions(false);
    memo.SetRotation(90);
    memo.DisplayFormat().SetKind(fkNumeric);
    const QString edited = writer.ObjToXML(&memo);
    EXPECT_TRUE(edited.contains(u" GapX=\"4\""_s)) << edited.toStdString();
    EXPECT_TRUE(edited.contains(u" AllowExpressions=\"False\""_s)) << edited.toStdString();
    EXPECT_TRUE(edited.contains(u" Rotation=\"90\""_s)) << edited.toStdString();
    EXPECT_TRUE(edited.contains(u" DisplayFormat.Kind=\"fkNumeric\""_s)) << edited.toStdString();
}

// ---------------------------------------------------------------------------------------
// Setters' side effects

TEST(ViewsSetters, PrintableIsTheVisibilityPrintBit)
{
    TkavShapeView view;
    EXPECT_TRUE(view.Printable());
    view.SetPrintable(false);
    EXPECT_EQ(view.Visibility(), (TkavVisibilityTypes{vsPreview, vsExport}));
    view.SetVisibility(TkavVisibilityTypes{vsPrint});
    EXPECT_TRUE(view.Printable());
    view.SetPrintable(true);
    EXPECT_EQ(view.Visibility().Mask(), 4u);
}

TEST(ViewsSetters, URLSetsTheHyperlink)
{
    const struct
    {
        QString url;
        TkavHyperlinkKind kind;
        QString value;
    } rows[] = {
        {u"#Total"_s, hkAnchor, u"Total"_s},
        {u"@5"_s, hkPageNumber, u"5"_s},
        {u"http://example.org/a"_s, hkURL, u"http://example.org/a"_s},
        {u"@"_s + QString(300, u'9'), hkPageNumber, QString(255, u'9')},
    };
    for (const auto &row : rows) {
        TkavMemoView memo;
        memo.SetURL(row.url);
        EXPECT_EQ(memo.Hyperlink().Kind(), row.kind) << row.url.toStdString();
        EXPECT_EQ(memo.Hyperlink().Value(), row.value) << row.url.toStdString();
        EXPECT_TRUE(memo.URL().isEmpty());
    }
    TkavMemoView memo;
    memo.SetURL(u"#Anchor"_s);
    memo.SetURL(QString());
    EXPECT_EQ(memo.Hyperlink().Kind(), hkAnchor);
    EXPECT_EQ(memo.Hyperlink().Value(), u"Anchor"_s);
}

TEST(ViewsSetters, FillTypeColorAndBrushStyle)
{
    TkavShapeView view;
    view.SetColor(clRed);
    view.SetBrushStyle(bsCross);
    EXPECT_EQ(view.Color(), clRed);
    EXPECT_EQ(view.BrushStyle(), bsCross);

    view.SetFillType(ftGlass);
    ASSERT_NE(dynamic_cast<TkavGlassFill *>(&view.Fill()), nullptr);
    EXPECT_EQ(view.Color(), clNone);
    EXPECT_EQ(view.BrushStyle(), bsClear);
    view.SetColor(clRed); // no brush fill: nothing changes
    view.SetBrushStyle(bsSolid);
    EXPECT_EQ(view.Color(), clNone);
    EXPECT_EQ(view.BrushStyle(), bsClear);
    EXPECT_EQ(view.FillType(), ftGlass);

    TkavGradientFill gradient;
    gradient.SetStartColor(clRed);
    view.SetFill(gradient);
    EXPECT_EQ(view.FillType(), ftGradient);
    EXPECT_EQ(static_cast<TkavGradientFill &>(view.Fill()).StartColor(), clRed);
    EXPECT_NE(&view.Fill(), &gradient);

    // Switching back gives a fresh brush fill with its initial values.
    view.SetFillType(ftBrush);
    EXPECT_EQ(view.Color(), clNone);
    EXPECT_EQ(view.BrushStyle(), bsSolid);
}

TEST(ViewsSetters, FrameAndHyperlinkAreCopied)
{
    TkavMemoView memo;
    TkavFrame frame;
    frame.SetTyp(TkavFrameTypes{ftLeft});
    frame.SetWidth(3);
    memo.SetFrame(frame);
    frame.SetWidth(5);
    EXPECT_EQ(memo.Frame().Typ(), TkavFrameTypes{ftLeft});
    EXPECT_EQ(memo.Frame().Width(), 3);
}

TEST(ViewsSetters, DataSetAndDataSetNameFollowEachOther)
{
    auto customers = std::make_unique<TkavUserDataSet>();
    customers->SetUserName(u"Customers"_s);
    TkavMemoView memo;
    memo.SetDataSet(customers.get());
    EXPECT_EQ(memo.DataSetName(), u"Customers"_s);
    EXPECT_FALSE(memo.IsDataField());
    memo.SetDataField(u"Name"_s);
    EXPECT_TRUE(memo.IsDataField());
    memo.SetDataSet(nullptr);
    EXPECT_EQ(memo.DataSetName(), QString());

    // Outside a report a name resolves nothing: the data set stays as it was.
    TkavPictureView alone;
    alone.SetDataSetName(u"Customers"_s);
    EXPECT_EQ(alone.DataSet(), nullptr);

    TkavReport report;
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    auto *picture = TkavComponent::Create<TkavPictureView>(page);
    picture->SetDataSetName(u"customers"_s); // user names compare ignoring case
    EXPECT_EQ(picture->DataSet(), customers.get());
    // An unknown name in the process-wide list keeps the data set it had.
    picture->SetDataSetName(u"Nowhere"_s);
    EXPECT_EQ(picture->DataSet(), customers.get());
    customers.reset();
    EXPECT_EQ(picture->DataSet(), nullptr);

    // A report that does not use the process-wide list looks in its own data sets only.
    auto orders = std::make_unique<TkavUserDataSet>();
    orders->SetUserName(u"Orders"_s);
    report.EngineOptions().SetUseGlobalDataSetList(false);
    picture->SetDataSetName(u"Orders"_s);
    EXPECT_EQ(picture->DataSet(), nullptr);
    report.DataSets().Add(orders.get());
    picture->SetDataSetName(u"Orders"_s);
    EXPECT_EQ(picture->DataSet(), orders.get());
}

TEST(ViewsSetters, RotationKeepsItsSignModulo360)
{
    const struct
    {
        int set;
        int read;
    } rows[] = {{450, 90}, {-90, -90}, {360, 0}, {-450, -90}, {45, 45}};
    for (const auto &row : rows) {
        TkavMemoView memo;
        memo.SetRotation(row.set);
        EXPECT_EQ(memo.Rotation(), row.read) << row.set;
    }
}

TEST(ViewsSetters, MemoTextAndXMLText)
{
    TkavMemoView memo;
    memo.SetText(u"a\r\nb"_s);
    EXPECT_EQ(memo.Memo().Count(), 2);
    EXPECT_EQ(memo.Text(), u"a\r\nb\r\n"_s);
    EXPECT_EQ(memo.XMLText(), u"a\r\nb"_s);
    memo.SetXMLText(u"x"_s);
    EXPECT_EQ(memo.Lines().Count(), 1);
    EXPECT_EQ(memo.Lines().Get(0), u"x"_s);
}

TEST(ViewsSetters, DisplayFormatAndHighlightAreCreatedOnFirstAccess)
{
    TkavMemoView memo;
    EXPECT_EQ(memo.Formats().Count(), 0);
    EXPECT_EQ(memo.Highlights().Count(), 0);
    TkavFormat format;
    format.SetKind(fkBoolean);
    format.SetFormatStr(u"Yes,No"_s);
    memo.SetDisplayFormat(format);
    EXPECT_EQ(memo.Formats().Count(), 1);
    EXPECT_EQ(memo.DisplayFormat().FormatStr(), u"Yes,No"_s);
    EXPECT_EQ(memo.DisplayFormat().Kind(), fkBoolean);
    TkavHighlight *first = &memo.Highlight();
    EXPECT_EQ(first, memo.Highlights().Items(0));
    EXPECT_EQ(&memo.Highlight(), first);
    EXPECT_EQ(memo.Highlights().Count(), 1);
}

TEST(ViewsSetters, HighlightInitialLookAndCopy)
{
    TkavHighlight h;
    EXPECT_EQ(h.Font().Name(), u"Arial"_s);
    EXPECT_EQ(h.Font().Size(), 10);
    EXPECT_EQ(h.Font().Color(), clRed);
    EXPECT_EQ(h.FillType(), ftBrush);
    h.SetColor(clSilver);
    EXPECT_EQ(h.Color(), clSilver);
    h.SetFillType(ftGradient);
    EXPECT_EQ(h.Color(), clNone);
    h.SetColor(clRed);
    EXPECT_EQ(h.Color(), clNone);

    h.SetActive(true);
    h.SetApplyFrame(true);
    h.SetCondition(u"x = 1"_s);
    h.SetVisible(false);
    TkavHighlight copy;
    copy.Assign(h);
    EXPECT_FALSE(copy.Active()); // the shown state is not copied
    EXPECT_TRUE(copy.ApplyFrame());
    EXPECT_EQ(copy.Condition(), u"x = 1"_s);
    EXPECT_FALSE(copy.Visible());
    EXPECT_EQ(copy.FillType(), ftGradient);
}

TEST(ViewsSetters, LineDesignFlags)
{
    const struct
    {
        int flags;
        bool diagonal, arrowStart, arrowEnd;
    } rows[] = {{0, false, false, false},
                {1, true, false, false},
                {2, true, false, true},
                {3, true, true, false},
                {4, true, true, true}};
    TkavReport report;
    for (const auto &row : rows) {
        auto *line = TkavComponent::DesignCreate<TkavLineView>(&report, row.flags);
        EXPECT_TRUE(line->IsDesigning());
        EXPECT_EQ(line->Diagonal(), row.diagonal) << row.flags;
        EXPECT_EQ(line->ArrowStart(), row.arrowStart) << row.flags;
        EXPECT_EQ(line->ArrowEnd(), row.arrowEnd) << row.flags;
    }
}

TEST(ViewsSetters, ShapeDesignFlagsGiveTheKind)
{
    TkavReport report;
    EXPECT_EQ(TkavComponent::DesignCreate<TkavShapeView>(&report, 2)->Shape(), skEllipse);
    EXPECT_EQ(TkavComponent::DesignCreate<TkavShapeView>(&report, 6)->Shape(), skDiagonal2);
    EXPECT_EQ(TkavComponent::DesignCreate<TkavShapeView>(&report, 7)->Shape(), skRectangle);
}

TEST(ViewsSetters, ComponentStylesAndSubreportDefaults)
{
    TkavView view;
    TkavMemoView memo;
    TkavLineView line;
    TkavShapeView shape;
    TkavPictureView picture;
    TkavSubreport sub;
    EXPECT_TRUE(view.kvComponentStyle().Contains(csDefaultDiff));
    EXPECT_TRUE(sub.kvComponentStyle().Contains(csDefaultDiff));
    for (const TkavComponent *c : {static_cast<TkavComponent *>(&memo),
                                   static_cast<TkavComponent *>(&line),
                                   static_cast<TkavComponent *>(&shape),
                                   static_cast<TkavComponent *>(&picture)})
        EXPECT_FALSE(c->kvComponentStyle().Contains(csDefaultDiff)) << c->ClassName().toStdString();
    EXPECT_TRUE(memo.kvComponentStyle().Contains(csHandlesNestedProperties));
    EXPECT_FALSE(view.kvComponentStyle().Contains(csHandlesNestedProperties));
    EXPECT_TRUE(memo.kvComponentStyle().Contains(csPreviewVisible));
    EXPECT_FALSE(sub.kvComponentStyle().Contains(csPreviewVisible));

    EXPECT_EQ(sub.Frame().Typ(), (TkavFrameTypes{ftLeft, ftRight, ftTop, ftBottom}));
    EXPECT_EQ(sub.Font().Name(), u"Tahoma"_s);
    EXPECT_EQ(sub.Font().Size(), 8);
    EXPECT_EQ(sub.Color(), clSilver);
}

TEST(ViewsSetters, SubreportAndItsPagePointAtEachOther)
{
    TkavReport report;
    auto *first = TkavComponent::Create<TkavReportPage>(&report);
    auto *second = TkavComponent::Create<TkavReportPage>(&report);
    auto sub = std::make_unique<TkavSubreport>();
    sub->SetSubPage(first);
    EXPECT_EQ(sub->SubPage(), first);
    EXPECT_EQ(first->SubReport(), sub.get());
    sub->SetSubPage(second);
    EXPECT_EQ(first->SubReport(), nullptr);
    EXPECT_EQ(second->SubReport(), sub.get());
    // Through the registry, as the reader sets it.
    const TkavPropInfo *page = sub->ClassInfo().FindProp(u"Page");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->TypeName(), u"TkavReportPage"_s);
    page->SetObject(*sub, first);
    EXPECT_EQ(first->SubReport(), sub.get());
    EXPECT_EQ(second->SubReport(), nullptr);
    sub.reset();
    EXPECT_EQ(first->SubReport(), nullptr);
}

TEST(ViewsSetters, SubreportPageReferenceClearsWhenThePageGoes)
{
    TkavReport report;
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    TkavSubreport sub;
    sub.SetSubPage(page);
    ASSERT_TRUE(page->Free());
    EXPECT_EQ(sub.SubPage(), nullptr);
}

TEST(ViewsSetters, OutputBracketRestoresTagAndHyperlinkValue)
{
    TkavMemoView memo;
    memo.SetBounds(1, 2, 30, 40);
    memo.SetTagStr(u"[A]"_s);
    memo.Hyperlink().SetValue(u"[B]"_s);
    memo.SetText(u"design"_s);
    memo.BeforePrint();
    memo.SetTagStr(u"1"_s);
    memo.Hyperlink().SetValue(u"2"_s);
    memo.SetText(u"run"_s);
    memo.SetHeight(99);
    memo.AfterPrint();
    EXPECT_EQ(memo.TagStr(), u"[A]"_s);
    EXPECT_EQ(memo.Hyperlink().Value(), u"[B]"_s);
    EXPECT_EQ(memo.XMLText(), u"design"_s);
    EXPECT_EQ(memo.Height(), 40);
}

TEST(ViewsDraw, BackgroundFillsTheScaledRectangle)
{
    TkavPictureView view; // without a picture: the view's background and frame only
    view.SetBounds(10, 10, 20, 20);
    view.SetColor(0x0000FF); // red
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        view.Draw(&painter, 2, 2, 5, 0);
    }
    // x from 5 + 2 * 10 = 25 to 5 + 2 * 30 = 65 (exclusive), y from 20 to 60.
    EXPECT_EQ(image.pixel(25, 20), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(64, 59), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(24, 30), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(65, 30), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(30, 60), qRgb(255, 255, 255));
}

// ---------------------------------------------------------------------------------------
// Difference texts

TEST(ViewsDiff, ViewAttributesInOrder)
{
    TkavShapeView base;
    TkavShapeView view;
    view.SetAlign(baRight);
    view.Frame().SetTyp(TkavFrameTypes{ftTop});
    view.SetCursor(3);
    view.SetPrintable(false);
    view.SetTagStr(u"a\"b"_s);
    view.SetColor(255);
    view.Hyperlink().SetValue(u"x"_s);
    EXPECT_EQ(view.Diff(base),
              u" Align=\"2\" Frame.Typ=\"4\" Cursor=\"3\" Visibility=\"3\" TagStr=\"a&#34;b\""
              u" Fill.BackColor=\"255\" Hyperlink.Value=\"x\""_s);
    EXPECT_EQ(base.Diff(base), QString());
}

TEST(ViewsDiff, FillTypeChangeWritesTheWholeFill)
{
    TkavShapeView base;
    TkavShapeView view;
    view.SetFillType(ftGlass);
    const QString diff = view.Diff(base);
    EXPECT_TRUE(diff.startsWith(u" FillType=\"2\" Fill."_s)) << diff.toStdString();
}

TEST(ViewsDiff, MemoTextAttributeIsAlwaysPresent)
{
    TkavMemoView base;
    TkavMemoView memo;
    EXPECT_EQ(memo.Diff(base), u" u=\"\""_s);
    memo.SetText(u"a\r\nb"_s);
    EXPECT_EQ(memo.Diff(base), u" u=\"a&#13;&#10;b\""_s);
    memo.SetText(u"say \"hi\" <now>"_s);
    EXPECT_EQ(memo.Diff(base), u" u=\"say &#34;hi&#34; &#60;now&#62;\""_s);
}

TEST(ViewsDiff, MemoAttributesInOrder)
{
    TkavMemoView base;
    TkavMemoView memo;
    memo.SetGapX(3);
    memo.SetHAlign(haCenter);
    memo.SetUseDefaultCharset(true);
    memo.SetRotation(90);
    memo.SetWordWrap(false);
    memo.SetVAlign(vaBottom);
    memo.SetText(u"t"_s);
    memo.DisplayFormat().SetKind(fkNumeric);
    memo.DisplayFormat().SetFormatStr(u"%2.2f"_s);
    EXPECT_EQ(memo.Diff(base),
              u" GapX=\"3\" HAlign=\"2\" UseDefaultCharset=\"1\" u=\"t\" Rotation=\"90\""
              u" VAlign=\"1\" WordWrap=\"0\" DisplayFormat.Kind=\"1\""
              u" DisplayFormat.FormatStr=\"%2.2f\""_s);
    // With two formats the display format is not described.
    memo.Formats().Add();
    EXPECT_FALSE(memo.Diff(base).contains(u"DisplayFormat"_s));
}

TEST(ViewsDiff, MemoAutoWidthLeavesOutTheWidth)
{
    TkavMemoView base;
    TkavMemoView memo;
    memo.SetWidth(50);
    EXPECT_EQ(memo.Diff(base), u" w=\"50\" u=\"\""_s);
    memo.SetAutoWidth(true);
    EXPECT_EQ(memo.Diff(base), u" AutoWidth=\"1\" u=\"\""_s);
}

TEST(ViewsDiff, ParagraphBreaksPassToTheNextPart)
{
    TkavMemoView base;
    TkavMemoView memo;
    memo.SetLastParaBreak(true);
    EXPECT_EQ(memo.Diff(base), u" u=\"\" LastParaBreak=\"1\""_s);
    EXPECT_TRUE(memo.FirstParaBreak());
    EXPECT_FALSE(memo.LastParaBreak());
    EXPECT_EQ(memo.Diff(base), u" u=\"\" FirstParaBreak=\"1\""_s);
    EXPECT_FALSE(memo.FirstParaBreak());
    EXPECT_EQ(memo.Diff(base), u" u=\"\""_s);
}

// ---------------------------------------------------------------------------------------
// Pictures

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage sampleImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setPixel(0, 0, qRgb(0, 0, 255));
    return image;
}

QByteArray wrapped(const QByteArray &data)
{
    QByteArray header(8, '\0');
    qToLittleEndian<quint16>(1, header.data());
    qToLittleEndian<quint16>(256, header.data() + 2);
    qToLittleEndian<quint32>(quint32(data.size()), header.data() + 4);
    return header + data;
}

TEST(ViewsPicture, FormatsLoadOrAreRejected)
{
    const QByteArray png = encoded(sampleImage(7, 3), "PNG");
    const QByteArray bmp = encoded(sampleImage(7, 3), "BMP");
    const QByteArray jpeg = encoded(sampleImage(7, 3), "JPEG");
    QByteArray placeable(64, 'x');
    qToLittleEndian<quint32>(0x9AC6CDD7u, placeable.data());
    QByteArray emf(80, 'y');
    qToLittleEndian<quint32>(0x464D4520u, emf.data() + 40);
    QByteArray zeros6(6, '\0');
    const struct
    {
        const char *label;
        QByteArray data;
        int result;
        TkavPictureFormat format;
        int width;
    } rows[] = {
        {"bitmap", bmp, 0, pfBitmap, 7},
        {"png", png, 0, pfPNG, 7},
        {"jpeg", jpeg, 0, pfJPEG, 7},
        {"wrapped png", wrapped(png), 0, pfPNG, 7},
        {"placeable metafile kept", placeable, 0, pfMetafile, 0},
        {"enhanced metafile kept", emf, 0, pfEnhMetafile, 0},
        {"three zero bytes", QByteArray(3, '\0'), kavPictureInvalidArgument, pfNone, 0},
        // Detected but undecodable: cleared, not thrown.
        {"truncated jpeg", jpeg.left(20), kavPictureInvalidArgument, pfNone, 0},
        {"icon rule on zeros", zeros6, kavPictureInvalidArgument, pfNone, 0},
        {"bitmap signature only", QByteArray("BM"), kavPictureInvalidArgument, pfNone, 0},
    };
    for (const auto &row : rows) {
        TkavPictureView view;
        TMemoryStream stream(row.data);
        EXPECT_EQ(view.LoadPictureFromStream(stream, true), row.result) << row.label;
        EXPECT_EQ(view.Picture().Format(), row.format) << row.label;
        EXPECT_EQ(view.Picture().Width(), row.width) << row.label;
        EXPECT_EQ(view.Picture().IsEmpty(), row.result != 0) << row.label;
    }
}

TEST(ViewsPicture, BytesAreKeptAsRead)
{
    const QByteArray png = encoded(sampleImage(4, 5), "PNG");
    TkavPictureView view;
    TMemoryStream stream(wrapped(png));
    ASSERT_EQ(view.LoadPictureFromStream(stream, true), 0);
    EXPECT_EQ(view.Picture().Data(), png); // the wrapper is not part of the picture
    EXPECT_EQ(view.Picture().Image().pixel(0, 0), qRgb(0, 0, 255));

    QByteArray placeable(32, '\x05');
    qToLittleEndian<quint32>(0x9AC6CDD7u, placeable.data());
    TMemoryStream meta(placeable);
    ASSERT_EQ(view.LoadPictureFromStream(meta, true), 0);
    EXPECT_EQ(view.Picture().Data(), placeable);
    EXPECT_TRUE(view.Picture().Image().isNull());
}

TEST(ViewsPicture, ReadsFromTheCurrentPosition)
{
    const QByteArray png = encoded(sampleImage(2, 2), "PNG");
    TMemoryStream stream(QByteArray("junk") + wrapped(png));
    stream.SetPosition(4);
    TkavPictureView view;
    // The wrapper's length counts from where reading starts.
    EXPECT_EQ(view.LoadPictureFromStream(stream, false), 0);
    EXPECT_EQ(view.Picture().Data(), png);
    stream.SetPosition(4);
    EXPECT_EQ(view.LoadPictureFromStream(stream, true), kavPictureInvalidArgument);
}

TEST(ViewsPicture, OversizedImagesAreRefusedBeforeDecoding)
{
    // A bitmap header declaring 20000 x 20000 pixels with no pixel data behind it.
    QByteArray bmp = encoded(sampleImage(1, 1), "BMP");
    qToLittleEndian<qint32>(20000, bmp.data() + 18);
    qToLittleEndian<qint32>(20000, bmp.data() + 22);
    TkavPictureView view;
    TMemoryStream stream(bmp);
    EXPECT_EQ(view.LoadPictureFromStream(stream, true), kavPictureInvalidArgument);
    EXPECT_TRUE(view.Picture().IsEmpty());
}

TEST(ViewsPicture, AutoSizeAndChangeFlag)
{
    TkavPictureView view;
    view.SetBounds(0, 0, 100, 100);
    EXPECT_FALSE(view.PictureChanged());
    TMemoryStream stream(encoded(sampleImage(30, 20), "PNG"));
    ASSERT_EQ(view.LoadPictureFromStream(stream, true), 0);
    EXPECT_TRUE(view.PictureChanged());
    EXPECT_EQ(view.Width(), 100);
    view.SetAutoSize(true);
    EXPECT_EQ(view.Width(), 30);
    EXPECT_EQ(view.Height(), 20);
    TMemoryStream bigger(encoded(sampleImage(40, 10), "BMP"));
    ASSERT_EQ(view.LoadPictureFromStream(bigger, true), 0);
    EXPECT_EQ(view.Width(), 40);
    EXPECT_EQ(view.Height(), 10);
}

TEST(ViewsPicture, RoundTripThroughTheSerializer)
{
    const QByteArray png = encoded(sampleImage(3, 2), "PNG");
    TkavPictureView view;
    TMemoryStream stream(png);
    ASSERT_EQ(view.LoadPictureFromStream(stream, true), 0);
    TkavXMLSerializer writer;
    const QString text = writer.ObjToXML(&view);
    TkavPictureView copy;
    TkavXMLSerializer reader;
    reader.XMLToObj(text, &copy);
    EXPECT_EQ(copy.Picture().Data(), png) << text.toStdString();
    EXPECT_EQ(copy.Picture().Format(), pfPNG);

    view.SetIsPictureStored(false);
    EXPECT_FALSE(writer.ObjToXML(&view).contains(u"Picture"_s));
}

// ---------------------------------------------------------------------------------------
// Registration and helpers

TEST(ViewsRegistry, CreationByClassName)
{
    kavRegisterReportClasses();
    TkavReport report;
    for (const char16_t *name : {u"TkavMemoView",
                                 u"TkavSysMemoView",
                                 u"TkavCustomMemoView",
                                 u"TkavLineView",
                                 u"TkavCustomLineView",
                                 u"TkavShapeView",
                                 u"TkavPictureView",
                                 u"TkavSubreport"}) {
        TkavComponent *c = TkavComponent::Create(QStringView(name), &report);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->ClassName(), QString::fromUtf16(name));
        EXPECT_EQ(c->Owner(), &report);
    }
    EXPECT_TRUE(kavClassInheritsFrom(u"TkavMemoView", u"TkavStretcheable"));
    EXPECT_TRUE(kavClassInheritsFrom(u"TkavPictureView", u"TkavView"));
    EXPECT_FALSE(kavClassInheritsFrom(u"TkavShapeView", u"TkavStretcheable"));
    auto highlight = kavCreateObjectAs<TkavHighlight>(u"TkavHighlight");
    EXPECT_TRUE(highlight->ApplyFill());
}

TEST(ViewsRegistry, MemoSavedAndReadBackThroughTheComponentReader)
{
    kavRegisterReportClasses();
    TkavReport report;
    auto *memo = TkavComponent::Create<TkavMemoView>(&report);
    memo->SetName(u"Memo1"_s);
    memo->SetText(u"one\r\ntwo"_s);
    memo->SetGapY(3);
    memo->SetHAlign(haBlock);
    memo->SetURL(u"#Top"_s);
    TkavXMLSerializer writer;
    const QString text = writer.WriteComponentStr(memo);
    memo->SetName(u"Old"_s);
    TkavXMLSerializer reader;
    auto *copy = dynamic_cast<TkavMemoView *>(reader.ReadComponentStr(&report, text));
    ASSERT_NE(copy, nullptr) << text.toStdString();
    EXPECT_EQ(copy->XMLText(), u"one\r\ntwo"_s);
    EXPECT_EQ(copy->GapY(), 3);
    EXPECT_EQ(copy->HAlign(), haBlock);
    EXPECT_EQ(copy->Hyperlink().Kind(), hkAnchor);
    EXPECT_EQ(copy->Hyperlink().Value(), u"Top"_s);
}

TEST(ViewsHelpers, ScriptStringQuoting)
{
    const struct
    {
        QString text;
        bool pascal;
        QString quoted;
    } rows[] = {
        {u"O'Neil"_s, true, u"'O''Neil'"_s},
        {u"a\"b\\c"_s, true, u"'a\"b\\c'"_s},
        {u"a\"b\\c"_s, false, u"\"a\\\"b\\\\c\""_s},
        // A trailing backslash must not escape the closing quote.
        {u"C:\\temp\\"_s, false, u"\"C:\\\\temp\\\\\""_s},
        {QString(), false, u"\"\""_s},
    };
    for (const auto &row : rows)
        EXPECT_EQ(kavQuoteScriptString(row.text, row.pascal), row.quoted) << row.text.toStdString();
}

} // namespace
