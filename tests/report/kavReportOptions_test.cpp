// The report's option objects: published tables, initial values, which fields Clear resets
// and Assign copies, the silent-mode pair, the default printer, and their attribute text
// through the serializer (what is written, round trips, bad values).

#include "../kavTestSupport.h"

#include <persist/kavRes.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavComponent.h>
#include <report/kavReportOptions.h>
#include <report/kavViews.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// One published property set to a value that differs from its initial one, and what the
// class's Clear and Assign do with it.
struct Change
{
    const char16_t *prop;
    const char16_t *value; // as files store it
    bool resetByClear;
    bool copiedByAssign;
};

struct OptionClass
{
    const char *name;
    std::function<std::unique_ptr<TPersistent>()> create;
    std::function<void(TPersistent &)> clear;
    std::vector<Change> changes; // every published property, in table order
};

template <class T>
OptionClass optionClass(const char *name, std::vector<Change> changes)
{
    return {name,
            [] { return std::make_unique<T>(); },
            [](TPersistent &obj) { static_cast<T &>(obj).Clear(); },
            std::move(changes)};
}

const std::vector<OptionClass> &optionClasses()
{
    static const std::vector<OptionClass> classes = {
        optionClass<TkavEngineOptions>("Engine",
                                       {{u"ConvertNulls", u"False", true, true},
                                        {u"DoublePass", u"True", true, true},
                                        {u"IgnoreDevByZero", u"True", true, true},
                                        {u"MaxMemSize", u"99", false, true},
                                        {u"PrintIfEmpty", u"False", false, true},
                                        {u"NewSilentMode", u"simReThrow", false, true},
                                        {u"TempDir", u"/tmp/kv x", false, true},
                                        {u"UseFileCache", u"True", false, true}}),
        optionClass<TkavPreviewOptions>("Preview",
                                        {{u"AllowEdit", u"False", false, true},
                                         {u"Buttons", u"5", false, true},
                                         {u"DoubleBuffered", u"False", false, true},
                                         {u"Maximized", u"False", false, true},
                                         {u"MDIChild", u"True", false, true},
                                         {u"Modal", u"False", false, true},
                                         {u"OutlineExpand", u"False", true, true},
                                         {u"OutlineVisible", u"True", true, true},
                                         {u"OutlineWidth", u"200", true, true},
                                         {u"PagesInCache", u"7", true, true},
                                         {u"ThumbnailVisible", u"True", true, true},
                                         {u"ShowCaptions", u"True", false, true},
                                         {u"Zoom", u"2.5", false, true},
                                         {u"ZoomMode", u"zmManyPages", false, true},
                                         {u"PictureCacheInFile", u"True", false, true}}),
        optionClass<TkavPrintOptions>("Print",
                                      {{u"Copies", u"3", true, true},
                                       {u"Collate", u"False", true, true},
                                       {u"PageNumbers", u"1,3,5-12", true, true},
                                       {u"Printer", u"Laser \"A\"", true, true},
                                       {u"PrintMode", u"pmScale", true, true},
                                       {u"PrintOnSheet", u"9", true, true},
                                       {u"PrintPages", u"ppEven", true, true},
                                       {u"Reverse", u"True", true, true},
                                       {u"ShowDialog", u"False", true, true},
                                       {u"SwapPageSize", u"True", true, false}}),
        // resetByClear here is "outside Info mode"; the Info-mode table is separate.
        optionClass<TkavReportOptions>("Report",
                                       {{u"Author", u"Ann & Bo", true, true},
                                        {u"Compressed", u"True", true, true},
                                        {u"ConnectionName", u"Sales", true, true},
                                        {u"CreateDate", u"40000.25", true, true},
                                        {u"Description", u"first\r\nsecond\r\n", true, true},
                                        {u"InitString", u"init", true, true},
                                        {u"Name", u"Monthly", true, true},
                                        {u"LastChange", u"41000.5", true, true},
                                        {u"Password", u"a<b", true, true},
                                        {u"VersionBuild", u"4", true, true},
                                        {u"VersionMajor", u"1", true, true},
                                        {u"VersionMinor", u"2", true, true},
                                        {u"VersionRelease", u"3", true, true}}),
    };
    return classes;
}

