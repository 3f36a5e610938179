#pragma once

// TkyScript: the script program and scope. A scope is a sorted, case-insensitive name list
// of owned items (duplicates allowed, the newest registration of a name found first) with
// a checked link to its parent scope; hosts register their variables, constants, types and
// objects here, and the compiler reads and writes its error report here.
//
// Joining with later layers: Evaluate, CallFunction, procedure items and Terminate reaching
// their scopes with the expressions; AddClass, AddMethod, AddComponent, AddForm and
// FindClass with the class bridge; Compile, GetILCode, SetILCode, AddCodeLine and
// OnGetILUnit with the IL translator; AddRTTI with the library.

#include "ky_classes.h"
#include "ky_variables.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>

#include <QString>
#include <QHash>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class TkyScript;
class TkyProcVariable;
class TkyStatement;

// The statement budget ran out: stops the run. try...except never handles it (finally
// parts still run).
KAV_DECLARE_EXCEPTION(EkyBudgetExceeded, Exception)

// Called before a statement runs with the scope it runs in, its unit (empty for the main
// text) and its "line:column"; the debugger pauses or terminates from here.
using TkyRunLineEvent
    = std::function<void(TkyScript &scope, const QString &unit, const QString &pos)>;

// Supplies the source text of a unit instead of the file search (an empty text is an
// empty unit).
using TkyGetUnitEvent = std::function<QString(TkyScript &script, const QString &unitName)>;

class TkyScript : public TPersistent
{
public:
    KAV_CLASSINFO

    TkyScript();
    ~TkyScript() override;

    // --- Scope -------------------------------------------------------------------------

    // Inserts item under Name before the items of the same name and returns it. Objects
    // that are not variables (library modules) are accepted too; a variable is stamped with
    // AddedBy.
    TObject *Add(const QString &Name, std::unique_ptr<TObject> Item);
    // Lists Item under Name without taking it over (a procedure's parameters belong to the
    // procedure and are found in its scope); the owner removes it before freeing it.
    void AddBorrowed(const QString &Name, TkyCustomVariable &Item);
    int Count() const { return int(FItems.size()); }
    // The index-th item in name order; EListError outside.
    TObject *Items(int Index) const;
    // The name the index-th item was added under.
    const QString &ItemName(int Index) const;
    // Takes Item out without freeing it; nullptr when it is not in this scope.
    std::unique_ptr<TObject> Remove(TObject *Item);

    // The newest variable registered here under Name (any case), or nullptr.
    TkyCustomVariable *FindLocal(QStringView Name) const;
    // FindLocal here, else in the parents in turn.
    TkyCustomVariable *Find(QStringView Name) const;

    // The found item's value, or null.
    Variant Variables(QStringView Name) const;
    // Sets the found item's value, or registers a Variant variable with it.
    void SetVariables(const QString &Name, const Variant &Value);

    // Frees every item except those registered with the library; empties the error report.
    void Clear();
    // Once per script: every registered library module is created for this script and its
    // items are marked as library items.
    void AddRTTI();
    // Frees the library modules and their items.
    void ClearRTTI();
    bool LibraryAdded() const { return FLibraryAdded; }
    // A stamp of the last change to the items (0: none), unique across scripts: a caller
    // that keeps an item it found by name finds it again when the stamp has moved.
    quint64 ItemsChanged() const { return FItemsChanged; }
    // Removes the host's items (RemoveItems). The statement list and the line table, when
    // they join, are cleared here too.
    void ClearItems(TkyAddedBy Owner);
    // Frees every item registered by Owner, last to first.
    void RemoveItems(TkyAddedBy Owner);

    // --- Registration: each one does nothing when Find already finds the name, unless
    // said otherwise. Overriding one changes every path that uses it. -------------------

