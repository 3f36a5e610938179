#pragma once

// Data sets: the report's cursors over tabular data (the abstract data set, the data set
// fed by callbacks or the script, the bases of database data sets and connections), the
// process-wide list every data set registers in, and the report's list of data sets it uses.

#include "kavComponent.h"

#include <persist/kavCollections.h>
#include <persist/kavXMLSerializer.h>
#include <rtl/kavStrings.h>
#include <rtl/kavVariant.h>

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <mutex>

class QPainter;
class TkavDataSet;
class TkavEnumInfo;
class TkavReport;

// ORDER persisted: files store the identifier, scripts the ordinal.
enum TkavRangeBegin : int {
    rbFirst,  // the range starts at the first record
    rbCurrent // the range starts where the cursor stands
};

// ORDER persisted.
enum TkavRangeEnd : int {
    reLast,    // up to the last record (the data set decides where that is)
    reCurrent, // up to the current record
    reCount    // RangeEndCount records
};

// ORDER persisted.
enum TkavFieldType : int {
    fftNumeric,
    fftString,
    fftBoolean,
    fftDateTime
};

const TkavEnumInfo &kavEnumTypeInfo(TkavRangeBegin);
const TkavEnumInfo &kavEnumTypeInfo(TkavRangeEnd);
const TkavEnumInfo &kavEnumTypeInfo(TkavFieldType);

// Declared defaults: the constructors and the property tables both use these.
inline constexpr bool kavDataSetDefaultEnabled = true;
inline constexpr bool kavDataSetDefaultOpenDataSource = true;
inline constexpr TkavRangeBegin kavDataSetDefaultRangeBegin = rbFirst;
inline constexpr TkavRangeEnd kavDataSetDefaultRangeEnd = reLast;
inline constexpr int kavDataSetDefaultRangeEndCount = 0;
// The most records a count read from a file may ask for (RangeEndCount, a band's RowCount):
// a larger count is no report but a run that does not end.
inline constexpr int kavMaxRecordCount = 1000000;
// Dialog components are drawn as squares of this side, in report pixels.
inline constexpr double kavDialogComponentSize = 28;
// Their icons among the object images (the palette shows the same).
inline constexpr int kavDatabaseImage = 37;
inline constexpr int kavQueryImage = 67;
inline constexpr int kavCSVImage = 68;
inline constexpr int kavJSONImage = 69;

// ---------------------------------------------------------------------------------------
// Dialog components

// Base of the non-visual components placed on data and dialog pages: a fixed 28 x 28
// square in the designer, never copied to prepared pages.
class TkavDialogComponent : public TkavReportComponent, public IkavPropData
{
public:
    KAV_CLASSINFO

    explicit TkavDialogComponent(TkavComponent *AOwner = nullptr);
    ~TkavDialogComponent() override;

    // The platform object this component wraps, if any (not owned; null once destroyed).
    TObject *Component() const { return TObject::FromHandle(FComponent); }
    void SetComponent(TObject *value) { FComponent = value ? value->Handle() : 0; }
    // Index of the component's palette icon among the object images; -1: none.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value) { FImageIndex = value; }

    // The designer's picture: a raised button-face square with the icon and the name
    // centred below. Restores the fixed size first.
    void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

    // IkavPropData: the design position on its page, as the whole-pixel entries "pLeft" and
    // "pTop", written when the component belongs to a report.
    void DefinePropData(TkavPropDataWriter &Writer) const override;
    void ReadPropData(const TkavPropDataEntry &Entry) override;

private:
    quint64 FComponent = 0; // handle: a destroyed object reads as null
    int FImageIndex = -1;
};

// ---------------------------------------------------------------------------------------
// The seam to the script

// How a data set runs the script procedures its events name. The report that runs the
// data set provides it; a data set without one runs only its native handlers.
class TkavDataSetScript
{
public:
    virtual ~TkavDataSetScript() = default;
    // Runs the script procedure procName with params; the procedure's var parameters
    // come back changed in params.
    virtual void CallDataSetEvent(const QString &procName, QList<Variant> &params) = 0;
};

