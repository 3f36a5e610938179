// Frames, fills and hyperlinks: published tables and stored rules as the file writer sees
// them, frame-to-line propagation, copying, fill type switching, difference texts (also
// read back through the registry), and drawing checked with pixel probes on an image.

#include <persist/kavXMLSerializer.h>
#include <report/kavComponent.h>
#include <report/kavFrames.h>
#include <rtl/kavColors.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>

#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// ---------------------------------------------------------------------------------------
// Published tables

struct PropRow
{
    const char16_t *name;
    TkavPropKind kind;
    const char16_t *typeName;
    TkavStoredRule stored;
    bool hasDefault;
    qint64 defaultValue;
};

struct ClassTable
{
    const char *label;
    const TkavClassInfo &(*info)();
    std::vector<PropRow> rows;
};

const std::vector<ClassTable> &classTables()
{
    static const std::vector<ClassTable> tables = {
        {"TkavFrameLine",
         &TkavFrameLine::StaticClassInfo,
         {{u"Color", pkInteger, u"TColor", srPredicate, false, 0},
          {u"Style", pkEnumeration, u"TkavFrameStyle", srPredicate, false, 0},
          {u"Width", pkFloat, u"Double", srPredicate, false, 0}}},
        {"TkavFrame",
         &TkavFrame::StaticClassInfo,
         {{u"Color", pkInteger, u"TColor", srAlways, true, clBlack},
          {u"DropShadow", pkEnumeration, u"Boolean", srAlways, true, 0},
          {u"ShadowColor", pkInteger, u"TColor", srAlways, true, clBlack},
          {u"ShadowWidth", pkFloat, u"Double", srPredicate, false, 0},
          {u"Style", pkEnumeration, u"TkavFrameStyle", srAlways, true, fsSolid},
          {u"Typ", pkSet, u"TkavFrameTypes", srAlways, true, 0},
          {u"Width", pkFloat, u"Double", srPredicate, false, 0},
          {u"LeftLine", pkObject, u"TkavFrameLine", srAlways, false, 0},
          {u"TopLine", pkObject, u"TkavFrameLine", srAlways, false, 0},
          {u"RightLine", pkObject, u"TkavFrameLine", srAlways, false, 0},
          {u"BottomLine", pkObject, u"TkavFrameLine", srAlways, false, 0}}},
        {"TkavBrushFill",
         &TkavBrushFill::StaticClassInfo,
         {{u"BackColor", pkInteger, u"TColor", srAlways, true, clNone},
          {u"ForeColor", pkInteger, u"TColor", srAlways, true, clBlack},
          {u"Style", pkEnumeration, u"TBrushStyle", srAlways, true, bsSolid}}},
        {"TkavGradientFill",
         &TkavGradientFill::StaticClassInfo,
         {{u"StartColor", pkInteger, u"TColor", srAlways, true, clWhite},
          {u"EndColor", pkInteger, u"TColor", srAlways, true, clBlack},
          {u"GradientStyle", pkEnumeration, u"TkavGradientStyle", srAlways, false, 0}}},
        // Glass Color: gray is both the initial value and the stored default.
        {"TkavGlassFill",
         &TkavGlassFill::StaticClassInfo,
         {{u"Color", pkInteger, u"TColor", srAlways, true, 0x808080},
          {u"Blend", pkFloat, u"Double", srAlways, false, 0},
          {u"Hatch", pkEnumeration, u"Boolean", srAlways, true, 0},
          {u"Orientation",
           pkEnumeration,
           u"TkavGlassFillOrientation",
           srAlways,
           true,
           foHorizontal}}},
        {"TkavHyperlink",
         &TkavHyperlink::StaticClassInfo,
         {{u"Kind", pkEnumeration, u"TkavHyperlinkKind", srAlways, true, hkURL},
          {u"DetailReport", pkString, u"String", srAlways, false, 0},
          {u"DetailPage", pkString, u"String", srAlways, false, 0},
          {u"Expression", pkString, u"String", srAlways, false, 0},
          {u"ReportVariable", pkString, u"String", srAlways, false, 0},
          {u"TabCaption", pkString, u"String", srAlways, false, 0},
          {u"Value", pkString, u"String", srAlways, false, 0},
          {u"ValuesSeparator", pkString, u"String", srPredicate, false, 0}}},
    };
    return tables;
}

TEST(FramesTables, PublishedOrderKindsDefaultsAndStoredRules)
{
    for (const ClassTable &t : classTables()) {
        SCOPED_TRACE(t.label);
        const TkavClassInfo &info = t.info();
        EXPECT_EQ(info.ClassName(), QString::fromLatin1(t.label));
        ASSERT_EQ(info.Props().size(), qsizetype(t.rows.size()));
        for (size_t i = 0; i < t.rows.size(); ++i) {
            const PropRow &row = t.rows[i];
            const TkavPropInfo &p = *info.Props()[qsizetype(i)];
            SCOPED_TRACE(QString::fromUtf16(row.name).toStdString());
            EXPECT_EQ(p.Name(), QString::fromUtf16(row.name));
            EXPECT_EQ(p.Kind(), row.kind);
            EXPECT_EQ(p.TypeName(), QString::fromUtf16(row.typeName));
            EXPECT_EQ(p.StoredRule(), row.stored);
            EXPECT_EQ(p.HasDefault(), row.hasDefault);
            if (row.hasDefault) {
                EXPECT_EQ(p.Default(), row.defaultValue);
            }
            EXPECT_FALSE(p.IsReadOnly());
        }
    }
}

TEST(FramesTables, FillsDeriveFromCustomFillWhichCannotBeCreated)
{
    EXPECT_FALSE(TkavCustomFill::StaticClassInfo().CanCreate());
    EXPECT_TRUE(TkavCustomFill::StaticClassInfo().Props().isEmpty());
    for (const TkavClassInfo *c : {&TkavBrushFill::StaticClassInfo(),
                                   &TkavGradientFill::StaticClassInfo(),
                                   &TkavGlassFill::StaticClassInfo()})
        EXPECT_TRUE(c->InheritsFrom(TkavCustomFill::StaticClassInfo()))
            << c->ClassName().toStdString();
}

TEST(FramesTables, ReportStartUpRegistersTheFrameClasses)
{
    kavRegisterReportClasses();
    for (const char16_t *name : {u"TkavFrameLine",
                                 u"TkavFrame",
                                 u"TkavCustomFill",
                                 u"TkavBrushFill",
                                 u"TkavGradientFill",
                                 u"TkavGlassFill",
                                 u"TkavHyperlink"})
        EXPECT_NE(kavFindClass(QStringView(name)), nullptr)
            << QString::fromUtf16(name).toStdString();
}

