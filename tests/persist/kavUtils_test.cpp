// Tests of the shared utilities: the wide-string list (text forms, bounds, UTF-16 files),
// character-set conversions, message-box captions, temporary and program file names, the
// text helpers, overlap areas and masked picture drawing.
#include <persist/kavRes.h>
#include <persist/kavUtils.h>
#include <rtl/kavCodePage.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavStreams.h>
#include <rtl/kavUIServicesFake.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QRectF>
#include <QTemporaryDir>

#include "kavTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <initializer_list>
#include <memory>

using namespace Qt::StringLiterals;

// Readable failure messages for the types compared here.
static void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '[' << list.join(u'|').toStdString() << ']';
}
static void PrintTo(const QColor &c, std::ostream *os)
{
    *os << c.name().toStdString();
}
static void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << bytes.toHex(' ').toStdString();
}

namespace {

QStringList entries(const TStrings &list)
{
    QStringList result;
    for (int i = 0; i < list.Count(); ++i)
        result.append(list.Strings(i));
    return result;
}

// A wide list filled with texts in one expression.
class WideList : public TkavWideStrings
{
public:
    WideList() = default;
    WideList(std::initializer_list<QString> texts)
    {
        for (const QString &s : texts)
            Add(s);
    }
    explicit WideList(const QStringList &texts)
    {
        for (const QString &s : texts)
            Add(s);
    }
};

// "what" of an exception as text, for message checks.
template <typename E>
QString messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const E &e) {
        return e.Message();
    }
    return u"<no exception>"_s;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

// ---------------------------------------------------------------------------------------
// Text

struct TextSplitCase
{
    const char *name;
    QString text;
    QStringList expected;
};

class WideStringsTextSplit : public ::testing::TestWithParam<TextSplitCase>
{};

TEST_P(WideStringsTextSplit, SetTextSplitsLines)
{
    WideList list({u"old"_s});
    list.SetText(GetParam().text);
    EXPECT_EQ(entries(list), GetParam().expected);
}

const QString nulText = u"a"_s + QChar(u'\0') + u"b\r\nc"_s;
const QString nulFirst = QString(QChar(u'\0')) + u"abc"_s;

