#pragma once

// The component tree. TkavComponent is the base of every report object: identity and names,
// ownership by the report, the parent/child tree, geometry relative to the parent, the
// inherited font and the designer flags. TkavReportComponent is the base of everything that
// is placed on a page and takes part in a report run.

#include <rtl/kavExceptions.h>
#include <rtl/kavFont.h>
#include <rtl/kavObject.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavSet.h>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <vector>

class QPainter;
class TStream;
class TkavComponent;
class TkavDataSet;
class TkavReport;
class TkavXMLItem;

KAV_DECLARE_EXCEPTION(EDuplicateName, EkavError)  // a name already used in the report ("prDupl")

// Event properties of report objects hold the name of a script procedure; empty: no handler.
// The aliases name the declared types the inspector and the script bridge key on.
using TkavNotifyEvent = QString;
using TkavPreviewClickEvent = QString;

// A rectangle in report pixels.
struct TkavRect
{
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;

    bool operator==(const TkavRect &) const = default;
};

// What the designer may not do with an object. ORDER persisted: files store the bit mask.
enum TkavRestrictionFlag : int {
    rfDontModify,
    rfDontSize, // while designing, Width and Height setters are ignored
    rfDontMove, // while designing, Left and Top setters are ignored
    rfDontDelete,
    rfDontEdit
};
using TkavRestrictions = TkavSet<TkavRestrictionFlag>;
const TkavEnumInfo &kavEnumTypeInfo(TkavRestrictionFlag);
const TkavSetInfo &kavSetTypeInfo(TkavRestrictions);

// How other subsystems treat a class (never stored).
enum TkavComponentStyleFlag : int {
    csContainer,               // holds objects that the designer treats as its content
    csPreviewVisible,          // copies are put on prepared pages
    csDefaultDiff,             // prepared pages describe copies by full form plus base Diff
    csHandlesNestedProperties  // the serializer calls Write/ReadNestedProperty
};
using TkavComponentStyle = TkavSet<TkavComponentStyleFlag>;

// Pages an object is meant to be output on (public, never stored).
enum TkavPrintOnType : int {
    ptFirstPage,
    ptLastPage,
    ptOddPages,
    ptEvenPages,
    ptRepeatedBand
};
using TkavPrintOnTypes = TkavSet<TkavPrintOnType>;
const TkavEnumInfo &kavEnumTypeInfo(TkavPrintOnType);
const TkavSetInfo &kavSetTypeInfo(TkavPrintOnTypes);

// What a Notification reports about a component.
enum TOperation : int {
    opInsert, // the component was given to its owner
    opRemove  // the component is being destroyed
};

// A reference to a component that reads null once the component is destroyed, so holders
// never see a dangling pointer. Copyable; does not keep the component alive.
template <class T>
class TkavComponentRef
{
public:
    TkavComponentRef() = default;
    TkavComponentRef(T *component) { reset(component); }
    TkavComponentRef &operator=(T *component)
    {
        reset(component);
        return *this;
    }

    T *get() const;
    T *operator->() const { return get(); }
    operator T *() const { return get(); }
    void reset(T *component = nullptr);
    // Whether this refers to component, also while component is being destroyed (when
    // get() already reads null): removal notifications use it.
    bool RefersTo(const TkavComponent *component) const;

private:
    std::shared_ptr<TkavComponent *> FCell;
};

class TkavComponent : public TPersistent
{
public:
    KAV_CLASSINFO

    // Initial values and, when AOwner is given, Parent := AOwner. Ownership is separate:
    // Create<T> hands the new component to AOwner's report (or to AOwner when it has no
    // report); a component built directly belongs to whoever holds it.
    explicit TkavComponent(TkavComponent *AOwner = nullptr);
    // Notifies and clears every reference to it, leaves its parent, destroys its
    // non-inherited children (Clear), detaches the inherited ones, and destroys what it owns.
    ~TkavComponent() override;