    // A type name of the kind ParentType.
    virtual void AddType(const QString &TypeName, TkyVarType ParentType);
    // A read-only variable of the kind of type name Typ, Value converted to it.
    virtual void AddConst(const QString &Name, const QString &Typ, const Variant &Value);
    // A variable of the kind of type name Typ holding Value, with this script's value
    // supplier. An existing item of that name is left as it is, its value too.
    virtual void AddVariable(const QString &Name, const QString &Typ, const Variant &Value);
    // A variable named Name of Obj's class holding a reference to Obj (checked handle).
    virtual void AddObject(const QString &Name, const TObject *Obj);
    // The type Typ and its comma-separated Names as read-only values 0, 1, 2 ... (no
    // existence check; empty names are skipped).
    virtual void AddEnum(const QString &Typ, const QString &Names);
    // The same with one bit per name: 1, 2, 4, 8 ... (Int64 past 31 bits); more than 63
    // names raise EkyError "Too many elements in set type <Typ>".
    virtual void AddEnumSet(const QString &Typ, const QString &Names);
    // A class descriptor for AClass under its name, or nullptr when that name exists. The
    // ancestor's default property is inherited when Find finds the ancestor's descriptor.
    virtual TkyClassVariable *AddClass(const TkavClassInfo &AClass, const QString &Ancestor);
    // A native function from its declaration string, added under its name (no existence
    // check). An empty Description becomes the function's name.
    virtual TkyMethodHelper *AddMethod(const QString &Syntax,
                                       TkyCallMethodNewEvent CallEvent,
                                       const QString &Category = QString(),
                                       const QString &Description = QString());
    virtual TkyMethodHelper *AddMethod(const QString &Syntax,
                                       TkyCallMethodEvent CallEvent,
                                       const QString &Category = QString(),
                                       const QString &Description = QString());

    // The form's class (registered under "TForm", "TDataModule" or "TFrame" as the form
    // descends from, when not known yet) gets every component the form owns as a member,
    // and the form becomes a variable named after it. Other components: nothing happens.
    virtual void AddComponent(const TComponent &Form);
    void AddForm(const TComponent &Form) { AddComponent(Form); }

    // The found item when it is a class descriptor.
    TkyClassVariable *FindClass(QStringView Name) const;

    // Objects a script creates (TStringList.Create) belong to the top script of the chain
    // until the script frees them or is destroyed. Returns the object's reference.
    Variant AdoptObject(std::unique_ptr<TObject> Obj);
    // Destroys Obj when the chain's top script owns it and returns true; false otherwise
    // (the object belongs to the host).
    bool FreeObject(TObject *Obj);

    // --- Properties --------------------------------------------------------------------

    // Stamp written into every item added while it is set.
    TkyAddedBy AddedBy() const { return FAddedBy; }
    void SetAddedBy(TkyAddedBy value) { FAddedBy = value; }

    // The enclosing scope. Held by handle: a destroyed parent reads as none.
    TkyScript *Parent() const;
    // A procedure's scope: the scope that declares the procedure and so outlives this one.
    TkyScript *OwnerScope() const { return FOwnerScope; }
    void SetOwnerScope(TkyScript *value) { FOwnerScope = value; }
    // The next scope outwards: the owner of a procedure scope (no handle look-up needed),
    // else the parent.
    TkyScript *Enclosing() const { return FOwnerScope ? FOwnerScope : Parent(); }
    // The first scope from this one outwards that is a main program, or nullptr.
    TkyScript *MainProgram();
    // EkyError "Circular script parent" when value is this script or one of its children.
    void SetParent(TkyScript *value);

    // The source text; SetLines copies.
    TStringList &Lines() { return FLines; }
    const TStringList &Lines() const { return FLines; }
    void SetLines(const TStrings &value);

    // Language name of the source.
    const QString &SyntaxType() const { return FSyntaxType; }
    void SetSyntaxType(const QString &value) { FSyntaxType = value; }

