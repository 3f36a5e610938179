// Ini files from scripts and from C++: typed values written the same way in every locale,
// case-insensitive sections and keys, string lists and streams, TMemIniFile keeping its
// changes until UpdateFile, TIniFile writing through, and the file policy refusing paths
// outside the allowed folder.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavIniFiles.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString fileText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"<missing>"_s;
    return QString::fromUtf8(file.readAll());
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Restricts the file policy to a fresh temporary folder and pins a locale whose decimal
// and date separators differ from the ones ini files use; both are restored afterwards.
class IniFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        FWasTrusted = kavFilePolicy().Trusted();
        FOldRoots = kavFilePolicy().Roots();
        kavFilePolicy().SetRestricted({dir.path()});
        FormatSettings().DecimalSeparator = u',';
        FormatSettings().DateSeparator = u'.';
        FormatSettings().ShortDateFormat = u"dd.mm.yyyy"_s;
    }
    void TearDown() override
    {
        if (FWasTrusted)
            kavFilePolicy().SetTrusted();
        else
            kavFilePolicy().SetRestricted(FOldRoots);
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    TkavFormatSettingsGuard locale; // restores the settings changed in SetUp

private:
    bool FWasTrusted = true;
    QStringList FOldRoots;
};

class IniScripts : public IniFixture
{
protected:
    void SetUp() override
    {
        IniFixture::SetUp();
        kyPrepareLibraryScript(script);
    }

    // Compiles and runs with the string variable TmpDir naming the folder: the messages
    // shown, then "compile error at POS: ..." or "runtime error: ...", joined by blanks.
    std::string run(const QString &language, const QString &source)
    {
        shown.clear();
        script.Clear();
        script.AddVariable(u"TmpDir"_s, u"String"_s, dir.path());
        return kyRunOutcome(script, shown, language, source).toStdString();
    }

    KyShownMessages messages;
    QStringList &shown = messages.lines;
    TkyScript script;
};

TEST_F(IniScripts, TypedValuesRoundTripWhateverTheLocale)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var W, R: TIniFile;
begin
  W := TIniFile.Create(TmpDir + '/typed.ini');
  W.WriteString('Main', 'Name', 'Kavrel');
  W.WriteInteger('Main', 'Count', -42);
  W.WriteBool('Main', 'On', True);
  W.WriteFloat('Main', 'Ratio', 2.5);
  W.WriteDate('Main', 'Day', EncodeDate(2021, 3, 4));
  W.WriteDateTime('Main', 'Stamp', EncodeDate(2021, 3, 4) + EncodeTime(13, 5, 6, 0));
  W.WriteTime('Main', 'At', EncodeTime(7, 8, 9, 0));
  R := TIniFile.Create(TmpDir + '/typed.ini');
  ShowMessage(R.ReadString('Main', 'Name', '?'));
  ShowMessage(R.ReadInteger('Main', 'Count', 0));
  ShowMessage(R.ReadBool('Main', 'On', False));
  ShowMessage(R.ReadFloat('Main', 'Ratio', 0) * 2);
  ShowMessage(FormatDateTime('yyyy-mm-dd', R.ReadDate('Main', 'Day', 0)));
  ShowMessage(FormatDateTime('yyyy-mm-dd hh:nn:ss', R.ReadDateTime('Main', 'Stamp', 0)));
  ShowMessage(FormatDateTime('hh:nn:ss', R.ReadTime('Main', 'At', 0)));
  ShowMessage(R.ReadInteger('Main', 'Missing', 7));
  ShowMessage(R.ReadInteger('Main', 'Name', 8));
  ShowMessage(R.FileName = TmpDir + '/typed.ini');
end.)"_s),
              "Kavrel -42 True 5 2021-03-04 2021-03-04 13:05:06 07:08:09 7 8 True");
    // The file holds "." decimals and ISO-like dates although the locale uses "," and ".".
    EXPECT_EQ(fileText(path(u"typed.ini"_s)),
              u"[Main]\nName=Kavrel\nCount=-42\nOn=1\nRatio=2.5\nDay=2021-03-04\n"
              u"Stamp=2021-03-04 13:05:06\nAt=07:08:09\n"_s);
}