QString text(const char16_t *s)
{
    return QString::fromUtf16(s);
}

bool isDate(const QString &prop)
{
    return prop == u"CreateDate"_s || prop == u"LastChange"_s;
}

void applyChanges(TPersistent &obj, const OptionClass &cls)
{
    for (const Change &c : cls.changes)
        kavSetPropText(obj, text(c.prop), text(c.value));
}

QStringList propNames(const TPersistent &obj)
{
    QStringList names;
    for (const TkavPropInfo *prop : obj.ClassInfo().Props())
        names.append(prop->Name());
    return names;
}

// The attribute names of serializer output, in order.
QStringList attributeNames(const QString &xml)
{
    static const QRegularExpression re(u" ([A-Za-z.]+)=\"[^\"]*\""_s);
    QStringList names;
    for (const QRegularExpressionMatch &m : re.globalMatch(xml))
        names.append(m.captured(1));
    return names;
}

QByteArray pngBytes()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class ReportOptionsTest : public ::testing::Test
{
protected:
    void SetUp() override { kavRegisterReportClasses(); }
};

// ---------------------------------------------------------------------------------------

TEST_F(ReportOptionsTest, ClassesAreRegisteredWithTheirTablesInOrder)
{
    const struct
    {
        const char16_t *cls;
        const char16_t *props;
    } rows[] = {
        {u"TkavEngineOptions",
         u"ConvertNulls DoublePass IgnoreDevByZero MaxMemSize PrintIfEmpty SilentMode "
         u"NewSilentMode TempDir UseFileCache MaxPages"},
        {u"TkavPreviewOptions",
         u"AllowEdit Buttons DoubleBuffered Maximized MDIChild Modal OutlineExpand "
         u"OutlineVisible OutlineWidth PagesInCache ThumbnailVisible ShowCaptions Zoom ZoomMode "
         u"PictureCacheInFile"},
        {u"TkavPrintOptions",
         u"Copies Collate PageNumbers Printer PrintMode PrintOnSheet PrintPages Reverse "
         u"ShowDialog SwapPageSize"},
        {u"TkavReportOptions",
         u"Author Compressed ConnectionName CreateDate Description InitString Name LastChange "
         u"Password Picture VersionBuild VersionMajor VersionMinor VersionRelease"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(text(row.cls).toStdString());
        const TkavClassInfo *info = kavFindClass(text(row.cls));
        ASSERT_NE(info, nullptr);
        std::unique_ptr<TPersistent> obj = info->Create();
        EXPECT_EQ(propNames(*obj).join(u' '), text(row.props));
    }
    const TkavPropInfo *buttons = kavFindProp(TkavPreviewOptions(), u"Buttons");
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->TypeName(), u"TkavPreviewButtons"_s);
    EXPECT_EQ(kavFindProp(TkavReportOptions(), u"CreateDate")->TypeName(), u"TDateTime"_s);
}