    // Last compile error: message, "line:column", and the unit it occurred in (empty for
    // the main text).
    const QString &ErrorMsg() const { return FErrorMsg; }
    void SetErrorMsg(const QString &value) { FErrorMsg = value; }
    const QString &ErrorPos() const { return FErrorPos; }
    void SetErrorPos(const QString &value) { FErrorPos = value; }
    const QString &ErrorUnit() const { return FErrorUnit; }
    void SetErrorUnit(const QString &value) { FErrorUnit = value; }

    // Identifiers may contain the character codes 128..255.
    bool ExtendedCharset() const { return FExtendedCharset; }
    void SetExtendedCharset(bool value) { FExtendedCharset = value; }

    // The folder relative file names in the file built-ins are taken from (the script's or
    // the report's own folder), so a script does the same from any working folder; empty:
    // the current folder. Scopes without one use the nearest enclosing script's.
    const QString &FilesFolder() const { return FFilesFolder; }
    void SetFilesFolder(const QString &value) { FFilesFolder = value; }
    // FileName as the file built-ins take it: a relative name joined to FilesFolder.
    QString FilePath(const QString &FileName) const;

    // Folders searched in order for unit files; an empty entry is the current folder.
    const QStringList &IncludePath() const { return FIncludePath; }
    QStringList &IncludePath() { return FIncludePath; }
    void SetIncludePath(const QStringList &value) { FIncludePath = value; }

    // Unknown members of objects resolve at run time.
    bool UseClassLateBinding() const { return FUseClassLateBinding; }
    void SetUseClassLateBinding(bool value) { FUseClassLateBinding = value; }

    // Flow flags of the running statement lists, and the run state of this scope.
    bool BreakCalled() const { return FBreakCalled; }
    void SetBreakCalled(bool value) { FBreakCalled = value; }
    bool ContinueCalled() const { return FContinueCalled; }
    void SetContinueCalled(bool value) { FContinueCalled = value; }
    bool ExitCalled() const { return FExitCalled; }
    void SetExitCalled(bool value) { FExitCalled = value; }
    bool Terminated() const { return FTerminated; }
    void SetTerminated(bool value) { FTerminated = value; }
    bool IsRunning() const { return FIsRunning; }
    void SetIsRunning(bool value) { FIsRunning = value; }
    // This script is the main program.
    bool MainProg() const { return FMainProg; }
    void SetMainProg(bool value) { FMainProg = value; }

    // --- Running ---------------------------------------------------------------------

    // The main statement list (owned); nullptr until one is set.
    TkyStatement *Statement() const { return FStatement.get(); }
    void SetStatement(std::unique_ptr<TkyStatement> value);
    // Turns Lines (in SyntaxType) into IL and the IL into items and statements. Never
    // raises for errors in the text: returns false with ErrorMsg, ErrorPos ("line:column")
    // and ErrorUnit set. Raises for an unknown language or a unit file that cannot be read.
    // Items of earlier compiles stay; a host recompiling clears what it needs first.
    bool Compile();
    // False when Lines hold nothing but white space and comments of SyntaxType: a host
    // takes such a text as an empty program, which some grammars would refuse.
    bool HasCode();
    // Compile, then Execute when it succeeded; the compile result.
    bool Run();
    // The procedure or function Name (found up the parent chain when Global) called with
    // Params (a variant array, or anything else for no arguments); null when Name is not a
    // script procedure. A call that re-enters a running procedure keeps its locals.
    Variant CallFunction(const QString &Name, const Variant &Params, bool Global = true);
    // The same; afterwards Params holds the parameters' values (by-reference results).
    Variant CallFunction1(const QString &Name, Variant &Params, bool Global = true);
    // The same with a given procedure item (nullptr: null).
    Variant CallFunction2(TkyProcVariable *Func, const Variant &Params);
    // The value of an expression in this script's language, seeing the locals of the
    // procedure running now. A compile error is returned as its message, with
    // EvaluteRiseError set; run-time errors raise.
    Variant Evaluate(const QString &Expression);
    bool EvaluteRiseError() const { return FEvaluteRiseError; }
    // Where the last run-time error that left Execute or a call of this script happened:
    // the "line:column" and unit of the statement that was running (empty when unknown).
    const QString &RunErrorPos() const { return FRunErrorPos; }
    const QString &RunErrorUnit() const { return FRunErrorUnit; }
    // The procedure scope running now (on a main program), nullptr when only the main
    // program runs.
    TkyScript *ProgRunning() const { return FProgRunning; }
    void SetProgRunning(TkyScript *value) { FProgRunning = value; }