TEST(FramesTables, RegistrationMakesEveryClassCreatableByName)
{
    kavRegisterFrameClasses();
    kavRegisterFrameClasses(); // registering again changes nothing
    for (const char16_t *name : {u"TkavFrameLine",
                                 u"TkavFrame",
                                 u"TkavBrushFill",
                                 u"TkavGradientFill",
                                 u"TkavGlassFill",
                                 u"TkavHyperlink"}) {
        const QString cls = QString::fromUtf16(name);
        std::unique_ptr<TPersistent> obj = kavCreateObject(cls);
        ASSERT_TRUE(obj);
        EXPECT_EQ(obj->ClassName(), cls);
    }
    ASSERT_NE(kavFindClass(u"TkavCustomFill"), nullptr);
    EXPECT_THROW(kavCreateObject(u"TkavCustomFill"), EClassNotFound);
    auto fill = kavCreateObjectAs<TkavCustomFill>(u"tkavglassfill");
    EXPECT_EQ(kavFillTypeOf(fill.get()), ftGlass);
}

// ---------------------------------------------------------------------------------------
// What the file writer would write: the stored rule, then the declared default for
// ordinals, non-empty text for strings, floats always; sub-objects recursively.

QStringList writtenProps(const TPersistent &obj, const QString &prefix = QString())
{
    QStringList out;
    for (const TkavPropInfo *p : obj.ClassInfo().Props()) {
        if (!p->IsStored(obj))
            continue;
        const QString name = prefix + p->Name();
        switch (p->Kind()) {
        case pkObject:
            if (const TPersistent *sub = p->GetObject(obj))
                out += writtenProps(*sub, name + u'.');
            break;
        case pkString:
            if (!p->GetStr(obj).isEmpty())
                out += name;
            break;
        case pkFloat:
            out += name;
            break;
        default:
            if (!p->HasDefault() || p->GetOrd(obj) != p->Default())
                out += name;
            break;
        }
    }
    return out;
}

struct StoredCase
{
    const char *label;
    std::function<std::unique_ptr<TPersistent>()> make;
    QStringList written;
};

TEST(FramesStored, WrittenAttributesFollowTheStoredRules)
{
    auto frame = [](std::function<void(TkavFrame &)> change) {
        return [change]() -> std::unique_ptr<TPersistent> {
            auto f = std::make_unique<TkavFrame>();
            change(*f);
            return f;
        };
    };
    const std::vector<StoredCase> cases = {
        {"new frame", frame([](TkavFrame &) {}), {}},
        {"frame width 2 is stored once, not per line",
         frame([](TkavFrame &f) { f.SetWidth(2); }),
         {u"Width"_s}},
        {"frame colour and style",
         frame([](TkavFrame &f) {
             f.SetColor(clRed);
             f.SetStyle(fsDash);
         }),
         {u"Color"_s, u"Style"_s}},
        {"one line's colour",
         frame([](TkavFrame &f) { f.LeftLine().SetColor(255); }),
         {u"LeftLine.Color"_s}},
        {"line differing from a changed frame",
         frame([](TkavFrame &f) {
             f.SetWidth(3);
             f.BottomLine().SetWidth(1);
             f.TopLine().SetStyle(fsDot);
         }),
         {u"Width"_s, u"TopLine.Style"_s, u"BottomLine.Width"_s}},
        {"line equal to the frame default but not to its frame",
         frame([](TkavFrame &f) {
             f.SetColor(clBlue);
             f.RightLine().SetColor(clBlack);
         }),
         {u"Color"_s, u"RightLine.Color"_s}},
        {"shadow and sides",
         frame([](TkavFrame &f) {
             f.SetDropShadow(true);
             f.SetShadowWidth(2);
             f.SetShadowColor(clGray);
             f.SetTyp({ftLeft, ftBottom});
         }),
         {u"DropShadow"_s, u"ShadowColor"_s, u"ShadowWidth"_s, u"Typ"_s}},
        {"new brush fill", [] { return std::make_unique<TkavBrushFill>(); }, {}},
        {"new gradient writes its style",
         [] { return std::make_unique<TkavGradientFill>(); },
         {u"GradientStyle"_s}},
        {"new glass writes only its blend",
         [] { return std::make_unique<TkavGlassFill>(); },
         {u"Blend"_s}},
        // A white glass fill must be written, or it would read back gray.
        {"white glass",
         [] {
             auto g = std::make_unique<TkavGlassFill>();
             g->SetColor(clWhite);
             return g;
         },
         {u"Color"_s, u"Blend"_s}},
        {"new hyperlink", [] { return std::make_unique<TkavHyperlink>(); }, {}},
        {"hyperlink with separator and value",
         [] {
             auto h = std::make_unique<TkavHyperlink>();
             h->SetKind(hkAnchor);
             h->SetValue(u"Total"_s);
             h->SetValuesSeparator(u","_s);
             return h;
         },
         {u"Kind"_s, u"Value"_s, u"ValuesSeparator"_s}},
    };
    for (const StoredCase &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(writtenProps(*c.make()), c.written);
    }
}

TEST(FramesStored, LineWithoutFrameComparesAgainstFrameDefaults)
{
    TkavFrameLine line;
    EXPECT_EQ(line.Frame(), nullptr);
    EXPECT_TRUE(writtenProps(line).isEmpty());
    line.SetWidth(2);
    line.SetColor(clRed);
    EXPECT_EQ(writtenProps(line), (QStringList{u"Color"_s, u"Width"_s}));
}

TEST(FramesStored, FileAttributesThroughTheSerializer)
{
    TkavXMLSerializer xml;
    TkavFrame f;
    EXPECT_EQ(xml.ObjToXML(&f, u"Frame."_s), QString());
    f.SetWidth(2);
    EXPECT_EQ(xml.ObjToXML(&f, u"Frame."_s), u" Frame.Width=\"2\""_s);
    TkavFrame g;
    g.LeftLine().SetColor(255);
    EXPECT_EQ(xml.ObjToXML(&g, u"Frame."_s), u" Frame.LeftLine.Color=\"255\""_s);

    // Written and read back: frame-level values first, then the lines that differ.
    TkavFrame src;
    src.SetColor(clRed);
    src.SetStyle(fsDouble);
    src.SetTyp({ftLeft, ftBottom});
    src.SetDropShadow(true);
    src.LeftLine().SetColor(clBlack);
    src.BottomLine().SetWidth(2.5);
    TkavFrame read;
    xml.XMLToObj(xml.ObjToXML(&src), &read);
    EXPECT_EQ(read.Diff(src), QString());
    EXPECT_EQ(src.Diff(read), QString());

    // A white glass fill keeps its colour through a file.
    TkavGlassFill glass;
    glass.SetColor(clWhite);
    TkavGlassFill glassRead;
    xml.XMLToObj(xml.ObjToXML(&glass), &glassRead);
    EXPECT_EQ(glassRead.Color(), clWhite);
}