TEST_F(ReportOptionsTest, InitialValues)
{
    const QString defaultPrinter = kavResourceTable().Get(u"prDefault"_s);
    ASSERT_NE(defaultPrinter, u"prDefault"_s) << "the resource key must exist";
    const struct
    {
        int cls; // index into optionClasses()
        const char16_t *prop;
        QString initial;
    } rows[] = {
        {0, u"ConvertNulls", u"True"_s},
        {0, u"DoublePass", u"False"_s},
        {0, u"IgnoreDevByZero", u"False"_s},
        {0, u"MaxMemSize", u"10"_s},
        {0, u"PrintIfEmpty", u"True"_s},
        {0, u"SilentMode", u"False"_s},
        {0, u"NewSilentMode", u"simMessageBoxes"_s},
        {0, u"TempDir", QString()},
        {0, u"UseFileCache", u"False"_s},
        {1, u"AllowEdit", u"True"_s},
        // pbPrint .. pbExportQuick: bits 0..11.
        {1, u"Buttons", u"4095"_s},
        {1, u"DoubleBuffered", u"True"_s},
        {1, u"Maximized", u"True"_s},
        {1, u"MDIChild", u"False"_s},
        {1, u"Modal", u"True"_s},
        {1, u"OutlineExpand", u"True"_s},
        {1, u"OutlineVisible", u"False"_s},
        {1, u"OutlineWidth", u"120"_s},
        {1, u"PagesInCache", u"50"_s},
        {1, u"ThumbnailVisible", u"False"_s},
        {1, u"ShowCaptions", u"False"_s},
        {1, u"Zoom", u"1"_s},
        {1, u"ZoomMode", u"zmDefault"_s},
        {1, u"PictureCacheInFile", u"False"_s},
        {2, u"Copies", u"1"_s},
        {2, u"Collate", u"True"_s},
        {2, u"PageNumbers", QString()},
        {2, u"Printer", defaultPrinter},
        {2, u"PrintMode", u"pmDefault"_s},
        {2, u"PrintOnSheet", u"0"_s},
        {2, u"PrintPages", u"ppAll"_s},
        {2, u"Reverse", u"False"_s},
        {2, u"ShowDialog", u"True"_s},
        {2, u"SwapPageSize", u"False"_s},
        {3, u"Author", QString()},
        {3, u"Compressed", u"False"_s},
        {3, u"ConnectionName", QString()},
        {3, u"Description", QString()},
        {3, u"InitString", QString()},
        {3, u"Name", QString()},
        {3, u"Password", QString()},
        {3, u"VersionBuild", QString()},
        {3, u"VersionMajor", QString()},
        {3, u"VersionMinor", QString()},
        {3, u"VersionRelease", QString()},
    };
    std::vector<std::unique_ptr<TPersistent>> objects;
    for (const OptionClass &cls : optionClasses())
        objects.push_back(cls.create());
    for (const auto &row : rows) {
        SCOPED_TRACE(text(row.prop).toStdString());
        EXPECT_EQ(kavGetPropText(*objects[row.cls], text(row.prop)), row.initial);
    }

    const TkavEngineOptions engine;
    EXPECT_TRUE(engine.DestroyForms());
    EXPECT_FALSE(engine.EnableThreadSafe());
    EXPECT_TRUE(engine.UseGlobalDataSetList());
    EXPECT_FALSE(TkavPreviewOptions().RTLPreview());
    const TkavPrintOptions print;
    EXPECT_EQ(print.PrnOutFileName(), QString());
    EXPECT_EQ(print.Duplex(), dmNone);
    EXPECT_EQ(print.SplicingLine(), 3);
    EXPECT_EQ(print.PagesOnSheet(), 0);
}

TEST_F(ReportOptionsTest, ReportOptionsStartNowWithEqualDates)
{
    const TDateTime before = Now();
    const TkavReportOptions options;
    const TDateTime after = Now();
    EXPECT_GE(options.CreateDate(), before);
    EXPECT_LE(options.CreateDate(), after);
    EXPECT_EQ(options.LastChange(), options.CreateDate());
    EXPECT_TRUE(options.Picture().IsEmpty());
    EXPECT_EQ(options.Report(), nullptr);
    EXPECT_FALSE(options.Info());
}

TEST_F(ReportOptionsTest, ClearResetsExactlyItsFields)
{
    for (const OptionClass &cls : optionClasses()) {
        SCOPED_TRACE(cls.name);
        const std::unique_ptr<TPersistent> fresh = cls.create();
        const std::unique_ptr<TPersistent> obj = cls.create();
        applyChanges(*obj, cls);
        const TDateTime before = Now();
        cls.clear(*obj);
        const TDateTime after = Now();
        for (const Change &c : cls.changes) {
            const QString prop = text(c.prop);
            SCOPED_TRACE(prop.toStdString());
            if (c.resetByClear && isDate(prop)) {
                const double value = kavGetPropValue(*obj, prop).AsDouble();
                EXPECT_GE(value, before);
                EXPECT_LE(value, after);
                continue;
            }
            const QString expected = c.resetByClear ? kavGetPropText(*fresh, prop) : text(c.value);
            EXPECT_EQ(kavGetPropText(*obj, prop), expected);
        }
    }
}

