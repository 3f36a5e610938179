// Report inheritance: children that store only their differences from an ancestor file,
// inherited marks, relative ancestor names, chains and loops of ancestors, missing
// ancestors, and turning a report into a child of a template.
#include "kavReportTestSupport.h"

#include <persist/kavVariables.h>
#include <report/kavClass.h>
#include <report/kavStyles.h>
#include <rtl/kavStreams.h>
#include <rtl/kavUIServicesFake.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class InheritTest : public TkavReportTest
{
protected:
    void SetUp() override
    {
        TkavReportTest::SetUp();
        ASSERT_TRUE(FDir.isValid());
    }

    QString path(const QString &name) const { return FDir.filePath(name); }

    // A report set up for tests: errors are collected, never shown.
    static std::unique_ptr<TkavReport> newReport()
    {
        auto report = std::make_unique<TkavReport>();
        report->EngineOptions().SetNewSilentMode(simSilent);
        return report;
    }

    static TkavMemoView *addMemo(TkavComponent *band, const QString &name, const QString &text,
                                 double left)
    {
        auto *memo = TkavComponent::Create<TkavMemoView>(band);
        memo->SetName(name);
        memo->SetText(text);
        memo->SetBounds(left, 0, 80, 18);
        return memo;
    }

    // Page1 / MasterData1 / Memo1 ("Hello" at Left 10), the variable V = 1 and a script.
    QString writeBase(const QString &name = u"base.kv3"_s)
    {
        auto base = newReport();
        auto *page = TkavComponent::Create<TkavReportPage>(base.get());
        page->SetName(u"Page1"_s);
        TkavComponent *band = TkavComponent::Create(u"TkavMasterData", page);
        band->SetName(u"MasterData1"_s);
        band->SetBounds(0, 20, 700, 24);
        addMemo(band, u"Memo1"_s, u"Hello"_s, 10);
        base->Variables().SetVariable(u"V"_s, u"1"_s);
        base->Styles().Add()->SetName(u"BaseStyle"_s);
        base->ScriptText().SetText(u"procedure FromBase;\r\nbegin\r\nend;\r\nbegin\r\nend."_s);
        const QString file = path(name);
        base->SaveToFile(file);
        return file;
    }

    // A child of file: Memo1 moved to Left 50 and a new Memo2, saved as childName.
    QString writeChild(const QString &file, const QString &childName = u"child.kv3"_s)
    {
        auto child = newReport();
        child->SetParentReport(file);
        EXPECT_EQ(child->Errors().Count(), 0) << qPrintable(child->Errors().Text());
        child->FindObject(u"Memo1")->SetLeft(50);
        addMemo(child->FindObject(u"MasterData1"), u"Memo2"_s, u"Own"_s, 200);
        const QString out = path(childName);
        child->SaveToFile(out);
        return out;
    }

    static QString fileText(const QString &file)
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll());
    }

    // The line of the element whose Name attribute is name.
    static QString elementLine(const QString &xml, const QString &name)
    {
        const QStringList lines = xml.split(u"\r\n"_s);
        for (const QString &line : lines) {
            if (line.contains(u"Name=\""_s + name + u'"'))
                return line.trimmed();
        }
        return QString();
    }

    static void writeText(const QString &file, const QString &text)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }

    static QString kv3(const QString &attributes, const QString &body)
    {
        return u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TkavReport"_s + attributes
               + u">"_s + body + u"</TkavReport>"_s;
    }

    QTemporaryDir FDir;
};

// --- setting the ancestor ------------------------------------------------------------------