// ---------------------------------------------------------------------------------------
// Frame lines follow the frame

TEST(FramesLines, FrameSettersSetAllFourLines)
{
    TkavFrame f;
    f.LeftLine().SetColor(clRed);
    f.TopLine().SetWidth(5);
    f.RightLine().SetStyle(fsDouble);
    f.SetColor(clBlue);
    f.SetStyle(fsDot);
    f.SetWidth(2.5);
    for (const TkavFrameLine *l : {&f.LeftLine(), &f.TopLine(), &f.RightLine(), &f.BottomLine()}) {
        EXPECT_EQ(l->Frame(), &f);
        EXPECT_EQ(l->Color(), clBlue);
        EXPECT_EQ(l->Style(), fsDot);
        EXPECT_DOUBLE_EQ(l->Width(), 2.5);
    }
    // A line change stays with that line.
    f.BottomLine().SetColor(clGreen);
    EXPECT_EQ(f.Color(), clBlue);
    EXPECT_EQ(f.LeftLine().Color(), clBlue);
}

TEST(FramesLines, SettingThroughTheRegistryRunsTheSetters)
{
    TkavFrame f;
    kavSetPropText(f, u"Width", u"3"_s);
    EXPECT_DOUBLE_EQ(f.RightLine().Width(), 3);
    const TkavPropTarget target = kavFindPropPath(f, u"TopLine.Style");
    ASSERT_TRUE(target);
    EXPECT_EQ(target.Object, &f.TopLine());
    kavSetPropText(*target.Object, *target.Prop, u"fsDashDot"_s);
    EXPECT_EQ(f.TopLine().Style(), fsDashDot);
    EXPECT_EQ(f.Style(), fsSolid);
    EXPECT_EQ(kavGetPropText(f, u"Typ"), u"0"_s);
    kavSetPropText(f, u"Typ", u"5"_s);
    EXPECT_EQ(f.Typ(), (TkavFrameTypes{ftLeft, ftTop}));
}

TEST(FramesLines, AssignCopiesFrameAndLinesButKeepsOwnLines)
{
    TkavFrame a;
    a.SetColor(clRed);
    a.SetWidth(2);
    a.SetStyle(fsDouble);
    a.SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    a.SetDropShadow(true);
    a.SetShadowColor(clGray);
    a.SetShadowWidth(6);
    a.LeftLine().SetColor(clLime);
    a.BottomLine().SetWidth(0.5);
    TkavFrame b;
    b.Assign(a);
    EXPECT_EQ(b.Diff(a), QString());
    EXPECT_EQ(a.Diff(b), QString());
    EXPECT_EQ(b.LeftLine().Color(), clLime);
    EXPECT_DOUBLE_EQ(b.BottomLine().Width(), 0.5);
    EXPECT_EQ(b.LeftLine().Frame(), &b);

    // Setting a line property through the frame's setter copies, it does not alias.
    TkavFrameLine loose;
    loose.SetStyle(fsSquare);
    b.SetTopLine(loose);
    EXPECT_EQ(b.TopLine().Style(), fsSquare);
    EXPECT_EQ(b.TopLine().Frame(), &b);

    TkavHyperlink link;
    EXPECT_THROW(b.Assign(link), EConvertError);
}

// ---------------------------------------------------------------------------------------
// Difference texts

struct FrameDiffCase
{
    const char *label;
    std::function<void(TkavFrame &)> change;
    QString expected;
};

TEST(FramesDiff, FrameAgainstNewFrame)
{
    const std::vector<FrameDiffCase> cases = {
        {"equal", [](TkavFrame &) {}, QString()},
        {"width only", [](TkavFrame &f) { f.SetWidth(2); }, u" Frame.Width=\"2\""_s},
        {"one line colour",
         [](TkavFrame &f) { f.LeftLine().SetColor(255); },
         u" Frame.LeftLine.Color=\"255\""_s},
        {"colour with a line that kept another colour",
         [](TkavFrame &f) {
             f.SetColor(255);
             f.TopLine().SetColor(clBlack);
         },
         u" Frame.Color=\"255\" Frame.TopLine.Color=\"0\""_s},
        {"every frame-level attribute in order",
         [](TkavFrame &f) {
             f.SetColor(clNone);
             f.SetDropShadow(true);
             f.SetShadowColor(clGray);
             f.SetShadowWidth(2.5);
             f.SetStyle(fsAltDot);
             f.SetTyp({ftLeft, ftTop});
             f.SetWidth(0.5);
         },
         u" Frame.Color=\"536870911\" Frame.DropShadow=\"1\" Frame.ShadowColor=\"8421504\""
         u" Frame.ShadowWidth=\"2.5\" Frame.Style=\"6\" Frame.Typ=\"5\" Frame.Width=\"0.5\""_s},
        {"widths within the tolerance are equal",
         [](TkavFrame &f) {
             f.SetWidth(1.00005);
             f.SetShadowWidth(3.99995);
         },
         QString()},
        {"line attributes in line order",
         [](TkavFrame &f) {
             f.BottomLine().SetWidth(3);
             f.LeftLine().SetStyle(fsDouble);
             f.RightLine().SetColor(clRed);
             f.TopLine().SetWidth(2);
         },
         u" Frame.LeftLine.Style=\"5\" Frame.TopLine.Width=\"2\" Frame.RightLine.Color=\"255\""
         u" Frame.BottomLine.Width=\"3\""_s},
    };
    for (const FrameDiffCase &c : cases) {
        SCOPED_TRACE(c.label);
        TkavFrame f;
        TkavFrame base;
        c.change(f);
        EXPECT_EQ(f.Diff(base), c.expected);
    }
}