    // A new T(AOwner) owned by AOwner's report, or by AOwner itself when it has no report.
    // AOwner must not be null (std::invalid_argument): a component without owner is made
    // with std::make_unique and belongs to its holder.
    template <class T>
    static T *Create(TkavComponent *AOwner);
    // The same for the designer: IsDesigning is set before anything else, then the class's
    // variant Flags is applied (designSetup).
    template <class T>
    static T *DesignCreate(TkavComponent *AOwner, int Flags = 0);
    // The same by registered class; EClassNotFound for unknown or abstract classes and
    // classes that are not components.
    static TkavComponent *Create(QStringView className, TkavComponent *AOwner);
    static TkavComponent *DesignCreate(QStringView className, TkavComponent *AOwner, int Flags = 0);

    // --- ownership (lifetime and name scope) -----------------------------------------------
    TkavComponent *Owner() const { return FOwner; }
    int ComponentCount() const { return int(FComponents.size()); }
    // 0 <= index < ComponentCount, else EListError.
    TkavComponent *Components(int index) const;
    // Takes AComponent over and returns it. It must not be owned yet nor own this one
    // (std::invalid_argument); EComponentError "A component named %s already exists" when
    // this one owns a component of that name. On errors the caller keeps the component.
    template <class T>
    T *InsertComponent(std::unique_ptr<T> &&AComponent)
    {
        static_assert(std::is_base_of_v<TkavComponent, T>);
        checkInsert(AComponent.get());
        T *component = AComponent.get();
        insertChecked(std::unique_ptr<TkavComponent>(std::move(AComponent)));
        return component;
    }
    // Gives an owned component back to the caller (null when this one does not own it).
    std::unique_ptr<TkavComponent> RemoveComponent(TkavComponent *AComponent);
    // The owned component of that name (ignoring case), or null.
    TkavComponent *FindComponent(QStringView AName) const;
    // Destroys this component through its owner; false (and nothing happens) when no
    // component owns it. After true the object is gone.
    bool Free();
    // AComponent receives Notification(this, opRemove) when this component is destroyed, also
    // across reports. The owner is notified anyway.
    void FreeNotification(TkavComponent *AComponent);
    void RemoveFreeNotification(TkavComponent *AComponent);
    // Called on the owner and on the subscribers (FreeNotification) when a component is
    // destroyed (opRemove), and on the owner when one is inserted (opInsert); overrides drop
    // their references and run side effects. Plain references are TkavComponentRef, which
    // need no notification; so a removal costs nothing per other component and clearing a
    // report stays linear. A removed component is already partly destroyed: compare its
    // address (or TkavComponentRef::RefersTo), never call it. The base does nothing.
    virtual void Notification(TkavComponent *AComponent, TOperation Operation);

    // --- names ----------------------------------------------------------------------------
    const QString &Name() const { return FName; }
    // Rename rules: a change of letter case alone is not applied; a name used by another
    // object of the report raises EDuplicateName ("prDupl"); an inherited object raises
    // EkavError ("clCantRen"); a name that is not empty nor an identifier, or one that the
    // owner already holds, raises EComponentError. The old name stays on every error.
    void SetName(const QString &Value);
    // Names an object of a prepared page: such a page holds one copy of a template object
    // per time it was printed, all under the template's name, so nothing is checked.
    void setPreparedName(const QString &Value);
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    // Stem of generated names: the class name without its first "Tkav", then without its
    // first "View", unless a class sets its own.
    QString BaseName() const;
    void SetBaseName(const QString &Value);
    // Names the component BaseName followed by the smallest number whose name is not used in
    // the report (or under its parent when it has no report) nor held by its owner, nor
    // Reserved (names about to be used, such as the rest of a file being read).
    void CreateUniqueName(const std::function<bool(const QString &)> &Reserved = {});
    // Localized name of the kind of object (resource key per class family), or the class name.
    virtual QString GetDescription() const;