TEST_F(InheritTest, ParentReportLoadsAndMarksTheAncestor)
{
    const QString base = writeBase();
    auto child = newReport();
    child->SetParentReport(base);
    EXPECT_EQ(child->ParentReport(), base);
    ASSERT_NE(child->ParentReportObject(), nullptr);
    EXPECT_TRUE(child->IsAncestor());
    for (const char16_t *name : {u"Page1", u"MasterData1", u"Memo1"}) {
        const TkavComponent *c = child->FindObject(name);
        ASSERT_NE(c, nullptr) << QString::fromUtf16(name).toStdString();
        EXPECT_TRUE(c->IsAncestor()) << QString::fromUtf16(name).toStdString();
    }
    ASSERT_EQ(child->Variables().Count(), 1);
    EXPECT_TRUE(child->Variables().Items(0)->IsInherited());
    ASSERT_NE(child->Styles().Find(u"BaseStyle"_s), nullptr);
    EXPECT_TRUE(child->Styles().Find(u"BaseStyle"_s)->IsInherited());
    // Inherited objects cannot be renamed.
    EXPECT_THROW(child->FindObject(u"Memo1")->SetName(u"Other"_s), EkavError);
    // The copy keeps each page's size as a custom paper.
    auto *copyPage = dynamic_cast<TkavReportPage *>(child->ParentReportObject()->FindObject(u"Page1"));
    auto *page = dynamic_cast<TkavReportPage *>(child->FindObject(u"Page1"));
    ASSERT_NE(copyPage, nullptr);
    EXPECT_EQ(copyPage->PaperSize(), 256);
    EXPECT_DOUBLE_EQ(copyPage->PaperWidth(), page->PaperWidth());
    EXPECT_EQ(page->PaperSize(), 9);
}

TEST_F(InheritTest, AncestorLookupOfTheWriter)
{
    auto alone = newReport();
    EXPECT_EQ(alone->GetAncestor(QString()), nullptr);

    auto child = newReport();
    child->SetParentReport(writeBase());
    EXPECT_EQ(child->GetAncestor(QString()), child->ParentReportObject());
    TPersistent *memo = child->GetAncestor(u"memo1"_s); // names ignore letter case
    ASSERT_NE(memo, nullptr);
    EXPECT_NE(memo, child->FindObject(u"Memo1"));
    EXPECT_EQ(memo, child->ParentReportObject()->FindObject(u"Memo1"));
    EXPECT_EQ(child->GetAncestor(u"Nothing"_s), nullptr);
}

TEST_F(InheritTest, EmptyParentReportClearsEveryMark)
{
    auto child = newReport();
    child->SetParentReport(writeBase());
    child->SetParentReport(QString());
    EXPECT_EQ(child->ParentReportObject(), nullptr);
    EXPECT_FALSE(child->IsAncestor());
    for (const TkavComponent *c : child->AllObjects())
        EXPECT_FALSE(c->IsAncestor()) << c->Name().toStdString();
    EXPECT_FALSE(child->Variables().Items(0)->IsInherited());
    EXPECT_FALSE(child->Styles().Find(u"BaseStyle"_s)->IsInherited());
    // The objects stay, now the report's own: they can be renamed and are saved in full.
    child->FindObject(u"Memo1")->SetName(u"Renamed"_s);
    const QByteArray bytes = save(*child);
    EXPECT_FALSE(bytes.contains("<inherited"));
    EXPECT_TRUE(bytes.contains("<TkavMemoView Name=\"Renamed\""));
}

// --- saving and loading a child --------------------------------------------------------------

TEST_F(InheritTest, ChildFileHoldsOnlyDifferences)
{
    const QString childFile = writeChild(writeBase());
    const QString xml = fileText(childFile);
    EXPECT_TRUE(xml.contains(u"ParentReport=\"base.kv3\""_s)) << qPrintable(xml);
    EXPECT_TRUE(xml.contains(u"<inherited"_s));
    // An inherited object with one change: only that property.
    EXPECT_EQ(elementLine(xml, u"Memo1"_s), u"<inherited Name=\"Memo1\" Left=\"50\"/>"_s);
    // Unchanged inherited objects are named and nothing else.
    const QString band = elementLine(xml, u"MasterData1"_s);
    EXPECT_TRUE(band.startsWith(u"<inherited Name=\"MasterData1\""_s)) << qPrintable(band);
    EXPECT_FALSE(band.contains(u"Height="_s)) << qPrintable(band);
    // The child's own object in full.
    const QString own = elementLine(xml, u"Memo2"_s);
    EXPECT_TRUE(own.startsWith(u"<TkavMemoView Name=\"Memo2\""_s)) << qPrintable(own);
    EXPECT_TRUE(own.contains(u"Text=\"Own\""_s)) << qPrintable(own);
    // The inherited script and variable are not repeated.
    EXPECT_FALSE(xml.contains(u"FromBase"_s));
    EXPECT_FALSE(xml.contains(u"Value=\"1\""_s)) << qPrintable(xml);
}

