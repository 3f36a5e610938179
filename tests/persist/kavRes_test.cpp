// Tests of the localized resource table: built-in texts in both languages, lookups,
// language files, loading rules, the script message push, icons and help pages.
#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <rtl/kavSettings.h>
#include <rtl/kavStreams.h>
#include <rtl/kavUIServices.h>
#include <script/ky_messages.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray resourceDocument(const QByteArray &entries, const QByteArray &codePage = "1252")
{
    return "<?xml version=\"1.1\" encoding=\"utf-8\"?><Resources CodePage=\"" + codePage + "\">"
           + entries + "</Resources>";
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

// Every test gets its own language folder and settings root, so nothing leaks into the
// user's configuration or between tests.
class ResourcesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        QDir(FDir.path()).mkdir(u"config"_s);
        QDir(FDir.path()).mkdir(u"lang"_s);
        TkavIniFile::SetUserConfigRoot(FDir.filePath(u"config"_s));
        kyResetMessages();
    }
    void TearDown() override
    {
        TkavIniFile::SetUserConfigRoot(QString());
        kyResetMessages();
    }

    QString langFolder() const { return FDir.filePath(u"lang"_s); }

    std::unique_ptr<TkavResources> makeTable(TkavBuiltInLanguage language = blPortuguese,
                                             bool restore = false) const
    {
        TkavResourceOptions options;
        options.builtIn = language;
        options.languageFolder = langFolder();
        options.helpFolder = u"/opt/kavrel/help"_s;
        options.restoreLanguage = restore;
        return std::make_unique<TkavResources>(options);
    }

    QTemporaryDir FDir;
};

// --- built-in texts ---------------------------------------------------------------------

struct BuiltInCase
{
    const char *key;
    const char *portuguese;
    const char *english;
};

TEST_F(ResourcesTest, BuiltInTextsInBothLanguages)
{
    const BuiltInCase cases[] = {
        {"2000", "Inspetor de Objetos", "Object Inspector"},
        {"2475", "Idioma", "Language"},
        {"1", "OK", "OK"},
        {"2", "Cancelar", "Cancel"},
        {"mbError", "Erro", "Error"},
        {"MBERROR", "Erro", "Error"}, // keys ignore letter case
        {"prInvProp", "Valor de propriedade inválido", "Invalid property value"},
        {"clErrors", "Erro(s) encontrado(s):", "Error(s) found:"},
        {"clDSNotExist", "Dataset \"%s\" não existe", "Dataset \"%s\" does not exist"},
        {"MasterData", "DadosMestre", "MasterData"},
        {"ctConv", "Conversão", "Conversion"},
        {"2100", "Árvore de Dados", "Data Tree"},
        {"3900", "Memorando", "Memo"},
        {"2909", "Dicionário (*.ku3)|*.ku3", "Dictionary (*.ku3)|*.ku3"},
        {"dtSysVar", "Variáveis do sistema", "System variables"},
        {"propActive.TkavHighlight", "Indica se o realce é mostrado quando os objetos preparados "
                                     "são reconstruídos",
         "Whether the highlight is shown when prepared objects are rebuilt"},
        // script messages are English in every table
        {"SIdUndeclared", "Undeclared identifier: ", "Undeclared identifier: "},
    };
    const auto portuguese = makeTable(blPortuguese);
    const auto english = makeTable(blEnglish);
    for (const BuiltInCase &c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(portuguese->Get(QString::fromUtf8(c.key)), QString::fromUtf8(c.portuguese));
        EXPECT_EQ(english->Get(QString::fromUtf8(c.key)), QString::fromUtf8(c.english));
    }
}

QSet<QString> documentKeys(const QString &resource)
{
    QFile file(resource);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << resource.toStdString();
    TMemoryStream stream(file.readAll());
    TkavXMLDocument doc;
    doc.LoadFromStream(stream);
    QSet<QString> keys;
    for (int i = 0; i < doc.Root()->Count(); ++i) {
        const QString key = doc.Root()->Items(i)->GetProp(u"Name"_s);
        EXPECT_FALSE(keys.contains(key)) << "duplicate " << key.toStdString();
        EXPECT_FALSE(doc.Root()->Items(i)->GetProp(u"Text"_s).isEmpty()) << key.toStdString();
        keys.insert(key);
    }
    return keys;
}

