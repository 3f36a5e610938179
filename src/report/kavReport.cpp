#include "kavReport.h"
#include "kavConnections.h"

#include "kavCustomDesigner.h"
#include "kavDataSets.h"
#include "kavDialogs.h"
#include "kavExpressionCache.h"
#include "kavPages.h"
#include "kavReportPreview_p.h"
#include "kavStyles.h"

#include <engine/kavEngine.h>
#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <prepared/kavDrawText.h>
#include <prepared/kavPreviewPages.h>
#include <prepared/kavPrinters.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavCast.h>
#include <rtl/kavFormat.h>
#include <rtl/kavSettings.h>
#include <rtl/kavStreams.h>
#include <rtl/kavUIServices.h>
#include <script/ky_script.h>
#include <script/ky_statements.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <functional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

std::recursive_mutex &kavReportLock()
{
    static std::recursive_mutex lock;
    return lock;
}

namespace {

const QString invalidPasswordText = u"Invalid password"_s;

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

// Files keep the password with every UTF-16 unit moved by delta (wrapping at 16 bits).
QString shiftPassword(const QString &password, int delta)
{
    QString shifted = password;
    for (QChar &c : shifted)
        c = QChar(char16_t(c.unicode() + delta));
    return shifted;
}

void setDefaultScript(TStrings &script)
{
    script.Clear();
    script.Add(u"begin"_s);
    script.Add(QString());
    script.Add(u"end."_s);
}

// The options a load must not take from the file, put back when the load ends however it
// ends; the ones the file decides are kept.
class LoadedOptionsGuard
{
public:
    explicit LoadedOptionsGuard(TkavReport &report)
        : FReport(report)
        , FIniFile(report.IniFile())
        , FOldStyleProgress(report.OldStyleProgress())
        , FShowProgress(report.ShowProgress())
        , FStoreInDFM(report.StoreInDFM())
        , FDestroyForms(report.EngineOptions().DestroyForms())
        , FEnableThreadSafe(report.EngineOptions().EnableThreadSafe())
        , FUseGlobalDataSetList(report.EngineOptions().UseGlobalDataSetList())
    {
        FEngine.Assign(report.EngineOptions());
        FPreview.Assign(report.PreviewOptions());
    }
    ~LoadedOptionsGuard()
    {
        TkavEngineOptions &engine = FReport.EngineOptions();
        engine.RestoreApplicationOptions(FEngine);
        engine.SetDestroyForms(FDestroyForms);
        engine.SetEnableThreadSafe(FEnableThreadSafe);
        engine.SetUseGlobalDataSetList(FUseGlobalDataSetList);
        TkavPreviewOptions &preview = FReport.PreviewOptions();
        FPreview.SetOutlineVisible(preview.OutlineVisible());
        FPreview.SetOutlineWidth(preview.OutlineWidth());
        FPreview.SetOutlineExpand(preview.OutlineExpand());
        FPreview.SetPagesInCache(preview.PagesInCache());
        FPreview.SetThumbnailVisible(preview.ThumbnailVisible());
        preview.Assign(FPreview);
        FReport.SetIniFile(FIniFile);
        FReport.SetOldStyleProgress(FOldStyleProgress);
        FReport.SetShowProgress(FShowProgress);
        FReport.SetStoreInDFM(FStoreInDFM);
    }
    LoadedOptionsGuard(const LoadedOptionsGuard &) = delete;
    LoadedOptionsGuard &operator=(const LoadedOptionsGuard &) = delete;

private:
    TkavReport &FReport;
    TkavEngineOptions FEngine;
    TkavPreviewOptions FPreview;
    QString FIniFile;
    bool FOldStyleProgress;
    bool FShowProgress;
    bool FStoreInDFM;
    bool FDestroyForms;
    bool FEnableThreadSafe;
    bool FUseGlobalDataSetList;
};

// The stored form of the password while the report is written; the plain one comes back
// even when writing fails, so a later save never obfuscates twice.
class StoredPasswordScope
{
public:
    explicit StoredPasswordScope(TkavReportOptions &options)
        : FOptions(options)
        , FPassword(options.Password())
    {
        FOptions.SetPrevPassword(FPassword);
        FOptions.SetPassword(shiftPassword(FPassword, -10));
    }
    ~StoredPasswordScope() { FOptions.SetPassword(FPassword); }
    StoredPasswordScope(const StoredPasswordScope &) = delete;
    StoredPasswordScope &operator=(const StoredPasswordScope &) = delete;

private:
    TkavReportOptions &FOptions;
    QString FPassword;
};

} // namespace