    // --- the parent/child tree --------------------------------------------------------------
    TkavComponent *Parent() const { return FParent; }
    // Moves the component to the end of Value's Objects (nothing when Value is the current
    // parent) and refreshes an inherited font from the new parent.
    virtual void SetParent(TkavComponent *Value);
    // Direct children in order; the list does not own them.
    const QList<TkavComponent *> &Objects() const { return FObjects; }
    // All descendants, depth first, a node before its children; a fresh snapshot per call.
    QList<TkavComponent *> AllObjects() const;
    QList<TkavComponent *> ContainerObjects() const { return GetContainerObjects(); }
    virtual QList<TkavComponent *> GetContainerObjects() const;
    // Nearest ancestor-or-self that is a page (TkavPage), or null.
    TkavComponent *Page() const;
    // Nearest ancestor-or-self that is a report, or null.
    TkavReport *Report() const;
    // The first descendant whose name equals AName ignoring case, or null (not itself).
    TkavComponent *FindObject(QStringView AName) const;
    // Moves the direct child Child to position NewIndex of Objects (clamped to the list).
    void MoveObject(TkavComponent *Child, int NewIndex);
    // The data set of that user name as the report sees it: through the process-wide list
    // (DataSet itself when nothing matches; with no report always DataSet) or, when the
    // report does not use it, the report's DataSets. An empty name gives null.
    TkavDataSet *FindDataSet(TkavDataSet *DataSet, const QString &DSName) const;
    // Destroys the children that are not inherited; inherited children are kept and cleared.
    virtual void Clear();
    // Places the child views (TkavView descendants publishing Align) by their Align: left
    // and width-aligned ones against their left neighbours, right and width-aligned ones
    // against their right neighbours (or this component's edges), then centre, bottom and
    // client ones. Neighbours overlap vertically and are found in the order of Left.
    virtual void AlignChildren();

    // --- geometry (report pixels, relative to the parent) ----------------------------------
    double Left() const { return FLeft; }
    double Top() const { return FTop; }
    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    virtual void SetLeft(double Value);
    virtual void SetTop(double Value);
    virtual void SetWidth(double Value);
    virtual void SetHeight(double Value);
    // Calls the four setters in the order Left, Top, Width, Height.
    void SetBounds(double ALeft, double ATop, double AWidth, double AHeight);
    // Position on the page; a dialog page's controls are relative to its client area.
    double AbsLeft() const;
    double AbsTop() const;

    // --- font -------------------------------------------------------------------------------
    TFont &Font() const { return *FFont; }
    // Copies Value and detaches the font from the parent.
    virtual void SetFont(const TFont &Value);
    bool ParentFont() const { return FParentFont; }
    // True copies the parent's font (when there is a parent) and follows it from then on.
    virtual void SetParentFont(bool Value);
    // Every change of the own font: detaches from the parent and pushes the font to the
    // children that inherit it.
    virtual void FontChanged();
    // Whether files store the font: only when it is not inherited.
    bool IsFontStored() const { return !FParentFont; }