// Native handlers the application may attach next to the script procedure names. For
// each event the native handler runs first, then the named script procedure.
using TkavDataSetNotify = std::function<void(TkavDataSet &sender)>;
using TkavCheckEOFHandler = std::function<void(TkavDataSet &sender, bool &eof)>;
using TkavGetValueHandler = std::function<void(const QString &varName, Variant &value)>;
using TkavNewGetValueHandler
    = std::function<void(TkavDataSet &sender, const QString &varName, Variant &value)>;

struct TkavDataSetHandlers
{
    TkavCheckEOFHandler OnCheckEOF;
    TkavDataSetNotify OnFirst;
    TkavDataSetNotify OnNext;
    TkavDataSetNotify OnPrior;
    TkavDataSetNotify OnOpen;
    TkavDataSetNotify OnClose;
};

// ---------------------------------------------------------------------------------------
// The abstract data set

// A cursor over records with named fields. The base has no records of its own: it counts
// record numbers, applies the count range and asks its events where the data ends.
// Every data set is in the process-wide list from construction to destruction.
class TkavDataSet : public TkavDialogComponent
{
public:
    KAV_CLASSINFO

    explicit TkavDataSet(TkavComponent *AOwner = nullptr);
    ~TkavDataSet() override;

    // --- published ---
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    TkavRangeBegin RangeBegin() const { return FRangeBegin; }
    void SetRangeBegin(TkavRangeBegin value) { FRangeBegin = value; }
    TkavRangeEnd RangeEnd() const { return FRangeEnd; }
    void SetRangeEnd(TkavRangeEnd value) { FRangeEnd = value; }
    // A negative count is taken as 0: a range cannot hold fewer than no records.
    int RangeEndCount() const { return FRangeEndCount; }
    void SetRangeEndCount(int value);
    // The name reports and expressions know the data set by. Until it is set to a text of
    // its own it follows Name, so renaming the data set renames it too.
    QString UserName() const { return FUserNameFollowsName ? Name() : FUserName; }
    // A text that is empty after trimming blanks raises EkavError "prInvProp" and keeps
    // the old name; anything else is stored as given (the text of Name: follow it again).
    virtual void SetUserName(const QString &value);
    // Files keep the user name only when it is not empty (an empty one cannot be read back).
    bool IsUserNameStored() const { return !UserName().isEmpty(); }
    // Script procedure names of the events.
    const QString &OnCheckEOF() const { return FOnCheckEOF; }
    void SetOnCheckEOF(const QString &value) { FOnCheckEOF = value; }
    const QString &OnFirst() const { return FOnFirst; }
    void SetOnFirst(const QString &value) { FOnFirst = value; }
    const QString &OnNext() const { return FOnNext; }
    void SetOnNext(const QString &value) { FOnNext = value; }
    const QString &OnPrior() const { return FOnPrior; }
    void SetOnPrior(const QString &value) { FOnPrior = value; }

    // --- public ---
    bool CloseDataSource() const { return FCloseDataSource; }
    void SetCloseDataSource(bool value) { FCloseDataSource = value; }
    bool OpenDataSource() const { return FOpenDataSource; }
    void SetOpenDataSource(bool value) { FOpenDataSource = value; }
    // Current record number, 0-based.
    int RecNo() const { return FRecNo; }
    // The report running the data set; null when none or when that report is gone.
    TkavReport *ReportRef() const;
    void SetReportRef(TkavReport *value);
    const QString &OnOpen() const { return FOnOpen; }
    void SetOnOpen(const QString &value) { FOnOpen = value; }
    const QString &OnClose() const { return FOnClose; }
    void SetOnClose(const QString &value) { FOnClose = value; }