// ---------------------------------------------------------------------------------------
// Construction and the document

const TkavClassInfo &TkavReport::StaticClassInfo()
{
    using R = TkavReport;
    static const TkavClassInfo info = kavMakeClassInfo<R, TkavComponent>(
        u"TkavReport"_s,
        [](TkavPropBuilder<R> &p) {
            p.Redeclare(u"Name"_s).Stored(false); // a report keeps its own name
            p.String(u"Version"_s, &R::Version, &R::SetVersion);
            p.String(u"ParentReport"_s, &R::ParentReport, &R::SetParentReport);
            p.Component(u"DataSet"_s, &R::DataSet, &R::SetDataSet);
            p.String(u"DataSetName"_s, &R::DataSetName, &R::SetDataSetName);
            p.Bool(u"DotMatrixReport"_s, &R::DotMatrixReport, &R::SetDotMatrixReport);
            p.Object(u"EngineOptions"_s, &R::EngineOptions, &R::SetEngineOptions);
            p.String(u"IniFile"_s, &R::IniFile, &R::SetIniFile);
            p.Bool(u"OldStyleProgress"_s, &R::OldStyleProgress, &R::SetOldStyleProgress)
                .Default(false);
            p.Object(u"PreviewOptions"_s, &R::PreviewOptions, &R::SetPreviewOptions);
            p.Object(u"PrintOptions"_s, &R::PrintOptions, &R::SetPrintOptions);
            p.Object(u"ReportOptions"_s, &R::ReportOptions, &R::SetReportOptions);
            p.String(u"ScriptLanguage"_s, &R::ScriptLanguage, &R::SetScriptLanguage);
            p.StringList(u"ScriptText"_s, &R::ScriptText, &R::SetScriptText);
            p.Bool(u"ShowProgress"_s, &R::ShowProgress, &R::SetShowProgress).Default(true);
            p.Bool(u"StoreInDFM"_s, &R::StoreInDFM, &R::SetStoreInDFM).Default(true);
            p.Event(u"OnRunDialogs"_s, &R::OnRunDialogs, &R::SetOnRunDialogs);
            p.Event(u"OnStartReport"_s, &R::OnStartReport, &R::SetOnStartReport);
            p.Event(u"OnStopReport"_s, &R::OnStopReport, &R::SetOnStopReport);
            p.Event(u"OnReportPrint"_s, &R::OnReportPrint, &R::SetOnReportPrint);
        },
        kavComponentFactory<R>());
    return info;
}

TkavReport::TkavReport(TkavComponent *AOwner)
    : TkavComponent(AOwner)
    , FDataSets(std::make_unique<TkavReportDataSets>(this))
    , FVariables(std::make_unique<TkavVariables>())
    , FStyles(std::make_unique<TkavStyles>(this))
    , FEngineOptions(std::make_unique<TkavEngineOptions>())
    , FPreviewOptions(std::make_unique<TkavPreviewOptions>())
    , FPrintOptions(std::make_unique<TkavPrintOptions>())
    , FReportOptions(std::make_unique<TkavReportOptions>(this))
    , FScriptText(std::make_unique<TStringList>())
    , FErrors(std::make_unique<TStringList>())
    , FSysVariables(std::make_unique<TStringList>())
    , FDrawText(std::make_unique<TkavDrawText>())
    , FPreviewPages(std::make_unique<TkavPreviewPages>(this))
    , FEngine(std::make_unique<TkavEngine>(this))
    , FEnabledDataSets(std::make_unique<TkavReportDataSets>(this))
    , FDrillState(std::make_unique<TStringList>())
    , FPreviewLink(std::make_unique<PreviewLink>())
    , FIniFile(u"\\Software\\Orvane"_s)
{
    FEngine->SetPreviewPages(FPreviewPages.get());
    FPreviewPages->SetEngine(FEngine.get());
    FScript = std::make_unique<TkyScript>();
    FScript->SetExtendedCharset(true);
    FExpressionCache = std::make_unique<TkavExpressionCache>(*FScript);
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
    FErrors->SetCaseSensitive(false);
    SetkvComponentStyle(kvComponentStyle() + TkavComponentStyle{csHandlesNestedProperties});
    Clear();
}

