// The settings store: both IniFile forms, typed values, sections, string lists in
// sections, whole-store text, and the redirection of the user configuration folder.
#include "rtl/kavExceptions.h"
#include "rtl/kavSettings.h"
#include "rtl/kavStreams.h"
#include "rtl/kavStrings.h"

#include <kavFileSizeLimit.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

namespace {

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        TkavIniFile::SetUserConfigRoot(FDir.filePath(QStringLiteral("config")));
    }
    void TearDown() override { TkavIniFile::SetUserConfigRoot(QString()); }

    QString iniPath() const { return FDir.filePath(QStringLiteral("settings.ini")); }
    QString path(const QString &name) const { return FDir.filePath(name); }

    static QByteArray fileBytes(const QString &fileName)
    {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void writeFile(const QString &fileName, const QByteArray &bytes)
    {
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir FDir;
};

// Both forms of IniFile must keep every kind of value across a reopen.
TEST_F(SettingsTest, ValuesSurviveAReopenInBothForms)
{
    const QString forms[] = {QStringLiteral("\\Software\\Orvane\\Kavrel"), iniPath()};
    const QString odd = QStringLiteral(" lead, comma; semi=eq \"q\" @at \u00e9\u65e5");
    for (const QString &form : forms) {
        {
            TkavIniFile ini(form);
            ini.WriteString(QStringLiteral("Form5.TkavDesignerForm"), QStringLiteral("Dock5"), QStringLiteral("Left"));
            ini.WriteString(QStringLiteral("Text"), QStringLiteral("Odd"), odd);
            ini.WriteString(QStringLiteral("Text"), QStringLiteral("Empty"), QString());
            ini.WriteInteger(QStringLiteral("Numbers"), QStringLiteral("Neg"), -42);
            ini.WriteBool(QStringLiteral("Numbers"), QStringLiteral("Flag"), true);
            ini.WriteFloat(QStringLiteral("Numbers"), QStringLiteral("Zoom"), 1.25);
            ini.WriteFloat(QStringLiteral("Numbers"), QStringLiteral("Third"), 1.0 / 3.0);
            ini.UpdateFile();
        }
        TkavIniFile ini(form);
        EXPECT_EQ(ini.ReadString(QStringLiteral("Form5.TkavDesignerForm"), QStringLiteral("Dock5"), QString()),
                  QStringLiteral("Left"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("Text"), QStringLiteral("Odd"), QString()), odd);
        EXPECT_EQ(ini.ReadString(QStringLiteral("Text"), QStringLiteral("Empty"), QStringLiteral("dflt")), QString());
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Numbers"), QStringLiteral("Neg"), 0), -42);
        EXPECT_TRUE(ini.ReadBool(QStringLiteral("Numbers"), QStringLiteral("Flag"), false));
        EXPECT_EQ(ini.ReadFloat(QStringLiteral("Numbers"), QStringLiteral("Zoom"), 0), 1.25);
        EXPECT_NEAR(ini.ReadFloat(QStringLiteral("Numbers"), QStringLiteral("Third"), 0), 1.0 / 3.0, 1e-15);
        EXPECT_EQ(ini.ReadString(QStringLiteral("Text"), QStringLiteral("Missing"), QStringLiteral("dflt")),
                  QStringLiteral("dflt"));
    }
}

TEST_F(SettingsTest, SoftwareKeyLivesInTheRedirectedUserFolder)
{
    TkavIniFile ini(QStringLiteral("\\SOFTWARE\\Orvane\\Kavrel\\Designer"));
    EXPECT_TRUE(ini.IsUserSettings());
    ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
    ini.UpdateFile();
    const QString expected = QDir(path(QStringLiteral("config"))).filePath(QStringLiteral("Orvane.conf"));
    EXPECT_EQ(QFileInfo(ini.SettingsPath()).absoluteFilePath(), QFileInfo(expected).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(expected));

    // Keys below the organisation are separate trees of one file.
    TkavIniFile other(QStringLiteral("\\Software\\Orvane\\Other"));
    EXPECT_EQ(other.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("none")), QStringLiteral("none"));
    other.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("w"));
    other.UpdateFile();
    TkavIniFile again(QStringLiteral("\\Software\\Orvane\\Kavrel\\Designer"));
    EXPECT_EQ(again.ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()), QStringLiteral("v"));
    TStringList sections;
    again.ReadSections(sections);
    EXPECT_EQ(sections.ToStringList(), QStringList{QStringLiteral("S")});
}

TEST_F(SettingsTest, OrganisationCannotLeadOutOfTheConfigFolder)
{
    const QString keys[] = {QStringLiteral("\\Software\\../../escape"), QStringLiteral("\\Software\\.."),
                            QStringLiteral("\\Software\\")};
    const QString root = QFileInfo(path(QStringLiteral("config"))).absoluteFilePath() + u'/';
    for (const QString &key : keys) {
        TkavIniFile ini(key);
        ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
        ini.UpdateFile();
        const QString file = QFileInfo(ini.SettingsPath()).absoluteFilePath();
        EXPECT_TRUE(file.startsWith(root)) << file.toStdString();
        EXPECT_EQ(QFileInfo(file).absolutePath() + u'/', root) << file.toStdString();
    }
}

