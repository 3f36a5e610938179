#include "kavComponent.h"

#include "kavBands.h"
#include "kavDMP.h"
#include "kavDataSets.h"
#include "kavDialogs.h"
#include "kavFrames.h"
#include "kavPages.h"
#include "kavReport.h"
#include "kavStyles.h"
#include "kavReportOptions.h"
#include "kavViews.h"

#include <data/kavFileDataSets.h>
#include <data/kavSQLDataSets.h>
#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavFormat.h>
#include <rtl/kavStreams.h>

#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Set by DesignCreate for the one component whose construction follows.
thread_local bool designCreatePending = false;

// Coordinates closer than this are the same position.
constexpr double positionTolerance = 0.0001;

// A resource text with its "%s" filled by arg. Resource texts come from language files,
// so they are never used as format strings.
QString resourceText(const QString &key, const QString &arg)
{
    QString text = kavResourceTable().Get(key);
    const qsizetype pos = text.indexOf(u"%s"_s);
    if (pos >= 0)
        text.replace(pos, 2, arg);
    return text;
}

// Localized descriptions by class family: a class takes the entry of its nearest listed
// ancestor (itself included).
struct DescriptionKey
{
    QStringView className;
    QStringView key;
};
constexpr DescriptionKey descriptionKeys[] = {
    {u"TkavCustomMemoView", u"obText"},
    {u"TkavSysMemoView", u"obSysText"},
    {u"TkavLineView", u"obLine"},
    {u"TkavPictureView", u"obPicture"},
    {u"TkavShapeView", u"obShape"},
    {u"TkavSubreport", u"obSubRep"},
    {u"TkavBand", u"obBand"},
    {u"TkavDataBand", u"obDataBand"},
    {u"TkavReportPage", u"obRepPage"},
    {u"TkavDialogPage", u"obDlgPage"},
    {u"TkavDataPage", u"obDataPage"},
    {u"TkavReport", u"obReport"},
};

void appendAttribute(QString &text, QStringView name, const QString &value)
{
    text += u' ';
    text += name;
    text += u"=\""_s;
    text += value;
    text += u'"';
}