    // The script that runs the named event procedures (held weakly: a script that is gone
    // is simply not called).
    void SetScript(std::weak_ptr<TkavDataSetScript> script) { FScript = std::move(script); }
    bool HasScript() const { return !FScript.expired(); }
    // Native handlers, run before the named script procedures.
    TkavDataSetHandlers &Handlers() { return FHandlers; }
    const TkavDataSetHandlers &Handlers() const { return FHandlers; }

    // --- field access (Index and fName are field names) ---
    virtual QString GetDisplayText(const QString &Index);
    virtual int GetDisplayWidth(const QString &Index);
    virtual TkavFieldType GetFieldType(const QString &Index);
    virtual Variant GetValue(const QString &Index);

    // --- run bracket and navigation ---
    // Called by the report before a run (after ReportRef is set) and after it.
    virtual void Initialize();
    virtual void Finalize();
    virtual void Open();
    virtual void Close();
    // RecNo 0, not at the end, then OnFirst.
    virtual void First();
    // One record on; with a count range, stepping past the last counted record leaves
    // RecNo on it and marks the end instead (OnNext is then not called).
    virtual void Next();
    // One record back (which also leaves the end), then OnPrior.
    virtual void Prior();
    // With a count range: past the count or marked at the end; then OnCheckEOF decides.
    virtual bool Eof();
    virtual int FieldsCount();
    virtual bool IsBlobField(const QString &fName);
    // RangeEndCount for a first-to-count range, else 0 (unknown).
    virtual int RecordCount();
    // Copies a binary or memo field into Obj (a stream or a string list).
    virtual void AssignBlobTo(const QString &fName, TObject *Obj);
    // Fills List with the field names (the base clears it).
    virtual void GetFieldList(TStrings &List);

    // Whether GetFieldList names fName (ignoring case).
    bool HasField(const QString &fName);

protected:
    // The end-of-data mark that First, Next and Prior keep.
    bool EndOfData() const { return FEof; }
    void SetEndOfData(bool value) { FEof = value; }
    void SetRecNo(int value) { FRecNo = value; }
    bool Initialized() const { return FInitialized; }
    void SetInitialized(bool value) { FInitialized = value; }

    // Runs the native handler and then the script procedure procName with the data set.
    void DoNotify(const TkavDataSetNotify &handler, const QString &procName);
    // The same for OnCheckEOF, passing eof through both.
    void DoCheckEOF(bool &eof);
    // Runs the script procedure procName with params (var parameters come back); does
    // nothing when procName is empty or there is no script.
    void CallScript(const QString &procName, QList<Variant> &params);
    // Whether something can end a reLast range: a native or script OnCheckEOF handler.
    bool HasCheckEOF() const;

private:
    bool FCloseDataSource = false;
    bool FEnabled = kavDataSetDefaultEnabled;
    bool FEof = false;
    bool FOpenDataSource = kavDataSetDefaultOpenDataSource;
    TkavRangeBegin FRangeBegin = kavDataSetDefaultRangeBegin;
    TkavRangeEnd FRangeEnd = kavDataSetDefaultRangeEnd;
    int FRangeEndCount = kavDataSetDefaultRangeEndCount;
    TkavComponentRef<TkavReport> FReportRef; // reads null once the report is destroyed
    bool FUserNameFollowsName = true;
    QString FUserName;
    QString FOnCheckEOF;
    QString FOnFirst;
    QString FOnNext;
    QString FOnPrior;
    QString FOnOpen;
    QString FOnClose;
    bool FInitialized = false;
    int FRecNo = 0;
    TkavDataSetHandlers FHandlers;
    std::weak_ptr<TkavDataSetScript> FScript;
};

// ---------------------------------------------------------------------------------------
// User data sets

struct TkavUserDataSetHandlers
{
    TkavGetValueHandler OnGetValue;
    TkavNewGetValueHandler OnNewGetValue;
};

// A data set whose records are moved and whose values are given by the application's
// handlers or the report's script; it navigates as the base data set does.
class TkavUserDataSet : public TkavDataSet
{
public:
    KAV_CLASSINFO

