// Report inheritance: a report that names an ancestor file (ParentReport) holds the
// ancestor's objects marked inherited and keeps a detached copy of the ancestor, against
// which the writer stores only differences; InheritFromTemplate turns an existing report
// into a child of a template, merging the report's own content back in.

#include "kavReport.h"

#include "kavDataSets.h"
#include "kavPages.h"
#include "kavStyles.h"
#include "kavViews.h"

#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavUIServices.h>
#include <script/ky_script.h>

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>

#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString scriptMarker = u"**********Script from parent report**********"_s;

// The files whose ancestors are being loaded on this thread, outermost first: a name met
// again closes a loop.
thread_local QStringList ancestorChain;
// Loops met on this thread so far (InheritFromTemplate tells a loop from a plain load).
thread_local int circularCount = 0;

// Files keep the password with every UTF-16 unit moved down by 10.
QString storedPassword(const QString &password)
{
    QString shifted = password;
    for (QChar &c : shifted)
        c = QChar(char16_t(c.unicode() - 10));
    return shifted;
}

// The identity of a file in the loop guard.
QString fileKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// Drive-qualified ("C:...") and network ("\\server...") names of other systems are taken
// as they are; so are absolute paths.
bool isRootedName(const QString &name)
{
    return QDir::isAbsolutePath(name) || (name.size() >= 2 && name.at(1) == u':')
           || name.startsWith(u"\\\\");
}

bool isPage(const TkavComponent *c)
{
    return dynamic_cast<const TkavPage *>(c) != nullptr;
}

// Adds lines back to a sorted error list that a nested load emptied.
void addLines(TStringList &errors, const QStringList &lines)
{
    for (const QString &line : lines)
        errors.Add(line);
}

// The name with "_renamed" (then "_renamed2", "_renamed3" ...) appended that taken does
// not know.
QString renamedName(const QString &name, const std::function<bool(const QString &)> &taken)
{
    QString candidate = name + u"_renamed"_s;
    for (int i = 2; taken(candidate); ++i)
        candidate = name + u"_renamed"_s + QString::number(i);
    return candidate;
}

} // namespace

// The steps of inheritance, with access to the report's private state.
class TkavReportInheritance
{
public:
    // The ancestor named Name, loaded into report (steps 3 to 5 of the setter).
    static void loadAncestor(TkavReport &report, const QString &name);
    // Drops the ancestor copy and gives the script its own parent scope back.
    static void dropAncestorCopy(TkavReport &report);
    // Sets or clears the inherited mark of the report, every object, variable and style.
    static void setMarks(TkavReport &report, bool value);
    // The whole document written without reference to any ancestor (class-named elements,
    // every property, an empty ParentReport), the form copies are read from.
    static std::unique_ptr<TkavXMLItem> snapshot(TkavReport &report);
    // A detached report read from a snapshot.
    static std::unique_ptr<TkavReport> reportFrom(const TkavXMLItem &snapshot);

    // What InheritFromTemplate gives back when it does not go through.
    struct SavedState
    {
        std::unique_ptr<TkavXMLItem> Document;
        std::unique_ptr<TkavReport> AncestorCopy;
        QString ParentReport;
        QString FileName;
        bool ReportMarked = false;
        QStringList MarkedObjects;
        QStringList InheritedVariables;
        QStringList InheritedStyles;
    };
    static SavedState capture(TkavReport &report);
    static void restore(TkavReport &report, SavedState &saved);

    // The merge of a template's child with the report's own content.
    class Merge
    {
    public:
        Merge(TkavReport &report, TkavReport &source, bool deleteMode)
            : FReport(report)
            , FSource(source)
            , FDeleteMode(deleteMode)
        {
        }
        void run();

    private:
        void mergeChildren(TkavComponent &source, TkavComponent &target);
        TkavComponent *createLike(TkavComponent &source, TkavComponent &parent);
        void mergeSubreportPage(TkavComponent &source, TkavComponent &created);
        void copyProperties();
        void addDataSets();
        void addVariables();
        void addStyles();
        void appendTemplateScript();