TEST_F(InheritTest, ChildRoundTrip)
{
    const QString childFile = writeChild(writeBase());
    auto child = newReport();
    ASSERT_TRUE(child->LoadFromFile(childFile));
    EXPECT_EQ(child->Errors().Count(), 0) << qPrintable(child->Errors().Text());
    EXPECT_EQ(child->ParentReport(), u"base.kv3"_s);
    ASSERT_NE(child->ParentReportObject(), nullptr);

    auto *memo1 = dynamic_cast<TkavMemoView *>(child->FindObject(u"Memo1"));
    auto *memo2 = dynamic_cast<TkavMemoView *>(child->FindObject(u"Memo2"));
    ASSERT_NE(memo1, nullptr);
    ASSERT_NE(memo2, nullptr);
    EXPECT_DOUBLE_EQ(memo1->Left(), 50);
    EXPECT_EQ(memo1->Text(), u"Hello\r\n"_s);
    EXPECT_TRUE(memo1->IsAncestor());
    EXPECT_DOUBLE_EQ(memo2->Left(), 200);
    EXPECT_EQ(memo2->Text(), u"Own\r\n"_s);
    EXPECT_FALSE(memo2->IsAncestor());
    EXPECT_EQ(memo2->Parent(), child->FindObject(u"MasterData1"));
    EXPECT_TRUE(child->ScriptText().Text().contains(u"FromBase"_s));
    EXPECT_EQ(child->Variables().GetVariable(u"V"_s).AsString(), u"1"_s);
    ASSERT_EQ(child->Variables().Count(), 1);
    EXPECT_TRUE(child->Variables().Items(0)->IsInherited());
    ASSERT_EQ(child->Styles().Count(), 1);
    EXPECT_TRUE(child->Styles().Items(0)->IsInherited());

    // Written again, the child gives the same file.
    TMemoryStream again;
    child->SaveToStream(again);
    EXPECT_EQ(QString::fromUtf8(again.Data()), fileText(childFile));
}

// Clear of a page keeps the inherited band and its inherited memo, and drops what the child
// added; clearing the report empties the whole document.
TEST_F(InheritTest, ClearKeepsInheritedObjects)
{
    const QString childFile = writeChild(writeBase());
    auto child = newReport();
    child->LoadFromFile(childFile);
    TkavComponent *page = child->FindObject(u"Page1");
    ASSERT_NE(page, nullptr);
    page->Clear();
    EXPECT_NE(child->FindObject(u"MasterData1"), nullptr);
    EXPECT_NE(child->FindObject(u"Memo1"), nullptr);
    EXPECT_EQ(child->FindObject(u"Memo2"), nullptr);

    child->Clear();
    EXPECT_EQ(child->PagesCount(), 0);
    EXPECT_EQ(child->ParentReportObject(), nullptr);
    EXPECT_TRUE(child->ParentReport().isEmpty());
}

// Opening another report after a child leaves nothing of the child's ancestor behind.
TEST_F(InheritTest, LoadingAnotherReportDropsTheAncestor)
{
    const QString childFile = writeChild(writeBase());
    auto other = newReport();
    TkavComponent::Create<TkavReportPage>(other.get())->SetName(u"OtherPage"_s);
    const QString otherFile = path(u"other.kv3"_s);
    other->SaveToFile(otherFile);

    auto report = newReport();
    report->LoadFromFile(childFile);
    report->LoadFromFile(otherFile);
    EXPECT_EQ(report->FindObject(u"Memo1"), nullptr);
    EXPECT_EQ(report->FindObject(u"Page1"), nullptr);
    EXPECT_NE(report->FindObject(u"OtherPage"), nullptr);
    EXPECT_EQ(report->ParentReportObject(), nullptr);
    EXPECT_FALSE(report->IsAncestor());
}