    // --- flags --------------------------------------------------------------------------------
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value) { FGroupIndex = Value; }
    const QString &Description() const { return FDescription; }
    void SetDescription(const QString &Value) { FDescription = Value; }
    TkavRestrictions Restrictions() const { return FRestrictions; }
    void SetRestrictions(TkavRestrictions Value) { FRestrictions = Value; }
    bool IsDesigning() const { return FIsDesigning; }
    void SetIsDesigning(bool Value) { FIsDesigning = Value; }
    bool IsLoading() const { return FIsLoading; }
    void SetIsLoading(bool Value) { FIsLoading = Value; }
    bool IsPrinting() const { return FIsPrinting; }
    void SetIsPrinting(bool Value) { FIsPrinting = Value; }
    bool IsWriting() const { return FIsWriting; }
    void SetIsWriting(bool Value) { FIsWriting = Value; }
    TkavComponentStyle kvComponentStyle() const { return FkvComponentStyle; }
    void SetkvComponentStyle(TkavComponentStyle Value) { FkvComponentStyle = Value; }
    bool AncestorOnlyStream() const { return FAncestorOnlyStream; }
    void SetAncestorOnlyStream(bool Value) { FAncestorOnlyStream = Value; }
    const QString &AliasName() const { return FAliasName; }
    void SetAliasName(const QString &Value) { FAliasName = Value; }
    // The object came from an ancestor (template) report; such objects survive Clear and
    // cannot be renamed.
    bool Ancestor() const { return FAncestor; }
    void SetAncestor(bool Value) { FAncestor = Value; }
    bool IsAncestor() const { return FAncestor; }

    // --- copies and streams ---------------------------------------------------------------
    // A component source is copied through a stream without its children (SaveToStream with
    // SaveDefaultValues, then LoadFromStream, which first clears this component's
    // non-inherited children); any other source is ignored.
    void Assign(const TPersistent &Source) override;
    // The same with the source's whole subtree.
    void AssignAll(const TkavComponent &Source, bool Streaming = false);
    // Clears (unless AncestorOnlyStream) and reads this component and its tree from an XML
    // document in Stream. The report publishes the reader as its XMLSerializer meanwhile and
    // receives the reader's error lines in Errors afterwards, also when the read fails; XML
    // syntax errors propagate.
    virtual void LoadFromStream(TStream &Stream);
    // The same from a parsed document's root element (OldFormat: its header was 8-bit).
    void LoadFromXMLItem(TkavXMLItem &Item, bool OldFormat = false);
    // Writes this component (with SaveChildren its tree) as an XML document to Stream.
    virtual void
    SaveToStream(TStream &Stream, bool SaveChildren = true, bool SaveDefaultValues = false, bool Streaming = false);

    // --- prepared-page copies -------------------------------------------------------------------
    TkavComponent *OriginalComponent() const { return FOriginalComponent; }
    void SetOriginalComponent(TkavComponent *Value) { FOriginalComponent = Value; }
    const TkavRect &OriginalRect() const { return FOriginalRect; }
    void SetOriginalRect(const TkavRect &Value) { FOriginalRect = Value; }
    TkavComponent *OriginalBand() const { return FOriginalBand; }
    void SetOriginalBand(TkavComponent *Value) { FOriginalBand = Value; }
    // Attribute text of the base properties in which this component differs from
    // AComponent: " l= t= w= h= Visible= Font.*= ParentFont= Tag=" in that order.
    virtual QString Diff(const TkavComponent &AComponent) const;
    // The full attribute text of the component (its element without name and "/>"), then,
    // when AComponent is given, a space and Diff(*AComponent); a null band always adds its
    // " l= t=".
    QString AllDiff(const TkavComponent *AComponent);

    // --- hooks of other subsystems (the base does what the comment says) --------------------
    // Nothing: data components add their sources.
    virtual void AddSourceObjects() {}
    // Nothing: called on every object before a run starts.
    virtual void BeforeStartReport() {}
    // Nothing: a dialog control's change notification.
    virtual void OnNotify(TObject *Sender);
    // Nothing: called after the designer pasted the object.
    virtual void OnPaste() {}
    // After the serializer read the object and resolved its references; nothing here.
    virtual void Loaded() {}
    // Serializer hooks for classes with csHandlesNestedProperties: write collections as
    // child elements of Item; read one such child (true when it was taken).
    virtual void WriteNestedProperties(TkavXMLItem *Item);
    virtual bool ReadNestedProperty(TkavXMLItem *Item);
    // Designer container protocol: take Obj inside (false: not taken) and route mouse
    // actions to the content (false: not handled).
    virtual bool ContainerAdd(TkavComponent *Obj);
    virtual bool ContainerMouseDown(TObject *Sender, int X, int Y);
    virtual void ContainerMouseMove(TObject *Sender, int X, int Y);
    virtual void ContainerMouseUp(TObject *Sender, int X, int Y);

protected:
    // Applies a designer variant after DesignCreate; the base ignores Flags.
    virtual void designSetup(int Flags);
    // The destruction steps (notify, leave the parent, Clear, detach inherited children,
    // destroy what it owns), once. Owners with members of their own (the report) call it
    // first in their destructor, so owned components never see a half-destroyed owner.
    void destroyContent();