// Applies a difference text through the registry, as the prepared-page reader does.
void applyDiff(TPersistent &obj, const QString &prefix, const QString &diff)
{
    static const QRegularExpression attrRe(uR"re( ([\w.]+)="([^"]*)")re"_s);
    auto it = attrRe.globalMatch(diff);
    while (it.hasNext()) {
        const auto m = it.next();
        QString name = m.captured(1);
        ASSERT_TRUE(name.startsWith(prefix)) << name.toStdString();
        name = name.mid(prefix.size());
        const TkavPropTarget target = kavFindPropPath(obj, name);
        ASSERT_TRUE(target) << name.toStdString();
        kavSetPropText(*target.Object, *target.Prop, m.captured(2));
    }
}

TEST(FramesDiff, FrameDiffReadBackOverTheSourceGivesTheFrame)
{
    // Each case: how the source frame and the output frame differ. Reading a frame-level
    // value resets every line, so line values must travel whenever they differ from the
    // value read.
    const std::vector<std::pair<std::function<void(TkavFrame &)>, std::function<void(TkavFrame &)>>>
        cases = {
            {[](TkavFrame &) {}, [](TkavFrame &f) { f.SetColor(clRed); }},
            {[](TkavFrame &) {},
             [](TkavFrame &f) {
                 f.SetColor(clRed);
                 f.LeftLine().SetColor(clBlack);
             }},
            {[](TkavFrame &f) { f.LeftLine().SetColor(clBlue); },
             [](TkavFrame &f) {
                 f.SetColor(clRed);
                 f.LeftLine().SetColor(clBlue);
             }},
            {[](TkavFrame &f) { f.SetWidth(2); },
             [](TkavFrame &f) {
                 f.SetWidth(3);
                 f.TopLine().SetWidth(2);
                 f.BottomLine().SetStyle(fsDot);
             }},
            {[](TkavFrame &f) {
                 f.SetStyle(fsDash);
                 f.RightLine().SetStyle(fsSolid);
             },
             [](TkavFrame &f) { f.SetTyp({ftRight}); }},
        };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        TkavFrame source;
        cases[i].first(source);
        TkavFrame target;
        target.Assign(source);
        cases[i].second(target);
        const QString diff = target.Diff(source);
        TkavFrame read;
        read.Assign(source);
        applyDiff(read, u"Frame."_s, diff);
        EXPECT_EQ(read.Diff(target), QString()) << diff.toStdString();
        EXPECT_EQ(target.Diff(read), QString()) << diff.toStdString();
    }
}

TEST(FramesDiff, FillDiffs)
{
    TkavBrushFill brush;
    TkavBrushFill brush2;
    TkavGradientFill gradient;
    TkavGlassFill glass;
    EXPECT_EQ(brush.Diff(&brush2, u"Fill"_s), QString());
    EXPECT_EQ(brush.Diff(&gradient, u"Fill"_s),
              u" Fill.BackColor=\"536870911\" Fill.ForeColor=\"0\" Fill.Style=\"0\""_s);
    EXPECT_EQ(brush.Diff(nullptr, u"Fill"_s), brush.Diff(&gradient, u"Fill"_s));
    brush2.SetBackColor(clYellow);
    brush2.SetStyle(bsDiagCross);
    EXPECT_EQ(brush2.Diff(&brush, u"Fill"_s), u" Fill.BackColor=\"65535\" Fill.Style=\"7\""_s);

    EXPECT_EQ(gradient.Diff(&brush, u"Fill"_s),
              u" Fill.StartColor=\"16777215\" Fill.EndColor=\"0\" Fill.GradientStyle=\"0\""_s);
    TkavGradientFill gradient2;
    gradient2.SetGradientStyle(gsElliptic);
    EXPECT_EQ(gradient2.Diff(&gradient, u"Back"_s), u" Back.GradientStyle=\"2\""_s);

    EXPECT_EQ(
        glass.Diff(&brush, u"Fill"_s),
        u" Fill.Color=\"8421504\" Fill.Blend=\"0.5\" Fill.Hatch=\"0\" Fill.Orientation=\"1\""_s);
    TkavGlassFill glass2;
    glass2.SetBlend(0.50004);
    EXPECT_EQ(glass2.Diff(&glass, u"Fill"_s), QString());
    glass2.SetBlend(0.25);
    glass2.SetHatch(true);
    EXPECT_EQ(glass2.Diff(&glass, u"Fill"_s), u" Fill.Blend=\"0.25\" Fill.Hatch=\"1\""_s);
}

TEST(FramesDiff, HyperlinkDiffSkipsExpressionAndEscapesTexts)
{
    TkavHyperlink base;
    TkavHyperlink h;
    EXPECT_EQ(h.Diff(base, u"Hyperlink"_s), QString());
    h.SetExpression(u"<Customer.\"Id\">"_s);
    EXPECT_EQ(h.Diff(base, u"Hyperlink"_s), QString());
    h.SetKind(hkDetailReport);
    h.SetDetailReport(u"detail.kv3"_s);
    h.SetDetailPage(u"Page2"_s);
    h.SetReportVariable(u"Id"_s);
    h.SetTabCaption(u"A & B"_s);
    h.SetValue(u"say \"hi\""_s);
    h.SetValuesSeparator(u","_s);
    EXPECT_EQ(h.Diff(base, u"Hyperlink"_s),
              u" Hyperlink.Kind=\"3\" Hyperlink.DetailReport=\"detail.kv3\""
              u" Hyperlink.DetailPage=\"Page2\" Hyperlink.ReportVariable=\"Id\""
              u" Hyperlink.TabCaption=\"A &#38; B\" Hyperlink.Value=\"say &#34;hi&#34;\""
              u" Hyperlink.ValuesSeparator=\",\""_s);
}

// ---------------------------------------------------------------------------------------
// Fill types, copying, representative colours, hyperlink copying

TEST(FramesFills, FillTypeFollowsTheClass)
{
    TkavBrushFill brush;
    TkavGradientFill gradient;
    TkavGlassFill glass;
    EXPECT_EQ(kavFillTypeOf(&brush), ftBrush);
    EXPECT_EQ(kavFillTypeOf(&gradient), ftGradient);
    EXPECT_EQ(kavFillTypeOf(&glass), ftGlass);
    EXPECT_EQ(kavFillTypeOf(nullptr), ftBrush);
    for (TkavFillType t : {ftBrush, ftGradient, ftGlass})
        EXPECT_EQ(kavFillTypeOf(kavCreateFill(t).get()), t);
    EXPECT_EQ(kavFillTypeOf(kavCreateFill(TkavFillType(7)).get()), ftBrush);
}

TEST(FramesFills, SetFillTypeReplacesOnlyOnChange)
{
    std::unique_ptr<TkavCustomFill> fill;
    EXPECT_TRUE(kavSetFillType(fill, ftBrush));
    auto *brush = dynamic_cast<TkavBrushFill *>(fill.get());
    ASSERT_NE(brush, nullptr);
    brush->SetBackColor(clRed);
    EXPECT_FALSE(kavSetFillType(fill, ftBrush));
    EXPECT_EQ(fill.get(), brush);
    EXPECT_EQ(brush->BackColor(), clRed);

    EXPECT_TRUE(kavSetFillType(fill, ftGlass));
    auto *glass = dynamic_cast<TkavGlassFill *>(fill.get());
    ASSERT_NE(glass, nullptr);
    EXPECT_EQ(glass->Color(), clGray); // a new fill with its initial values
    EXPECT_DOUBLE_EQ(glass->Blend(), 0.5);
    EXPECT_EQ(glass->Orientation(), foHorizontal);
}

TEST(FramesFills, AssignFillTakesTypeAndProperties)
{
    std::unique_ptr<TkavCustomFill> fill = kavCreateFill(ftBrush);
    TkavGradientFill source;
    source.SetStartColor(clRed);
    source.SetEndColor(clBlue);
    source.SetGradientStyle(gsRectangle);
    kavAssignFill(fill, source);
    ASSERT_EQ(kavFillTypeOf(fill.get()), ftGradient);
    EXPECT_EQ(fill->Diff(&source, u"Fill"_s), QString());
    kavAssignFill(fill, *fill); // self-assignment keeps the fill
    EXPECT_EQ(fill->Diff(&source, u"Fill"_s), QString());
}

TEST(FramesFills, AssignCopiesOnlyFromTheSameClass)
{
    TkavBrushFill brush;
    brush.SetBackColor(clRed);
    TkavGlassFill glass;
    glass.SetColor(clBlue);
    glass.SetBlend(0.1);
    glass.SetHatch(true);
    glass.SetOrientation(foVerticalMirror);

    TkavGlassFill copy;
    copy.Assign(brush); // another fill class: ignored
    EXPECT_EQ(copy.Color(), clGray);
    copy.Assign(glass);
    EXPECT_EQ(copy.Diff(&glass, u"Fill"_s), QString());

    TkavBrushFill brushCopy;
    brushCopy.Assign(glass);
    EXPECT_EQ(brushCopy.BackColor(), clNone);
    brushCopy.Assign(brush);
    EXPECT_EQ(brushCopy.BackColor(), clRed);

    TkavFrame frame; // not a fill at all
    EXPECT_THROW(brushCopy.Assign(frame), EConvertError);
}

TEST(FramesFills, RepresentativeColours)
{
    TkavGradientFill g;
    EXPECT_EQ(g.representativeColor(), kavRGB(128, 128, 128));
    g.SetStartColor(kavRGB(0, 10, 200));
    g.SetEndColor(kavRGB(255, 12, 0));
    // per channel start + 127 * (end - start) / 255: 127, 10 + 0.996 -> 11, 200 - 99.6 -> 100
    EXPECT_EQ(g.representativeColor(), kavRGB(127, 11, 100));

    TkavBrushFill b;
    EXPECT_EQ(b.representativeColor(), clNone);
    b.SetBackColor(clAqua);
    EXPECT_EQ(b.representativeColor(), clAqua);
    EXPECT_EQ(TkavGlassFill().representativeColor(), clNone);
}

TEST(FramesFills, GlassLightColour)
{
    TkavGlassFill g;
    g.SetColor(kavRGB(100, 100, 100));
    EXPECT_EQ(g.lightColor(), kavRGB(178, 178, 178)); // 100 + round(77.5), halves to even
    g.SetColor(kavRGB(0, 255, 101));
    g.SetBlend(1);
    EXPECT_EQ(g.lightColor(), kavRGB(255, 255, 255));
    g.SetBlend(2.0); // out of range: capped at 255
    EXPECT_EQ(g.lightColor(), kavRGB(255, 255, 255));
    g.SetBlend(0);
    EXPECT_EQ(g.lightColor(), kavRGB(0, 255, 101));
}

TEST(FramesHyperlink, InitialValuesAndAssign)
{
    TkavHyperlink h;
    EXPECT_EQ(h.Kind(), hkURL);
    EXPECT_EQ(h.ValuesSeparator(), u";"_s);
    EXPECT_TRUE(h.Value().isEmpty());

    TkavHyperlink src;
    src.SetKind(hkDetailPage);
    src.SetDetailReport(u"r.kv3"_s);
    src.SetDetailPage(u"Details"_s);
    src.SetExpression(u"<Id>"_s);
    src.SetReportVariable(u"Param"_s);
    src.SetTabCaption(u"Tab"_s);
    src.SetValue(u"42"_s);
    src.SetValuesSeparator(u"|"_s);
    h.Assign(src);
    for (const TkavPropInfo *p : TkavHyperlink::StaticClassInfo().Props())
        EXPECT_EQ(kavGetPropText(h, *p), kavGetPropText(src, *p)) << p->Name().toStdString();
    EXPECT_EQ(h.Expression(), u"<Id>"_s); // Assign copies what Diff leaves out

    TkavFrame frame;
    EXPECT_THROW(h.Assign(frame), EConvertError);
}

// ---------------------------------------------------------------------------------------
// Drawing

constexpr QRgb white = 0xFFFFFFFF;

QImage canvasImage(int w = 120, int h = 100)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(white);
    return img;
}