TEST_F(InheritTest, AbsoluteAncestorIsStoredRelative)
{
    ASSERT_TRUE(QDir(FDir.path()).mkpath(u"sub"_s));
    const QString base = writeBase();
    auto child = newReport();
    child->SetParentReport(base); // absolute
    const QString childFile = path(u"sub/child.kv3"_s);
    child->SaveToFile(childFile);
    EXPECT_EQ(child->ParentReport(), u"../base.kv3"_s);
    EXPECT_TRUE(fileText(childFile).contains(u"ParentReport=\"../base.kv3\""_s));

    auto back = newReport();
    back->LoadFromFile(childFile);
    EXPECT_EQ(back->Errors().Count(), 0) << qPrintable(back->Errors().Text());
    ASSERT_NE(back->FindObject(u"Memo1"), nullptr);
    EXPECT_TRUE(back->FindObject(u"Memo1")->IsAncestor());
}

// Names written by other systems use "\" between folders.
TEST_F(InheritTest, BackslashNamesAreFound)
{
    ASSERT_TRUE(QDir(FDir.path()).mkpath(u"sub"_s));
    writeBase();
    const QString childFile = path(u"sub/child.kv3"_s);
    writeText(childFile, kv3(u" ParentReport=\"..\\base.kv3\""_s, QString()));
    auto child = newReport();
    child->LoadFromFile(childFile);
    EXPECT_EQ(child->Errors().Count(), 0) << qPrintable(child->Errors().Text());
    EXPECT_NE(child->FindObject(u"Memo1"), nullptr);
}

TEST_F(InheritTest, TwoLevelsOfAncestors)
{
    const QString base = writeBase();
    const QString middle = writeChild(base, u"middle.kv3"_s);
    {
        auto last = newReport();
        last->SetParentReport(middle);
        ASSERT_EQ(last->Errors().Count(), 0) << qPrintable(last->Errors().Text());
        last->FindObject(u"Memo2")->SetLeft(70);
        addMemo(last->FindObject(u"MasterData1"), u"Memo3"_s, u"Last"_s, 300);
        last->SaveToFile(path(u"last.kv3"_s));
    }
    const QString xml = fileText(path(u"last.kv3"_s));
    EXPECT_TRUE(xml.contains(u"ParentReport=\"middle.kv3\""_s));
    EXPECT_EQ(elementLine(xml, u"Memo1"_s), u"<inherited Name=\"Memo1\"/>"_s);
    EXPECT_EQ(elementLine(xml, u"Memo2"_s), u"<inherited Name=\"Memo2\" Left=\"70\"/>"_s);

    auto last = newReport();
    last->LoadFromFile(path(u"last.kv3"_s));
    EXPECT_EQ(last->Errors().Count(), 0) << qPrintable(last->Errors().Text());
    struct Expected
    {
        const char16_t *name;
        double left;
        bool inherited;
    };
    for (const Expected &e : {Expected{u"Memo1", 50, true},
                              Expected{u"Memo2", 70, true},
                              Expected{u"Memo3", 300, false}}) {
        const TkavComponent *memo = last->FindObject(e.name);
        ASSERT_NE(memo, nullptr) << QString::fromUtf16(e.name).toStdString();
        EXPECT_DOUBLE_EQ(memo->Left(), e.left) << QString::fromUtf16(e.name).toStdString();
        EXPECT_EQ(memo->IsAncestor(), e.inherited) << QString::fromUtf16(e.name).toStdString();
    }
    // The copy is the middle report as loaded, and names its own ancestor.
    ASSERT_NE(last->ParentReportObject(), nullptr);
    EXPECT_DOUBLE_EQ(last->ParentReportObject()->FindObject(u"Memo2")->Left(), 200);
    EXPECT_EQ(last->ParentReportObject()->ParentReport(), u"base.kv3"_s);
}

// --- failures ----------------------------------------------------------------------------------

struct LoopCase
{
    const char *name;
    QStringList chain; // file i names file i + 1; the last names the first
};

class InheritLoop : public InheritTest, public ::testing::WithParamInterface<LoopCase>
{
};