INSTANTIATE_TEST_SUITE_P(
    Table,
    WideStringsTextSplit,
    ::testing::Values(
        TextSplitCase{"CrLf", u"a\r\nb\r\n"_s, {u"a"_s, u"b"_s}},
        TextSplitCase{"LoneCr", u"a\rb"_s, {u"a"_s, u"b"_s}},
        TextSplitCase{"LoneLf", u"a\nb"_s, {u"a"_s, u"b"_s}},
        TextSplitCase{"DoubleLfGivesEmptyLine", u"a\n\nb"_s, {u"a"_s, QString(), u"b"_s}},
        TextSplitCase{"DoubleCrLf", u"a\r\n\r\nb"_s, {u"a"_s, QString(), u"b"_s}},
        // LF then CR are two breaks: CR is only skipped right after the line's end.
        TextSplitCase{"LfCrIsTwoBreaks", u"a\n\rb"_s, {u"a"_s, QString(), u"b"_s}},
        TextSplitCase{"LineSeparator", u"a\u2028b"_s, {u"a"_s, u"b"_s}},
        TextSplitCase{"CrLfThenLineSeparatorIsOneBreak", u"a\r\n\u2028b"_s, {u"a"_s, u"b"_s}},
        TextSplitCase{"TwoLineSeparators", u"a\u2028\u2028"_s, {u"a"_s, QString()}},
        TextSplitCase{"TrailingBreakAddsNoLine", u"a\n"_s, {u"a"_s}},
        TextSplitCase{"OnlyBreak", u"\r\n"_s, {QString()}},
        TextSplitCase{"NoBreak", u"abc"_s, {u"abc"_s}},
        TextSplitCase{"Empty", QString(), {}},
        TextSplitCase{"NulEndsText", nulText, {u"a"_s}},
        TextSplitCase{"NulFirst", nulFirst, {}},
        TextSplitCase{"BlanksKept", u"  x \t\r\n"_s, {u"  x \t"_s}}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(WideStringsText, JoinsEveryEntryWithCrLf)
{
    EXPECT_EQ(WideList({u"a"_s, u"b"_s}).Text(), u"a\r\nb\r\n"_s);
    EXPECT_EQ(WideList({QString()}).Text(), u"\r\n"_s);
    EXPECT_EQ(WideList().Text(), QString());
}

TEST(WideStringsText, JoinedTextSplitsBackToTheSameEntries)
{
    const QStringList texts = {u"a"_s, QString(), u"Ção 日本"_s, u"b"_s};
    WideList list(texts);
    TkavWideStrings copy;
    copy.SetText(list.Text());
    EXPECT_EQ(entries(copy), texts);
}

TEST(WideStringsText, SettingTextReportsOneChange)
{
    TkavWideStrings list;
    int changes = 0;
    list.SetOnChange([&changes](TStrings &) { ++changes; });
    list.SetText(u"a\nb\nc"_s);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.Count(), 3);
}

// ---------------------------------------------------------------------------------------
// Editing and bounds

struct EditCase
{
    const char *name;
    std::function<void(TkavWideStrings &)> edit;
    QStringList expected; // empty: the edit must raise and leave [p, q, r]
    QString error;        // the expected message when it raises
};

class WideStringsEdit : public ::testing::TestWithParam<EditCase>
{};

TEST_P(WideStringsEdit, EditsOrRaisesWithoutChange)
{
    const EditCase &c = GetParam();
    WideList list({u"p"_s, u"q"_s, u"r"_s});
    if (c.error.isEmpty()) {
        c.edit(list);
        EXPECT_EQ(entries(list), c.expected);
    } else {
        EXPECT_EQ(messageOf<EListError>([&] { c.edit(list); }), c.error);
        EXPECT_EQ(entries(list), (QStringList{u"p"_s, u"q"_s, u"r"_s}));
    }
}

const QString outOfBounds = u"Wide String Out of Bounds"_s;

INSTANTIATE_TEST_SUITE_P(
    Table,
    WideStringsEdit,
    ::testing::Values(
        // Insert inserts (an insert that replaced would lose the line it lands on).
        EditCase{"InsertAtStart", [](auto &l) { l.Insert(0, u"x"_s); }, {u"x"_s, u"p"_s, u"q"_s, u"r"_s}, {}},
        EditCase{"InsertInMiddle", [](auto &l) { l.Insert(2, u"x"_s); }, {u"p"_s, u"q"_s, u"x"_s, u"r"_s}, {}},
        EditCase{"InsertAtCountAppends", [](auto &l) { l.Insert(3, u"x"_s); }, {u"p"_s, u"q"_s, u"r"_s, u"x"_s}, {}},
        EditCase{"InsertPastCount", [](auto &l) { l.Insert(4, u"x"_s); }, {}, outOfBounds},
        EditCase{"InsertFarPastCount", [](auto &l) { l.Insert(5, u"x"_s); }, {}, outOfBounds},
        EditCase{"InsertNegative", [](auto &l) { l.Insert(-1, u"x"_s); }, {}, outOfBounds},
        EditCase{"PutReplaces", [](auto &l) { l.Put(0, u"x"_s); }, {u"x"_s, u"q"_s, u"r"_s}, {}},
        EditCase{"PutLast", [](auto &l) { l.SetStrings(2, u"x"_s); }, {u"p"_s, u"q"_s, u"x"_s}, {}},
        EditCase{"PutAtCountAppends", [](auto &l) { l.Put(3, u"x"_s); }, {u"p"_s, u"q"_s, u"r"_s, u"x"_s}, {}},
        EditCase{"PutPastCount", [](auto &l) { l.Put(4, u"x"_s); }, {}, outOfBounds},
        EditCase{"PutNegative", [](auto &l) { l.Put(-1, u"x"_s); }, {}, outOfBounds},
        EditCase{"DeleteFirst", [](auto &l) { l.Delete(0); }, {u"q"_s, u"r"_s}, {}},
        EditCase{"DeleteLast", [](auto &l) { l.Delete(2); }, {u"p"_s, u"q"_s}, {}},
        EditCase{"DeleteAtCount", [](auto &l) { l.Delete(3); }, {}, u"List index out of bounds (3)"_s},
        EditCase{"DeleteNegative", [](auto &l) { l.Delete(-1); }, {}, u"List index out of bounds (-1)"_s},
        EditCase{"AddDuplicate", [](auto &l) { l.Add(u"p"_s); }, {u"p"_s, u"q"_s, u"r"_s, u"p"_s}, {}},
        EditCase{"Clear", [](auto &l) { l.Clear(); }, {}, {}},
        EditCase{"MoveFirstToLast", [](auto &l) { l.Move(0, 2); }, {u"q"_s, u"r"_s, u"p"_s}, {}},
        EditCase{"Exchange", [](auto &l) { l.Exchange(0, 2); }, {u"r"_s, u"q"_s, u"p"_s}, {}}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(WideStringsBounds, ReadsOutsideTheRangeGiveEmptyAndNull)
{
    TObject object;
    WideList list({u"p"_s});
    list.PutObject(0, &object);
    for (int index : {-1, 1, 100}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(list.Get(index).isNull());
        EXPECT_EQ(list.GetObject(index), nullptr);
        list.PutObject(index, &object); // ignored
    }
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Objects(0), &object);
}

TEST(WideStringsBounds, ObjectsStayWithTheirEntries)
{
    TObject a;
    TObject b;
    TkavWideStrings list;
    list.AddObject(u"a"_s, &a);
    list.AddObject(u"b"_s, &b);
    list.Insert(1, u"new"_s);
    EXPECT_EQ(list.Objects(0), &a);
    EXPECT_EQ(list.Objects(1), nullptr);
    EXPECT_EQ(list.Objects(2), &b);
    list.Put(2, u"renamed"_s);
    EXPECT_EQ(list.Objects(2), &b);
    list.Delete(0);
    EXPECT_EQ(list.Objects(0), nullptr);
    EXPECT_EQ(list.Objects(1), &b);
}

TEST(WideStringsSearch, IndexOfIsExactAndFindsTheFirst)
{
    const WideList list({u"a"_s, u"A"_s, u"b"_s, u"A"_s});
    EXPECT_EQ(list.IndexOf(u"A"_s), 1);
    EXPECT_EQ(list.IndexOf(u"a"_s), 0);
    EXPECT_EQ(list.IndexOf(u"B"_s), -1);
    EXPECT_EQ(list.IndexOf(QString()), -1);
    EXPECT_EQ(WideList({u"x"_s, QString()}).IndexOf(QString()), 1);
}

// ---------------------------------------------------------------------------------------
// Copying

class TPlainPersistent : public TPersistent
{};

TEST(WideStringsAssign, FromAndToOtherStringLists)
{
    TObject a;
    TStringList source;
    source.AddObject(u"one"_s, &a);
    source.Add(u"two"_s);

    WideList list({u"old"_s});
    list.Assign(source);
    EXPECT_EQ(entries(list), (QStringList{u"one"_s, u"two"_s}));
    EXPECT_EQ(list.Objects(0), &a);

    TStringList dest;
    dest.Add(u"stale"_s);
    EXPECT_TRUE(list.AssignTo(dest));
    EXPECT_EQ(entries(dest), (QStringList{u"one"_s, u"two"_s}));
    EXPECT_EQ(dest.Objects(0), &a);

    TkavWideStrings wide;
    wide.AddStrings(list);
    wide.AddStrings(list);
    EXPECT_EQ(entries(wide), (QStringList{u"one"_s, u"two"_s, u"one"_s, u"two"_s}));
    EXPECT_EQ(wide.Objects(2), &a);

    list.Assign(list); // itself: unchanged
    EXPECT_EQ(list.Count(), 2);
}

TEST(WideStringsAssign, FromSomethingElseFails)
{
    WideList list({u"keep"_s});
    TPlainPersistent other;
    EXPECT_THROW(list.Assign(other), EConvertError);
    EXPECT_FALSE(list.AssignTo(other));
    EXPECT_EQ(entries(list), QStringList{u"keep"_s});
}

// ---------------------------------------------------------------------------------------
// Streams and files: UTF-16LE, written without and read with or without a byte-order mark

// "hi" CR LF in UTF-16LE.
const QByteArray hiLine = QByteArray("h\0i\0\r\0\n\0", 8);
const QByteArray bom = "\xFF\xFE";

TEST(WideStringsStream, SavesUtf16LeWithoutMark)
{
    TMemoryStream stream;
    WideList({u"hi"_s}).SaveToStream(stream);
    EXPECT_EQ(stream.Data(), hiLine);
}

struct LoadCase
{
    const char *name;
    QByteArray bytes;
    qint64 start; // the stream's position before loading
    QStringList expected;
};

class WideStringsLoad : public ::testing::TestWithParam<LoadCase>
{};

TEST_P(WideStringsLoad, ReadsFromThePosition)
{
    TMemoryStream stream(GetParam().bytes);
    stream.SetPosition(GetParam().start);
    WideList list({u"old"_s});
    list.LoadFromStream(stream);
    EXPECT_EQ(entries(list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table,
    WideStringsLoad,
    ::testing::Values(
        LoadCase{"WithMark", bom + hiLine, 0, {u"hi"_s}},
        LoadCase{"WithoutMark", hiLine, 0, {u"hi"_s}},
        LoadCase{"MarkAfterPosition", "xx" + bom + hiLine, 2, {u"hi"_s}},
        LoadCase{"TwoBytesFromStart", QByteArray("h\0", 2), 0, {u"h"_s}},
        // Only a mark: an empty text, not an invisible U+FEFF line.
        LoadCase{"OnlyMark", bom, 0, {}},
        LoadCase{"OneByte", "h", 0, {}},
        LoadCase{"Empty", QByteArray(), 0, {}},
        LoadCase{"OddByteIgnored", hiLine + "z", 0, {u"hi"_s}},
        LoadCase{"PositionAtEnd", hiLine, 8, {}},
        LoadCase{"MarkInsideIsText", hiLine + bom + QByteArray("a\0", 2), 0, {u"hi"_s, u"\uFEFFa"_s}}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(WideStringsStream, WStreamKeepsAMark)
{
    TMemoryStream stream(bom + hiLine);
    TkavWideStrings list;
    list.LoadFromWStream(stream);
    EXPECT_EQ(entries(list), QStringList{u"\uFEFFhi"_s});

    TMemoryStream plain(hiLine);
    list.LoadFromWStream(plain);
    EXPECT_EQ(entries(list), QStringList{u"hi"_s});
}

TEST(WideStringsFile, RoundTripWithoutMark)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"lines.txt"_s);
    // A character outside the basic plane travels as a surrogate pair.
    const QStringList texts = {u"Relatório"_s, QString(), u"日本 \U0001F600"_s};
    WideList(texts).SaveToFile(path);

    const QByteArray bytes = readFile(path);
    EXPECT_FALSE(bytes.startsWith(bom));
    EXPECT_EQ(bytes.size(), WideList(texts).Text().size() * 2);

    TkavWideStrings loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(entries(loaded), texts);
}

TEST(WideStringsFile, ReadsAFileWithMark)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"marked.txt"_s);
    writeFile(path, bom + hiLine + QByteArray("\xE7\0", 2));
    TkavWideStrings loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(entries(loaded), (QStringList{u"hi"_s, u"ç"_s}));
}

TEST(WideStringsFile, FileErrors)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WideList list({u"keep"_s});
    EXPECT_THROW(list.LoadFromFile(dir.filePath(u"missing.txt"_s)), EFOpenError);
    EXPECT_EQ(entries(list), QStringList{u"keep"_s});
    EXPECT_THROW(list.SaveToFile(dir.filePath(u"no/such/folder.txt"_s)), EFCreateError);
}

TEST(WideStringsFile, SaveReplacesTheWholeFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"lines.txt"_s);
    writeFile(path, QByteArray(100, 'x'));
    WideList({u"hi"_s}).SaveToFile(path);
    EXPECT_EQ(readFile(path), hiLine);
}