    explicit TkavUserDataSet(TkavComponent *AOwner = nullptr);
    ~TkavUserDataSet() override;

    // The field names (published).
    TStringList &Fields() const { return *FFields; }
    void SetFields(const TStrings &value);
    // Script procedure names: OnGetValue(VarName, var Value) and
    // OnNewGetValue(Sender, VarName, var Value).
    const QString &OnGetValue() const { return FOnGetValue; }
    void SetOnGetValue(const QString &value) { FOnGetValue = value; }
    const QString &OnNewGetValue() const { return FOnNewGetValue; }
    void SetOnNewGetValue(const QString &value) { FOnNewGetValue = value; }
    TkavUserDataSetHandlers &ValueHandlers() { return FValueHandlers; }

    // Null, then OnGetValue may set it, then OnNewGetValue may change it.
    Variant GetValue(const QString &Index) override;
    // The text of GetValue (empty for null).
    QString GetDisplayText(const QString &Index) override;
    // A range that nothing can end (reLast or reCurrent without an OnCheckEOF handler)
    // would loop for ever: EkavError naming the data set instead.
    void Initialize() override;
    int FieldsCount() override;
    void GetFieldList(TStrings &List) override;

private:
    std::unique_ptr<TStringList> FFields;
    QString FOnGetValue;
    QString FOnNewGetValue;
    TkavUserDataSetHandlers FValueHandlers;
};

// ---------------------------------------------------------------------------------------
// Database data sets and connections (bases for data sets the application adds)

// Base of database-backed data sets: field aliases and the open/close switches.
class TkavCustomDBDataSet : public TkavDataSet
{
public:
    KAV_CLASSINFO

    explicit TkavCustomDBDataSet(TkavComponent *AOwner = nullptr);
    ~TkavCustomDBDataSet() override;

    // Lines FieldName=Alias (published).
    TStringList &FieldAliases() const { return *FFieldAliases; }
    void SetFieldAliases(const TStrings &value);

    // The alias of the first line whose field name equals fName (ignoring case), else
    // fName. Lines without "=" name no alias.
    QString GetAlias(const QString &fName) const;
    // The field name of the first line whose alias (all after the first "=") equals fName
    // (ignoring case), else fName.
    QString ConvertAlias(const QString &fName) const;

    // The number of names GetFieldList gives.
    int FieldsCount() override;
    // Characters a field usually needs, from its type: texts 20, Booleans 5, others 10
    // (the designer sizes dropped fields by it).
    int GetDisplayWidth(const QString &Index) override;

protected:
    // Sorted field names without duplicates, for subclasses to fill.
    TStringList &FieldNames() { return FFields; }

private:
    std::unique_ptr<TStringList> FFieldAliases;
    TStringList FFields;
};

// Abstract database connection; connection classes come from the application.
class TkavCustomDatabase : public TkavDialogComponent
{
public:
    KAV_CLASSINFO

    explicit TkavCustomDatabase(TkavComponent *AOwner = nullptr);
    ~TkavCustomDatabase() override;

    virtual bool Connected() const { return false; }
    virtual void SetConnected(bool) {}
    virtual QString DatabaseName() const { return {}; }
    virtual void SetDatabaseName(const QString &) {}
    virtual bool LoginPrompt() const { return false; }
    virtual void SetLoginPrompt(bool) {}
    // Connection parameters as lines; the base has none.
    virtual QStringList Params() const { return {}; }
    virtual void SetParams(const QStringList &) {}
    // The connection string; the base has none.
    virtual QString ToString() const { return {}; }
    virtual void FromString(const QString &) {}
    virtual void SetLogin(const QString &, const QString &) {}
};

// Base for registering families of database components with the designer.
class TkavDBComponents : public TkavComponent
{
public:
    KAV_CLASSINFO

    explicit TkavDBComponents(TkavComponent *AOwner = nullptr);
    ~TkavDBComponents() override;