TEST_P(InheritLoop, EndsWithAnErrorLine)
{
    const QStringList &chain = GetParam().chain;
    for (int i = 0; i < chain.size(); ++i) {
        const QString next = chain.at((i + 1) % chain.size());
        writeText(path(chain.at(i)),
                  kv3(u" ParentReport=\""_s + next + u'"',
                      u"<TkavReportPage Name=\"P"_s + QString::number(i) + u"\"/>"_s));
    }
    auto report = newReport();
    ASSERT_TRUE(report->LoadFromFile(path(chain.first())));
    const QString errors = report->Errors().Text();
    EXPECT_TRUE(errors.contains(u"Circular report inheritance: "_s)) << qPrintable(errors);
    EXPECT_TRUE(errors.contains(chain.first())) << qPrintable(errors);
    // Every file of the loop was read once.
    for (int i = 0; i < chain.size(); ++i)
        EXPECT_NE(report->FindObject(u"P"_s + QString::number(i)), nullptr) << i;
    EXPECT_EQ(report->ParentReport(), chain.at(1 % chain.size()));
}

INSTANTIATE_TEST_SUITE_P(Inherit,
                         InheritLoop,
                         ::testing::Values(LoopCase{"Self", {u"self.kv3"_s}},
                                           LoopCase{"Two", {u"a.kv3"_s, u"b.kv3"_s}},
                                           LoopCase{"Three",
                                                    {u"a.kv3"_s, u"b.kv3"_s, u"c.kv3"_s}}),
                         [](const auto &param) { return std::string(param.param.name); });

TEST_F(InheritTest, MissingAncestorKeepsTheChildsContent)
{
    const QString childFile = path(u"child.kv3"_s);
    writeText(childFile,
              kv3(u" ParentReport=\"nothere.kv3\""_s,
                  u"<TkavReportPage Name=\"Own\"><TkavMasterData Name=\"Band\"/></TkavReportPage>"_s));
    auto child = newReport();
    ASSERT_TRUE(child->LoadFromFile(childFile));
    EXPECT_TRUE(child->Errors().Text().contains(u"nothere.kv3"_s)) << qPrintable(child->Errors().Text());
    EXPECT_NE(child->FindObject(u"Band"), nullptr);
    EXPECT_EQ(child->ParentReportObject(), nullptr);
    EXPECT_FALSE(child->FindObject(u"Band")->IsAncestor());
    // The link survives a save.
    child->SaveToFile(childFile);
    EXPECT_TRUE(fileText(childFile).contains(u"ParentReport=\"nothere.kv3\""_s));
    EXPECT_TRUE(fileText(childFile).contains(u"<TkavMasterData Name=\"Band\""_s));
}

// The ancestor's password is asked once, for the child, and comes back as it was typed.
TEST_F(InheritTest, PasswordOfTheAncestorSurvivesTheChildsLoad)
{
    auto base = newReport();
    TkavComponent::Create<TkavReportPage>(base.get())->SetName(u"Page1"_s);
    base->ReportOptions().SetPassword(u"secret"_s);
    base->SaveToFile(path(u"base.kv3"_s));
    auto child = newReport();
    child->SetParentReport(path(u"base.kv3"_s));
    EXPECT_EQ(child->ReportOptions().Password(), u"secret"_s);
    child->SaveToFile(path(u"child.kv3"_s));

    TkavFakeUIServicesScope ui;
    ui.Fake().InputAnswers.push_back(u"secret"_s);
    auto back = newReport();
    back->LoadFromFile(path(u"child.kv3"_s));
    EXPECT_EQ(ui.Fake().CallsOf(u"PasswordQuery"_s).size(), 1u);
    EXPECT_EQ(back->Errors().Count(), 0) << qPrintable(back->Errors().Text());
    EXPECT_EQ(back->ReportOptions().Password(), u"secret"_s);
    EXPECT_NE(back->FindObject(u"Page1"), nullptr);
}