QRgb rgbOf(TColor c)
{
    return qRgb(kavRValue(c), kavGValue(c), kavBValue(c));
}

template <class Paint>
QImage paint(Paint &&p, int w = 120, int h = 100)
{
    QImage img = canvasImage(w, h);
    QPainter painter(&img);
    p(painter);
    painter.end();
    return img;
}

QImage drawFrame(const TkavFrame &f, int x, int y, int x1, int y1, double scale = 1)
{
    return paint([&](QPainter &c) { f.Draw(c, x, y, x1, y1, scale, scale); });
}

struct Probe
{
    int x;
    int y;
    QRgb expected;
};

void expectProbes(const QImage &img, const std::vector<Probe> &probes)
{
    for (const Probe &p : probes)
        EXPECT_EQ(img.pixel(p.x, p.y), p.expected) << "pixel (" << p.x << ", " << p.y << ")";
}

constexpr QRgb black = 0xFF000000;

TEST(FramesDraw, SolidSidesWithWidthOneSitOnTheEdges)
{
    TkavFrame f;
    f.SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    const QImage img = drawFrame(f, 10, 10, 50, 40);
    expectProbes(img,
                 {{10, 25, black},
                  {50, 25, black},
                  {30, 10, black},
                  {30, 40, black},
                  {10, 10, black},
                  {50, 40, black},
                  {11, 25, white},
                  {49, 25, white},
                  {9, 25, white},
                  {51, 25, white},
                  {30, 9, white},
                  {30, 41, white}});
}