QString boolText(bool value)
{
    return value ? u"1"_s : u"0"_s;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Type information

const TkavEnumInfo &kavEnumTypeInfo(TkavRestrictionFlag)
{
    static const TkavEnumInfo info(
        u"TkavRestrictionFlag"_s,
        {u"rfDontModify"_s, u"rfDontSize"_s, u"rfDontMove"_s, u"rfDontDelete"_s, u"rfDontEdit"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TkavRestrictions)
{
    static const TkavSetInfo info(u"TkavRestrictions"_s, kavEnumTypeInfo(TkavRestrictionFlag{}));
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavPrintOnType)
{
    static const TkavEnumInfo info(u"TkavPrintOnType"_s,
                                   {u"ptFirstPage"_s,
                                    u"ptLastPage"_s,
                                    u"ptOddPages"_s,
                                    u"ptEvenPages"_s,
                                    u"ptRepeatedBand"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TkavPrintOnTypes)
{
    static const TkavSetInfo info(u"TkavPrintOnTypes"_s, kavEnumTypeInfo(TkavPrintOnType{}));
    return info;
}

// Name and Tag; the concrete classes publish the rest (kavPublishLeft ...).
const TkavClassInfo &TkavComponent::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavComponent, TPersistent>(
        u"TkavComponent"_s,
        [](TkavPropBuilder<TkavComponent> &p) {
            p.String(u"Name"_s, &TkavComponent::Name, &TkavComponent::SetName, u"TComponentName"_s);
            p.Int(u"Tag"_s, &TkavComponent::Tag, &TkavComponent::SetTag).Default(0);
        },
        nullptr);
    return info;
}

const TkavClassInfo &TkavReportComponent::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavReportComponent, TkavComponent>(
        u"TkavReportComponent"_s,
        [](TkavPropBuilder<TkavReportComponent> &p) {
            p.String(u"Description"_s, &TkavComponent::Description, &TkavComponent::SetDescription);
        },
        nullptr);
    return info;
}

// ---------------------------------------------------------------------------------------
// Construction and destruction

TkavComponent::DesignCreateScope::DesignCreateScope()
{
    designCreatePending = true;
}

TkavComponent::DesignCreateScope::~DesignCreateScope()
{
    designCreatePending = false;
}

TkavComponent::TkavComponent(TkavComponent *AOwner)
    : FAlive(std::make_shared<TkavComponent *>(this))
    , FFont(std::make_unique<TFont>())
{
    FIsDesigning = std::exchange(designCreatePending, false);
    FFont->SetOnChange([this] { FontChanged(); });
    SetParentFont(true);
    if (AOwner)
        SetParent(AOwner);
}

TkavComponent::~TkavComponent()
{
    destroyContent();
}

void TkavComponent::destroyContent()
{
    if (FDestroying)
        return;
    FDestroying = true;
    *FAlive = nullptr;
    FTreeNames.clear(); // a tree being destroyed is searched by walking it
    notifyRemoval();
    TkavComponent::SetParent(nullptr);
    TkavComponent::Clear();
    // Inherited children survive Clear and belong to the report: they must not keep a
    // parent that is going away.
    for (TkavComponent *child : std::as_const(FObjects)) {
        child->FParent = nullptr;
        child->moveTreeNames(*this, *child);
    }
    FObjects.clear();
    destroyComponents();
}

void TkavComponent::destroyComponents()
{
    while (!FComponents.empty()) {
        std::unique_ptr<TkavComponent> last = std::move(FComponents.back());
        FComponents.pop_back();
        if (!last->FName.isEmpty())
            FOwnedNames.remove(kavUpperCase(last->FName));
        last.reset();
    }
}

void TkavComponent::notifyRemoval()
{
    const bool ownerNotified = FOwner && !FOwner->FDestroying;
    if (ownerNotified)
        FOwner->Notification(this, opRemove);
    const auto subscribers = FFreeNotifies;
    for (const TkavComponentRef<TkavComponent> &ref : subscribers) {
        TkavComponent *subscriber = ref.get();
        if (subscriber && !(ownerNotified && subscriber == FOwner))
            subscriber->Notification(this, opRemove);
    }
}

TkavComponent *TkavComponent::adopt(std::unique_ptr<TkavComponent> component, TkavComponent *AOwner)
{
    if (!AOwner)
        throw std::invalid_argument("TkavComponent::Create needs an owner");
    TkavComponent *holder = AOwner->Report();
    return (holder ? holder : AOwner)->InsertComponent(std::move(component));
}

TkavComponent *TkavComponent::Create(QStringView className, TkavComponent *AOwner)
{
    return adopt(kavCreateObjectAs<TkavComponent>(className, AOwner), AOwner);
}

TkavComponent *TkavComponent::DesignCreate(QStringView className, TkavComponent *AOwner, int Flags)
{
    TkavComponent *component = nullptr;
    {
        DesignCreateScope scope;
        component = adopt(kavCreateObjectAs<TkavComponent>(className, AOwner), AOwner);
    }
    component->designSetup(Flags);
    return component;
}

void TkavComponent::designSetup(int Flags)
{
    Q_UNUSED(Flags);
}

// ---------------------------------------------------------------------------------------
// Ownership

TkavComponent *TkavComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError(u"List index out of bounds (%1)"_s.arg(index));
    return FComponents[size_t(index)].get();
}

void TkavComponent::checkInsert(const TkavComponent *AComponent) const
{
    if (!AComponent || AComponent->FOwner)
        throw std::invalid_argument("InsertComponent needs a component without owner");
    for (const TkavComponent *owner = this; owner; owner = owner->FOwner) {
        if (owner == AComponent)
            throw std::invalid_argument("a component cannot own itself or its owners");
    }
    const QString &name = AComponent->FName;
    if (!name.isEmpty() && FindComponent(name))
        throw EComponentError(u"A component named %1 already exists"_s.arg(name));
}

void TkavComponent::insertChecked(std::unique_ptr<TkavComponent> AComponent)
{
    TkavComponent *component = AComponent.get();
    component->FOwner = this;
    FComponents.push_back(std::move(AComponent));
    if (!component->FName.isEmpty())
        FOwnedNames.insert(kavUpperCase(component->FName), component);
    Notification(component, opInsert);
}

std::unique_ptr<TkavComponent> TkavComponent::takeOwned(TkavComponent *AComponent)
{
    for (auto it = FComponents.begin(); it != FComponents.end(); ++it) {
        if (it->get() == AComponent) {
            std::unique_ptr<TkavComponent> taken = std::move(*it);
            FComponents.erase(it);
            if (!AComponent->FName.isEmpty())
                FOwnedNames.remove(kavUpperCase(AComponent->FName));
            return taken;
        }
    }
    return nullptr;
}

std::unique_ptr<TkavComponent> TkavComponent::RemoveComponent(TkavComponent *AComponent)
{
    std::unique_ptr<TkavComponent> taken = takeOwned(AComponent);
    if (taken)
        taken->FOwner = nullptr;
    return taken;
}

TkavComponent *TkavComponent::FindComponent(QStringView AName) const
{
    if (AName.isEmpty())
        return nullptr;
    return FOwnedNames.value(kavUpperCase(AName), nullptr);
}

bool TkavComponent::Free()
{
    if (!FOwner)
        return false;
    // The owner link stays during destruction so the owner's components are notified.
    std::unique_ptr<TkavComponent> self = FOwner->takeOwned(this);
    if (!self)
        return false;
    self.reset();
    return true;
}

void TkavComponent::FreeNotification(TkavComponent *AComponent)
{
    if (!AComponent || AComponent == this)
        return;
    for (const TkavComponentRef<TkavComponent> &ref : FFreeNotifies) {
        if (ref.get() == AComponent)
            return;
    }
    FFreeNotifies.emplace_back(AComponent);
}

void TkavComponent::RemoveFreeNotification(TkavComponent *AComponent)
{
    std::erase_if(FFreeNotifies, [AComponent](const TkavComponentRef<TkavComponent> &ref) {
        return !ref.get() || ref.get() == AComponent;
    });
}

void TkavComponent::Notification(TkavComponent *AComponent, TOperation Operation)
{
    Q_UNUSED(AComponent);
    Q_UNUSED(Operation);
}

// ---------------------------------------------------------------------------------------
// Names

void TkavComponent::SetName(const QString &Value)
{
    if (kavSameText(Value, FName))
        return;
    if (!Value.isEmpty()) {
        if (const TkavReport *report = Report()) {
            const TkavComponent *other = report->FindObject(Value);
            if (other && other != this)
                throw EDuplicateName(kavResourceTable().Get(u"prDupl"_s));
        }
    }
    if (IsAncestor())
        throw EkavError(resourceText(u"clCantRen"_s, FName));
    if (!Value.isEmpty() && !kavIsValidIdent(Value))
        throw EComponentError(u"''%1'' is not a valid component name"_s.arg(Value));
    if (FOwner) {
        const TkavComponent *other = FOwner->FindComponent(Value);
        if (other && other != this)
            throw EComponentError(u"A component named %1 already exists"_s.arg(Value));
    }
    indexName(false);
    FName = Value;
    indexName(true);
}

void TkavComponent::setPreparedName(const QString &Value)
{
    indexName(false);
    FName = Value;
    indexName(true);
}

// Adds the current name to, or takes it from, the tree root's and the owner's indexes.
void TkavComponent::indexName(bool add)
{
    if (FName.isEmpty())
        return;
    const QString key = kavUpperCase(FName);
    QMultiHash<QString, TkavComponent *> &tree = treeRoot()->FTreeNames;
    if (add) {
        tree.insert(key, this);
        // A component that is being freed has left its owner's list already.
        if (FOwner && !FDestroying)
            FOwner->FOwnedNames.insert(key, this);
    } else {
        tree.remove(key, this);
        if (FOwner && FOwner->FOwnedNames.value(key) == this)
            FOwner->FOwnedNames.remove(key);
    }
}

QString TkavComponent::BaseName() const
{
    if (!FBaseName.isEmpty())
        return FBaseName;
    QString name = ClassName();
    for (QStringView part : {u"Tkav", u"View"}) {
        const qsizetype pos = name.indexOf(part);
        if (pos >= 0)
            name.remove(pos, part.size());
    }
    return name;
}

void TkavComponent::SetBaseName(const QString &Value)
{
    FBaseName = Value;
}

void TkavComponent::CreateUniqueName(const std::function<bool(const QString &)> &Reserved)
{
    // Taken: the names below the report (or below the parent when there is no report), the
    // own name, and the names the owner holds outside the tree (the rename would fail).
    const TkavComponent *scope = Report();
    if (!scope)
        scope = FParent;
    const QString base = BaseName();
    for (int i = 1;; ++i) {
        const QString candidate = base + QString::number(i);
        if (kavSameText(candidate, FName) || (scope && scope->FindObject(candidate))
            || (FOwner && FOwner->FindComponent(candidate)) || (Reserved && Reserved(candidate)))
            continue;
        SetName(candidate);
        return;
    }
}

QString TkavComponent::GetDescription() const
{
    for (const TkavClassInfo *cls = &ClassInfo(); cls; cls = cls->Parent()) {
        for (const DescriptionKey &entry : descriptionKeys) {
            if (kavSameText(cls->ClassName(), entry.className))
                return kavResourceTable().Get(entry.key.toString());
        }
    }
    return ClassName();
}

// ---------------------------------------------------------------------------------------
// The tree

void TkavComponent::SetParent(TkavComponent *Value)
{
    for (const TkavComponent *ancestor = Value; ancestor; ancestor = ancestor->FParent) {
        if (ancestor == this)
            throw EComponentError(
                u"%1 cannot be placed inside itself or inside its own children"_s.arg(FName));
    }
    if (FParent != Value) {
        TkavComponent &oldRoot = *treeRoot();
        if (FParent)
            FParent->FObjects.removeOne(this);
        if (Value)
            Value->FObjects.append(this);
        FParent = Value;
        moveTreeNames(oldRoot, *treeRoot());
    }
    if (FParent)
        SetParentFont(FParentFont);
}

QList<TkavComponent *> TkavComponent::AllObjects() const
{
    QList<TkavComponent *> result;
    const auto walk = [&result](const TkavComponent *node, const auto &self) -> void {
        for (TkavComponent *child : node->FObjects) {
            result.append(child);
            self(child, self);
        }
    };
    walk(this, walk);
    return result;
}

QList<TkavComponent *> TkavComponent::GetContainerObjects() const
{
    return FObjects;
}

TkavComponent *TkavComponent::Page() const
{
    for (const TkavComponent *node = this; node; node = node->FParent) {
        if (node->InheritsFrom(u"TkavPage"))
            return const_cast<TkavComponent *>(node);
    }
    return nullptr;
}

TkavReport *TkavComponent::Report() const
{
    // By the class information rather than a dynamic cast: asked for by every object
    // drawn, the cast was the dearer part of the walk.
    const TkavClassInfo &reportClass = TkavReport::StaticClassInfo();
    for (const TkavComponent *node = this; node; node = node->FParent) {
        if (node->ClassInfo().InheritsFrom(reportClass))
            return const_cast<TkavReport *>(static_cast<const TkavReport *>(node));
    }
    return nullptr;
}

TkavComponent *TkavComponent::FindObject(QStringView AName) const
{
    // The index answers unless the name is empty or held more than once below this
    // component (then the first in tree order counts), or the tree is being destroyed.
    if (!AName.isEmpty() && !treeRoot()->FDestroying) {
        bool more = false;
        TkavComponent *found = indexedDescendant(AName, &more);
        if (!more)
            return found;
    }
    const QList<TkavComponent *> all = AllObjects();
    for (TkavComponent *component : all) {
        if (kavSameText(component->FName, AName))
            return component;
    }
    return nullptr;
}

TkavComponent *TkavComponent::treeRoot() const
{
    const TkavComponent *node = this;
    while (node->FParent)
        node = node->FParent;
    return const_cast<TkavComponent *>(node);
}

bool TkavComponent::isInside(const TkavComponent *ancestor) const
{
    for (const TkavComponent *node = FParent; node; node = node->FParent) {
        if (node == ancestor)
            return true;
    }
    return false;
}

// Moves the names of this subtree from one root's index to another's. A root that is being
// destroyed keeps no index (FindObject walks there), so taking a tree apart stays linear.
void TkavComponent::moveTreeNames(TkavComponent &from, TkavComponent &to)
{
    if (&from == &to || (from.FDestroying && to.FDestroying))
        return;
    const auto move = [&from, &to](TkavComponent *node, const auto &self) -> void {
        if (!node->FName.isEmpty()) {
            const QString key = kavUpperCase(node->FName);
            if (!from.FDestroying)
                from.FTreeNames.remove(key, node);
            if (!to.FDestroying)
                to.FTreeNames.insert(key, node);
        }
        for (TkavComponent *child : std::as_const(node->FObjects))
            self(child, self);
    };
    move(this, move);
}

// A descendant named AName by the tree index (null if none); *more tells whether another
// descendant has that name too.
TkavComponent *TkavComponent::indexedDescendant(QStringView AName, bool *more) const
{
    *more = false;
    const TkavComponent *root = treeRoot();
    const auto [first, last] = root->FTreeNames.equal_range(kavUpperCase(AName));
    TkavComponent *found = nullptr;
    for (auto it = first; it != last; ++it) {
        TkavComponent *node = it.value();
        if (!node->isInside(this))
            continue;
        if (found) {
            *more = true;
            break;
        }
        found = node;
    }
    return found;
}

void TkavComponent::MoveObject(TkavComponent *Child, int NewIndex)
{
    const qsizetype from = FObjects.indexOf(Child);
    if (from < 0)
        return;
    FObjects.move(from, std::clamp<qsizetype>(NewIndex, 0, FObjects.size() - 1));
}

void TkavComponent::Clear()
{
    qsizetype i = 0;
    while (i < FObjects.size()) {
        TkavComponent *child = FObjects[i];
        if (child->IsAncestor()) {
            child->Clear();
            ++i;
        } else if (!child->Free()) {
            // Held outside the document: it leaves the tree instead.
            child->SetParent(nullptr);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Aligning children

namespace {

// Ordinals of the views' TkavAlign, which views publish as Align.
enum ViewAlign : int {
    alignNone,
    alignLeft,
    alignRight,
    alignCenter,
    alignWidth,
    alignBottom,
    alignClient
};

struct AlignedView
{
    TkavComponent *view;
    ViewAlign align;
};

// The Align of a child view; nullopt for children that are not views.
std::optional<ViewAlign> viewAlign(const TkavComponent &child)
{
    if (!child.InheritsFrom(u"TkavView"))
        return std::nullopt;
    const TkavPropInfo *prop = kavFindProp(child, u"Align");
    if (!prop || !prop->IsOrdinal())
        return std::nullopt;
    const qint64 value = prop->GetOrd(child);
    if (value < alignNone || value > alignClient)
        return std::nullopt;
    return ViewAlign(value);
}

bool overlapsVertically(const TkavComponent &a, const TkavComponent &b)
{
    return !(b.AbsTop() >= a.AbsTop() + a.Height() - positionTolerance
             || a.AbsTop() >= b.AbsTop() + b.Height() - positionTolerance);
}

// The nearest view before (step -1) or after (step +1) position index in the list.
TkavComponent *neighbour(const QList<AlignedView> &list, qsizetype index, int step)
{
    const AlignedView &self = list[index];
    const TkavComponent &view = *self.view;
    for (qsizetype i = index + step; i >= 0 && i < list.size(); i += step) {
        const TkavComponent &candidate = *list[i].view;
        if (!overlapsVertically(view, candidate))
            continue;
        if (self.align == alignWidth) {
            if (step < 0 && view.Left() < candidate.Left())
                continue;
            if (step > 0 && view.Left() + view.Width() > candidate.Left() + candidate.Width())
                continue;
        }
        return list[i].view;
    }
    return nullptr;
}

} // namespace

void TkavComponent::AlignChildren()
{
    QList<AlignedView> sorted;
    for (TkavComponent *child : std::as_const(FObjects)) {
        if (const std::optional<ViewAlign> align = viewAlign(*child))
            sorted.append(AlignedView{child, *align});
    }
    // By Left to a hundredth of a pixel, numerically; equal positions keep their order.
    std::stable_sort(sorted.begin(), sorted.end(), [](const AlignedView &a, const AlignedView &b) {
        return std::nearbyint(a.view->Left() * 100) < std::nearbyint(b.view->Left() * 100);
    });
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        if (sorted[i].align != alignLeft && sorted[i].align != alignWidth)
            continue;
        const TkavComponent *left = neighbour(sorted, i, -1);
        sorted[i].view->SetLeft(left ? left->Left() + left->Width() : 0);
    }
    for (qsizetype i = sorted.size() - 1; i >= 0; --i) {
        TkavComponent &view = *sorted[i].view;
        if (sorted[i].align != alignRight && sorted[i].align != alignWidth)
            continue;
        const TkavComponent *right = neighbour(sorted, i, 1);
        const double edge = right ? right->Left() : FWidth;
        if (sorted[i].align == alignRight)
            view.SetLeft(edge - view.Width());
        else
            view.SetWidth(edge - view.Left());
    }
    for (TkavComponent *child : std::as_const(FObjects)) {
        switch (viewAlign(*child).value_or(alignNone)) {
        case alignCenter:
            child->SetLeft((FWidth - child->Width()) / 2);
            break;
        case alignBottom:
            child->SetTop(FHeight - child->Height());
            break;
        case alignClient:
            child->SetBounds(0, 0, FWidth, FHeight);
            break;
        default:
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Geometry

bool TkavComponent::isSubjectToRestriction(TkavRestrictionFlag flag) const
{
    return FIsDesigning && FRestrictions.Contains(flag);
}

void TkavComponent::SetLeft(double Value)
{
    if (!isSubjectToRestriction(rfDontMove))
        FLeft = Value;
}

void TkavComponent::SetTop(double Value)
{
    if (!isSubjectToRestriction(rfDontMove))
        FTop = Value;
}

void TkavComponent::SetWidth(double Value)
{
    if (!isSubjectToRestriction(rfDontSize))
        FWidth = Value;
}

void TkavComponent::SetHeight(double Value)
{
    if (!isSubjectToRestriction(rfDontSize))
        FHeight = Value;
}

void TkavComponent::SetBounds(double ALeft, double ATop, double AWidth, double AHeight)
{
    SetLeft(ALeft);
    SetTop(ATop);
    SetWidth(AWidth);
    SetHeight(AHeight);
}

namespace {

// Controls sit on a dialog page at their own coordinates (the page is the form). The
// answer per class is remembered: comparing class names at every level of every object
// drawn was a tenth of drawing a page.
bool placesChildrenAtOrigin(const TkavComponent &parent)
{
    struct Known
    {
        const TkavClassInfo *Class = nullptr;
        bool Dialog = false;
    };
    thread_local std::array<Known, 8> known;
    thread_local size_t next = 0;
    const TkavClassInfo *cls = &parent.ClassInfo();
    for (const Known &k : known)
        if (k.Class == cls)
            return k.Dialog;
    const bool dialog = cls->InheritsFrom(u"TkavDialogPage");
    known[next++ % known.size()] = {cls, dialog};
    return dialog;
}

} // namespace

double TkavComponent::AbsLeft() const
{
    if (!FParent || placesChildrenAtOrigin(*FParent))
        return FLeft;
    return FParent->AbsLeft() + FLeft;
}

double TkavComponent::AbsTop() const
{
    if (!FParent || placesChildrenAtOrigin(*FParent))
        return FTop;
    return FParent->AbsTop() + FTop;
}

// ---------------------------------------------------------------------------------------
// Font and flags

void TkavComponent::SetFont(const TFont &Value)
{
    FFont->Assign(Value);
    FParentFont = false;
}

void TkavComponent::SetParentFont(bool Value)
{
    if (Value && FParent)
        SetFont(FParent->Font());
    FParentFont = Value;
}

void TkavComponent::FontChanged()
{
    // A child's SetParentFont copies the font, which runs the child's own FontChanged: the
    // change travels down every chain of inheriting descendants.
    FParentFont = false;
    for (TkavComponent *child : std::as_const(FObjects)) {
        if (child->FParentFont)
            child->SetParentFont(true);
    }
}

void TkavComponent::SetVisible(bool Value)
{
    FVisible = Value;
}

// ---------------------------------------------------------------------------------------
// Prepared-page differences and hooks

QString TkavComponent::Diff(const TkavComponent &AComponent) const
{
    const auto differs = [](double a, double b) { return std::abs(a - b) > positionTolerance; };
    QString text;
    if (differs(FLeft, AComponent.FLeft))
        appendAttribute(text, u"l", kavFloatToFileText(FLeft));
    if (InheritsFrom(u"TkavBand") || differs(FTop, AComponent.FTop))
        appendAttribute(text, u"t", kavFloatToFileText(FTop));
    if (differs(FWidth, AComponent.FWidth)) {
        // A memo that sizes itself to its text has no width of its own to describe.
        const TkavPropInfo *autoWidth = InheritsFrom(u"TkavCustomMemoView")
                                            ? kavFindProp(*this, u"AutoWidth")
                                            : nullptr;
        if (!(autoWidth && autoWidth->IsBoolean() && autoWidth->GetOrd(*this) != 0))
            appendAttribute(text, u"w", kavFloatToFileText(FWidth));
    }
    if (differs(FHeight, AComponent.FHeight))
        appendAttribute(text, u"h", kavFloatToFileText(FHeight));
    if (FVisible != AComponent.FVisible)
        appendAttribute(text, u"Visible", boolText(FVisible));
    if (!FParentFont) {
        const TFont &own = *FFont;
        const TFont &other = AComponent.Font();
        if (own.Name() != other.Name())
            appendAttribute(text, u"Font.Name", kavEncodeXMLText(own.Name()));
        if (own.Size() != other.Size())
            appendAttribute(text, u"Font.Size", QString::number(own.Size()));
        if (own.Color() != other.Color())
            appendAttribute(text, u"Font.Color", QString::number(own.Color()));
        if (own.Style() != other.Style())
            appendAttribute(text, u"Font.Style", QString::number(own.Style().Mask()));
        if (own.Charset() != other.Charset())
            appendAttribute(text, u"Font.Charset", QString::number(own.Charset()));
    }
    if (FParentFont != AComponent.FParentFont)
        appendAttribute(text, u"ParentFont", boolText(FParentFont));
    if (FTag != AComponent.FTag)
        appendAttribute(text, u"Tag", QString::number(FTag));
    return text;
}

QString TkavComponent::AllDiff(const TkavComponent *AComponent)
{
    TkavXMLSerializer serializer;
    serializer.SetOwner(Report());
    const QString element = serializer.WriteComponentStr(this);
    const qsizetype space = element.indexOf(u' ');
    QString text = space < 0 ? QString() : element.mid(space + 1);
    if (AComponent)
        text += u' ' + Diff(*AComponent);
    if (InheritsFrom(u"TkavNullBand")) {
        appendAttribute(text, u"l", kavFloatToFileText(FLeft));
        appendAttribute(text, u"t", kavFloatToFileText(FTop));
    }
    return text;
}

// ---------------------------------------------------------------------------------------
// Copies and streams

namespace {

// Publishes a reader as the report's XMLSerializer for one load and hands its error lines
// to the report afterwards, also when the load fails.
class LoadScope
{
public:
    LoadScope(TkavReport *report, TkavXMLSerializer &serializer)
        : FReport(report)
        , FSerializer(serializer)
    {
        if (FReport)
            FReport->SetXMLSerializer(&FSerializer);
    }
    ~LoadScope()
    {
        TkavReport *report = FReport.get();
        if (!report)
            return;
        report->SetXMLSerializer(nullptr);
        report->Errors().AddStrings(FSerializer.Errors());
    }
    LoadScope(const LoadScope &) = delete;
    LoadScope &operator=(const LoadScope &) = delete;

private:
    TkavComponentRef<TkavReport> FReport;
    TkavXMLSerializer &FSerializer;
};

} // namespace

void TkavComponent::Assign(const TPersistent &Source)
{
    const auto *source = dynamic_cast<const TkavComponent *>(&Source);
    if (!source || source == this)
        return;
    TMemoryStream stream;
    const_cast<TkavComponent *>(source)->SaveToStream(stream, false, true, false);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TkavComponent::AssignAll(const TkavComponent &Source, bool Streaming)
{
    if (&Source == this)
        return;
    TMemoryStream stream;
    const_cast<TkavComponent &>(Source).SaveToStream(stream, true, true, Streaming);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TkavComponent::LoadFromStream(TStream &Stream)
{
    // The whole document is parsed before anything is cleared: a broken text changes nothing.
    TkavXMLDocument document;
    document.LoadFromStream(Stream);
    LoadFromXMLItem(*document.Root(), document.OldVersion());
}

void TkavComponent::LoadFromXMLItem(TkavXMLItem &Item, bool OldFormat)
{
    if (!FAncestorOnlyStream)
        Clear();
    TkavReport *report = Report();
    TkavXMLSerializer serializer;
    serializer.SetHandleNestedProperties(true);
    serializer.SetOwner(report);
    serializer.SetOldFormat(OldFormat);
    if (report && report->OnGetCustomData())
        serializer.SetOnGetCustomDataEvent(report->OnGetCustomData());
    LoadScope scope(report, serializer);
    serializer.ReadRootComponent(this, &Item);
}

void TkavComponent::SaveToStream(TStream &Stream,
                                 bool SaveChildren,
                                 bool SaveDefaultValues,
                                 bool Streaming)
{
    TkavXMLSerializer serializer(&Stream);
    serializer.SetHandleNestedProperties(true);
    serializer.SetSaveAncestorOnly(FAncestorOnlyStream);
    serializer.SetOwner(Report());
    serializer.SetSerializeDefaultValues(SaveDefaultValues);
    if (auto *report = dynamic_cast<TkavReport *>(this); report && !FAncestorOnlyStream)
        serializer.SetOnSaveCustomDataEvent(report->OnSaveCustomData());
    // A child report writes only what differs from its ancestor.
    if (TkavReport *report = Report(); report && (report == this || FAncestorOnlyStream)) {
        serializer.SetOnGetAncestor([report](const QString &name, TPersistent *&ancestor) {
            ancestor = report->GetAncestor(name);
        });
    }
    serializer.WriteRootComponent(this, SaveChildren, nullptr, Streaming);
}

void TkavComponent::OnNotify(TObject *Sender)
{
    Q_UNUSED(Sender);
}

void TkavComponent::WriteNestedProperties(TkavXMLItem *Item)
{
    Q_UNUSED(Item);
}

bool TkavComponent::ReadNestedProperty(TkavXMLItem *Item)
{
    Q_UNUSED(Item);
    return false;
}

bool TkavComponent::ContainerAdd(TkavComponent *Obj)
{
    Q_UNUSED(Obj);
    return false;
}

bool TkavComponent::ContainerMouseDown(TObject *Sender, int X, int Y)
{
    Q_UNUSED(Sender);
    Q_UNUSED(X);
    Q_UNUSED(Y);
    return false;
}

void TkavComponent::ContainerMouseMove(TObject *Sender, int X, int Y)
{
    Q_UNUSED(Sender);
    Q_UNUSED(X);
    Q_UNUSED(Y);
}

void TkavComponent::ContainerMouseUp(TObject *Sender, int X, int Y)
{
    Q_UNUSED(Sender);
    Q_UNUSED(X);
    Q_UNUSED(Y);
}

// ---------------------------------------------------------------------------------------
// TkavReportComponent

TkavReportComponent::TkavReportComponent(TkavComponent *AOwner)
    : TkavComponent(AOwner)
{}

TkavReportComponent::~TkavReportComponent() = default;

void TkavReportComponent::BeforePrint()
{
    SetOriginalRect(TkavRect{Left(), Top(), Width(), Height()});
}

void TkavReportComponent::AfterPrint()
{
    const TkavRect &saved = OriginalRect();
    SetBounds(saved.Left, saved.Top, saved.Right, saved.Bottom);
}

QString TkavReportComponent::GetComponentText() const
{
    return QString();
}

TkavRect TkavReportComponent::GetRealBounds() const
{
    const double left = AbsLeft();
    const double top = AbsTop();
    return TkavRect{left, top, left + Width(), top + Height()};
}

QList<TkavReportComponent *> TkavReportComponent::ShiftChildren() const
{
    QList<TkavReportComponent *> live;
    for (const TkavComponentRef<TkavReportComponent> &child : FShiftChildren) {
        if (TkavReportComponent *component = child.get())
            live.append(component);
    }
    return live;
}

// ---------------------------------------------------------------------------------------
// Guards

TkavWritingGuard::TkavWritingGuard(TkavComponent &component)
    : FComponent(&component)
    , FOld(component.IsWriting())
{
    component.SetIsWriting(true);
}

TkavWritingGuard::~TkavWritingGuard()
{
    if (TkavComponent *component = FComponent.get())
        component->SetIsWriting(FOld);
}

TkavLoadingGuard::TkavLoadingGuard(TkavComponent &component)
    : FComponent(&component)
    , FOld(component.IsLoading())
{
    component.SetIsLoading(true);
}

TkavLoadingGuard::~TkavLoadingGuard()
{
    restore();
}

TkavLoadingGuard::TkavLoadingGuard(TkavLoadingGuard &&other) noexcept
    : FComponent(std::exchange(other.FComponent, TkavComponentRef<TkavComponent>()))
    , FOld(other.FOld)
{}

TkavLoadingGuard &TkavLoadingGuard::operator=(TkavLoadingGuard &&other) noexcept
{
    if (this != &other) {
        restore();
        FComponent = std::exchange(other.FComponent, TkavComponentRef<TkavComponent>());
        FOld = other.FOld;
    }
    return *this;
}

void TkavLoadingGuard::restore()
{
    if (TkavComponent *component = FComponent.get())
        component->SetIsLoading(FOld);
    FComponent.reset();
}

// ---------------------------------------------------------------------------------------
// Start-up

// The families in a fixed order.
void kavRegisterReportClasses()
{
    kavRegisterClass(TkavReport::StaticClassInfo());
    kavRegisterFrameClasses();
    kavRegisterReportOptionClasses();
    kavRegisterDataSetClasses();
    kavRegisterFileDataSetClasses();
    kavRegisterSQLDataSetClasses();
    kavRegisterViewClasses();
    kavRegisterPageClasses();
    kavRegisterBandClasses();
    kavRegisterStyleClasses();
    kavRegisterDMPClasses();
    kavRegisterDialogClasses();
}