TEST_F(IniScripts, SectionsAndKeysIgnoreCase)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var I: TMemIniFile;
begin
  I := TMemIniFile.Create(TmpDir + '/case.ini');
  I.WriteString('Main', 'Key', 'one');
  I.WriteString('MAIN', 'KEY', 'two');
  ShowMessage(I.ReadString('main', 'key', '?'));
  ShowMessage(I.SectionExists('mAIN'));
  ShowMessage(I.ValueExists('Main', 'kEy'));
  ShowMessage(I.ValueExists('Main', 'Other'));
  I.DeleteKey('main', 'KEY');
  ShowMessage(I.ReadString('Main', 'Key', 'gone'));
  I.WriteString('Extra', 'a', '1');
  I.EraseSection('EXTRA');
  ShowMessage(I.SectionExists('Extra'));
end.)"_s),
              "two True True False gone False");
}

TEST_F(IniScripts, WriteTStringsReadTStringsRoundTrip)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var I: TIniFile; L, L2: TStringList;
begin
  I := TIniFile.Create(TmpDir + '/lists.ini');
  L := TStringList.Create;
  L.Add('first'); L.Add('second = with equals');
  I.WriteTStrings('S', L);
  L2 := TStringList.Create;
  L2.Add('old');
  I.ReadTStrings('S', L2);
  ShowMessage(L2.Count);
  ShowMessage(L2[0] + '|' + L2[1]);
  I.ReadTStrings('S', L2, False);
  ShowMessage(L2.Count);
  L.Clear; L.Add('only');
  I.WriteTStrings('S', L);
  I.ReadTStrings('S', L2);
  ShowMessage(L2.Text);
end.)"_s),
              "2 first|second = with equals 4 only\r\n");
    // Clearing the section first: the stale Items1 of the longer list is gone.
    EXPECT_EQ(fileText(path(u"lists.ini"_s)), u"[S]\nItems0=only\nCount=1\n"_s);
}

TEST_F(IniScripts, SectionListsAndValuesOnly)
{
    writeFile(path(u"sections.ini"_s),
              "; settings\n[Colors]\nred = 1\n# a comment\ngreen=2\n\n[Sizes]\nsmall=10\n");
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var I: TIniFile; L: TStringList;
begin
  I := TIniFile.Create(TmpDir + '/sections.ini');
  L := TStringList.Create;
  I.ReadSections(L); ShowMessage(L.CommaText);
  I.ReadSection('colors', L); ShowMessage(L.CommaText);
  I.ReadSectionValues('Colors', L); ShowMessage(L.CommaText);
  I.ReadSectionValuesEx('Colors', L); ShowMessage(L.CommaText);
  I.ReadSectionValuesEx('Nothing', L); ShowMessage(L.Count);
end.)"_s),
              "Colors,Sizes red,green red=1,green=2 1,2 0");
}

TEST_F(IniScripts, MemIniFileWritesOnlyOnUpdateFile)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var M: TMemIniFile; F: TIniFile;
begin
  M := TMemIniFile.Create(TmpDir + '/mem.ini');
  M.WriteString('A', 'x', '1');
  F := TIniFile.Create(TmpDir + '/mem.ini');
  ShowMessage(F.ReadString('A', 'x', 'not yet'));
  M.UpdateFile;
  ShowMessage(F.ReadString('A', 'x', 'not yet'));
  F.WriteString('A', 'x', '2');
  ShowMessage(M.ReadString('A', 'x', '?'));
  M.Free;
  ShowMessage(M.ReadString('A', 'x', '?'));
end.)"_s),
              "not yet 1 1 runtime error: Invalid object reference");
    // TIniFile wrote through at once; the memory copy kept its own value.
    EXPECT_EQ(fileText(path(u"mem.ini"_s)), u"[A]\nx=2\n"_s);
}