namespace {

// Takes the report's data sets out of the process-wide list before any of its tree goes:
// a lookup on another thread walks the parents of every listed data set.
void leaveGlobalDataSets(const TkavComponent &root)
{
    std::vector<TkavDataSet *> mine;
    const std::function<void(const TkavComponent &)> owned = [&](const TkavComponent &c) {
        for (int i = 0; i < c.ComponentCount(); ++i) {
            if (auto *dataSet = dynamic_cast<TkavDataSet *>(c.Components(i)))
                mine.push_back(dataSet);
            owned(*c.Components(i));
        }
    };
    owned(root);
    for (TkavComponent *obj : root.AllObjects())
        if (auto *dataSet = dynamic_cast<TkavDataSet *>(obj))
            mine.push_back(dataSet);
    for (TkavDataSet *dataSet : mine)
        kavGlobalDataSets().Remove(dataSet);
}

} // namespace

TkavReport::~TkavReport()
{
    leaveGlobalDataSets(*this);
    detachPreview();
    FPreviewPages.reset(); // its source pages point at the template pages
    FEngine.reset();
    // The ancestor copy goes before the script that may use its script as parent scope.
    restoreScriptParent();
    FParentReportObject.reset();
    destroyContent();
}

void TkavReport::Clear()
{
    // Unmarked first, so a previous ancestor's objects go with the rest of the document.
    SetParentReport(QString());
    TkavComponent::Clear();
    FDataSets->Clear();
    FVariables->Clear();
    FStyles->Clear();
    FEngineOptions->Clear();
    FPreviewOptions->Clear();
    FPrintOptions->Clear();
    FReportOptions->Clear();
    FDataSetLink.Clear();
    FDotMatrixReport = false;
    FScriptLanguage = u"PascalScript"_s;
    setDefaultScript(*FScriptText);
    FSysVariables->Clear();
    for (const char16_t *name : {u"Date",
                                 u"Time",
                                 u"Page",
                                 u"Page#",
                                 u"TotalPages",
                                 u"TotalPages#",
                                 u"Line",
                                 u"Line#",
                                 u"CopyName#"})
        FSysVariables->Add(QString::fromUtf16(name));
    FOnRunDialogs.clear();
    FOnStartReport.clear();
    FOnStopReport.clear();
    // Not kept either: a handler of the previous document must not survive into the next.
    FOnReportPrint.clear();
}

TkavDataSet *TkavReport::DataSet() const
{
    return FDataSetLink.DataSet();
}

// The report also hears when its main data set goes away, whoever owns it.
void TkavReport::SetDataSet(TkavDataSet *Value)
{
    FDataSetLink.SetDataSet(Value);
    if (Value)
        Value->FreeNotification(this);
}

QString TkavReport::DataSetName() const
{
    return FDataSetLink.Name();
}

void TkavReport::SetDataSetName(const QString &Value)
{
    FDataSetLink.SetName(Value, *this);
    if (TkavDataSet *dataSet = FDataSetLink.DataSet())
        dataSet->FreeNotification(this);
}

void TkavReport::SetVariables(const TkavVariables &Value)
{
    FVariables->Assign(Value);
}

void TkavReport::SetStyles(const TkavStyles *Value)
{
    if (!Value) {
        FStyles->Clear();
        return;
    }
    FStyles->Assign(*Value);
    FStyles->Apply();
}