private:
    template <class T>
    friend class TkavComponentRef;

    // Marks the next component constructed on this thread as designing.
    struct DesignCreateScope
    {
        DesignCreateScope();
        ~DesignCreateScope();
        DesignCreateScope(const DesignCreateScope &) = delete;
        DesignCreateScope &operator=(const DesignCreateScope &) = delete;
    };

    static TkavComponent *adopt(std::unique_ptr<TkavComponent> component, TkavComponent *AOwner);
    void checkInsert(const TkavComponent *AComponent) const;
    void insertChecked(std::unique_ptr<TkavComponent> AComponent);
    std::unique_ptr<TkavComponent> takeOwned(TkavComponent *AComponent);
    void destroyComponents();
    void notifyRemoval();
    bool isSubjectToRestriction(TkavRestrictionFlag flag) const;
    // Name index upkeep and queries (see FOwnedNames, FTreeNames).
    TkavComponent *treeRoot() const;
    bool isInside(const TkavComponent *ancestor) const;
    void moveTreeNames(TkavComponent &from, TkavComponent &to);
    void indexName(bool add);
    TkavComponent *indexedDescendant(QStringView AName, bool *more) const;

    // Lifetime and identity.
    std::shared_ptr<TkavComponent *> FAlive; // cell the references read; null once destroyed
    TkavComponent *FOwner = nullptr;
    std::vector<std::unique_ptr<TkavComponent>> FComponents;
    std::vector<TkavComponentRef<TkavComponent>> FFreeNotifies;
    bool FDestroying = false;
    QString FName;
    // Name look-ups without walking every object: the owned components by folded name (the
    // owner keeps those names unique), and, held by the root of each tree only, every named
    // node of the tree by folded name. Both change only with names, ownership and parents.
    QHash<QString, TkavComponent *> FOwnedNames;
    QMultiHash<QString, TkavComponent *> FTreeNames;
    int FTag = 0;

    // Fields in the model's order.
    std::unique_ptr<TFont> FFont;
    QList<TkavComponent *> FObjects;
    TkavComponent *FParent = nullptr;
    double FLeft = 0;
    double FTop = 0;
    double FWidth = 0;
    double FHeight = 0;
    bool FParentFont = true;
    int FGroupIndex = 0;
    bool FIsDesigning = false;
    bool FIsLoading = false;
    bool FIsPrinting = false;
    bool FIsWriting = false;
    TkavRestrictions FRestrictions;
    bool FVisible = true;
    QString FDescription;
    TkavComponentStyle FkvComponentStyle{csPreviewVisible};
    bool FAncestorOnlyStream = false;
    QString FAliasName;
    QString FBaseName; // empty: derived from the class name
    bool FAncestor = false;
    TkavComponentRef<TkavComponent> FOriginalComponent;
    TkavRect FOriginalRect;
    TkavComponentRef<TkavComponent> FOriginalBand;
};

// The base of everything placed on a page that takes part in a report run.
class TkavReportComponent : public TkavComponent
{
public:
    KAV_CLASSINFO

    explicit TkavReportComponent(TkavComponent *AOwner = nullptr);
    ~TkavReportComponent() override;