    // The IL of Lines (the first half of Compile) as XML text; false with the error report
    // when the text does not parse.
    bool GetILCode(QByteArray &IL);
    // Translates IL (from GetILCode) into this script: runs a program without its source.
    // Hostile or damaged IL gives an error report, never a crash.
    bool SetILCode(const QByteArray &IL);
    // Supplies the ready IL of a unit during translation instead of its source.
    const TkyGetUnitEvent &OnGetILUnit() const { return FOnGetILUnit; }
    void SetOnGetILUnit(TkyGetUnitEvent handler) { FOnGetILUnit = std::move(handler); }

    // Executable lines, recorded by the translator for the debugger's breakpoints.
    void AddCodeLine(const QString &UnitName, const QString &APos);
    bool IsExecutableLine(int LineN, const QString &UnitName = QString()) const;

    // Runs the main statement list as the main program. Every flow flag is cleared before
    // and after (also when it raises), so none survives into the next run; the statement
    // count starts again at 0.
    void Execute();
    // Stops the running lists of this scope and of every procedure declared in it before
    // their next statement.
    void Terminate();

    // The most statements one Execute may run in this scope's lists, loop passes
    // included; 0 = no limit. Reaching it raises EkyBudgetExceeded "Script stopped:
    // statement limit reached"; the finally parts it unwinds through get a short grace.
    // Procedures called during the run count against the same limit.
    qint64 StatementLimit() const { return FOwnBudget.limit; }
    void SetStatementLimit(qint64 value) { FOwnBudget.limit = value; }
    // Counts one statement against the limit (one test when there is none).
    void CountStatement()
    {
        Budget &b = *FBudget;
        if (b.limit > 0 && ++b.count > b.limit)
            budgetExceeded();
    }
    // Runs this procedure scope's statements as one call from main (the main program,
    // nullptr when there is none): flow flags cleared before and after, statements counted
    // against main's budget.
    void ExecuteCall(TkyScript *main);

    // Run-line notification: the handler of the first script up the parent chain (this
    // one first) that has one is called with this scope, unit and position.
    const TkyRunLineEvent &OnRunLine() const { return FOnRunLine; }
    void SetOnRunLine(TkyRunLineEvent handler);
    // A script whose lines are nobody's text (an expression compiled on the fly) tells no
    // handler about them; what it calls in its parents still does.
    void SetSilentLines(bool Value) { FSilentLines = Value; }
    void RunLine(const QString &unit, const QString &pos)
    {
        if (FHookedScripts.load(std::memory_order_relaxed) > 0)
            notifyRunLine(unit, pos);
    }

    const TkyGetUnitEvent &OnGetUnit() const { return FOnGetUnit; }
    void SetOnGetUnit(TkyGetUnitEvent handler) { FOnGetUnit = std::move(handler); }
    // Value supplier given to every variable this script declares or registers.
    const TkyGetVariableValueEvent &OnGetVarValue() const { return FOnGetVarValue; }
    void SetOnGetVarValue(TkyGetVariableValueEvent handler)
    {
        FOnGetVarValue = std::move(handler);
    }

private:
    struct Entry
    {
        QString key; // the name folded to upper case: the sort key
        std::unique_ptr<TObject> item; // nullptr for a borrowed variable
        TkyCustomVariable *var; // item as a variable, nullptr for other objects
        TkyAddedBy addedBy; // the stamp of objects that are not variables
        TkyAddedBy owner() const { return var ? var->AddedBy() : addedBy; }
    };