TEST_F(IniScripts, PathsOutsideTheFolderAreRefused)
{
    const struct
    {
        const char16_t *source;
    } cases[] = {
        {u"var I: TIniFile; begin I := TIniFile.Create('/etc/kavrel-test.ini'); end."},
        {u"var I: TMemIniFile; begin I := TMemIniFile.Create(TmpDir + '/../outside.ini'); end."},
    };
    for (const auto &c : cases) {
        const std::string result = run(u"PascalScript"_s, QString::fromUtf16(c.source));
        EXPECT_TRUE(result.starts_with("runtime error: Reading the file \"")) << result;
        EXPECT_NE(result.find("is not allowed"), std::string::npos) << result;
    }
    EXPECT_FALSE(QFile::exists(QDir(dir.path()).absoluteFilePath(u"../outside.ini"_s)));
}

TEST_F(IniScripts, WholeTextThroughStreams)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var A: TIniFile; B: TMemIniFile; S: TMemoryStream;
begin
  A := TIniFile.Create(TmpDir + '/a.ini');
  A.WriteString('One', 'k', 'v');
  A.WriteInteger('Two', 'n', 3);
  S := TMemoryStream.Create;
  A.SaveIniFileToStream(S);
  S.Position := 0;
  B := TMemIniFile.Create(TmpDir + '/b.ini');
  B.LoadIniFileFromStream(S);
  ShowMessage(B.ReadString('one', 'K', '?') + B.ReadString('Two', 'n', '?'));
  A.SaveIniFileToStream(nil);
  S.Clear;
  B.WriteString('Two', 'n', '4');
  B.SaveIniFileToStream(S);
  S.Position := 0;
  A.LoadIniFileFromStream(S);
  ShowMessage(A.ReadInteger('Two', 'n', 0));
end.)"_s),
              "v3 4");
    // Loading into a TIniFile rewrites its file; b.ini was never written.
    EXPECT_EQ(fileText(path(u"a.ini"_s)), u"[One]\nk=v\n\n[Two]\nn=4\n"_s);
    EXPECT_FALSE(QFile::exists(path(u"b.ini"_s)));
}

TEST_F(IniScripts, OtherLanguages)
{
    EXPECT_EQ(run(u"JScript"_s, uR"(
var ini = TMemIniFile.Create(TmpDir + "/j.ini");
ini.WriteString("Sec", "Key", "js");
ini.WriteFloat("Sec", "F", 0.25);
ShowMessage(ini.ReadString("SEC", "key", "") + " " + ini.ReadString("Sec", "F", ""));
ini.UpdateFile();
)"_s),
              "js 0.25");
    EXPECT_EQ(fileText(path(u"j.ini"_s)), u"[Sec]\nKey=js\nF=0.25\n"_s);
    EXPECT_EQ(run(u"C++Script"_s, uR"(
TIniFile ini = TIniFile.Create(TmpDir + "/c.ini");
{
  ini.WriteBool("X", "b", true);
  ShowMessage(ini.ReadBool("x", "B", false));
})"_s),
              "True");
}