    QString GetDescription() const override { return {}; }
};

// ---------------------------------------------------------------------------------------
// The process-wide list of data sets

// Every data set of the process in registration order, behind one recursive lock (a
// data set's destruction may look data sets up again from the same thread).
class TkavGlobalDataSetList
{
public:
    TkavGlobalDataSetList() = default;
    TkavGlobalDataSetList(const TkavGlobalDataSetList &) = delete;
    TkavGlobalDataSetList &operator=(const TkavGlobalDataSetList &) = delete;

    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }
    // Holds the lock for the guard's lifetime.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> Guard() const
    {
        return std::unique_lock<std::recursive_mutex>(FLock);
    }

    // Each of these takes the lock itself.
    void Add(TkavDataSet *dataSet);
    void Remove(TkavDataSet *dataSet);
    int Count() const;
    bool Contains(const TkavDataSet *dataSet) const;
    // A copy of the list, for walking it without holding the lock.
    QList<TkavDataSet *> Items() const;
    // The first data set whose UserName equals name ignoring case; when asker is given,
    // data sets belonging to another report are skipped. An empty name finds nothing.
    TkavDataSet *Find(QStringView name, const TkavReport *asker = nullptr) const;
    // Appends every enabled data set that has a user name, as its name with the data set
    // attached.
    void GetDataSetList(TStrings &list) const;

private:
    mutable std::recursive_mutex FLock;
    QList<TkavDataSet *> FItems;
};

// The process's list: created on first use (the first data set's construction at the
// latest) and never destroyed, so a data set held by any static object can still leave it
// at exit.
TkavGlobalDataSetList &kavGlobalDataSets();

// ---------------------------------------------------------------------------------------
// The report's data sets

// One data set a report uses, kept by its handle so that a destroyed data set reads as
// null instead of dangling.
class TkavDataSetItem : public TkavCollectionItem
{
public:
    KAV_CLASSINFO

    TkavDataSetItem() = default;
    ~TkavDataSetItem() override;

    TkavDataSet *DataSet() const;
    // Whether the item holds component (also while it is being destroyed).
    bool Holds(const TkavComponent *component) const { return FDataSet.RefersTo(component); }
    // Also takes the data set's user name as the item's name (empty for null).
    void SetDataSet(TkavDataSet *value);
    // The data set's current user name when it is set, else the name last given.
    QString DataSetName() const;
    // Resolves the data set through the report's look-up; an empty name gives null.
    void SetDataSetName(const QString &value);

    void Assign(const TPersistent &source) override;

private:
    TkavReport *report() const;
    void hold(TkavDataSet *dataSet);

    TkavComponentRef<TkavDataSet> FDataSet; // reads null once the data set is destroyed
    QString FDataSetName;
};

// The data sets a report uses, looked up by user name (alias).
class TkavReportDataSets : public TkavCollection
{
public:
    KAV_CLASSINFO

    explicit TkavReportDataSets(TkavReport *report = nullptr);
    ~TkavReportDataSets() override;

    TkavReport *Report() const { return FReport; }
    TkavDataSetItem *Items(int index) const;

    // A new item holding dataSet.
    TkavDataSetItem *Add(TkavDataSet *dataSet);
    using TkavCollection::Add;
    // The item holding dataSet, or null.
    TkavDataSetItem *Find(const TkavDataSet *dataSet) const;
    // The item whose data set's user name equals name ignoring case (items without a data
    // set never match), or null.
    TkavDataSetItem *Find(QStringView name) const;
    // Destroys the first item Find(name) gives; does nothing when there is none.
    void Delete(QStringView name);
    using TkavCollection::Delete;
    // Gives every data set the report and the script, then Initialize.
    void Initialize(std::weak_ptr<TkavDataSetScript> script = {});
    // Finalize on every data set.
    void Finalize();

private:
    TkavReport *FReport;
};

// Registers the data-set classes with the class registry.
void kavRegisterDataSetClasses();