        struct Pair
        {
            TkavComponent *Source;
            TkavComponent *Target;
            bool Created;
        };

        TkavReport &FReport;
        TkavReport &FSource;
        bool FDeleteMode;
        std::vector<Pair> FPairs;
        QSet<const TkavComponent *> FSubreportPages; // handled through their subreports
        std::vector<std::pair<TkavReportPage *, TkavSubreport *>> FNewSubPages;
        std::vector<TkavDataSet *> FRenamedDataSets;
    };
};

// ---------------------------------------------------------------------------------------
// The ancestor and the marks

void TkavReport::SetParentReport(const QString &Value)
{
    FParentReport = Value;
    TkavReportInheritance::dropAncestorCopy(*this);
    if (Value.isEmpty()) {
        TkavReportInheritance::setMarks(*this, false);
        return;
    }
    TkavReportInheritance::loadAncestor(*this, Value);
}

TPersistent *TkavReport::GetAncestor(const QString &ComponentName) const
{
    if (!FParentReportObject)
        return nullptr;
    if (ComponentName == Name())
        return FParentReportObject.get();
    return FParentReportObject->FindObject(ComponentName);
}

void TkavReportInheritance::dropAncestorCopy(TkavReport &report)
{
    if (!report.FParentReportObject)
        return;
    report.restoreScriptParent();
    report.FParentReportObject.reset();
}

void TkavReportInheritance::setMarks(TkavReport &report, bool value)
{
    report.SetAncestor(value);
    for (TkavComponent *c : report.AllObjects())
        c->SetAncestor(value);
    for (int i = 0; i < report.FVariables->Count(); ++i)
        report.FVariables->Items(i)->SetIsInherited(value);
    for (int i = 0; i < report.FStyles->Count(); ++i)
        report.FStyles->Items(i)->SetIsInherited(value);
}

void TkavReportInheritance::loadAncestor(TkavReport &report, const QString &name)
{
    const bool byCallback = bool(report.FOnLoadTemplate);
    QString path = name;
    if (!byCallback) {
        // Names from files of other systems may use "\" between folders.
        if (!name.startsWith(u"\\\\"))
            path.replace(u'\\', u'/');
        if (path.size() >= 2 && !isRootedName(path)) {
            const QString folder = report.FFileName.isEmpty()
                                       ? QString()
                                       : QFileInfo(report.FFileName).absolutePath() + u'/';
            const QString nextToReport = folder + path;
            const QString inProgramFolder = TkavReport::GetApplicationFolder() + path;
            path = QFileInfo(nextToReport).isFile() || !QFileInfo(inProgramFolder).isFile()
                       ? nextToReport
                       : inProgramFolder;
        }
        if (!QFileInfo(path).isFile()) {
            report.FErrors->Add(u"Ancestor report not found: "_s + path);
            return;
        }
    }

    // A file that is already on the way down closes a loop: it is not read again.
    const QString key = byCallback ? name : fileKey(path);
    int pushed = 0;
    if (ancestorChain.isEmpty() && !report.FFileName.isEmpty()) {
        ancestorChain.append(fileKey(report.FFileName));
        ++pushed;
    }
    const auto popChain = qScopeGuard([&pushed] {
        while (pushed-- > 0)
            ancestorChain.removeLast();
    });
    if (ancestorChain.contains(key)) {
        report.FErrors->Add(u"Circular report inheritance: "_s + path);
        ++circularCount;
        return;
    }
    ancestorChain.append(key);
    ++pushed;

    // The ancestor is read like a reload: no password prompt and no error report of its
    // own; its lines join the ones collected so far.
    const QString fileName = report.FFileName;
    TkavXMLSerializer *const serializer = report.FXMLSerializer;
    const bool reloading = report.FReloading;
    const QStringList earlierErrors = report.FErrors->ToStringList();
    bool loaded = false;
    {
        report.FReloading = true;
        const auto restore = qScopeGuard([&] {
            report.FReloading = reloading;
            addLines(*report.FErrors, earlierErrors);
        });
        try {
            if (byCallback) {
                report.FOnLoadTemplate(report, name);
                loaded = true;
            } else {
                loaded = report.LoadFromFile(path, false) && report.FLastLoadOk;
            }
        } catch (const Exception &e) {
            report.FErrors->Add(e.Message());
        }
    }
    const QString nestedParent = report.FParentReport; // the ancestor's own ancestor
    const QString password = report.FReportOptions->Password();
    if (loaded) {
        // A copy of the ancestor as loaded, complete in itself.
        dropAncestorCopy(report);
        auto copy = reportFrom(*snapshot(report));
        copy->FFileName = report.FFileName;
        copy->FOnLoadTemplate = report.FOnLoadTemplate;
        copy->FScript->SetOnGetUnit(report.FScript->OnGetUnit());
        copy->FParentReport = nestedParent;
        // Compared with what a save writes.
        copy->FReportOptions->SetPassword(storedPassword(password));
        for (TkavComponent *c : copy->AllObjects()) {
            if (auto *page = dynamic_cast<TkavReportPage *>(c))
                page->SetSizeAndDimensions(kavPaperCustom, page->PaperWidth(), page->PaperHeight());
        }
        report.FParentReportObject = std::move(copy);
        setMarks(report, true);
        // Inside a load the password in memory is in its stored form until the load ends.
        if (serializer)
            report.FReportOptions->SetPassword(storedPassword(password));
    }
    report.FFileName = fileName;
    report.FParentReport = name;
    report.FXMLSerializer = serializer;
}