TEST_F(SettingsTest, NamesMatchIgnoringCase)
{
    TkavIniFile ini(iniPath());
    ini.WriteString(QStringLiteral("Form5.Editor"), QStringLiteral("Left"), QStringLiteral("10"));
    ini.WriteString(QStringLiteral("FORM5.EDITOR"), QStringLiteral("LEFT"), QStringLiteral("20"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("form5.editor"), QStringLiteral("left"), 0), 20);
    TStringList keys;
    ini.ReadSection(QStringLiteral("form5.EDITOR"), keys);
    EXPECT_EQ(keys.ToStringList(), QStringList{QStringLiteral("Left")}); // first spelling kept
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("FORM5.editor")));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("form5.editor"), QStringLiteral("LEFT")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("form5.editor"), QStringLiteral("Top")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("nope"), QStringLiteral("Left")));
}

TEST_F(SettingsTest, SectionsKeysEraseAndDelete)
{
    TkavIniFile ini(iniPath());
    ini.WriteInteger(QStringLiteral("A"), QStringLiteral("x"), 1);
    ini.WriteInteger(QStringLiteral("A"), QStringLiteral("y"), 2);
    ini.WriteInteger(QStringLiteral("B"), QStringLiteral("z"), 3);
    TStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(list.ToStringList(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    ini.ReadSectionValues(QStringLiteral("a"), list);
    EXPECT_EQ(list.ToStringList(), (QStringList{QStringLiteral("x=1"), QStringLiteral("y=2")}));
    ini.ReadSectionValuesEx(QStringLiteral("A"), list);
    EXPECT_EQ(list.ToStringList(), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));

    ini.DeleteKey(QStringLiteral("a"), QStringLiteral("X"));
    ini.DeleteKey(QStringLiteral("a"), QStringLiteral("never")); // absent: nothing happens
    ini.ReadSection(QStringLiteral("A"), list);
    EXPECT_EQ(list.ToStringList(), QStringList{QStringLiteral("y")});
    ini.EraseSection(QStringLiteral("b"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("B")));
    ini.ReadSection(QStringLiteral("B"), list);
    EXPECT_EQ(list.Count(), 0);
    ini.Clear();
    ini.ReadSections(list);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(SettingsTest, TypedReadsOfHandWrittenText)
{
    writeFile(iniPath(), "[N]\n"
                         "dec=12\nneg=-7\ndollar=$1F\nhex=0x10\nbad=abc\nspaced= 5 \n"
                         "comma=2,5\ndot=2.5\nbig=1E20\nfbad=x1\n"
                         "bTrue=true\nbFalse=FALSE\nbTwo=2\nbZero=0\nbBad=maybe\n"
                         "list=a,b\n");
    TkavIniFile ini(iniPath());
    const QString n = QStringLiteral("N");
    const std::pair<const char *, int> integers[] = {{"dec", 12}, {"neg", -7}, {"dollar", 31}, {"hex", 16},
                                                     {"bad", 99}, {"spaced", 5}, {"missing", 99}};
    for (const auto &[key, value] : integers)
        EXPECT_EQ(ini.ReadInteger(n, QString::fromLatin1(key), 99), value) << key;
    const std::pair<const char *, double> floats[] = {{"comma", 2.5}, {"dot", 2.5}, {"big", 1e20},
                                                      {"fbad", -1}, {"dec", 12}};
    for (const auto &[key, value] : floats)
        EXPECT_EQ(ini.ReadFloat(n, QString::fromLatin1(key), -1), value) << key;
    const std::tuple<const char *, bool, bool> bools[] = {
        {"bTrue", false, true}, {"bFalse", true, false}, {"bTwo", false, true},
        {"bZero", true, false}, {"bBad", true, true}, {"bBad", false, false}, {"missing", true, true}};
    for (const auto &[key, fallback, value] : bools)
        EXPECT_EQ(ini.ReadBool(n, QString::fromLatin1(key), fallback), value) << key;
    EXPECT_EQ(ini.ReadString(n, QStringLiteral("list"), QString()), QStringLiteral("a,b"));
}

TEST_F(SettingsTest, FloatsAreWrittenWithADotWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        TkavIniFile ini(iniPath());
        ini.WriteFloat(QStringLiteral("F"), QStringLiteral("v"), 1234.5);
        ini.WriteFloat(QStringLiteral("F"), QStringLiteral("w"), 0.1 + 0.2);
        ini.UpdateFile();
    }
    QLocale::setDefault(saved);
    const QByteArray text = fileBytes(iniPath());
    EXPECT_TRUE(text.contains("v=1234.5")) << text.constData();
    EXPECT_TRUE(text.contains("w=0.3\n") || text.contains("w=0.3\r\n")) << text.constData(); // 15 digits
}

TEST_F(SettingsTest, StringListsInSections)
{
    TkavIniFile ini(iniPath());
    TStringList lines;
    lines.Add(QStringLiteral("first"));
    lines.Add(QStringLiteral("second line"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("Stale"), QStringLiteral("x"));
    ini.WriteTStrings(QStringLiteral("S"), lines);
    TStringList keys;
    ini.ReadSection(QStringLiteral("S"), keys);
    keys.SetSorted(true);
    EXPECT_EQ(keys.ToStringList(), (QStringList{QStringLiteral("Count"), QStringLiteral("Items0"), QStringLiteral("Items1")}));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("Count"), 0), 2);

    TStringList back;
    back.Add(QStringLiteral("old"));
    EXPECT_EQ(ini.ReadTStrings(QStringLiteral("S"), back), QStringLiteral("first\r\nsecond line\r\n"));
    EXPECT_TRUE(back.Equals(lines));
    ini.ReadTStrings(QStringLiteral("S"), back, false);
    EXPECT_EQ(back.Count(), 4);

    // A missing item reads as an empty line; a nonsensical count reads nothing.
    ini.DeleteKey(QStringLiteral("S"), QStringLiteral("Items0"));
    ini.ReadTStrings(QStringLiteral("S"), back);
    EXPECT_EQ(back.ToStringList(), (QStringList{QString(), QStringLiteral("second line")}));
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("Count"), -5);
    ini.ReadTStrings(QStringLiteral("S"), back);
    EXPECT_EQ(back.Count(), 0);
}