TEST(FramesDraw, UnjoinedEndsArePulledInJoinedEndsFillTheCorner)
{
    TkavFrame f;
    f.SetTyp({ftLeft, ftTop});
    f.SetWidth(3);
    const QImage img = drawFrame(f, 20, 20, 60, 50);
    expectProbes(img,
                 {// left line: three columns 19..21
                  {19, 35, black},
                  {21, 35, black},
                  {18, 35, white},
                  {22, 35, white},
                  // corner filled by the caps
                  {19, 19, black},
                  // bottom end pulled in by 1: the cap stops at the edge row
                  {20, 50, black},
                  {20, 51, white},
                  // top line's right end pulled in likewise
                  {60, 20, black},
                  {61, 20, white}});
}

TEST(FramesDraw, WidthIsScaledAndEachLineUsesItsOwnColour)
{
    TkavFrame f;
    f.SetTyp({ftLeft, ftRight});
    f.RightLine().SetColor(clRed);
    const QImage img = drawFrame(f, 20, 20, 60, 50, 3.0);
    expectProbes(img,
                 {{19, 35, black},
                  {21, 35, black},
                  {22, 35, white},
                  {59, 35, rgbOf(clRed)},
                  {61, 35, rgbOf(clRed)},
                  {62, 35, white}});
}

TEST(FramesDraw, NothingForEmptySidesNoneColourOrZeroWidth)
{
    const QImage blank = canvasImage();
    auto frameWith = [](std::function<void(TkavFrame &)> change) {
        TkavFrame f;
        f.SetTyp({ftLeft, ftRight, ftTop, ftBottom});
        change(f);
        return drawFrame(f, 10, 10, 50, 40);
    };
    EXPECT_EQ(frameWith([](TkavFrame &f) { f.SetTyp({}); }), blank);
    EXPECT_EQ(frameWith([](TkavFrame &f) { f.SetColor(clNone); }), blank);
    EXPECT_EQ(frameWith([](TkavFrame &f) { f.SetWidth(0); }), blank);
    // A line in clNone is skipped, the others drawn.
    const QImage img = frameWith([](TkavFrame &f) { f.TopLine().SetColor(clNone); });
    expectProbes(img, {{30, 10, white}, {30, 40, black}, {10, 25, black}});
}

TEST(FramesDraw, DoubleLinesCloseBothRectangles)
{
    TkavFrame f;
    f.SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    f.SetStyle(fsDouble);
    const QImage img = drawFrame(f, 10, 10, 50, 40);
    expectProbes(img,
                 {// outer rectangle one pixel outside, corners closed
                  {9, 25, black},
                  {9, 9, black},
                  {51, 41, black},
                  {30, 9, black},
                  // the edge itself stays empty
                  {10, 25, white},
                  {30, 10, white},
                  // inner rectangle one pixel inside, corners closed
                  {11, 25, black},
                  {11, 11, black},
                  {49, 39, black},
                  {12, 12, white}});
}

// Painted pixels of a side's column from a to b.
int paintedRun(const QImage &img, int x, int a, int b, QRgb colour)
{
    int n = 0;
    for (int y = a; y <= b; ++y)
        n += img.pixel(x, y) == colour;
    return n;
}

TEST(FramesDraw, DashedStylesLeaveGapsAndUseParallelLines)
{
    auto leftLine = [](TkavFrameStyle style, double width) {
        TkavFrame f;
        f.SetTyp({ftLeft});
        f.SetStyle(style);
        f.SetWidth(width);
        return drawFrame(f, 20, 10, 60, 90);
    };
    const int solid = paintedRun(leftLine(fsSolid, 1), 20, 10, 89, black);
    EXPECT_EQ(solid, 80);
    const QImage dash = leftLine(fsDash, 1);
    const QImage dot = leftLine(fsDot, 1);
    const int dashed = paintedRun(dash, 20, 10, 89, black);
    const int dotted = paintedRun(dot, 20, 10, 89, black);
    EXPECT_GT(dashed, 20);
    EXPECT_LT(dashed, 80);
    EXPECT_GT(dotted, 10);
    EXPECT_LT(dotted, dashed);
    EXPECT_EQ(paintedRun(dash, 21, 10, 89, black), 0);
    EXPECT_EQ(dash.pixel(20, 10), black); // a pattern starts with a dash
    for (TkavFrameStyle s : {fsDashDot, fsDashDotDot}) {
        const int n = paintedRun(leftLine(s, 1), 20, 10, 89, black);
        EXPECT_GT(n, 10) << s;
        EXPECT_LT(n, 80) << s;
    }
    // Width 3: three parallel dashed lines at offsets -1, 0, +1 with the same pattern.
    const QImage wide = leftLine(fsDash, 3);
    for (int y = 10; y < 90; ++y) {
        EXPECT_EQ(wide.pixel(19, y), dash.pixel(20, y)) << y;
        EXPECT_EQ(wide.pixel(21, y), dash.pixel(20, y)) << y;
    }
    EXPECT_EQ(paintedRun(wide, 22, 10, 89, black), 0);
    // On a device of four pixels per page pixel (a printer) the dashes are four times as
    // long, or they would merge into a solid line.
    auto firstDash = [](const QImage &img, int x) {
        int y = 10;
        while (y < img.height() && img.pixel(x, y) == black)
            ++y;
        return y - 10;
    };
    TkavFrame fine;
    fine.SetTyp({ftLeft});
    fine.SetStyle(fsDash);
    const QImage printed = drawFrame(fine, 20, 10, 60, 90, 4);
    EXPECT_EQ(firstDash(printed, 20), 4 * firstDash(dash, 20));
}