// ---------------------------------------------------------------------------------------
// Character sets

class CodePageScope
{
public:
    explicit CodePageScope(int codePage) : FSaved(kavSystemAnsiCodePage()) { kavSetSystemAnsiCodePage(codePage); }
    ~CodePageScope() { kavSetSystemAnsiCodePage(FSaved); }

private:
    int FSaved;
};

TEST(Charsets, CodePageOfEachSet)
{
    const CodePageScope scope(1252);
    const std::vector<std::pair<int, int>> table = {
        {0, 1252},   {1, 1252},   {2, 28591},  {77, kavCP_MACCP}, {128, 932},  {129, 949},
        {130, 1361}, {134, 936},  {136, 950},  {161, 1253},       {162, 1254}, {163, 1258},
        {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251},       {222, 874},  {238, 1250},
        {255, kavCP_OEMCP},
        // A set without a code page of its own falls back to the system's (no error).
        {3, 1252},   {99, 1252},  {300, 1252}, {-1, 1252}};
    for (const auto &[charset, codePage] : table) {
        SCOPED_TRACE(charset);
        EXPECT_EQ(kavCharsetCodePage(charset), codePage);
    }
}

TEST(Charsets, DefaultSetFollowsTheSystemCodePage)
{
    const CodePageScope scope(1251);
    EXPECT_EQ(kavCharsetCodePage(1), 1251);
    EXPECT_EQ(kavCharsetCodePage(77), kavCP_MACCP);
    EXPECT_EQ(kavAnsiToWide("\xCF", 1), u"П"_s);
    EXPECT_EQ(kavAnsiToWide("\xCF", 0), u"Ï"_s); // the ANSI set stays Windows-1252
}