TEST_F(SettingsTest, WholeStoreAsIniText)
{
    TkavIniFile source(QStringLiteral("\\Software\\Orvane\\Kavrel"));
    source.WriteString(QStringLiteral("One"), QStringLiteral("a"), QStringLiteral("1"));
    source.WriteString(QStringLiteral("Two"), QStringLiteral("b"), QStringLiteral("x=y"));
    TMemoryStream stream;
    source.SaveIniFileToStream(stream);
    EXPECT_EQ(stream.Data(), QByteArray("[One]\r\na=1\r\n\r\n[Two]\r\nb=x=y\r\n"));

    TkavIniFile target(iniPath());
    target.WriteString(QStringLiteral("Gone"), QStringLiteral("k"), QStringLiteral("v"));
    TMemoryStream text(QByteArray("; comment\r\n[One]\r\na=1\r\n# other\r\nnoequals\r\n\r\n[Two]\r\nb=x=y\r\n"));
    target.LoadIniFileFromStream(text);
    EXPECT_FALSE(target.SectionExists(QStringLiteral("Gone")));
    TMemoryStream again;
    target.SaveIniFileToStream(again);
    EXPECT_EQ(again.Data(), stream.Data());
}

TEST_F(SettingsTest, UnwritableFileIsReported)
{
    const QString blocker = path(QStringLiteral("blocker"));
    writeFile(blocker, "not a folder");
    TkavIniFile ini(blocker + QStringLiteral("/sub/settings.ini"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
    EXPECT_THROW(ini.UpdateFile(), EWriteError);
}

// A disk that fills up while the settings are written: the platform's writer reports
// success over a file cut short, so UpdateFile must notice, say so and put the old one back.
TEST_F(SettingsTest, AFullDiskKeepsThePreviousSettingsFile)
{
    {
        TkavIniFile ini(iniPath());
        ini.WriteString(QStringLiteral("Designer"), QStringLiteral("Layout"), QStringLiteral("kept"));
        ini.UpdateFile();
    }
    QString value;
    for (const rlim_t limit : {rlim_t(0), rlim_t(512)}) {
        const QByteArray before = fileBytes(iniPath());
        ASSERT_FALSE(before.isEmpty());
        value = QString(40, limit ? u'y' : u'x');
        TkavIniFile ini(iniPath());
        for (int i = 0; i < 200; ++i)
            ini.WriteString(QStringLiteral("Recent"), QStringLiteral("File%1").arg(i), value);
        {
            FileSizeLimit full(limit);
            EXPECT_THROW(ini.UpdateFile(), EWriteError) << limit;
        }
        EXPECT_EQ(fileBytes(iniPath()), before) << limit;
        EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), QStringList{QStringLiteral("settings.ini")});
        // The store keeps the values it could not write, and writes them once it can.
        EXPECT_EQ(ini.ReadString(QStringLiteral("Recent"), QStringLiteral("File199"), QString()), value);
    }
    TkavIniFile again(iniPath());
    EXPECT_EQ(again.ReadString(QStringLiteral("Designer"), QStringLiteral("Layout"), QString()), QStringLiteral("kept"));
    EXPECT_EQ(again.ReadString(QStringLiteral("Recent"), QStringLiteral("File199"), QString()), value);
}

} // namespace