TEST(FramesDraw, SquareAndAltDotPatterns)
{
    auto topLine = [](TkavFrameStyle style, double width) {
        TkavFrame f;
        f.SetTyp({ftTop});
        f.SetStyle(style);
        f.SetWidth(width);
        return drawFrame(f, 10, 30, 100, 70);
    };
    // Thin: one on, one off.
    for (TkavFrameStyle s : {fsSquare, fsAltDot}) {
        const QImage img = topLine(s, 1);
        expectProbes(img, {{10, 30, black}, {11, 30, white}, {12, 30, black}, {13, 30, white}});
    }
    // fsSquare width 3: 3 on, 3 off, three rows thick.
    const QImage sq = topLine(fsSquare, 3);
    expectProbes(sq,
                 {{10, 29, black},
                  {12, 31, black},
                  {13, 30, white},
                  {15, 30, white},
                  {16, 30, black},
                  {16, 32, white}});
    // fsAltDot width 4: round dots of diameter 4, 8 apart, nothing between them.
    const QImage alt = topLine(fsAltDot, 4);
    for (int cx : {10, 18, 26}) {
        EXPECT_EQ(alt.pixel(cx, 30), black) << cx;
        EXPECT_EQ(alt.pixel(cx + 4, 30), white) << cx;
    }
}

TEST(FramesDraw, PatternsOfHugeLinesKeepTheirPhaseInTheVisibleWindow)
{
    // A top line hundreds of millions of pixels long: only the periods near the image are
    // painted, still counted from the line's start (3 on, 3 off).
    TkavFrame f;
    f.SetTyp({ftTop});
    f.SetStyle(fsSquare);
    f.SetWidth(3);
    const int x = -400'000'003;
    const QImage img = paint([&](QPainter &c) { f.Draw(c, x, 10, 400'000'000, 50, 1, 1); }, 64, 64);
    for (int px = 0; px < 64; ++px) {
        const bool on = (qint64(px) - x) % 6 < 3;
        EXPECT_EQ(img.pixel(px, 10), on ? black : white) << px;
    }
}

TEST(FramesDraw, DropShadowRightAndBelow)
{
    TkavFrame f;
    f.SetDropShadow(true);
    f.SetShadowColor(clGray);
    const QRgb gray = rgbOf(clGray);
    const QImage img = drawFrame(f, 10, 10, 50, 40);
    expectProbes(img,
                 {{52, 25, gray},
                  {54, 25, gray},
                  {55, 25, white},
                  {52, 13, white}, // the vertical band starts ShadowWidth below the top
                  {52, 14, gray},
                  {30, 42, gray},
                  {13, 42, white},
                  {14, 42, gray},
                  {54, 44, gray},
                  {30, 30, white}});
    // Scaled by 2 it is twice as wide; in clNone it is not painted.
    expectProbes(drawFrame(f, 10, 10, 50, 40, 2.0), {{58, 25, gray}, {59, 25, white}});
    f.SetShadowColor(clNone);
    EXPECT_EQ(drawFrame(f, 10, 10, 50, 40), canvasImage());
}

TEST(FramesDraw, BrushFill)
{
    TkavBrushFill b;
    b.SetStyle(bsClear);
    EXPECT_EQ(paint([&](QPainter &c) { b.Draw(c, 10, 10, 50, 40, 1, 1); }), canvasImage());

    b.SetStyle(bsSolid);
    b.SetBackColor(clRed);
    const QImage solid = paint([&](QPainter &c) { b.Draw(c, 10, 10, 50, 40, 1, 1); });
    expectProbes(solid,
                 {{10, 10, rgbOf(clRed)},
                  {49, 39, rgbOf(clRed)},
                  {50, 25, white},
                  {30, 40, white},
                  {9, 25, white}});

    // A hatch over no background: lines in the fore colour, gaps untouched.
    b.SetBackColor(clNone);
    b.SetForeColor(clBlue);
    b.SetStyle(bsHorizontal);
    const QImage hor = paint([&](QPainter &c) { b.Draw(c, 10, 10, 50, 40, 1, 1); });
    int rowsWithLine = 0;
    for (int y = 10; y < 40; ++y) {
        const bool line = hor.pixel(10, y) == rgbOf(clBlue);
        rowsWithLine += line;
        for (int x = 10; x < 50; ++x)
            ASSERT_EQ(hor.pixel(x, y), line ? rgbOf(clBlue) : white) << x << "," << y;
    }
    EXPECT_GT(rowsWithLine, 1);
    EXPECT_LT(rowsWithLine, 15);
    EXPECT_EQ(hor.pixel(50, 10 + 0), white);

    // Backward diagonal: each painted pixel continues up and to the right.
    b.SetStyle(bsBDiagonal);
    b.SetBackColor(clYellow);
    const QImage bd = paint([&](QPainter &c) { b.Draw(c, 10, 10, 50, 40, 1, 1); });
    int painted = 0;
    for (int y = 11; y < 39; ++y)
        for (int x = 10; x < 48; ++x) {
            const QRgb p = bd.pixel(x, y);
            ASSERT_TRUE(p == rgbOf(clBlue) || p == rgbOf(clYellow));
            if (p == rgbOf(clBlue)) {
                ++painted;
                EXPECT_EQ(bd.pixel(x + 1, y - 1), rgbOf(clBlue)) << x << "," << y;
            }
        }
    EXPECT_GT(painted, 0);
}

TEST(FramesDraw, SystemColoursAreResolved)
{
    TkavBrushFill b;
    b.SetBackColor(clBtnFace);
    const QImage img = paint([&](QPainter &c) { b.Draw(c, 0, 0, 10, 10, 1, 1); });
    EXPECT_EQ(img.pixel(5, 5), rgbOf(ColorToRGB(clBtnFace)));
}

QImage drawGradient(TkavGradientStyle style, int x, int y, int x1, int y1, int w = 300, int h = 300)
{
    TkavGradientFill g;
    g.SetGradientStyle(style);
    return paint([&](QPainter &c) { g.Draw(c, x, y, x1, y1, 1, 1); }, w, h);
}

TEST(FramesDraw, LinearGradientsRunFromStartToEnd)
{
    const QImage hor = drawGradient(gsHorizontal, 10, 10, 266, 60);
    expectProbes(hor, {{10, 30, white}, {265, 30, black}, {266, 30, white}, {100, 9, white}});
    // Strictly darker from left to right, one step per pixel on a 256-pixel box.
    EXPECT_EQ(qRed(hor.pixel(11, 30)), 254);
    EXPECT_EQ(qRed(hor.pixel(137, 30)), 128);

    const QImage ver = drawGradient(gsVertical, 10, 10, 60, 266);
    expectProbes(ver, {{30, 10, white}, {30, 265, black}, {30, 266, white}});
    EXPECT_EQ(qGreen(ver.pixel(30, 138)), 127);
}