TEST_F(ReportOptionsTest, ClearKeepsThePublicOnlyFields)
{
    TkavEngineOptions engine;
    engine.SetDestroyForms(false);
    engine.SetEnableThreadSafe(true);
    engine.SetUseGlobalDataSetList(false);
    engine.Clear();
    EXPECT_FALSE(engine.DestroyForms());
    EXPECT_TRUE(engine.EnableThreadSafe());
    EXPECT_FALSE(engine.UseGlobalDataSetList());

    TkavPrintOptions print;
    print.SetPrnOutFileName(u"out.prn"_s);
    print.SetDuplex(dmHorizontal);
    print.SetSplicingLine(7);
    print.Clear();
    EXPECT_EQ(print.PrnOutFileName(), u"out.prn"_s);
    EXPECT_EQ(print.Duplex(), dmHorizontal);
    EXPECT_EQ(print.SplicingLine(), 7);
}

TEST_F(ReportOptionsTest, ReportOptionsClearInInfoModeKeepsTheDescriptiveFields)
{
    const QStringList keptInInfo = {u"Author"_s,
                                    u"Compressed"_s,
                                    u"CreateDate"_s,
                                    u"Description"_s,
                                    u"LastChange"_s,
                                    u"VersionBuild"_s,
                                    u"VersionMajor"_s,
                                    u"VersionMinor"_s,
                                    u"VersionRelease"_s};
    const OptionClass &cls = optionClasses()[3];
    TkavReportOptions options;
    applyChanges(options, cls);
    options.Picture().LoadFromBytes(pngBytes());
    options.SetPrevPassword(u"old"_s);
    options.SetHiddenPassword(u"hidden"_s);
    options.SetInfo(true);
    options.Clear();
    for (const Change &c : cls.changes) {
        const QString prop = text(c.prop);
        SCOPED_TRACE(prop.toStdString());
        const QString expected = keptInInfo.contains(prop) ? text(c.value) : QString();
        EXPECT_EQ(kavGetPropText(options, prop), expected);
    }
    EXPECT_FALSE(options.Picture().IsEmpty());
    EXPECT_EQ(options.PrevPassword(), QString());
    EXPECT_EQ(options.HiddenPassword(), u"hidden"_s);
    EXPECT_TRUE(options.Info());

    options.SetInfo(false);
    options.Clear();
    EXPECT_TRUE(options.Picture().IsEmpty());
    EXPECT_EQ(options.Author(), QString());
    EXPECT_EQ(options.HiddenPassword(), u"hidden"_s);
}

TEST_F(ReportOptionsTest, AssignCopiesExactlyTheListedFields)
{
    for (const OptionClass &cls : optionClasses()) {
        SCOPED_TRACE(cls.name);
        const std::unique_ptr<TPersistent> fresh = cls.create();
        const std::unique_ptr<TPersistent> source = cls.create();
        applyChanges(*source, cls);
        const std::unique_ptr<TPersistent> target = cls.create();
        target->Assign(*source);
        for (const Change &c : cls.changes) {
            const QString prop = text(c.prop);
            SCOPED_TRACE(prop.toStdString());
            const QString expected
                = c.copiedByAssign ? text(c.value) : kavGetPropText(*fresh, prop);
            EXPECT_EQ(kavGetPropText(*target, prop), expected);
        }
    }
}