TEST_F(InheritTest, OnLoadTemplateReplacesFileLoading)
{
    const QString base = writeBase();
    auto child = newReport();
    QStringList asked;
    child->SetOnLoadTemplate([&](TkavReport &report, const QString &name) {
        asked << name;
        report.LoadFromFile(base);
    });
    child->SetParentReport(u"db:template-7"_s);
    EXPECT_EQ(asked, QStringList{u"db:template-7"_s});
    ASSERT_NE(child->FindObject(u"Memo1"), nullptr);
    EXPECT_TRUE(child->FindObject(u"Memo1")->IsAncestor());
    EXPECT_EQ(child->ParentReport(), u"db:template-7"_s);
}

// --- InheritFromTemplate ----------------------------------------------------------------------

class InheritTemplate : public InheritTest
{
protected:
    // A report of its own at own.kv3: Page1 / MasterData1 with Memo1 ("Mine") and MemoX,
    // the variable V = 2 and W = 3, a style S, and its own script.
    std::unique_ptr<TkavReport> ownReport()
    {
        auto report = newReport();
        auto *page = TkavComponent::Create<TkavReportPage>(report.get());
        page->SetName(u"Page1"_s);
        TkavComponent *band = TkavComponent::Create(u"TkavMasterData", page);
        band->SetName(u"MasterData1"_s);
        addMemo(band, u"Memo1"_s, u"Mine"_s, 5);
        addMemo(band, u"MemoX"_s, u"Extra"_s, 400);
        report->Variables().SetVariable(u"V"_s, u"2"_s);
        report->Variables().SetVariable(u"W"_s, u"3"_s);
        report->Styles().Add()->SetName(u"S"_s);
        report->ScriptText().SetText(u"begin\r\n  Own;\r\nend."_s);
        report->SaveToFile(path(u"own.kv3"_s));
        return report;
    }

    // The memos of the report whose text is text.
    static int memosWithText(const TkavReport &report, const QString &text)
    {
        int count = 0;
        for (const TkavComponent *c : report.AllObjects()) {
            if (auto *memo = dynamic_cast<const TkavMemoView *>(c); memo && memo->Text() == text)
                ++count;
        }
        return count;
    }
};

TEST_F(InheritTemplate, OwnFileChangesNothing)
{
    auto report = ownReport();
    const QByteArray before = save(*report);
    EXPECT_FALSE(report->InheritFromTemplate(path(u"own.kv3"_s), imDelete));
    EXPECT_FALSE(report->InheritFromTemplate(path(u"./own.kv3"_s), imRename));
    EXPECT_EQ(save(*report), before);
    EXPECT_TRUE(report->ParentReport().isEmpty());
}

TEST_F(InheritTemplate, MissingTemplateChangesNothing)
{
    auto report = ownReport();
    const QByteArray before = save(*report);
    EXPECT_FALSE(report->InheritFromTemplate(path(u"none.kv3"_s), imDelete));
    EXPECT_EQ(save(*report), before);
    EXPECT_TRUE(report->Errors().Text().contains(u"none.kv3"_s));
}

// A template that leads back to the report is refused, and the report stays as it was.
TEST_F(InheritTemplate, LoopBackToTheReportChangesNothing)
{
    auto report = ownReport();
    writeText(path(u"loop.kv3"_s), kv3(u" ParentReport=\"own.kv3\""_s, QString()));
    const QByteArray before = save(*report);
    EXPECT_FALSE(report->InheritFromTemplate(path(u"loop.kv3"_s), imDelete));
    EXPECT_EQ(save(*report), before);
    EXPECT_TRUE(report->Errors().Text().contains(u"Circular report inheritance"_s));
}

struct ModeCase
{
    const char *name;
    TkavInheriteMode mode;
    std::optional<TModalResult> answer; // the prompt's answer in imDefault
    bool renamed;                       // duplicates kept under new names
};

class InheritModes : public InheritTemplate, public ::testing::WithParamInterface<ModeCase>
{
};