    // Index of the first entry whose key is not below name.
    size_t lowerBound(QStringView name) const;
    template <class Pred>
    void eraseEntries(Pred pred, bool lastFirst);
    void addEnumValues(const QString &Typ, const QString &Names, bool bits);
    void checkIndex(int index) const;
    static void beginHostCall(TkyScript &scope);
    struct Budget;
    // Runs the main statement list with clear flags, counting against budget.
    void runStatements(Budget *budget);
    // Runs fn; a run-time error leaving it records where it happened first.
    template <class Fn>
    auto recordingErrors(Fn fn) -> decltype(fn());
    [[noreturn]] void budgetExceeded();
    void notifyRunLine(const QString &unit, const QString &pos);
    // Number of live scripts with an OnRunLine handler: none means nothing to walk.
    static inline std::atomic<int> FHookedScripts{0};

    TkyAddedBy FAddedBy = nullptr;
    quint64 FItemsChanged = 0;
    bool FBreakCalled = false;
    bool FContinueCalled = false;
    bool FExitCalled = false;
    QString FErrorMsg;
    QString FErrorPos;
    QString FErrorUnit;
    bool FExtendedCharset = false;
    std::vector<Entry> FItems; // sorted by key; equal keys newest first
    bool FIsRunning = false;
    TStringList FLines;
    bool FMainProg = false;
    TkyGetUnitEvent FOnGetUnit;
    TkyGetVariableValueEvent FOnGetVarValue;
    quint64 FParent = 0; // the parent's handle
    TkyScript *FOwnerScope = nullptr;
    QString FSyntaxType;
    bool FTerminated = false;
    QStringList FIncludePath{QString()}; // one empty entry: the current folder
    QString FFilesFolder;
    bool FUseClassLateBinding = false;
    std::unique_ptr<TkyStatement> FStatement;
    TkyRunLineEvent FOnRunLine;
    bool FSilentLines = false;
    TkyGetUnitEvent FOnGetILUnit;
    bool FEvaluteRiseError = false;
    QString FRunErrorPos;
    QString FRunErrorUnit;
    bool FLibraryAdded = false;
    TkyScript *FProgRunning = nullptr;
    QHash<QString, QList<int>> FUnitLines; // unit -> sorted executable line numbers
    std::vector<std::unique_ptr<TObject>> FObjects; // objects the scripts created
    struct Budget
    {
        qint64 limit = 0;
        qint64 count = 0;
        bool grace = false; // the grace for finally parts was given in this run
    };
    Budget FOwnBudget;
    Budget *FBudget = &FOwnBudget; // during a call: the main program's
};

// Base of library modules: created with a script, a module registers its functions,
// constants, types and classes into it and lives as long as they do.
class TkyRTTIModule : public TObject
{
public:
    explicit TkyRTTIModule(TkyScript &AScript) : FScript(AScript) {}

protected:
    TkyScript &Script() const { return FScript; }

private:
    TkyScript &FScript;
};

using TkyRTTIModuleFactory = std::function<std::unique_ptr<TkyRTTIModule>(TkyScript &)>;

// Where a library module stands among the others: AddRTTI creates them in this order,
// whatever order they were registered in (a class registered under an ancestor name
// inherits its members only when that ancestor is already known).
enum TkyModuleOrder : int {
    kyModuleSystem,
    kyModuleClasses,
    kyModuleGraphics,
    kyModuleForms,
    kyModuleReport,
    kyModuleDialogs,
    kyModuleIni
};

// Adds a module to those AddRTTI creates, at its place (start-up only).
void kyRegisterRTTIModule(TkyModuleOrder order, TkyRTTIModuleFactory factory);

// The kind a type name stands for in Script's scope chain; fvtClass when it is not found
// (also when Script is nullptr).
TkyVarType StrToVarType(QStringView TypeName, const TkyScript *Script);

// Registers the standard type names (Byte ... Constructor) into script.
void kyAddStandardTypes(TkyScript &script);