    // Every concrete class draws itself at the scale and offset given.
    virtual void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) = 0;
    // Saves the bounds into OriginalRect (Left, Top, Width, Height in its four slots).
    virtual void BeforePrint();
    // Nothing: concrete classes take their data here.
    virtual void GetData() {}
    // Restores the bounds saved by BeforePrint through SetBounds.
    virtual void AfterPrint();
    // Empty: text of the object for searches and exports.
    virtual QString GetComponentText() const;
    // (AbsLeft, AbsTop, AbsLeft + Width, AbsTop + Height).
    virtual TkavRect GetRealBounds() const;

    const TkavNotifyEvent &OnAfterData() const { return FOnAfterData; }
    void SetOnAfterData(const TkavNotifyEvent &Value) { FOnAfterData = Value; }
    const TkavNotifyEvent &OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(const TkavNotifyEvent &Value) { FOnAfterPrint = Value; }
    const TkavNotifyEvent &OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const TkavNotifyEvent &Value) { FOnBeforePrint = Value; }
    const TkavPreviewClickEvent &OnPreviewClick() const { return FOnPreviewClick; }
    void SetOnPreviewClick(const TkavPreviewClickEvent &Value) { FOnPreviewClick = Value; }
    const TkavPreviewClickEvent &OnPreviewDblClick() const { return FOnPreviewDblClick; }
    void SetOnPreviewDblClick(const TkavPreviewClickEvent &Value) { FOnPreviewDblClick = Value; }

    // Pages the object is meant for (not evaluated by the engine; never stored).
    TkavPrintOnTypes PrintOn() const { return FPrintOn; }
    void SetPrintOn(TkavPrintOnTypes Value) { FPrintOn = Value; }
    // Engine working data: how far objects below this stretched one are shifted, and the
    // objects shifted with it (not owned; destroyed ones drop out of the list).
    double ShiftAmount() const { return FShiftAmount; }
    void SetShiftAmount(double Value) { FShiftAmount = Value; }
    QList<TkavReportComponent *> ShiftChildren() const;
    void AddShiftChild(TkavReportComponent *Child) { FShiftChildren.append(Child); }
    void ClearShiftChildren() { FShiftChildren.clear(); }

private:
    TkavNotifyEvent FOnAfterData;
    TkavNotifyEvent FOnAfterPrint;
    TkavNotifyEvent FOnBeforePrint;
    TkavPreviewClickEvent FOnPreviewClick;
    TkavPreviewClickEvent FOnPreviewDblClick;
    TkavPrintOnTypes FPrintOn;
    double FShiftAmount = 0;
    QList<TkavComponentRef<TkavReportComponent>> FShiftChildren;
};

// Sets IsWriting for the guard's lifetime (restores the previous value, also on errors).
class TkavWritingGuard
{
public:
    explicit TkavWritingGuard(TkavComponent &component);
    ~TkavWritingGuard();
    TkavWritingGuard(const TkavWritingGuard &) = delete;
    TkavWritingGuard &operator=(const TkavWritingGuard &) = delete;

private:
    TkavComponentRef<TkavComponent> FComponent;
    bool FOld;
};

// Sets IsLoading for the guard's lifetime; movable, so a reader can keep one per object
// until every reference of the load is resolved. A component destroyed meanwhile is skipped.
class TkavLoadingGuard
{
public:
    explicit TkavLoadingGuard(TkavComponent &component);
    ~TkavLoadingGuard();
    TkavLoadingGuard(TkavLoadingGuard &&other) noexcept;
    TkavLoadingGuard &operator=(TkavLoadingGuard &&other) noexcept;
    TkavLoadingGuard(const TkavLoadingGuard &) = delete;
    TkavLoadingGuard &operator=(const TkavLoadingGuard &) = delete;

private:
    void restore();

    TkavComponentRef<TkavComponent> FComponent;
    bool FOld = false;
};

// Factory for the class registry: a new T whose parent is the owner (when it is a
// component). The caller decides ownership (TkavComponent::Create adopts it).
template <class T>
TkavFactory kavComponentFactory()
{
    return [](TPersistent *owner) -> std::unique_ptr<TPersistent> {
        return std::make_unique<T>(dynamic_cast<TkavComponent *>(owner));
    };
}