TEST_P(InheritModes, DuplicatesAreDeletedOrRenamed)
{
    const ModeCase &mode = GetParam();
    TkavFakeUIServicesScope ui;
    if (mode.answer)
        ui.Fake().MessageAnswers.push_back(*mode.answer);
    const QString base = writeBase();
    auto report = ownReport();
    ASSERT_TRUE(report->InheritFromTemplate(base, mode.mode));
    EXPECT_EQ(ui.Fake().CallsOf(u"MessageDlg"_s).size(), mode.mode == imDefault ? 1u : 0u);
    EXPECT_EQ(report->ParentReport(), u"base.kv3"_s);

    // The template's objects, inherited; the report's own MemoX, not inherited.
    TkavComponent *memo1 = report->FindObject(u"Memo1");
    ASSERT_NE(memo1, nullptr);
    EXPECT_TRUE(memo1->IsAncestor());
    EXPECT_EQ(dynamic_cast<TkavMemoView *>(memo1)->Text(), u"Hello\r\n"_s);
    // MemoX lives on: in the template's band when the report's band was a duplicate that
    // went, in the report's band under a new name when duplicates are renamed.
    TkavComponent *extra = report->FindObject(u"MemoX");
    ASSERT_NE(extra, nullptr);
    EXPECT_FALSE(extra->IsAncestor());
    EXPECT_DOUBLE_EQ(extra->Left(), 400);
    ASSERT_NE(extra->Parent(), nullptr);
    EXPECT_EQ(extra->Parent() == report->FindObject(u"MasterData1"), !mode.renamed);
    EXPECT_EQ(extra->Parent()->IsAncestor(), !mode.renamed);
    EXPECT_EQ(extra->Parent()->Parent(), report->FindObject(u"Page1"));
    EXPECT_EQ(memosWithText(*report, u"Mine\r\n"_s), mode.renamed ? 1 : 0);

    TkavVariables &variables = report->Variables();
    EXPECT_EQ(variables.GetVariable(u"V"_s).AsString(), u"1"_s);
    EXPECT_EQ(variables.GetVariable(u"W"_s).AsString(), u"3"_s);
    EXPECT_EQ(variables.IndexOf(u"V_renamed"_s) >= 0, mode.renamed);
    if (mode.renamed) {
        EXPECT_EQ(variables.GetVariable(u"V_renamed"_s).AsString(), u"2"_s);
    }
    EXPECT_NE(report->Styles().Find(u"S"_s), nullptr);

    // The report's own script, then the template's as a comment.
    const QStringList script = report->ScriptText().ToStringList();
    ASSERT_GE(script.size(), 4);
    EXPECT_EQ(script.at(1), u"  Own;"_s);
    EXPECT_EQ(script.at(3), u"//**********Script from parent report**********"_s);
    EXPECT_TRUE(script.contains(u"//procedure FromBase;"_s));

    // Saved and read back, it is still a child of the template.
    report->SaveToFile(path(u"own.kv3"_s));
    auto back = newReport();
    back->LoadFromFile(path(u"own.kv3"_s));
    EXPECT_EQ(back->Errors().Count(), 0) << qPrintable(back->Errors().Text());
    ASSERT_NE(back->FindObject(u"MemoX"), nullptr);
    EXPECT_TRUE(back->FindObject(u"Memo1")->IsAncestor());
    EXPECT_EQ(memosWithText(*back, u"Mine\r\n"_s), mode.renamed ? 1 : 0);
    EXPECT_EQ(back->Variables().IndexOf(u"V_renamed"_s) >= 0, mode.renamed);
}

INSTANTIATE_TEST_SUITE_P(
    Inherit,
    InheritModes,
    ::testing::Values(ModeCase{"Delete", imDelete, std::nullopt, false},
                      ModeCase{"Rename", imRename, std::nullopt, true},
                      ModeCase{"PromptDelete", imDefault, mrYes, false},
                      ModeCase{"PromptRename", imDefault, mrNo, true}),
    [](const auto &param) { return std::string(param.param.name); });

// Without a user the prompt takes its pre-selected choice: delete the duplicates.
TEST_F(InheritTemplate, HeadlessPromptDeletes)
{
    const QString base = writeBase();
    auto report = ownReport();
    ASSERT_TRUE(report->InheritFromTemplate(base));
    EXPECT_EQ(memosWithText(*report, u"Mine\r\n"_s), 0);
    EXPECT_LT(report->Variables().IndexOf(u"V_renamed"_s), 0);
}