TEST(FramesDraw, CentredAndRectangularGradients)
{
    // Vertical centre: start at top and bottom rows, end in the middle.
    const QImage vc = drawGradient(gsVertCenter, 0, 0, 40, 101);
    expectProbes(vc, {{20, 0, white}, {20, 100, white}, {20, 50, black}});
    EXPECT_EQ(vc.pixel(20, 25), vc.pixel(20, 75));
    EXPECT_LT(qRed(vc.pixel(20, 25)), 255);
    EXPECT_GT(qRed(vc.pixel(20, 25)), 0);

    const QImage hc = drawGradient(gsHorizCenter, 0, 0, 101, 40);
    expectProbes(hc, {{0, 20, white}, {100, 20, white}, {50, 20, black}});
    EXPECT_EQ(hc.pixel(30, 20), hc.pixel(70, 20));

    // Rectangle: steps shrink by less than a pixel at first, so the outermost ring takes
    // the colour of the last step that still covered it; the centre is covered by step
    // 254 (the last, 255, is empty).
    const QImage rect = drawGradient(gsRectangle, 0, 0, 200, 100);
    EXPECT_EQ(qRed(rect.pixel(0, 0)), 253);
    EXPECT_EQ(rect.pixel(0, 0), rect.pixel(199, 99));
    EXPECT_EQ(qRed(rect.pixel(100, 50)), 1);
    EXPECT_EQ(rect.pixel(200, 50), white);
    EXPECT_EQ(rect.pixel(50, 50), rect.pixel(149, 50));
    EXPECT_EQ(rect.pixel(100, 20), rect.pixel(100, 79));
    EXPECT_GT(qRed(rect.pixel(50, 50)), qRed(rect.pixel(90, 50)));
}

TEST(FramesDraw, EllipticGradient)
{
    const QImage img = drawGradient(gsElliptic, 20, 20, 220, 120);
    // Lightest in the corners, darker towards the middle of each side, black at the
    // centre; mirror-symmetric; nothing outside the box.
    const int corner = qRed(img.pixel(20, 20));
    const int sideMiddle = qRed(img.pixel(20, 70));
    EXPECT_LT(corner, 255);
    EXPECT_GT(corner, sideMiddle);
    EXPECT_GT(sideMiddle, 0);
    EXPECT_LE(qRed(img.pixel(120, 70)), 5); // the innermost ellipses' colour
    expectProbes(img, {{220, 70, white}, {19, 70, white}, {120, 120, white}});
    for (int k = 0; k < 100; k += 7) {
        EXPECT_EQ(img.pixel(20 + k, 30), img.pixel(219 - k, 30)) << k;
        EXPECT_EQ(img.pixel(20 + k, 30), img.pixel(20 + k, 109)) << k;
    }
    EXPECT_EQ(qRed(img.pixel(20, 20)), qGreen(img.pixel(20, 20)));
    EXPECT_EQ(drawGradient(gsElliptic, 20, 20, 20, 120), canvasImage(300, 300));
}

TEST(FramesDraw, HugeEllipticGradientPaintsOnlyWhatShows)
{
    // Boxes far larger than any bitmap we could allocate: only the visible part is
    // painted. A window on the centre shows nearly the end colour, a window on a corner
    // the light outer colour.
    const int half = 400'000'000;
    const QImage centre = drawGradient(gsElliptic, -half, -half, half, half, 64, 64);
    EXPECT_LE(qRed(centre.pixel(0, 0)), 5);
    EXPECT_EQ(centre.pixel(0, 0), centre.pixel(63, 63));
    const QImage corner = drawGradient(gsElliptic, 0, 0, 2 * half, 2 * half, 64, 64);
    EXPECT_GT(qRed(corner.pixel(0, 0)), 230);
    EXPECT_LT(qRed(corner.pixel(0, 0)), 255);
}

TEST(FramesDraw, GlassFillHalvesAndHatch)
{
    struct Case
    {
        TkavGlassFillOrientation orientation;
        Probe light;
        Probe plain;
    };
    const QRgb lightRgb = qRgb(178, 178, 178);
    const QRgb plainRgb = qRgb(100, 100, 100);
    // Box (10, 10)-(50, 40): W 40, H 30.
    const std::vector<Case> cases = {
        {foHorizontal, {30, 24, lightRgb}, {30, 25, plainRgb}},
        {foHorizontalMirror, {30, 25, lightRgb}, {30, 24, plainRgb}},
        {foVertical, {29, 20, lightRgb}, {30, 20, plainRgb}},
        {foVerticalMirror, {30, 20, lightRgb}, {29, 20, plainRgb}},
    };
    TkavGlassFill g;
    g.SetColor(kavRGB(100, 100, 100));
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.orientation));
        g.SetOrientation(c.orientation);
        const QImage img = paint([&](QPainter &p) { g.Draw(p, 10, 10, 50, 40, 1, 1); });
        expectProbes(img, {c.light, c.plain, {50, 20, white}, {30, 40, white}});
    }

    g.SetOrientation(foHorizontal);
    g.SetHatch(true);
    const QImage hatched = paint([&](QPainter &p) { g.Draw(p, 10, 10, 50, 40, 1, 1); });
    const QRgb hatchRgb = qRgb(172, 172, 172);
    int hatch = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 50; ++x)
            hatch += hatched.pixel(x, y) == hatchRgb;
    EXPECT_GT(hatch, 20);
    EXPECT_LT(hatch, 600);

    g.SetColor(clNone);
    EXPECT_EQ(paint([&](QPainter &p) { g.Draw(p, 10, 10, 50, 40, 1, 1); }), canvasImage());
}

TEST(FramesDraw, DrawingLeavesThePainterAsItWas)
{
    QImage img = canvasImage();
    QPainter painter(&img);
    painter.setBrush(QBrush(Qt::green));
    painter.setPen(QPen(Qt::red, 3));
    TkavFrame f;
    f.SetTyp({ftLeft, ftTop});
    f.SetStyle(fsDash);
    f.Draw(painter, 10, 10, 50, 40, 1, 1);
    TkavGlassFill g;
    g.SetHatch(true);
    g.Draw(painter, 10, 10, 50, 40, 1, 1);
    EXPECT_EQ(painter.brush().color(), QColor(Qt::green));
    EXPECT_EQ(painter.pen().color(), QColor(Qt::red));
    EXPECT_EQ(painter.pen().width(), 3);
}

} // namespace