TEST_F(ResourcesTest, EnglishDocumentsHoldTheSameKeys)
{
    makeTable(); // registers the compiled-in documents
    for (const QString &unit : {u"kavrcClass"_s, u"kavrcInsp"_s, u"kavrcDesgn"_s}) {
        SCOPED_TRACE(unit.toStdString());
        const QSet<QString> pt = documentKeys(u":/kavrel/res/"_s + unit + u".xml"_s);
        const QSet<QString> en = documentKeys(u":/kavrel/res/"_s + unit + u".en.xml"_s);
        EXPECT_EQ(pt, en);
    }
}

TEST_F(ResourcesTest, BuiltInTableHasEveryDocument)
{
    const auto table = makeTable();
    // one key from each unit, and the script keys of the class unit
    EXPECT_TRUE(table->contains(u"clErrors"_s));
    EXPECT_TRUE(table->contains(u"oiProp"_s));
    EXPECT_TRUE(table->contains(u"propName"_s));
    for (const QString &key : kyMessageKeys())
        EXPECT_TRUE(table->contains(key)) << key.toStdString();
    EXPECT_EQ(table->codePage(), 1252u);
}

// --- lookups ----------------------------------------------------------------------------

TEST_F(ResourcesTest, GetMissingKeyAndBangPrefix)
{
    auto table = makeTable();
    table->Add(u"k1"_s, u"!Texto"_s);
    table->Add(u"k2"_s, u"!!dois"_s);
    table->Add(u"k3"_s, u"a!b"_s);
    table->Add(u"k4"_s, u"!"_s);
    const struct
    {
        QString key;
        QString expected;
    } cases[] = {
        {u"NoSuchKey"_s, u"NoSuchKey"_s},
        {u"!NoSuchKey"_s, u"NoSuchKey"_s}, // a missing key is its own text, "!" included
        {u"k1"_s, u"Texto"_s},
        {u"K1"_s, u"Texto"_s},
        {u"k2"_s, u"!dois"_s},               // only one "!" goes
        {u"k3"_s, u"a!b"_s},
        {u"k4"_s, QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(table->Get(c.key), c.expected) << c.key.toStdString();
}

TEST_F(ResourcesTest, AddReplacesExistingKeyIgnoringCase)
{
    auto table = makeTable();
    const int before = table->count();
    table->AddW(u"MBERROR"_s, u"Falha"_s);
    EXPECT_EQ(table->Get(u"mbError"_s), u"Falha"_s);
    EXPECT_EQ(table->count(), before);
    table->Add(u"novaChave"_s, u"x"_s);
    EXPECT_EQ(table->count(), before + 1);
}

TEST_F(ResourcesTest, AddStringsSplitsAtFirstEquals)
{
    auto table = makeTable();
    table->Clear();
    table->AddStrings(u"a=1\n=2\nb=\nc=x=y\r\nd=4\r\nnoequals"_s);
    EXPECT_EQ(table->count(), 3);
    EXPECT_EQ(table->Get(u"a"_s), u"1"_s);
    EXPECT_EQ(table->Get(u"c"_s), u"x=y"_s);
    EXPECT_EQ(table->Get(u"d"_s), u"4"_s); // CR LF line ends
    EXPECT_FALSE(table->contains(u"b"_s));
    EXPECT_FALSE(table->contains(QString()));
    EXPECT_FALSE(table->contains(u"noequals"_s));
}

TEST_F(ResourcesTest, ClearRemovesEverything)
{
    auto table = makeTable();
    ASSERT_GT(table->count(), 100);
    table->Clear();
    EXPECT_EQ(table->count(), 0);
    EXPECT_EQ(table->Get(u"2000"_s), u"2000"_s);
}

// --- documents --------------------------------------------------------------------------

TEST_F(ResourcesTest, TextIsDecodedTwice)
{
    auto table = makeTable();
    table->AddXML(resourceDocument(
        "<StrRes Name=\"k\" Text=\"a&#38;#34;b\"/>"
        "<StrRes Name=\"amp\" Text=\"R&#38;#38;D\"/>"
        "<StrRes Name=\"nl\" Text=\"x&#38;#13;&#38;#10;y\"/>"));
    EXPECT_EQ(table->Get(u"k"_s), u"a\"b"_s);
    EXPECT_EQ(table->Get(u"amp"_s), u"R&D"_s);
    EXPECT_EQ(table->Get(u"nl"_s), u"x\r\ny"_s);
}

TEST_F(ResourcesTest, LoadFromStreamRules)
{
    auto table = makeTable();
    table->Clear();
    table->AddXML(resourceDocument("<StrRes Name=\"a\" Text=\"1\"/><StrRes Name=\"b\" Text=\"2\"/>"));
    // later entries override, entries missing from a later document stay, other
    // children and entries without a name are ignored
    table->AddXML(resourceDocument("<StrRes Name=\"b\" Text=\"3\"/><Other Name=\"c\" Text=\"4\"/>"
                                   "<strres Name=\"d\" Text=\"5\"/><StrRes Text=\"6\"/>",
                                   "65001"));
    EXPECT_EQ(table->Get(u"a"_s), u"1"_s);
    EXPECT_EQ(table->Get(u"b"_s), u"3"_s);
    EXPECT_FALSE(table->contains(u"c"_s));
    EXPECT_FALSE(table->contains(u"d"_s));
    EXPECT_EQ(table->count(), 2);
    EXPECT_EQ(table->codePage(), 65001u);
    // a root other than Resources adds nothing
    table->AddXML("<?xml version=\"1.1\" encoding=\"utf-8\"?><Other CodePage=\"1\">"
                  "<StrRes Name=\"e\" Text=\"7\"/></Other>");
    EXPECT_FALSE(table->contains(u"e"_s));
    EXPECT_EQ(table->codePage(), 65001u);
}

TEST_F(ResourcesTest, OldStyleHeaderTextIsUtf8)
{
    auto table = makeTable();
    // The old header makes the reader take bytes as ANSI; the loader turns them back into UTF-8.
    table->AddXML("<?xml version=\"1.0\" encoding=\"utf-8\"?><Resources CodePage=\"1252\">"
                  "<StrRes Name=\"k\" Text=\"Configura\xc3\xa7\xc3\xb5" "es\"/></Resources>");
    EXPECT_EQ(table->Get(u"k"_s), u"Configurações"_s);
}

TEST_F(ResourcesTest, BrokenDocumentsLeaveTheTableUnchanged)
{
    const QByteArray cases[] = {
        resourceDocument("<StrRes Name=\"2000\" Text=\"x\"/>", "abc"),       // CodePage not a number
        resourceDocument("<StrRes Name=\"2000\" Text=\"x\"/>", ""),          // CodePage missing
        "<?xml version=\"1.1\"?><Resources CodePage=\"1\"><StrRes Name=\"2000\" Text=\"x\"/><St",
        "<Resources CodePage=\"1\"><StrRes Name=\"2000\" Text=\"x\"/></Resources>", // no header
        resourceDocument("<StrRes Name=\"2000\" Text=\"x\"/></Wrong>"),       // bad end tag
    };
    for (const QByteArray &doc : cases) {
        SCOPED_TRACE(doc.toStdString());
        auto table = makeTable();
        const int before = table->count();
        EXPECT_THROW(table->AddXML(doc), Exception);
        EXPECT_EQ(table->Get(u"2000"_s), u"Inspetor de Objetos"_s);
        EXPECT_EQ(table->count(), before);
        EXPECT_EQ(table->codePage(), 1252u);
    }
}

// --- languages --------------------------------------------------------------------------

TEST_F(ResourcesTest, LanguageListFromFileNames)
{
    writeFile(langFolder() + u"/deutsch.kvc"_s, resourceDocument(""));
    writeFile(langFolder() + u"/ENGLISH.kvc"_s, resourceDocument(""));
    writeFile(langFolder() + u"/aLEMAO.kvc"_s, resourceDocument(""));
    writeFile(langFolder() + u"/notes.txt"_s, "x");
    QDir(langFolder()).mkdir(u"folder.kvc"_s);
    const auto table = makeTable();
    EXPECT_EQ(table->Languages(), (QStringList{u"Alemao"_s, u"Deutsch"_s, u"English"_s}));
}

TEST_F(ResourcesTest, LanguageFileOverridesOneKeyAndIsRemembered)
{
    writeFile(langFolder() + u"/english.kvc"_s,
              resourceDocument("<StrRes Name=\"2000\" Text=\"Object Inspector\"/>"));
    {
        auto table = makeTable();
        QString error;
        ASSERT_TRUE(table->loadLanguage(u"English"_s, &error)) << error.toStdString();
        EXPECT_EQ(table->Get(u"2000"_s), u"Object Inspector"_s);
        EXPECT_EQ(table->Get(u"2475"_s), u"Idioma"_s); // every other text stays Portuguese
        EXPECT_EQ(table->currentLanguage(), u"English"_s);
        EXPECT_EQ(TkavResources::rememberedLanguage(), u"English"_s);
    }
    // the next start loads the remembered language again
    EXPECT_EQ(makeTable(blPortuguese, true)->Get(u"2000"_s), u"Object Inspector"_s);
    // ... but not when its file is gone
    QFile::remove(langFolder() + u"/english.kvc"_s);
    const auto table = makeTable(blPortuguese, true);
    EXPECT_EQ(table->Get(u"2000"_s), u"Inspetor de Objetos"_s);
    EXPECT_TRUE(table->currentLanguage().isEmpty());
}

TEST_F(ResourcesTest, BrokenLanguageFileGivesClearError)
{
    writeFile(langFolder() + u"/good.kvc"_s,
              resourceDocument("<StrRes Name=\"2000\" Text=\"Bom\"/>"));
    writeFile(langFolder() + u"/bad.kvc"_s,
              "<?xml version=\"1.1\"?><Resources CodePage=\"x\"><StrRes Name=\"2000\" Text=\"Mau\"/>");
    auto table = makeTable();
    ASSERT_TRUE(table->loadLanguage(u"Good"_s));
    const int before = table->count();

    QString error;
    EXPECT_FALSE(table->loadLanguage(u"Bad"_s, &error));
    EXPECT_TRUE(error.startsWith(u"Não foi possível carregar o idioma Bad:"_s)) << error.toStdString();
    EXPECT_TRUE(error.contains(u"'x'"_s)) << error.toStdString();
    EXPECT_EQ(table->Get(u"2000"_s), u"Bom"_s);
    EXPECT_EQ(table->count(), before);
    EXPECT_EQ(table->currentLanguage(), u"Good"_s);
    EXPECT_EQ(TkavResources::rememberedLanguage(), u"Good"_s);

    EXPECT_FALSE(table->loadLanguage(u"Missing"_s, &error));
    EXPECT_TRUE(error.contains(u"Missing.kvc"_s)) << error.toStdString();
    EXPECT_EQ(table->Get(u"2000"_s), u"Bom"_s);
}

TEST_F(ResourcesTest, LoadFromFileIgnoresMissingFile)
{
    auto table = makeTable();
    const int before = table->count();
    table->LoadFromFile(langFolder() + u"/none.kvc"_s);
    EXPECT_EQ(table->count(), before);
    writeFile(langFolder() + u"/one.kvc"_s, resourceDocument("<StrRes Name=\"2475\" Text=\"Sprache\"/>"));
    table->LoadFromFile(langFolder() + u"/one.kvc"_s);
    EXPECT_EQ(table->Get(u"2475"_s), u"Sprache"_s);
}

// --- script messages --------------------------------------------------------------------

TEST_F(ResourcesTest, ScriptMessagesArePushed)
{
    auto table = makeTable();
    EXPECT_EQ(kyMessageKeys().size(), 17);
    table->AddStrings(u"SIdUndeclared=Identificador não declarado: \nSForError=Laço inválido"_s);
    EXPECT_EQ(kyMessage(u"SIdUndeclared"), u"Undeclared identifier: "_s); // not yet pushed
    table->UpdateFSResources();
    EXPECT_EQ(kyMessage(u"SIdUndeclared"), u"Identificador não declarado: "_s);
    EXPECT_EQ(kyMessage(u"SForError"), u"Laço inválido"_s);
    EXPECT_EQ(kyMessage(u"SEventError"), u"Event handler must be a procedure"_s);

    // loading a document pushes too; keys the table lacks keep the engine's text
    table->Clear();
    kyResetMessages();
    table->AddXML(resourceDocument("<StrRes Name=\"SVarRequired\" Text=\"Variável requerida\"/>"));
    EXPECT_EQ(kyMessage(u"SVarRequired"), u"Variável requerida"_s);
    EXPECT_EQ(kyMessage(u"SIndexRequired"), u"Index required"_s);
}

TEST_F(ResourcesTest, ScriptMessageTable)
{
    EXPECT_EQ(kyMessage(u"SLangNotFound"), u"Language '%s' not found"_s);
    EXPECT_EQ(kyMessage(u"NoSuchMessage"), u"NoSuchMessage"_s);
    EXPECT_FALSE(kySetMessage(u"NoSuchMessage", u"x"_s));
    EXPECT_FALSE(kySetMessage(u"SLangNotFound", QString()));
    EXPECT_EQ(kyMessage(u"SLangNotFound"), u"Language '%s' not found"_s);
    EXPECT_TRUE(kySetMessage(u"SLangNotFound", u"y"_s));
    EXPECT_EQ(kyMessage(u"SLangNotFound"), u"y"_s);
    kyResetMessages();
    EXPECT_EQ(kyMessage(u"SLangNotFound"), kyDefaultMessage(u"SLangNotFound"));
}

// --- images -----------------------------------------------------------------------------

TEST_F(ResourcesTest, GrayTwin)
{
    const struct
    {
        QRgb in;
        int grey;
    } cases[] = {
        {qRgb(30, 60, 90), 170},    // 150 + 180 / 9
        {qRgb(0, 0, 0), 150},
        {qRgb(255, 255, 255), 235}, // 150 + 85
        {qRgb(10, 0, 0), 151},      // 10 / 9 rounds to 1
        {qRgb(5, 0, 0), 151},       // 5 / 9 rounds to 1
        {qRgb(4, 0, 0), 150},
    };
    for (const auto &c : cases) {
        QImage tile(1, 1, QImage::Format_ARGB32);
        tile.setPixel(0, 0, c.in);
        const QRgb out = kavGrayImage(tile).pixel(0, 0);
        EXPECT_EQ(qRed(out), c.grey);
        EXPECT_EQ(qGreen(out), c.grey);
        EXPECT_EQ(qBlue(out), c.grey);
    }
    QImage clear(1, 1, QImage::Format_ARGB32);
    clear.setPixel(0, 0, qRgba(0, 0, 0, 0));
    EXPECT_EQ(qAlpha(kavGrayImage(clear).pixel(0, 0)), 0);
}

TEST_F(ResourcesTest, CutStripRowByRow)
{
    // 40 x 20: one row of two whole tiles; the partial column and row are dropped.
    QImage strip(40, 20, QImage::Format_RGB32);
    strip.fill(qRgb(255, 0, 255));
    strip.setPixel(17, 1, qRgb(1, 2, 3));
    const TkavImageList tiles = kavCutImageStrip(strip, 16);
    ASSERT_EQ(tiles.size(), 2);
    EXPECT_EQ(tiles[1].size(), QSize(16, 16));
    // without alpha the bottom-left colour is transparent
    EXPECT_EQ(qAlpha(tiles[0].pixel(5, 5)), 0);
    EXPECT_EQ(tiles[1].pixel(1, 1), qRgb(1, 2, 3));
    EXPECT_TRUE(kavCutImageStrip(QImage(), 16).isEmpty());
}

TEST_F(ResourcesTest, SetButtonImagesFillsGreyTwin)
{
    auto table = makeTable();
    QImage strip(32, 16, QImage::Format_ARGB32);
    strip.fill(qRgb(30, 60, 90));
    table->SetButtonImages(strip, true);
    ASSERT_EQ(table->GetMainButtonImages().size(), 2);
    ASSERT_EQ(table->GetDisabledButtonImages().size(), 2);
    EXPECT_EQ(qRed(table->GetDisabledButtonImages()[1].pixel(3, 3)), 170);
    table->SetButtonImages(strip, false);
    EXPECT_EQ(table->GetMainButtonImages().size(), 4);

    const QImage glyph = table->glyph(0);
    ASSERT_EQ(glyph.size(), QSize(32, 16));
    EXPECT_EQ(glyph.pixel(2, 2), qRgb(30, 60, 90));
    EXPECT_EQ(glyph.pixel(18, 2), qRgb(170, 170, 170));
    EXPECT_TRUE(table->glyph(4).isNull());
}

TEST_F(ResourcesTest, BuiltInIconStrips)
{
    auto table = makeTable();
    EXPECT_GE(table->GetMainButtonImages().size(), 108);
    EXPECT_EQ(table->GetDisabledButtonImages().size(), table->GetMainButtonImages().size());
    EXPECT_GE(table->GetObjectImages().size(), 70);
    EXPECT_GE(table->GetPreviewButtonImages().size(), 3);
    ASSERT_GE(table->GetWizardImages().size(), 2);
    EXPECT_EQ(table->GetWizardImages()[0].size(), QSize(32, 32));
    EXPECT_EQ(table->GetObjectImages()[2].size(), QSize(16, 16));
}

// --- help -------------------------------------------------------------------------------

TEST_F(ResourcesTest, HelpPages)
{
    const auto table = makeTable();
    EXPECT_EQ(table->helpPage(u"TkavDesignerForm"_s), u"/opt/kavrel/help/Designer.htm"_s);
    EXPECT_EQ(table->helpPage(u"tkavsqleditorform"_s), u"/opt/kavrel/help/TkavADOQuery.htm"_s);
    EXPECT_EQ(table->helpPage(u"TkavSomethingElse"_s), u"/opt/kavrel/help/index.html"_s);
}

// Records the help pages it is asked to open.
class HelpRecorder : public TkavHeadlessUIServices
{
public:
    explicit HelpRecorder(QStringList *opened) : FOpened(opened) {}
    bool OpenHelpTopic(const QString &topic) override
    {
        FOpened->append(topic);
        return true;
    }

private:
    QStringList *FOpened;
};

TEST_F(ResourcesTest, HelpOpensThroughUIServices)
{
    const auto table = makeTable();
    QStringList opened;
    auto previous = kavSetUIServices(std::make_unique<HelpRecorder>(&opened));
    table->Help(u"TkavVarEditorForm"_s);
    table->Help(u"QWidget"_s);
    kavSetUIServices(std::move(previous));
    EXPECT_EQ(opened, (QStringList{u"/opt/kavrel/help/Variables.htm"_s,
                                   u"/opt/kavrel/help/index.html"_s}));
}

TEST_F(ResourcesTest, ProcessWideTable)
{
    EXPECT_EQ(&kavResourceTable(), &kavResourceTable());
    EXPECT_EQ(kavGet(2000), kavResourceTable().Get(u"2000"_s));
}

} // namespace

// --- icon strips --------------------------------------------------------------------------

namespace {

int pixelsWithAlpha(const QImage &tile, int minAlpha)
{
    int count = 0;
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            count += qAlpha(tile.pixel(x, y)) >= minAlpha ? 1 : 0;
    return count;
}

// The strips are addressed by index from code all over the program: every index in use must
// hold a visible image, and every free index must stay transparent, so that a strip whose
// images moved by one place fails here rather than showing wrong icons.
TEST_F(ResourcesTest, IconStripsHoldEveryIndexInUse)
{
    using Getter = const TkavImageList &(TkavResources::*)();
    struct Strip
    {
        const char *name;
        Getter images;
        int tileSize;
        QList<std::pair<int, int>> inUse; // inclusive ranges
    };
    const Strip strips[] = {
        {"toolbar", &TkavResources::GetMainButtonImages, 16, {{0, 102}, {104, 104}, {106, 117}}},
        {"objects", &TkavResources::GetObjectImages, 16,
         {{2, 11}, {21, 21}, {31, 32}, {34, 37}, {40, 58}, {63, 81}}},
        {"preview", &TkavResources::GetPreviewButtonImages, 16, {{0, 18}}},
        {"wizards", &TkavResources::GetWizardImages, 32, {{0, 2}}},
    };
    auto table = makeTable();
    for (const Strip &strip : strips) {
        SCOPED_TRACE(strip.name);
        const TkavImageList &images = (table.get()->*strip.images)();
        QSet<int> inUse;
        for (const auto &[first, last] : strip.inUse)
            for (int i = first; i <= last; ++i)
                inUse.insert(i);
        ASSERT_GT(images.size(), strip.inUse.last().second);
        for (int i = 0; i < images.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(images[i].size(), QSize(strip.tileSize, strip.tileSize));
            if (inUse.contains(i))
                EXPECT_GE(pixelsWithAlpha(images[i], 128), strip.tileSize * strip.tileSize / 20);
            else
                EXPECT_EQ(pixelsWithAlpha(images[i], 1), 0);
        }
    }
}

} // namespace