std::unique_ptr<TkavXMLItem> TkavReportInheritance::snapshot(TkavReport &report)
{
    auto root = std::make_unique<TkavXMLItem>();
    // Written without the ancestor copy (so nothing is relative to it) and without the
    // ancestor's name (so reading the copy loads nothing).
    std::unique_ptr<TkavReport> ancestor = std::move(report.FParentReportObject);
    const QString parent = std::exchange(report.FParentReport, QString());
    const auto restore = qScopeGuard([&] {
        report.FParentReportObject = std::move(ancestor);
        report.FParentReport = parent;
    });
    TkavXMLSerializer writer;
    writer.SetHandleNestedProperties(true);
    writer.SetOwner(&report);
    writer.SetSerializeDefaultValues(true);
    writer.WriteRootComponent(&report, true, root.get(), true);
    return root;
}

std::unique_ptr<TkavReport> TkavReportInheritance::reportFrom(const TkavXMLItem &snapshot)
{
    auto copy = std::make_unique<TkavReport>();
    copy->LoadFromXMLItem(const_cast<TkavXMLItem &>(snapshot));
    return copy;
}

// ---------------------------------------------------------------------------------------
// Inheriting from a template

TkavReportInheritance::SavedState TkavReportInheritance::capture(TkavReport &report)
{
    SavedState saved;
    saved.Document = snapshot(report);
    saved.ParentReport = report.FParentReport;
    saved.FileName = report.FFileName;
    saved.ReportMarked = report.IsAncestor();
    for (const TkavComponent *c : report.AllObjects()) {
        if (c->IsAncestor() && !c->Name().isEmpty())
            saved.MarkedObjects.append(c->Name());
    }
    for (int i = 0; i < report.FVariables->Count(); ++i) {
        if (report.FVariables->Items(i)->IsInherited())
            saved.InheritedVariables.append(report.FVariables->Items(i)->Name());
    }
    for (int i = 0; i < report.FStyles->Count(); ++i) {
        if (report.FStyles->Items(i)->IsInherited())
            saved.InheritedStyles.append(report.FStyles->Items(i)->Name());
    }
    if (report.FParentReportObject) {
        report.restoreScriptParent();
        saved.AncestorCopy = std::move(report.FParentReportObject);
    }
    return saved;
}