// Entries of the properties that concrete classes publish, each with the declared type the
// whole model uses; the returned entry takes defaults and stored rules.
template <class T>
TkavPropDef<T> kavPublishLeft(TkavPropBuilder<T> &p)
{
    return p.Float(QStringLiteral("Left"),
                   &TkavComponent::Left,
                   &TkavComponent::SetLeft,
                   QStringLiteral("Extended"));
}
template <class T>
TkavPropDef<T> kavPublishTop(TkavPropBuilder<T> &p)
{
    return p.Float(
        QStringLiteral("Top"), &TkavComponent::Top, &TkavComponent::SetTop, QStringLiteral("Extended"));
}
template <class T>
TkavPropDef<T> kavPublishWidth(TkavPropBuilder<T> &p)
{
    return p.Float(QStringLiteral("Width"),
                   &TkavComponent::Width,
                   &TkavComponent::SetWidth,
                   QStringLiteral("Extended"));
}
template <class T>
TkavPropDef<T> kavPublishHeight(TkavPropBuilder<T> &p)
{
    return p.Float(QStringLiteral("Height"),
                   &TkavComponent::Height,
                   &TkavComponent::SetHeight,
                   QStringLiteral("Extended"));
}
// Stored only while the font is not inherited.
template <class T>
TkavPropDef<T> kavPublishFont(TkavPropBuilder<T> &p)
{
    return p.Object(QStringLiteral("Font"), &TkavComponent::Font, &TkavComponent::SetFont)
        .StoredIf(&TkavComponent::IsFontStored);
}
template <class T>
TkavPropDef<T> kavPublishParentFont(TkavPropBuilder<T> &p)
{
    return p.Bool(
        QStringLiteral("ParentFont"), &TkavComponent::ParentFont, &TkavComponent::SetParentFont);
}
template <class T>
TkavPropDef<T> kavPublishVisible(TkavPropBuilder<T> &p)
{
    return p.Bool(QStringLiteral("Visible"), &TkavComponent::Visible, &TkavComponent::SetVisible);
}
template <class T>
TkavPropDef<T> kavPublishRestrictions(TkavPropBuilder<T> &p)
{
    return p
        .Set(QStringLiteral("Restrictions"),
             &TkavComponent::Restrictions,
             &TkavComponent::SetRestrictions)
        .Default(TkavRestrictions{});
}
template <class T>
TkavPropDef<T> kavPublishGroupIndex(TkavPropBuilder<T> &p)
{
    return p
        .Int(QStringLiteral("GroupIndex"), &TkavComponent::GroupIndex, &TkavComponent::SetGroupIndex)
        .Default(0);
}

// Registers the report classes that exist, in a fixed order; start-up calls it once after
// kavRegisterRTLClasses.
void kavRegisterReportClasses();

// ---------------------------------------------------------------------------------------
// Template definitions

template <class T>
T *TkavComponentRef<T>::get() const
{
    return FCell && *FCell ? static_cast<T *>(*FCell) : nullptr;
}

template <class T>
bool TkavComponentRef<T>::RefersTo(const TkavComponent *component) const
{
    return component && FCell && FCell == component->FAlive;
}

template <class T>
void TkavComponentRef<T>::reset(T *component)
{
    if (component)
        FCell = static_cast<const TkavComponent *>(component)->FAlive;
    else
        FCell.reset();
}

// A data-set binding of a report object by reference and user name. While the data set
// lives the name follows its UserName; once it is gone (or was never found) the name
// stays, so a run can say which data set is missing.
class TkavDataSetLink
{
public:
    TkavDataSet *DataSet() const;
    // Also takes the data set's user name (empty for null).
    void SetDataSet(TkavDataSet *Value);
    QString Name() const;
    // Keeps Name and resolves it as Resolver sees data sets (TkavComponent::FindDataSet).
    void SetName(const QString &Value, const TkavComponent &Resolver);
    void Clear();

private:
    TkavComponentRef<TkavDataSet> FDataSet;
    QString FName;
};

template <class T>
T *TkavComponent::Create(TkavComponent *AOwner)
{
    static_assert(std::is_base_of_v<TkavComponent, T>);
    return static_cast<T *>(adopt(std::make_unique<T>(AOwner), AOwner));
}

template <class T>
T *TkavComponent::DesignCreate(TkavComponent *AOwner, int Flags)
{
    static_assert(std::is_base_of_v<TkavComponent, T>);
    T *component = nullptr;
    {
        DesignCreateScope scope;
        component = static_cast<T *>(adopt(std::make_unique<T>(AOwner), AOwner));
    }
    static_cast<TkavComponent *>(component)->designSetup(Flags);
    return component;
}