TEST(Charsets, LocaleOfEachSet)
{
    const std::vector<std::pair<int, TkavLCID>> table = {
        {128, 0x0411}, {129, 0x0412}, {130, 0x0812}, {134, 0x0804}, {136, 0x0C04},
        {161, 0x0408}, {162, 0x041F}, {163, 0x042A}, {177, 0x040D}, {178, 0x3401},
        {186, 0x0425}, {204, 0x0419}, {222, 0x041E}, {238, 0x0405}};
    for (const auto &[charset, lcid] : table) {
        SCOPED_TRACE(charset);
        EXPECT_EQ(kavCharsetLocale(charset), lcid);
    }
}

class LocaleScope
{
public:
    explicit LocaleScope(const QLocale &locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(FSaved); }

private:
    QLocale FSaved;
};

TEST(Charsets, OtherSetsTakeTheCurrentLocale)
{
    const std::vector<std::pair<QLocale, TkavLCID>> table = {
        {QLocale(QLocale::Portuguese, QLocale::Brazil), 0x0416},
        {QLocale(QLocale::Portuguese, QLocale::Portugal), 0x0816},
        {QLocale(QLocale::English, QLocale::UnitedStates), 0x0409},
        {QLocale(QLocale::German, QLocale::Germany), 0x0407},
        // A territory without its own entry takes the language's first one.
        {QLocale(QLocale::Portuguese, QLocale::Angola), 0x0416},
        {QLocale::c(), 0x0400}};
    for (const auto &[locale, lcid] : table) {
        SCOPED_TRACE(locale.name().toStdString());
        const LocaleScope scope(locale);
        EXPECT_EQ(kavThreadLocale(), lcid);
        for (int charset : {0, 1, 2, 77, 255})
            EXPECT_EQ(kavCharsetLocale(charset), lcid) << charset;
    }
}

struct AnsiCase
{
    const char *name;
    QString text;
    int charset;
    int codePage;
    QByteArray bytes;
};

class CharsetsAnsi : public ::testing::TestWithParam<AnsiCase>
{};