void TkavReportInheritance::restore(TkavReport &report, SavedState &saved)
{
    dropAncestorCopy(report);
    setMarks(report, false);
    report.LoadFromXMLItem(*saved.Document); // clears everything first
    report.FParentReport = saved.ParentReport;
    report.FFileName = saved.FileName;
    report.FParentReportObject = std::move(saved.AncestorCopy);
    report.SetAncestor(saved.ReportMarked);
    for (const QString &name : std::as_const(saved.MarkedObjects)) {
        if (TkavComponent *c = report.FindObject(name))
            c->SetAncestor(true);
    }
    for (const QString &name : std::as_const(saved.InheritedVariables)) {
        const int index = report.FVariables->IndexOf(name);
        if (index >= 0)
            report.FVariables->Items(index)->SetIsInherited(true);
    }
    for (const QString &name : std::as_const(saved.InheritedStyles)) {
        if (TkavStyleItem *style = report.FStyles->Find(name))
            style->SetIsInherited(true);
    }
}

namespace {

enum class DuplicateAnswer { Delete, Rename, Cancel };

// The user's choice between deleting and renaming the report's duplicates. Without a user
// (the headless services) the pre-selected choice is taken: delete.
DuplicateAnswer askDuplicates()
{
    TkavUIServices &ui = kavUIServices();
    if (dynamic_cast<TkavHeadlessUIServices *>(&ui))
        return DuplicateAnswer::Delete;
    const QString text = kavGet(6001) + u"\r\n\r\n"_s + kavGet(6002) + u" (Yes)\r\n"_s
                         + kavGet(6003) + u" (No)"_s;
    switch (ui.MessageDlg(text, mtConfirmation, {mbYes, mbNo, mbCancel}, kavGet(6000))) {
    case mrYes:
        return DuplicateAnswer::Delete;
    case mrNo:
        return DuplicateAnswer::Rename;
    default:
        return DuplicateAnswer::Cancel;
    }
}

} // namespace

bool TkavReport::InheritFromTemplate(const QString &templName, TkavInheriteMode InheriteMode)
{
    const QString templatePath = QDir::cleanPath(QFileInfo(templName).absoluteFilePath());
    if (!FFileName.isEmpty() && fileKey(FFileName) == fileKey(templatePath))
        return false;
    if (!FOnLoadTemplate && !QFileInfo(templatePath).isFile()) {
        FErrors->Add(u"Ancestor report not found: "_s + templatePath);
        return false;
    }
    const QString relativeName =
        FFileName.isEmpty()
            ? templatePath
            : QDir(QFileInfo(FFileName).absolutePath()).relativeFilePath(templatePath);

    TkavReportInheritance::SavedState saved = TkavReportInheritance::capture(*this);
    std::unique_ptr<TkavReport> own = TkavReportInheritance::reportFrom(*saved.Document);
    own->FFileName = FFileName;
    const auto fail = [&] {
        TkavReportInheritance::restore(*this, saved);
        return false;
    };

    const int loops = circularCount;
    SetParentReport(relativeName);
    if (!FParentReportObject || circularCount != loops)
        return fail();

    bool duplicates = false;
    for (const TkavComponent *c : own->AllObjects()) {
        if (!isPage(c) && !c->Name().isEmpty() && FindObject(c->Name())) {
            duplicates = true;
            break;
        }
    }
    bool deleteMode = InheriteMode == imDelete;
    if (duplicates && InheriteMode == imDefault) {
        const DuplicateAnswer answer = askDuplicates();
        if (answer == DuplicateAnswer::Cancel)
            return fail();
        deleteMode = answer == DuplicateAnswer::Delete;
    }
    try {
        TkavReportInheritance::Merge(*this, *own, deleteMode).run();
    } catch (const Exception &e) {
        fail();
        FErrors->Add(e.Message());
        return false;
    }
    return true;
}