TEST_F(IniScripts, ValuesThatWouldCorruptTheFileAreRefused)
{
    const std::string result = run(u"PascalScript"_s, uR"(
var I: TIniFile;
begin
  I := TIniFile.Create(TmpDir + '/inject.ini');
  I.WriteString('S', 'k', 'a' + #10 + '[Admin]' + #10 + 'x=1');
end.)"_s);
    EXPECT_EQ(result, "runtime error: Ini values cannot contain line breaks (key \"k\")");
    EXPECT_FALSE(QFile::exists(path(u"inject.ini"_s)));
}

// --- the reader and writer from C++ -----------------------------------------------------

TEST(IniText, KeepsCommentsAndOrderAndAddsKeysInPlace)
{
    TkavIniText ini;
    ini.SetText(u"; head\r\n[A]\r\nx = 1\r\n; note\r\n\r\n[B]\r\ny=2\r\n"_s);
    ini.SetValue(u"a"_s, u"z"_s, u" 3 "_s);
    ini.SetValue(u"A"_s, u"X"_s, u"10"_s);
    ini.SetValue(u"C"_s, u"w"_s, u"4"_s);
    EXPECT_EQ(ini.Text(), u"; head\n[A]\nx=10\nz=3\n; note\n\n[B]\ny=2\n\n[C]\nw=4\n"_s);
}

TEST(IniText, FirstOfDuplicatesWinsAndOddLinesStay)
{
    TkavIniText ini;
    ini.SetText(u"[S]\nk=1\nK=2\nno equals sign\n[s]\nk=3\n"_s);
    ASSERT_NE(ini.Value(u" S "_s, u"k"_s), nullptr);
    EXPECT_EQ(*ini.Value(u"S"_s, u"k"_s), u"1"_s);
    EXPECT_EQ(ini.Keys(u"s"_s), (QStringList{u"k"_s, u"K"_s}));
    EXPECT_EQ(ini.Value(u"S"_s, u"no equals sign"_s), nullptr);
    EXPECT_EQ(ini.Value(u"T"_s, u"k"_s), nullptr);
}

TEST(IniText, NamesAndValuesThatWouldNotReadBackAreRefused)
{
    const struct
    {
        const char16_t *section, *key, *value;
    } cases[] = {
        {u"", u"k", u"v"},
        {u"S\nT", u"k", u"v"},
        {u"S", u"", u"v"},
        {u"S", u"a=b", u"v"},
        {u"S", u"[k", u"v"},
        {u"S", u";k", u"v"},
        {u"S", u"k", u"line\rbreak"},
    };
    for (const auto &c : cases) {
        TkavIniText ini;
        EXPECT_THROW(ini.SetValue(QString::fromUtf16(c.section),
                                  QString::fromUtf16(c.key),
                                  QString::fromUtf16(c.value)),
                     EkavError)
            << QString::fromUtf16(c.key).toStdString();
        EXPECT_TRUE(ini.Sections().isEmpty());
    }
}

class IniFiles : public IniFixture
{};

TEST_F(IniFiles, TypedReadsAcceptOtherFormsAndFallBackToDefaults)
{
    writeFile(path(u"forms.ini"_s),
              "[V]\nhex1=$1F\nhex2=0x10\nall=$FFFFFFFF\nbig=4294967296\n"
              "comma=1,5\ntrue=TRUE\nzero=0\nlocaleDate=04.03.2021\n"
              "isoT=2021-03-04T10:20\nbad=abc\nms=12:00:00.5\n");
    TIniFile ini(path(u"forms.ini"_s));
    const struct
    {
        const char16_t *key;
        int expected;
    } ints[] = {
        {u"hex1", 31}, {u"hex2", 16}, {u"all", -1}, {u"big", -5}, {u"bad", -5}, {u"missing", -5}};
    for (const auto &c : ints)
        EXPECT_EQ(ini.ReadInteger(u"V"_s, QString::fromUtf16(c.key), -5), c.expected)
            << QString::fromUtf16(c.key).toStdString();
    EXPECT_DOUBLE_EQ(ini.ReadFloat(u"V"_s, u"comma"_s, 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(u"V"_s, u"bad"_s, 9), 9);
    EXPECT_TRUE(ini.ReadBool(u"V"_s, u"true"_s, false));
    EXPECT_FALSE(ini.ReadBool(u"V"_s, u"zero"_s, true));
    EXPECT_DOUBLE_EQ(ini.ReadDate(u"V"_s, u"localeDate"_s, 0), EncodeDate(2021, 3, 4));
    EXPECT_DOUBLE_EQ(ini.ReadDateTime(u"V"_s, u"isoT"_s, 0),
                     EncodeDate(2021, 3, 4) + EncodeTime(10, 20, 0, 0));
    EXPECT_DOUBLE_EQ(ini.ReadDate(u"V"_s, u"isoT"_s, 0), EncodeDate(2021, 3, 4));
    EXPECT_DOUBLE_EQ(ini.ReadTime(u"V"_s, u"ms"_s, 0), EncodeTime(12, 0, 0, 500));
    EXPECT_DOUBLE_EQ(ini.ReadDate(u"V"_s, u"bad"_s, 77), 77);
}

TEST_F(IniFiles, ReadTStringsFillsGapsButNotForgedCounts)
{
    writeFile(path(u"gaps.ini"_s),
              "[Gap]\nItems0=a\nItems2=c\nCount=3\n"
              "[Forged]\nItems0=x\nCount=2000000000\n"
              "[Negative]\nItems0=x\nCount=-4\n");
    const TIniFile ini(path(u"gaps.ini"_s));
    const struct
    {
        const char16_t *section;
        QStringList expected;
    } cases[] = {
        {u"Gap", {u"a"_s, u""_s, u"c"_s}},
        {u"Forged", {u"x"_s, u""_s}}, // two keys in the section: at most two lines
        {u"Negative", {}},
        {u"Missing", {}},
    };
    for (const auto &c : cases) {
        TStringList lines;
        lines.Add(u"old"_s);
        ini.ReadTStrings(QString::fromUtf16(c.section), lines);
        EXPECT_EQ(lines.ToStringList(), c.expected) << QString::fromUtf16(c.section).toStdString();
    }
}

TEST_F(IniFiles, BinaryStreamsRoundTrip)
{
    TMemIniFile ini(path(u"bin.ini"_s));
    TMemoryStream source(QByteArray("\x00\x01\xfe\xff-rest", 9));
    source.SetPosition(4); // from the position on
    ini.WriteBinaryStream(u"B"_s, u"data"_s, source);
    EXPECT_EQ(ini.ReadString(u"B"_s, u"data"_s, QString()), u"2D72657374"_s);

    TMemoryStream target;
    target.WriteBytes("ab");
    EXPECT_EQ(ini.ReadBinaryStream(u"B"_s, u"data"_s, target), 5);
    EXPECT_EQ(target.Position(), 2); // back at the start of what was read
    EXPECT_EQ(target.Data(), QByteArray("ab-rest"));

    ini.WriteString(u"B"_s, u"odd"_s, u"ABC"_s);
    ini.WriteString(u"B"_s, u"nothex"_s, u"ZZ"_s);
    EXPECT_EQ(ini.ReadBinaryStream(u"B"_s, u"odd"_s, target), 0);
    EXPECT_EQ(ini.ReadBinaryStream(u"B"_s, u"nothex"_s, target), 0);
    EXPECT_EQ(target.Data(), QByteArray("ab-rest"));
}

TEST_F(IniFiles, ByteOrderMarkAndLegacyBytesAreRead)
{
    writeFile(path(u"bom.ini"_s), "\xEF\xBB\xBF[S]\nname=Jos\xC3\xA9\n");
    writeFile(path(u"legacy.ini"_s), "[S]\nname=Jos\xE9\n");
    EXPECT_EQ(TIniFile(path(u"bom.ini"_s)).ReadString(u"S"_s, u"name"_s, QString()), u"José"_s);
    EXPECT_EQ(TIniFile(path(u"legacy.ini"_s)).ReadString(u"S"_s, u"name"_s, QString()), u"José"_s);
}

TEST_F(IniFiles, GetAndSetStringsAndClear)
{
    TMemIniFile ini(path(u"lines.ini"_s));
    TStringList lines;
    lines.SetText(u"[X]\na=1\n"_s);
    ini.SetStrings(lines);
    EXPECT_EQ(ini.ReadString(u"x"_s, u"A"_s, QString()), u"1"_s);
    ini.WriteString(u"Y"_s, u"b"_s, u"2"_s);
    TStringList out;
    ini.GetStrings(out);
    EXPECT_EQ(out.ToStringList(), (QStringList{u"[X]"_s, u"a=1"_s, u""_s, u"[Y]"_s, u"b=2"_s}));
    ini.Clear();
    EXPECT_FALSE(ini.SectionExists(u"X"_s));
    EXPECT_FALSE(QFile::exists(path(u"lines.ini"_s)));
}

TEST_F(IniFiles, FailedSaveIsReported)
{
    // The folder does not exist: the write fails loudly instead of being lost.
    TIniFile ini(path(u"missing/sub.ini"_s));
    EXPECT_THROW(ini.WriteString(u"S"_s, u"k"_s, u"v"_s), EFCreateError);
    TMemIniFile mem(path(u"missing/sub.ini"_s));
    mem.WriteString(u"S"_s, u"k"_s, u"v"_s);
    EXPECT_THROW(mem.UpdateFile(), EFCreateError);
    EXPECT_FALSE(QFile::exists(path(u"missing/sub.ini"_s)));
}

} // namespace