TEST_F(ReportOptionsTest, AssignOfThePublicOnlyFields)
{
    TkavEngineOptions engine;
    engine.SetDestroyForms(false);
    engine.SetEnableThreadSafe(true);
    engine.SetUseGlobalDataSetList(false);
    TkavEngineOptions engineCopy;
    engineCopy.Assign(engine);
    EXPECT_TRUE(engineCopy.DestroyForms());
    EXPECT_FALSE(engineCopy.EnableThreadSafe());
    EXPECT_TRUE(engineCopy.UseGlobalDataSetList());

    TkavPreviewOptions preview;
    preview.SetRTLPreview(true);
    TkavPreviewOptions previewCopy;
    previewCopy.Assign(preview);
    EXPECT_TRUE(previewCopy.RTLPreview());

    TkavPrintOptions print;
    print.SetPrnOutFileName(u"out.prn"_s);
    print.SetDuplex(dmVertical);
    print.SetSplicingLine(9);
    print.SetPagesOnSheet(4);
    TkavPrintOptions printCopy;
    printCopy.Assign(print);
    EXPECT_EQ(printCopy.SplicingLine(), 9);
    EXPECT_EQ(printCopy.PrnOutFileName(), QString());
    EXPECT_EQ(printCopy.Duplex(), dmNone);
    EXPECT_EQ(printCopy.PagesOnSheet(), 0);

    TkavReportOptions report;
    report.SetPrevPassword(u"p"_s);
    report.SetHiddenPassword(u"h"_s);
    report.SetInfo(true);
    report.Picture().LoadFromBytes(pngBytes());
    TkavReportOptions reportCopy;
    reportCopy.Assign(report);
    EXPECT_EQ(reportCopy.PrevPassword(), QString());
    EXPECT_EQ(reportCopy.HiddenPassword(), QString());
    EXPECT_FALSE(reportCopy.Info());
    EXPECT_EQ(reportCopy.Picture().Data(), report.Picture().Data());
}

TEST_F(ReportOptionsTest, CopiesAreIndependentOfTheirSource)
{
    TkavReportOptions source;
    source.Description().SetText(u"one"_s);
    source.Picture().LoadFromBytes(pngBytes());
    TkavReportOptions copy;
    copy.Assign(source);
    source.Description().SetText(u"two"_s);
    source.Picture().Clear();
    EXPECT_EQ(copy.Description().Text(), u"one\r\n"_s);
    EXPECT_FALSE(copy.Picture().IsEmpty());

    TStringList lines;
    lines.SetText(u"a\r\nb"_s);
    copy.SetDescription(lines);
    lines.Clear();
    EXPECT_EQ(copy.Description().Count(), 2);
    TkavPicture picture;
    picture.LoadFromBytes(pngBytes());
    TkavReportOptions other;
    other.SetPicture(picture);
    picture.Clear();
    EXPECT_FALSE(other.Picture().IsEmpty());
}

TEST_F(ReportOptionsTest, AssignFromAnotherClassRaises)
{
    TkavEngineOptions engine;
    TkavPrintOptions print;
    EXPECT_THROW(engine.Assign(print), EConvertError);
    EXPECT_THROW(print.Assign(engine), EConvertError);
}

TEST_F(ReportOptionsTest, SilentModeIsTheBooleanViewOfNewSilentMode)
{
    const struct
    {
        TkavSilentMode mode;
        bool silent;
    } reads[] = {{simMessageBoxes, false}, {simSilent, true}, {simReThrow, false}};
    TkavEngineOptions options;
    for (const auto &row : reads) {
        options.SetNewSilentMode(row.mode);
        EXPECT_EQ(options.SilentMode(), row.silent) << int(row.mode);
    }
    const struct
    {
        TkavSilentMode before;
        bool write;
        TkavSilentMode after;
    } writes[] = {{simMessageBoxes, true, simSilent},
                  {simReThrow, true, simSilent},
                  {simSilent, false, simMessageBoxes},
                  {simReThrow, false, simMessageBoxes}};
    for (const auto &row : writes) {
        options.SetNewSilentMode(row.before);
        options.SetSilentMode(row.write);
        EXPECT_EQ(options.NewSilentMode(), row.after) << int(row.before) << row.write;
    }
}