void TkavReportInheritance::Merge::run()
{
    for (const TkavComponent *c : FSource.AllObjects()) {
        if (const auto *subreport = dynamic_cast<const TkavSubreport *>(c)) {
            if (subreport->SubPage())
                FSubreportPages.insert(subreport->SubPage());
        }
    }
    FPairs.push_back({&FSource, &FReport, false});
    mergeChildren(FSource, FReport);
    copyProperties();
    addDataSets();
    addVariables();
    addStyles();
    appendTemplateScript();
    for (int i = 0; i < FReport.FDataSets->Count(); ++i) {
        TkavDataSetItem *item = FReport.FDataSets->Items(i);
        item->SetDataSetName(item->DataSetName());
    }
}

// Objects of the report with the source's names are kept (pages take the source's
// properties); other source objects are created anew, duplicates renamed in rename mode.
void TkavReportInheritance::Merge::mergeChildren(TkavComponent &source, TkavComponent &target)
{
    const QList<TkavComponent *> children = source.Objects();
    for (TkavComponent *child : children) {
        if (FSubreportPages.contains(child))
            continue;
        TkavComponent *found = child->Name().isEmpty() ? nullptr : FReport.FindObject(child->Name());
        if (found && isPage(found) && isPage(child)) {
            FPairs.push_back({child, found, false});
            mergeChildren(*child, *found);
            continue;
        }
        if (found) {
            // The duplicate itself goes, but not the report's other objects inside it: they
            // join the template's object of that name.
            if (FDeleteMode) {
                if (&found->ClassInfo() == &child->ClassInfo())
                    mergeChildren(*child, *found);
                continue;
            }
            child->SetName(QString());
        }
        TkavComponent *created = createLike(*child, target);
        mergeSubreportPage(*child, *created);
        mergeChildren(*child, *created);
    }
}

TkavComponent *TkavReportInheritance::Merge::createLike(TkavComponent &source,
                                                       TkavComponent &parent)
{
    TkavComponent *created = TkavComponent::Create(source.ClassName(), &parent);
    if (!source.Name().isEmpty()) {
        created->SetName(source.Name());
    } else {
        created->CreateUniqueName();
        // The source takes the new name too, so references written from it meet the object.
        if (TkavComponent *other = FSource.FindObject(created->Name()); other && other != &source)
            other->CreateUniqueName();
        source.SetName(created->Name());
        if (auto *dataSet = dynamic_cast<TkavDataSet *>(&source)) {
            dataSet->SetUserName(created->Name());
            FRenamedDataSets.push_back(static_cast<TkavDataSet *>(created));
        }
    }
    FPairs.push_back({&source, created, true});
    return created;
}

// A new subreport gets a new page of the report for the content of its source page.
void TkavReportInheritance::Merge::mergeSubreportPage(TkavComponent &source, TkavComponent &created)
{
    auto *subreport = dynamic_cast<TkavSubreport *>(&source);
    TkavReportPage *sourcePage = subreport ? subreport->SubPage() : nullptr;
    if (!sourcePage)
        return;
    auto *page = TkavComponent::Create<TkavReportPage>(&FReport);
    page->CreateUniqueName();
    FPairs.push_back({sourcePage, page, true});
    FNewSubPages.emplace_back(page, static_cast<TkavSubreport *>(&created));
    mergeChildren(*sourcePage, *page);
}