void TkavReport::Notification(TkavComponent *AComponent, TOperation Operation)
{
    TkavComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    for (TkavReportDataSets *list : {FDataSets.get(), FEnabledDataSets.get()}) {
        for (int i = list->Count() - 1; i >= 0; --i) {
            if (list->Items(i)->Holds(AComponent))
                list->Delete(i);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Nested elements

void TkavReport::WriteNestedProperties(TkavXMLItem *Item)
{
    if (FDataSets->Count() > 0)
        kavWriteCollection(*FDataSets, u"Datasets"_s, *Item, this);
    if (FVariables->Count() > 0)
        kavWriteCollection(*FVariables,
                           u"Variables"_s,
                           *Item,
                           this,
                           FParentReportObject ? &FParentReportObject->Variables() : nullptr);
    // Before the pages: memos read later apply their styles as their Style is read.
    if (FStyles->Count() > 0)
        kavWriteCollection(*FStyles,
                           u"Styles"_s,
                           *Item,
                           this,
                           FParentReportObject ? &FParentReportObject->Styles() : nullptr);
}

bool TkavReport::ReadNestedProperty(TkavXMLItem *Item)
{
    const QString &name = Item->Name();
    if (kavSameText(name, u"Datasets")) {
        if (!FParentReport.isEmpty())
            FDataSets->Clear();
        kavReadCollection(*FDataSets, *Item, this);
        return true;
    }
    if (kavSameText(name, u"Variables")) {
        const int first = FVariables->Count();
        kavReadCollection(*FVariables, *Item, this);
        // Values are read as texts; numbers older writers stored with a decimal comma get
        // their point back, as the variables file does, so they still evaluate.
        for (int i = first; i < FVariables->Count(); ++i) {
            TkavVariable *variable = FVariables->Items(i);
            if (variable->Value().Type() == varString)
                variable->SetValue(kavVariableValueFromText(variable->Value().AsString()));
        }
        return true;
    }
    if (kavSameText(name, u"Styles")) {
        const TkavXMLSerializer *reader = TkavXMLSerializer::ActiveReader();
        FStyles->ReadReportElement(*Item, reader && reader->OldFormat(), IsAncestor());
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------
// Loading and saving

bool TkavReport::LoadFromFile(const QString &FileName, bool ExceptionIfNotFound)
{
    const bool exists = QFileInfo(FileName).isFile();
    if (!exists && !ExceptionIfNotFound) {
        Clear();
        FFileName.clear();
        return false;
    }
    TFileStream stream(FileName, fmOpenRead); // raises the file error when it is missing
    // Set before reading: an ancestor named relative to the file is found from it.
    const QString previous = std::exchange(FFileName, FileName);
    if (!readStream(stream))
        FFileName = previous; // not a report: the document and its name stay as they were
    return exists;
}

void TkavReport::LoadFromStream(TStream &Stream)
{
    readStream(Stream);
}

bool TkavReport::readStream(TStream &Stream)
{
    FErrors->Clear();
    FLastLoadOk = false;
    // No compressor or crypter is registered: report files are plain XML.
    TkavXMLDocument document;
    try {
        document.LoadFromStream(Stream);
        const QString &root = document.Root()->Name();
        if (!kavSameText(root, u"TkavReport") && !kavSameText(root, u"inherited"))
            kavRaise<TkavInvalidXMLException>(u"Invalid file format"_s);
    } catch (const Exception &e) {
        FErrors->Add(e.Message());
        ReportErrors();
        return false;
    }
    FReportOptions->SetPassword(FReportOptions->HiddenPassword());
    {
        LoadedOptionsGuard options(*this);
        std::unique_lock<std::recursive_mutex> lock(kavReportLock(), std::defer_lock);
        if (FEngineOptions->EnableThreadSafe())
            lock.lock();
        try {
            LoadFromXMLItem(*document.Root(), document.OldVersion());
            FLastLoadOk = true;
        } catch (const Exception &e) {
            FErrors->Add(e.Message());
        }
        checkDataPage();
    }
    FReportOptions->SetPassword(shiftPassword(FReportOptions->Password(), 10));
    if (FReportOptions->Info()) {
        Clear();
        return true;
    }
    if (!FReloading && !FEngineOptions->EnableThreadSafe() && !checkPassword()) {
        Clear();
        FLastLoadOk = false;
        FErrors->Add(invalidPasswordText);
    }
    if (FErrors->Count() > 0 && !FReloading) // a run reports its reload's errors itself
        ReportErrors();
    return true;
}

bool TkavReport::checkPassword()
{
    const QString password = FReportOptions->Password();
    if (password.isEmpty() || password == FReportOptions->PrevPassword()
        || password == FReportOptions->HiddenPassword())
        return true;
    QString typed;
    if (!kavUIServices().PasswordQuery(kavGet(5000), kavGet(5001), typed) || typed != password)
        return false;
    FReportOptions->SetPrevPassword(password);
    return true;
}

// A report needs a data page, first, holding every non-visual component of the report.
void TkavReport::checkDataPage()
{
    const QList<TkavComponent *> all = AllObjects();
    for (const TkavComponent *c : all) {
        if (kavCast<const TkavDataPage>(c))
            return;
    }
    auto *page = TkavComponent::Create<TkavDataPage>(this);
    if (FindObject(u"Data"))
        page->CreateUniqueName();
    else
        page->SetName(u"Data"_s);
    MoveObject(page, 0);
    double left = 60;
    for (TkavComponent *c : all) {
        if (!kavCast<TkavDialogComponent>(c))
            continue;
        c->SetParent(page);
        c->SetLeft(left);
        c->SetTop(20);
        left += 64;
    }
}

void TkavReport::SaveToFile(const QString &FileName)
{
    // Kept relative, so the pair can move together; a failed write keeps the old name.
    const QString parent = FParentReport;
    if (QDir::isAbsolutePath(FParentReport))
        FParentReport = QDir(QFileInfo(FileName).absolutePath()).relativeFilePath(FParentReport);
    auto keepName = qScopeGuard([&] { FParentReport = parent; });
    kavWriteFileAtomically(FileName, [this](TStream &stream) { SaveToStream(stream); });
    keepName.dismiss();
    FFileName = FileName;
}

void TkavReport::SaveToStream(TStream &Stream,
                              bool SaveChildren,
                              bool SaveDefaultValues,
                              bool Streaming)
{
    StoredPasswordScope password(*FReportOptions);
    TkavComponent::SaveToStream(Stream, SaveChildren, SaveDefaultValues, Streaming);
}

// ---------------------------------------------------------------------------------------
// Facade entry points of later subsystems

void TkavReport::notAvailable(const QString &what)
{
    FErrors->Clear();
    FErrors->Add(u"%1 is not available in this version"_s.arg(what));
    ReportErrors();
}

namespace {

// Whether a run of Report would ask the user: OnRunDialogs or a visible dialog page with
// controls.
bool asksForParameters(const TkavReport &Report, const TkavEngine &Engine)
{
    if (Engine.SkipDialogs())
        return false;
    if (!Report.OnRunDialogs().trimmed().isEmpty())
        return true;
    for (TkavComponent *page : Report.Objects())
        if (auto *dialog = kavCast<TkavDialogPage>(page);
            dialog && dialog->Visible() && dialog->HasControls())
            return true;
    return false;
}

} // namespace

bool TkavReport::PrepareReport(bool ClearLastReport)
{
    FErrors->Clear();
    FTerminated = false;
    for (int i = 0; i < FDataSets->Count(); ++i) {
        const TkavDataSetItem *item = FDataSets->Items(i);
        if (!item->DataSet())
            FErrors->Add(Format(res(u"clDSNotExist"_s), {Variant(item->DataSetName())}));
    }
    if (FErrors->Count() > 0) {
        ReportErrors();
        return false;
    }
    // A user's Cancel in a dialog page leaves the pages of the last run as they were.
    auto &engine = static_cast<TkavEngine &>(*FEngine);
    std::unique_ptr<TMemoryStream> lastPages;
    if (ClearLastReport && FPreviewPages->Count() > 0 && asksForParameters(*this, engine)) {
        lastPages = std::make_unique<TMemoryStream>();
        FPreviewPages->SaveToStream(*lastPages);
    }
    if (ClearLastReport)
        FPreviewPages->Clear();
    beginPreviewRun();
    const auto previewRun = qScopeGuard([this] { endPreviewRun(); });
    const QString password = FReportOptions->Password();
    const int splicingLine = FPrintOptions->SplicingLine();
    // The document as it was, read back after the run so that nothing the run or its script
    // changed in report objects stays behind; with the file cache it waits in a file.
    std::unique_ptr<TStream> saved;
    if (FEngineOptions->DestroyForms()) {
        if (FEngineOptions->UseFileCache())
            saved = TTempFileStream::Create(FEngineOptions->TempDir(), u"kv"_s);
        else
            saved = std::make_unique<TMemoryStream>();
        FReportOptions->SetPassword(QString());
        SaveToStream(*saved, true, false, false);
        FReportOptions->SetPassword(password);
    }
    bool result = false;
    try {
        if (const TkavReportEvent &begin = OnBeginDoc())
            begin(*this);
        if (PrepareScript()) {
            if (const TkavReportEvent &compiled = OnAfterScriptCompile())
                compiled(*this);
            if (FScript->Statement() && FScript->Statement()->Count() > 0)
                FScript->Execute();
            if (!FTerminated)
                result = FEngine->Run(true, ClearLastReport, nullptr);
        }
        if (result) {
            if (const TkavReportEvent &end = OnEndDoc())
                end(*this);
        }
    } catch (const Exception &e) {
        FErrors->Add(e.Message());
    }
    if (!result && lastPages && !engine.CancelledDialog().isEmpty()) {
        lastPages->Seek(0, soBeginning);
        FPreviewPages->LoadFromStream(std::move(lastPages));
        if (FPreviewLink->Preview)
            FPreviewLink->Preview->RefreshReport();
    } else if (!result) {
        closeOwnPreviewWindow();
    }
    if (saved)
        reloadAfterRun(*saved, password, splicingLine);
    if (FErrors->Count() > 0)
        ReportErrors();
    return result && FErrors->Count() == 0;
}

void TkavReport::reloadAfterRun(TStream &Saved, const QString &Password, int SplicingLine)
{
    const QString errors = FErrors->Text();
    Saved.Seek(0, soBeginning);
    FReloading = true;
    const auto restore = qScopeGuard([&] {
        FReloading = false;
        FReportOptions->SetPassword(Password);
        FPrintOptions->SetSplicingLine(SplicingLine);
    });
    readStream(Saved);
    // The run's errors first; a failed reload adds its own.
    const QString reloadErrors = FErrors->Text();
    FErrors->SetText(errors + reloadErrors);
}

void TkavReport::DoBeforePrint(TkavComponent *Obj)
{
    if (FOnBeforePrint)
        FOnBeforePrint(Obj);
    if (auto *component = kavCast<TkavReportComponent>(Obj))
        DoNotifyEvent(Obj, component->OnBeforePrint());
}

void TkavReport::DoAfterPrint(TkavComponent *Obj)
{
    if (FOnAfterPrint)
        FOnAfterPrint(Obj);
    if (auto *component = kavCast<TkavReportComponent>(Obj))
        DoNotifyEvent(Obj, component->OnAfterPrint());
}

bool TkavReport::Print()
{
    auto *pages = kavCast<TkavPreviewPages>(FPreviewPages.get());
    return pages && pages->Print();
}

void TkavReport::SelectPrinter()
{
    TkavPrinters &printers = kavPrinters();
    if (FPrintOptions->IsDefaultPrinter())
        return;
    const int index = printers.IndexOf(FPrintOptions->Printer());
    if (index >= 0 && index != printers.PrinterIndex())
        printers.SetPrinterIndex(index);
}

void TkavReport::DesignReport(bool Modal, bool MDIChild)
{
    Q_UNUSED(Modal);
    Q_UNUSED(MDIChild);
    notAvailable(u"The designer"_s);
}

namespace {

TkavPreviewPageDesignerHook &previewPageDesignerHook()
{
    static TkavPreviewPageDesignerHook hook;
    return hook;
}

} // namespace

TkavPreviewPageDesignerHook kavSetPreviewPageDesignerHook(TkavPreviewPageDesignerHook Hook)
{
    return std::exchange(previewPageDesignerHook(), std::move(Hook));
}

const TkavPreviewPageDesignerHook &kavPreviewPageDesignerHook()
{
    return previewPageDesignerHook();
}

bool TkavReport::DesignPreviewPage()
{
    const TkavPreviewPageDesignerHook &hook = kavPreviewPageDesignerHook();
    if (!hook || FDesigning)
        return false;
    FDesigning = true;
    const auto done = qScopeGuard([this] { FDesigning = false; });
    FModified = false;
    hook(*this);
    return FModified;
}

// ---------------------------------------------------------------------------------------
// Data sets

TkavDataSet *TkavComponent::FindDataSet(TkavDataSet *DataSet, const QString &DSName) const
{
    const TkavReport *report = Report();
    if (!report || report->EngineOptions().UseGlobalDataSetList()) {
        if (DSName.isEmpty())
            return nullptr;
        if (!report)
            return DataSet;
        TkavDataSet *found = kavGlobalDataSets().Find(DSName, report);
        return found ? found : DataSet;
    }
    const TkavDataSetItem *item = report->DataSets().Find(DSName);
    return item ? item->DataSet() : nullptr;
}

TkavDataSet *TkavReport::GetDataset(const QString &Alias) const
{
    const TkavDataSetItem *item = FDataSets->Find(Alias);
    return item ? item->DataSet() : nullptr;
}

void TkavReport::GetDatasetAndField(const QString &ComplexName,
                                    TkavDataSet *&DataSet,
                                    QString &Field) const
{
    DataSet = nullptr;
    Field.clear();
    const qsizetype pair = ComplexName.indexOf(u".\"");
    if (pair < 0)
        return;
    DataSet = GetDataset(ComplexName.left(pair));
    Field = ComplexName.mid(pair + 2);
    Field.chop(1);
}

QString TkavReport::GetAlias(const TkavDataSet *DataSet) const
{
    if (!DataSet)
        return QString();
    if (FDataSets->Find(DataSet))
        return DataSet->UserName();
    return res(u"clDSNotIncl"_s);
}

void TkavReport::GetDataSetList(TStrings &List, bool OnlyDB) const
{
    List.Clear();
    for (int i = 0; i < FDataSets->Count(); ++i) {
        TkavDataSet *dataSet = FDataSets->Items(i)->DataSet();
        if (!dataSet || (OnlyDB && kavCast<TkavUserDataSet>(dataSet)))
            continue;
        List.AddObject(dataSet->UserName(), dataSet);
    }
}

void TkavReport::GetActiveDataSetList(TStrings &List) const
{
    if (FEngineOptions->UseGlobalDataSetList()) {
        kavGlobalDataSets().GetDataSetList(List);
        return;
    }
    List.Clear();
    for (int i = 0; i < FEnabledDataSets->Count(); ++i) {
        if (TkavDataSet *dataSet = FEnabledDataSets->Items(i)->DataSet())
            List.AddObject(dataSet->UserName(), dataSet);
    }
}

// ---------------------------------------------------------------------------------------
// Settings and errors

std::unique_ptr<TkavIniFile> TkavReport::GetIniFile() const
{
    return std::make_unique<TkavIniFile>(FIniFile);
}

void TkavReport::ApplyConnectionName(const QString &Name)
{
    if (Name.isEmpty() || !FOnSetConnection)
        return;
    // Machine-wide first, then the user's; then the same with "FIB" appended.
    for (const QString &section : {u"Connections"_s, u"ConnectionsFIB"_s}) {
        for (const bool machineWide : {true, false}) {
            const QString connection = kavConnectionStore(machineWide)->ReadString(section, Name, QString());
            if (!connection.isEmpty())
                FOnSetConnection(connection);
        }
    }
}

QString TkavReport::GetApplicationFolder()
{
    return QCoreApplication::applicationDirPath() + u'/';
}

QString TkavReport::ErrorsText() const
{
    QString lines = FErrors->Text();
    if (lines.endsWith(u"\r\n"))
        lines.chop(2);
    return res(u"clErrors"_s) + u"\r\n"_s + lines;
}

void TkavReport::ReportErrors()
{
    switch (FEngineOptions->NewSilentMode()) {
    case simMessageBoxes:
        kavUIServices().MessageDlg(ErrorsText(), mtError, {mbOK}, res(u"mbError"_s));
        break;
    case simSilent:
        break;
    case simReThrow:
        throw EkavError(ErrorsText());
    }
}

QString kavPathBesideReport(const TkavReport *Report, const QString &FileName)
{
    if (FileName.isEmpty() || QDir::isAbsolutePath(FileName))
        return FileName;
    const QString base = Report && !Report->FileName().isEmpty()
                             ? QFileInfo(Report->FileName()).absolutePath()
                             : QDir::currentPath();
    return QDir::cleanPath(base + u'/' + FileName);
}