TEST_F(InheritTemplate, CancelledPromptRestoresTheReport)
{
    TkavFakeUIServicesScope ui; // no answer: the prompt is cancelled
    const QString base = writeBase();
    auto report = ownReport();
    const QByteArray before = save(*report);
    EXPECT_FALSE(report->InheritFromTemplate(base, imDefault));
    EXPECT_EQ(ui.Fake().CallsOf(u"MessageDlg"_s).size(), 1u);
    EXPECT_EQ(save(*report), before);
    EXPECT_EQ(report->ParentReportObject(), nullptr);
    EXPECT_FALSE(report->FindObject(u"Memo1")->IsAncestor());
}

// A subreport of the report's own brings its page along: a new page of the report, with
// the content of the old one, and no stray copy of the old page.
TEST_F(InheritTemplate, SubreportGetsANewPage)
{
    auto report = ownReport();
    auto *subPage = TkavComponent::Create<TkavReportPage>(report.get());
    subPage->SetName(u"SubPage"_s);
    TkavComponent *subBand = TkavComponent::Create(u"TkavMasterData", subPage);
    subBand->SetName(u"SubBand"_s);
    addMemo(subBand, u"SubMemo"_s, u"Inside"_s, 1);
    auto *sub = TkavComponent::Create<TkavSubreport>(report->FindObject(u"MasterData1"));
    sub->SetName(u"Sub"_s);
    sub->SetSubPage(subPage);
    const QString base = writeBase();

    ASSERT_TRUE(report->InheritFromTemplate(base, imRename));
    auto *merged = dynamic_cast<TkavSubreport *>(report->FindObject(u"Sub"));
    ASSERT_NE(merged, nullptr);
    ASSERT_NE(merged->SubPage(), nullptr);
    EXPECT_EQ(merged->SubPage()->Parent(), report.get());
    EXPECT_NE(merged->SubPage()->Name(), u"SubPage"_s);
    EXPECT_EQ(report->FindObject(u"SubPage"), nullptr);
    ASSERT_NE(report->FindObject(u"SubMemo"), nullptr);
    EXPECT_EQ(report->FindObject(u"SubMemo")->Page(), merged->SubPage());
    EXPECT_EQ(memosWithText(*report, u"Inside\r\n"_s), 1);
}

// A renamed variable never takes a name in use.
TEST_F(InheritTemplate, RenamedVariableNamesStayUnique)
{
    auto templ = newReport();
    templ->Variables().SetVariable(u"V"_s, u"1"_s);
    templ->Variables().SetVariable(u"V_renamed"_s, u"9"_s);
    templ->SaveToFile(path(u"t.kv3"_s));
    auto report = ownReport();
    ASSERT_TRUE(report->InheritFromTemplate(path(u"t.kv3"_s), imRename));
    EXPECT_EQ(report->Variables().GetVariable(u"V_renamed"_s).AsString(), u"9"_s);
    EXPECT_EQ(report->Variables().GetVariable(u"V_renamed2"_s).AsString(), u"2"_s);
}

// A report that already inherits moves to the new template: the old ancestor's objects
// become its own.
TEST_F(InheritTemplate, ChildMovesToAnotherTemplate)
{
    const QString base = writeBase();
    auto report = newReport();
    report->SetParentReport(base);
    report->SetFileName(path(u"moving.kv3"_s));
    auto templ = newReport();
    TkavComponent::Create<TkavReportPage>(templ.get())->SetName(u"TemplPage"_s);
    templ->SaveToFile(path(u"templ.kv3"_s));

    ASSERT_TRUE(report->InheritFromTemplate(path(u"templ.kv3"_s), imDelete));
    EXPECT_EQ(report->ParentReport(), u"templ.kv3"_s);
    ASSERT_NE(report->FindObject(u"TemplPage"), nullptr);
    EXPECT_TRUE(report->FindObject(u"TemplPage")->IsAncestor());
    ASSERT_NE(report->FindObject(u"Memo1"), nullptr);
    EXPECT_FALSE(report->FindObject(u"Memo1")->IsAncestor());
}

} // namespace