TEST_P(CharsetsAnsi, ConvertsBothWays)
{
    const CodePageScope scope(1252);
    const AnsiCase &c = GetParam();
    EXPECT_EQ(kavWideToAnsi(c.text, c.charset, c.codePage), c.bytes);
    EXPECT_EQ(kavAnsiToWide(c.bytes, c.charset, c.codePage), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table,
    CharsetsAnsi,
    ::testing::Values(
        AnsiCase{"Russian", u"Привет"_s, 204, 0, "\xCF\xF0\xE8\xE2\xE5\xF2"},
        AnsiCase{"Greek", u"Ωα"_s, 161, 0, "\xD9\xE1"},
        AnsiCase{"EastEuropean", u"ěš"_s, 238, 0, "\xEC\x9A"},
        AnsiCase{"ShiftJis", u"日本"_s, 128, 0, "\x93\xFA\x96\x7B"},
        AnsiCase{"AnsiEuro", u"€ção"_s, 0, 0, "\x80\xE7\xE3o"},
        AnsiCase{"DefaultSet", u"Ação"_s, 1, 0, "A\xE7\xE3o"},
        AnsiCase{"SymbolPassesBytes", u"\u0080\u00F0\u00FF"_s, 2, 0, "\x80\xF0\xFF"},
        // An explicit code page wins over the set.
        AnsiCase{"ExplicitCodePage", u"П"_s, 0, 1251, "\xCF"},
        AnsiCase{"Empty", QString(), 204, 0, QByteArray()}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(Charsets, Windows1252KeepsEveryByte)
{
    const CodePageScope scope(1252);
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    for (int charset : {0, 1}) {
        SCOPED_TRACE(charset);
        const QString text = kavAnsiToWide(all, charset);
        EXPECT_EQ(text.size(), all.size());
        EXPECT_EQ(kavWideToAnsi(text, charset), all);
    }
    // The five bytes the code page leaves undefined.
    EXPECT_EQ(kavAnsiToWide("\x81\x8D\x8F\x90\x9D", 0), u"\u0081\u008D\u008F\u0090\u009D"_s);
    EXPECT_EQ(kavWideToAnsi(u"\u0081\u008D\u008F\u0090\u009D"_s, 0), QByteArray("\x81\x8D\x8F\x90\x9D"));
}

TEST(Charsets, MissingCharactersBecomeQuestionMarks)
{
    const CodePageScope scope(1252);
    EXPECT_EQ(kavWideToAnsi(u"aЖb"_s, 0), QByteArray("a?b"));
    EXPECT_EQ(kavWideToAnsi(u"€"_s, 204), QByteArray("\x88")); // 1251 has the euro at 0x88
    EXPECT_EQ(kavWideToAnsi(u"日"_s, 204), QByteArray("?"));
}

// ---------------------------------------------------------------------------------------
// Message boxes

TEST(MessageBoxes, CaptionsComeFromTheResourceTable)
{
    const TkavFakeUIServicesScope scope;
    TkavFakeUIServices &fake = scope.Fake();
    fake.MessageAnswers = {mrNo};

    kavErrorBox(u"boom"_s);
    EXPECT_EQ(kavConfirmBox(u"sure?"_s, {mbYes, mbNo}), mrNo);
    kavInfoBox(u"done"_s);

    const std::vector<TkavFakeUIServices::Call> calls = fake.CallsOf(u"MessageDlg"_s);
    ASSERT_EQ(calls.size(), 3u);
    const struct
    {
        QString key;
        QString text;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
    } expected[] = {{u"mbError"_s, u"boom"_s, mtError, {mbOK}},
                    {u"mbConfirm"_s, u"sure?"_s, mtConfirmation, {mbYes, mbNo}},
                    {u"mbInfo"_s, u"done"_s, mtInformation, {mbOK}}};
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(expected[i].key.toStdString());
        EXPECT_EQ(calls[i].Caption, kavResourceTable().Get(expected[i].key));
        EXPECT_NE(calls[i].Caption, expected[i].key); // the table knows the key
        EXPECT_EQ(calls[i].Text, expected[i].text);
        EXPECT_EQ(calls[i].Type, expected[i].type);
        EXPECT_EQ(calls[i].Buttons, expected[i].buttons);
    }
}

TEST(MessageBoxes, ConfirmWithoutAnswerIsTheSafeOne)
{
    const TkavFakeUIServicesScope scope;
    EXPECT_EQ(kavConfirmBox(u"delete?"_s, {mbYes, mbNo, mbCancel}), mrCancel);
}

// ---------------------------------------------------------------------------------------
// Files

TEST(TempFileName, CreatesUniqueEmptyPrivateFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = kavTempFileName(dir.path());
    const QString second = kavTempFileName(dir.path() + u"/"_s);
    EXPECT_NE(first, second);
    for (const QString &name : {first, second}) {
        SCOPED_TRACE(name.toStdString());
        const QFileInfo info(name);
        EXPECT_TRUE(info.exists());
        EXPECT_EQ(info.size(), 0);
        EXPECT_TRUE(info.isAbsolute());
        EXPECT_EQ(info.absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_TRUE(info.fileName().startsWith(u"kv"_s));
        EXPECT_EQ(info.fileName().size(), 8);
        EXPECT_EQ(int(info.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther)), 0);
    }
}

TEST(TempFileName, EmptyFolderMeansTheSystemFolder)
{
    const QString name = kavTempFileName(QString());
    const QFileInfo info(name);
    EXPECT_TRUE(info.exists());
    EXPECT_EQ(info.absolutePath(), QDir(QDir::tempPath()).absolutePath());
    QFile::remove(name);
}

TEST(TempFileName, MissingFolderRaises)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_THROW(kavTempFileName(dir.filePath(u"missing"_s)), EFCreateError);
}

TEST(ProgramFile, NameAndFolder)
{
    const QFileInfo info(kavProgramFileName());
    EXPECT_TRUE(info.isAbsolute());
    EXPECT_TRUE(info.isExecutable());
    EXPECT_TRUE(kavProgramFolder().endsWith(u'/'));
    EXPECT_EQ(kavProgramFolder(), info.absolutePath() + u'/');
    EXPECT_TRUE(QFileInfo(kavProgramFolder()).isDir());
}

// ---------------------------------------------------------------------------------------
// Text helpers

struct SplitCase
{
    const char *name;
    QString text;
    QString separator;
    QStringList expected;
};

class SplitString : public ::testing::TestWithParam<SplitCase>
{};

TEST_P(SplitString, Fields)
{
    TStringList list;
    list.Add(u"stale"_s);
    kavSplitString(GetParam().text, GetParam().separator, list);
    EXPECT_EQ(entries(list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table,
    SplitString,
    ::testing::Values(
        SplitCase{"EmptyFieldInBetween", u"1,2,,3"_s, u","_s, {u"1"_s, u"2"_s, QString(), u"3"_s}},
        SplitCase{"TrailingSeparatorAddsNothing", u"1,"_s, u","_s, {u"1"_s}},
        SplitCase{"TwoTrailingSeparators", u"a,,"_s, u","_s, {u"a"_s, QString()}},
        SplitCase{"LeadingSeparator", u",a"_s, u","_s, {QString(), u"a"_s}},
        SplitCase{"OnlySeparator", u","_s, u","_s, {QString()}},
        SplitCase{"EmptyText", QString(), u","_s, {}},
        SplitCase{"NoSeparator", u"abc"_s, u";"_s, {u"abc"_s}},
        SplitCase{"LongSeparator", u"a::b:c"_s, u"::"_s, {u"a"_s, u"b:c"_s}},
        SplitCase{"EmptySeparator", u"a,b"_s, QString(), {u"a,b"_s}},
        SplitCase{"BlanksKept", u" a , b "_s, u","_s, {u" a "_s, u" b "_s}}),
    [](const auto &row) { return std::string(row.param.name); });

struct FloatTextCase
{
    const char *name;
    double value;
    QString period;
    QString comma;
};

class FloatText : public ::testing::TestWithParam<FloatTextCase>
{};

TEST_P(FloatText, UnderBothSeparators)
{
    TFormatSettings fs = TFormatSettings::Invariant();
    {
        const TkavFormatSettingsGuard guard(fs);
        EXPECT_EQ(kavFloatText(GetParam().value), GetParam().period);
    }
    fs.DecimalSeparator = u',';
    fs.ThousandSeparator = u'.';
    const TkavFormatSettingsGuard guard(fs);
    EXPECT_EQ(kavFloatText(GetParam().value), GetParam().comma);
}

INSTANTIATE_TEST_SUITE_P(
    Table,
    FloatText,
    ::testing::Values(
        FloatTextCase{"Whole", 2, u"2"_s, u"2"_s},
        FloatTextCase{"Zero", 0, u"0"_s, u"0"_s},
        FloatTextCase{"NegativeWhole", -21, u"-21"_s, u"-21"_s},
        FloatTextCase{"Half", 2.5, u"2.50"_s, u"2,50"_s},
        FloatTextCase{"A4Height", 29.7, u"29.70"_s, u"29,70"_s},
        FloatTextCase{"Negative", -0.25, u"-0.25"_s, u"-0,25"_s},
        FloatTextCase{"NoGrouping", 1234.5, u"1234.50"_s, u"1234,50"_s},
        FloatTextCase{"RoundsToTwoDecimals", 3.14159, u"3.14"_s, u"3,14"_s},
        FloatTextCase{"RoundsUp", 0.999, u"1.00"_s, u"1,00"_s},
        FloatTextCase{"Small", 0.001, u"0.00"_s, u"0,00"_s},
        // Whole values keep the shortest general form, exponent included.
        FloatTextCase{"HugeWhole", 1e20, u"1E20"_s, u"1E20"_s}),
    [](const auto &row) { return std::string(row.param.name); });

// ---------------------------------------------------------------------------------------
// TkavRectArea

struct SpanCase
{
    const char *name;
    double start; // the other area's span on the tested axis
    double end;
    bool overlaps; // against the span 0 .. 10
    double commonStart;
    double commonEnd;
};

class RectAreaOverlap : public ::testing::TestWithParam<SpanCase>
{};

TEST_P(RectAreaOverlap, AlongXAndY)
{
    const SpanCase &c = GetParam();
    const TkavRectArea base(0, 0, 10, 10);
    const TkavRectArea alongX(c.start, -50, c.end, 50);
    const TkavRectArea alongY(-50, c.start, 50, c.end);

    EXPECT_EQ(base.InterceptsX(alongX), c.overlaps);
    EXPECT_EQ(base.InterceptsY(alongY), c.overlaps);
    EXPECT_EQ(alongX.InterceptsX(base), c.overlaps); // symmetric
    const std::optional<TkavRectArea> x = base.InterceptX(alongX);
    const std::optional<TkavRectArea> y = base.InterceptY(alongY);
    ASSERT_EQ(x.has_value(), c.overlaps);
    ASSERT_EQ(y.has_value(), c.overlaps);
    if (c.overlaps) {
        EXPECT_EQ(*x, TkavRectArea(c.commonStart, 0, c.commonEnd, 0));
        EXPECT_EQ(*y, TkavRectArea(0, c.commonStart, 0, c.commonEnd));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table,
    RectAreaOverlap,
    ::testing::Values(
        SpanCase{"TouchingRight", 10, 20, false, 0, 0},
        SpanCase{"TouchingLeft", -5, 0, false, 0, 0},
        SpanCase{"OverlapHalfTolerance", 9.99995, 20, false, 0, 0},
        SpanCase{"OverlapJustUnderTolerance", 9.99991, 20, false, 0, 0},
        SpanCase{"OverlapJustOverTolerance", 9.99989, 20, true, 9.99989, 10},
        SpanCase{"LeftJustUnderTolerance", -5, 0.00009, false, 0, 0},
        SpanCase{"LeftJustOverTolerance", -5, 0.00011, true, 0, 0.00011},
        SpanCase{"Overlap", 9.9, 20, true, 9.9, 10},
        SpanCase{"Inside", 2, 5, true, 2, 5},
        SpanCase{"Around", -1, 11, true, 0, 10},
        SpanCase{"Same", 0, 10, true, 0, 10},
        SpanCase{"Apart", 12, 20, false, 0, 0},
        // Only the edges are measured against the tolerance, not the overlap's width.
        SpanCase{"ThinInside", 5, 5.00005, true, 5, 5.00005}),
    [](const auto &row) { return std::string(row.param.name); });

struct FakeComponent
{
    double AbsLeft() const { return 10; }
    double AbsTop() const { return 20; }
    double Width() const { return 30; }
    double Height() const { return 5; }
};

TEST(RectArea, FromComponentAndHelpers)
{
    const TkavRectArea area{FakeComponent()};
    EXPECT_EQ(area, TkavRectArea(10, 20, 40, 25));
    EXPECT_EQ(TkavRectArea::Max(1.5, -2), 1.5);
    EXPECT_EQ(TkavRectArea::Min(1.5, -2), -2);
    EXPECT_EQ(TkavRectArea::Max(-3, -2), -2);
    EXPECT_EQ(TkavRectArea::Min(-3, -2), -3);
}

// ---------------------------------------------------------------------------------------
// Picture drawing (pixel probes on images)

const QColor blue(0, 0, 255);
const QColor red(255, 0, 0);
const QColor white(255, 255, 255);
const QColor black(0, 0, 0);

QImage filled(int w, int h, const QColor &color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A 2 x 1 bitmap: red, white.
QImage redWhite()
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixelColor(0, 0, red);
    image.setPixelColor(1, 0, white);
    return image;
}

// What a probe expects: a colour at one pixel.
struct Probe
{
    int x;
    int y;
    QColor color;
};

void expectPixels(const QImage &image, const std::vector<Probe> &probes)
{
    for (const Probe &p : probes)
        EXPECT_EQ(image.pixelColor(p.x, p.y), p.color) << "at " << p.x << "," << p.y;
}

// Every pixel of image: left in the left half, right in the right half.
void expectHalves(const QImage &image, const QColor &left, const QColor &right)
{
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor expected = x < image.width() / 2 ? left : right;
            if (image.pixelColor(x, y) != expected && wrong++ < 5)
                ADD_FAILURE() << "at " << x << "," << y << ": "
                              << image.pixelColor(x, y).name().toStdString();
        }
    EXPECT_EQ(wrong, 0);
}

// Away from the middle, where smooth resampling may blend the two halves.
void expectOuterQuarters(const QImage &image, const QColor &left, const QColor &right)
{
    const int w = image.width();
    const int h = image.height();
    expectPixels(image, {{1, 1, left}, {w / 4 - 1, h - 2, left}, {w - 2, 1, right},
                         {w - w / 4, h - 2, right}});
}

// Draws a picture over a 40 x 20 blue target with kavPaintPicture.
QImage paintPicture(const QImage &graphic, TColor key, bool transparent, bool highQuality, bool printing)
{
    QImage target = filled(40, 20, blue);
    QPainter painter(&target);
    kavPaintPicture(painter, QRectF(0, 0, 40, 20), graphic, key, transparent, highQuality, printing);
    return target;
}

// Draws a bitmap over a blue target of size with kavPaintMasked into rect.
QImage paintMasked(const QImage &bitmap, TColor key, QSize size, const QRectF &rect)
{
    QImage target = filled(size.width(), size.height(), blue);
    QPainter painter(&target);
    kavPaintMasked(painter, rect, bitmap, false, key);
    return target;
}

TEST(PaintMasked, TransparentColourKeepsTheTarget)
{
    // Smooth resampling must not leave a fringe of the key colour on the opaque half.
    expectHalves(paintMasked(redWhite(), clWhite, {40, 20}, QRectF(0, 0, 40, 20)), red, blue);
    expectHalves(paintMasked(redWhite(), clWhite, {4, 2}, QRectF(0, 0, 4, 2)), red, blue);
    expectHalves(paintMasked(redWhite(), clWhite, {2, 1}, QRectF(0, 0, 2, 1)), red, blue);
}

TEST(PaintMasked, KeyIsTheExactColour)
{
    expectHalves(paintMasked(redWhite(), clRed, {40, 20}, QRectF(0, 0, 40, 20)), blue, white);
    // Near the key is not the key: nothing is left out, the halves blend smoothly.
    const QImage nothingKeyed = paintMasked(redWhite(), kavRGB(255, 255, 254), {40, 20}, QRectF(0, 0, 40, 20));
    expectOuterQuarters(nothingKeyed, red, white);
    EXPECT_NE(nothingKeyed.pixelColor(20, 10), white);
    EXPECT_NE(nothingKeyed.pixelColor(20, 10), red);
}

TEST(PaintMasked, ShrinksWithTheMask)
{
    // 40 x 20 bitmap, left half red, right half white, drawn into 4 x 2.
    QImage big = filled(40, 20, white);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            big.setPixelColor(x, y, red);
    expectHalves(paintMasked(big, clWhite, {4, 2}, QRectF(0, 0, 4, 2)), red, blue);
}

TEST(PaintMasked, StretchesIntoAPartOfTheTarget)
{
    // A 2 x 2 red/white checkerboard stretched into the 8 x 8 square at (4, 4): red cells of
    // 4 x 4 pixels, everything else stays blue.
    QImage checker(2, 2, QImage::Format_RGB32);
    checker.setPixelColor(0, 0, red);
    checker.setPixelColor(1, 0, white);
    checker.setPixelColor(0, 1, white);
    checker.setPixelColor(1, 1, red);
    const QImage target = paintMasked(checker, clWhite, {16, 16}, QRectF(4, 4, 8, 8));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            const bool redCell = inside && ((x - 4) / 4 + (y - 4) / 4) % 2 == 0;
            EXPECT_EQ(target.pixelColor(x, y), redCell ? red : blue) << "at " << x << "," << y;
        }
}

TEST(PaintMasked, FollowsThePainterTransform)
{
    QImage target = filled(40, 20, blue);
    {
        QPainter painter(&target);
        painter.scale(2, 2);
        kavPaintMasked(painter, QRectF(0, 0, 20, 10), redWhite(), false, clWhite);
    }
    expectHalves(target, red, blue);
}

TEST(PaintMasked, FarZoomRendersTheVisiblePartExactly)
{
    // The picture is 200000 x 100000 device pixels; the target shows 40 x 20 of them
    // around the border between its red and white halves (device x = 20).
    QImage target = filled(40, 20, blue);
    {
        QPainter painter(&target);
        painter.translate(-(100000 - 20), -50000);
        painter.scale(100000, 100000);
        kavPaintMasked(painter, QRectF(0, 0, 2, 1), redWhite(), false, clWhite);
    }
    expectHalves(target, red, blue);
}

TEST(PaintPicture, FarZoomSmoothBlendsAroundTheBorder)
{
    // Enlarged 100000 times, the 40 visible pixels around the border are all a blend of
    // red and white, none left unpainted.
    QImage target = filled(40, 20, blue);
    {
        QPainter painter(&target);
        painter.translate(-(100000 - 20), -50000);
        painter.scale(100000, 100000);
        kavPaintPicture(painter, QRectF(0, 0, 2, 1), redWhite(), clNone, false, true, false);
    }
    for (const QPoint &p : {QPoint(0, 0), QPoint(19, 10), QPoint(20, 10), QPoint(39, 19)}) {
        const QColor c = target.pixelColor(p);
        EXPECT_EQ(c.red(), 255) << p.x();
        EXPECT_GT(c.green(), 100) << p.x();
        EXPECT_LT(c.green(), 155) << p.x();
        EXPECT_EQ(c.green(), c.blue()) << p.x();
    }
    EXPECT_GE(target.pixelColor(39, 10).green(), target.pixelColor(0, 10).green());
}

TEST(PaintMasked, MirroredFarZoom)
{
    // Mirrored horizontally, the white half comes first: device x < 20 is the white half.
    QImage target = filled(40, 20, blue);
    {
        QPainter painter(&target);
        painter.translate(100000 + 20, -50000);
        painter.scale(-100000, 100000);
        kavPaintMasked(painter, QRectF(0, 0, 2, 1), redWhite(), false, clWhite);
    }
    for (int x : {2, 17})
        EXPECT_EQ(target.pixelColor(x, 10), blue) << x;
    for (int x : {22, 37})
        EXPECT_EQ(target.pixelColor(x, 10), red) << x;
}

TEST(PaintMasked, PartlyOffTheTarget)
{
    // Only the left half of a 40 x 20 picture shows on a 20 x 20 target.
    const QImage shown = paintMasked(redWhite(), clWhite, {20, 20}, QRectF(-10, 0, 40, 20));
    for (int x : {0, 9})
        EXPECT_EQ(shown.pixelColor(x, 5), red) << x;
    for (int x : {10, 19})
        EXPECT_EQ(shown.pixelColor(x, 5), blue) << x;
}

TEST(PaintMasked, OneBitBitmap)
{
    QImage mono(2, 1, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.setPixel(0, 0, 1); // black
    mono.setPixel(1, 0, 0); // white
    expectHalves(paintMasked(mono, clWhite, {40, 20}, QRectF(0, 0, 40, 20)), black, blue);
}

TEST(PaintMasked, NothingToDraw)
{
    const QImage empty = paintMasked(QImage(), clWhite, {4, 2}, QRectF(0, 0, 4, 2));
    EXPECT_EQ(empty, filled(4, 2, blue));
    const QImage flat = paintMasked(redWhite(), clWhite, {4, 2}, QRectF(0, 0, 4, 0));
    EXPECT_EQ(flat, filled(4, 2, blue));
}

struct PictureCase
{
    const char *name;
    TColor key;
    bool transparent;
    bool highQuality;
    bool printing;
    QColor left;  // expected over the red half
    QColor right; // expected over the white half
};

class PaintPicture : public ::testing::TestWithParam<PictureCase>
{};

TEST_P(PaintPicture, PlainBitmap)
{
    const PictureCase &c = GetParam();
    const QImage target = paintPicture(redWhite(), c.key, c.transparent, c.highQuality, c.printing);
    if (c.right == blue) // masked: exact to the pixel
        expectHalves(target, c.left, c.right);
    else
        expectOuterQuarters(target, c.left, c.right);
}

INSTANTIATE_TEST_SUITE_P(
    Table,
    PaintPicture,
    ::testing::Values(
        PictureCase{"Opaque", clWhite, false, false, false, red, white},
        PictureCase{"Transparent", clWhite, true, false, false, red, blue},
        PictureCase{"TransparentHighQuality", clWhite, true, true, false, red, blue},
        PictureCase{"TransparentPrinting", clWhite, true, false, true, red, blue},
        PictureCase{"OpaqueHighQuality", clWhite, false, true, false, red, white},
        PictureCase{"OpaquePrinting", clNone, false, false, true, red, white},
        // Without a key colour nothing is transparent.
        PictureCase{"TransparentWithoutKey", clNone, true, false, false, red, white},
        PictureCase{"TransparentWithoutKeyHighQuality", clNone, true, true, false, red, white}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(PaintPicture, PlainStretchRepeatsPixels)
{
    // Without smoothing the two halves meet without any blended pixel.
    expectHalves(paintPicture(redWhite(), clWhite, false, false, false), red, white);
}

TEST(PaintPicture, AlphaPictureIsComposedOverTheKey)
{
    // Red, then a fully transparent pixel: composed over the key colour it disappears with
    // the key; drawn opaque it shows the key colour (or white without one).
    QImage alpha(2, 1, QImage::Format_ARGB32);
    alpha.setPixelColor(0, 0, red);
    alpha.setPixelColor(1, 0, QColor(0, 255, 0, 0));
    expectHalves(paintPicture(alpha, clWhite, true, false, false), red, blue);
    expectOuterQuarters(paintPicture(alpha, clYellow, false, true, false), red, QColor(255, 255, 0));
    expectOuterQuarters(paintPicture(alpha, clNone, false, true, false), red, white);
}

TEST(PaintPicture, SetsTheBrushColourAndIgnoresEmptyInput)
{
    QImage target = filled(4, 2, blue);
    QPainter painter(&target);
    painter.setBrush(QBrush(Qt::green, Qt::Dense4Pattern));
    kavPaintPicture(painter, QRectF(0, 0, 4, 2), QImage(), clWhite, true, false, false);
    EXPECT_EQ(painter.brush().color(), QColor(Qt::white));
    EXPECT_EQ(painter.brush().style(), Qt::Dense4Pattern);
    kavPaintPicture(painter, QRectF(0, 0, 0, 2), redWhite(), clWhite, false, false, false);
    painter.end();
    EXPECT_EQ(target, filled(4, 2, blue));
}

} // namespace