TEST_F(ReportOptionsTest, DefaultPrinterNames)
{
    const struct
    {
        QString printer;
        bool isDefault;
    } rows[] = {{QString(), true},
                {u"Default"_s, true},
                {u"default"_s, true},
                {kavResourceTable().Get(u"prDefault"_s), true},
                {kavResourceTable().Get(u"prDefault"_s).toUpper(), true},
                {u"Padrão"_s, true}, // saved under the other built-in language
                {u"PADRÃO"_s, true},
                {u"Laser"_s, false},
                {u"Default printer"_s, false}};
    TkavPrintOptions options;
    EXPECT_TRUE(options.IsDefaultPrinter());
    for (const auto &row : rows) {
        options.SetPrinter(row.printer);
        EXPECT_EQ(options.IsDefaultPrinter(), row.isDefault) << row.printer.toStdString();
    }
}

// ---------------------------------------------------------------------------------------
// Attribute text

TEST_F(ReportOptionsTest, DefaultsWriteOnlyWhatHasNoDeclaredDefault)
{
    const struct
    {
        int cls;
        const char16_t *prefix;
        const char16_t *written;
    } rows[] = {
        {0, u"EngineOptions.", u""},
        {1, u"PreviewOptions.", u"PreviewOptions.Zoom"}, // floats are always written
        {2, u"PrintOptions.", u"PrintOptions.Printer"},
        {3,
         u"ReportOptions.",
         u"ReportOptions.CreateDate ReportOptions.Description.Text ReportOptions.LastChange"},
    };
    TkavXMLSerializer serializer;
    for (const auto &row : rows) {
        const OptionClass &cls = optionClasses()[row.cls];
        SCOPED_TRACE(cls.name);
        const std::unique_ptr<TPersistent> obj = cls.create();
        const QString xml = serializer.ObjToXML(obj.get(), text(row.prefix));
        EXPECT_EQ(attributeNames(xml).join(u' '), text(row.written));
    }
    TkavPrintOptions print;
    EXPECT_EQ(serializer.ObjToXML(&print),
              u" Printer=\""_s + kavResourceTable().Get(u"prDefault"_s) + u'"');
}

TEST_F(ReportOptionsTest, ChangedValuesAreAllWrittenExceptTheNeverStoredOnes)
{
    TkavXMLSerializer serializer;
    for (const OptionClass &cls : optionClasses()) {
        SCOPED_TRACE(cls.name);
        const std::unique_ptr<TPersistent> obj = cls.create();
        applyChanges(*obj, cls);
        QStringList expected;
        for (const Change &c : cls.changes) {
            const QString prop = text(c.prop);
            if (prop == u"SwapPageSize"_s)
                continue;
            expected.append(prop == u"Description"_s ? prop + u".Text"_s : prop);
        }
        EXPECT_EQ(attributeNames(serializer.ObjToXML(obj.get())), expected);
    }
}

TEST_F(ReportOptionsTest, SilentModeIsWrittenOnlyAsNewSilentMode)
{
    TkavEngineOptions options;
    options.SetSilentMode(true);
    TkavXMLSerializer serializer;
    EXPECT_EQ(serializer.ObjToXML(&options), u" NewSilentMode=\"simSilent\""_s);

    // Older files carry the Boolean form.
    TkavEngineOptions read;
    serializer.XMLToObj(u" SilentMode=\"True\""_s, &read);
    EXPECT_EQ(read.NewSilentMode(), simSilent);
    EXPECT_EQ(serializer.Errors().Count(), 0);
}