// Every pair's properties go through their attribute text, so the report's own setters
// run; references are resolved by name once all objects exist.
void TkavReportInheritance::Merge::copyProperties()
{
    TkavXMLSerializer writer;
    writer.SetOwner(&FSource);
    writer.SetSerializeDefaultValues(true);
    TkavXMLSerializer reader;
    reader.SetOwner(&FReport);
    std::vector<TkavLoadingGuard> loading;
    for (const Pair &pair : FPairs) {
        TkavXMLItem attributes;
        attributes.SetText(writer.ObjToXML(pair.Source));
        if (pair.Target == &FReport)
            attributes.DeleteProp(u"ParentReport"); // the report stays the template's child
        else
            loading.emplace_back(*pair.Target);
        reader.XMLToObj(attributes.Text(), pair.Target);
        if (!pair.Created
            || !pair.Source->kvComponentStyle().Contains(csHandlesNestedProperties))
            continue;
        TkavXMLItem nested;
        pair.Source->WriteNestedProperties(&nested);
        for (int i = 0; i < nested.Count(); ++i)
            pair.Target->ReadNestedProperty(nested.Items(i));
    }
    reader.FixupReferences();
    loading.clear();
    FReport.FErrors->AddStrings(reader.Errors());
    for (auto [page, subreport] : FNewSubPages)
        subreport->SetSubPage(page);
    for (TkavDataSet *dataSet : FRenamedDataSets) {
        dataSet->SetUserName(dataSet->Name());
        if (!FReport.FDataSets->Find(dataSet))
            FReport.FDataSets->Add(dataSet);
    }
    for (const Pair &pair : FPairs) {
        if (pair.Target != &FReport)
            pair.Target->Loaded();
    }
}

void TkavReportInheritance::Merge::addDataSets()
{
    for (int i = 0; i < FSource.FDataSets->Count(); ++i) {
        const QString name = FSource.FDataSets->Items(i)->DataSetName();
        if (name.isEmpty() || FReport.FDataSets->Find(name))
            continue;
        if (TkavDataSet *dataSet = FReport.FindDataSet(nullptr, name))
            FReport.FDataSets->Add(dataSet);
    }
}

void TkavReportInheritance::Merge::addVariables()
{
    TkavVariables &variables = *FReport.FVariables;
    const auto taken = [&variables](const QString &name) { return variables.IndexOf(name) >= 0; };
    for (int i = 0; i < FSource.FVariables->Count(); ++i) {
        const TkavVariable *source = FSource.FVariables->Items(i);
        QString name = source->Name();
        if (taken(name)) {
            if (FDeleteMode)
                continue;
            name = renamedName(name, taken);
        }
        TkavVariable *added = variables.Add();
        added->SetName(name);
        added->SetValue(source->Value());
    }
}

void TkavReportInheritance::Merge::addStyles()
{
    TkavStyles &styles = *FReport.FStyles;
    const auto taken = [&styles](const QString &name) { return styles.Find(name) != nullptr; };
    for (int i = 0; i < FSource.FStyles->Count(); ++i) {
        const TkavStyleItem *source = FSource.FStyles->Items(i);
        QString name = source->Name();
        if (!name.isEmpty() && taken(name)) {
            if (FDeleteMode)
                continue;
            name = renamedName(name, taken);
        }
        TkavStyleItem *added = styles.Add();
        added->Assign(*source);
        added->SetIsInherited(false);
        if (added->Name() != name)
            added->SetName(name);
    }
}

// The template's script follows the report's own, commented out line by line in the
// report's language (a block comment would end at the first closing marker inside it).
void TkavReportInheritance::Merge::appendTemplateScript()
{
    const QString language = FReport.FScriptLanguage;
    QString comment;
    if (kavSameText(language, u"PascalScript") || kavSameText(language, u"C++Script")
        || kavSameText(language, u"JScript"))
        comment = u"//"_s;
    else if (kavSameText(language, u"BasicScript"))
        comment = u"'"_s;
    TStringList &script = *FReport.FScriptText;
    const TStringList &templateScript = FReport.FParentReportObject->ScriptText();
    if (comment.isEmpty()) {
        script.Add(QString());
        script.Add(scriptMarker);
        script.AddStrings(templateScript);
        script.Add(QString());
        return;
    }
    script.Add(comment + scriptMarker);
    for (int i = 0; i < templateScript.Count(); ++i)
        script.Add(comment + templateScript.Strings(i));
}