TEST_F(ReportOptionsTest, RoundTripRestoresEveryProperty)
{
    for (const OptionClass &cls : optionClasses()) {
        SCOPED_TRACE(cls.name);
        const std::unique_ptr<TPersistent> source = cls.create();
        applyChanges(*source, cls);
        TkavXMLSerializer serializer;
        const QString xml = serializer.ObjToXML(source.get());
        const std::unique_ptr<TPersistent> target = cls.create();
        serializer.XMLToObj(xml, target.get());
        EXPECT_EQ(serializer.Errors().Count(), 0) << serializer.Errors().Text().toStdString();
        for (const TkavPropInfo *prop : source->ClassInfo().Props()) {
            if (prop->Kind() == pkObject || !prop->IsStored(*source))
                continue;
            EXPECT_EQ(kavGetPropText(*target, *prop), kavGetPropText(*source, *prop))
                << prop->Name().toStdString();
        }
    }
}

TEST_F(ReportOptionsTest, RoundTripOfDefaultsRestoresTheDefaults)
{
    for (const OptionClass &cls : optionClasses()) {
        SCOPED_TRACE(cls.name);
        const std::unique_ptr<TPersistent> fresh = cls.create();
        TkavXMLSerializer serializer;
        const QString xml = serializer.ObjToXML(fresh.get());
        // A target that starts from changed values and is cleared, as a load does.
        const std::unique_ptr<TPersistent> target = cls.create();
        applyChanges(*target, cls);
        cls.clear(*target);
        serializer.XMLToObj(xml, target.get());
        for (const Change &c : cls.changes) {
            if (!c.resetByClear)
                continue;
            const QString prop = text(c.prop);
            EXPECT_EQ(kavGetPropText(*target, prop), kavGetPropText(*fresh, prop))
                << prop.toStdString();
        }
    }
}

TEST_F(ReportOptionsTest, PictureRoundTrip)
{
    TkavReportOptions source;
    ASSERT_TRUE(source.Picture().LoadFromBytes(pngBytes()));
    TkavXMLSerializer serializer;
    const QString xml = serializer.ObjToXML(&source);
    EXPECT_TRUE(attributeNames(xml).contains(u"Picture.PropData"_s)) << xml.toStdString();
    TkavReportOptions target;
    serializer.XMLToObj(xml, &target);
    EXPECT_EQ(target.Picture().Data(), source.Picture().Data());
    EXPECT_EQ(target.Picture().Width(), 3);
}

TEST_F(ReportOptionsTest, ValuesOutsideTheirTypeGiveAnErrorAndLeaveTheValue)
{
    const struct
    {
        int cls;
        const char16_t *prop;
        const char16_t *bad;
    } rows[] = {
        {0, u"NewSilentMode", u"7"},
        {0, u"NewSilentMode", u"simLoud"},
        {0, u"MaxMemSize", u"ten"},
        {0, u"ConvertNulls", u"2"},
        {1, u"Buttons", u"32768"}, // bit 15: one past pbNoEmail
        {1, u"ZoomMode", u"4"},
        {1, u"Zoom", u"x1"},
        {2, u"PrintPages", u"3"},
        {2, u"PrintMode", u"-1"},
        {2, u"Copies", u"1.5"},
    };
    for (const auto &row : rows) {
        const OptionClass &cls = optionClasses()[row.cls];
        const QString prop = text(row.prop);
        SCOPED_TRACE((prop + u'=' + text(row.bad)).toStdString());
        const std::unique_ptr<TPersistent> obj = cls.create();
        applyChanges(*obj, cls);
        const QString before = kavGetPropText(*obj, prop);
        TkavXMLSerializer serializer;
        // The neighbour after the bad value is still read.
        serializer.XMLToObj(u" "_s + prop + u"=\""_s + text(row.bad) + u"\" TempDir=\"t\""_s
                                + u" PageNumbers=\"2\" OutlineWidth=\"33\""_s,
                            obj.get());
        EXPECT_EQ(serializer.Errors().Count(), 1);
        EXPECT_EQ(kavGetPropText(*obj, prop), before);
        const QString neighbour = row.cls == 0   ? u"TempDir"_s
                                  : row.cls == 1 ? u"OutlineWidth"_s
                                                 : u"PageNumbers"_s;
        EXPECT_NE(kavGetPropText(*obj, neighbour), kavGetPropText(*cls.create(), neighbour));
    }
}

} // namespace
