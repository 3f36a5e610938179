#include "kavDataSets.h"

#include "kavReport.h"

#include <persist/kavRes.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRectF>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Restores the painter's state when the drawing code leaves, also on errors.
class PainterStateGuard
{
public:
    explicit PainterStateGuard(QPainter &painter)
        : FPainter(painter)
    {
        FPainter.save();
    }
    ~PainterStateGuard() { FPainter.restore(); }
    PainterStateGuard(const PainterStateGuard &) = delete;
    PainterStateGuard &operator=(const PainterStateGuard &) = delete;

private:
    QPainter &FPainter;
};

// "Empty after trimming blanks": nothing but control characters and white space.
bool isBlank(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c <= u' ' || c.isSpace(); });
}

// The report a data set belongs to: its tree's report, else an owning report.
const TkavReport *owningReport(const TkavDataSet &dataSet)
{
    if (const TkavReport *report = dataSet.Report())
        return report;
    return dynamic_cast<const TkavReport *>(dataSet.Owner());
}

const QColor buttonFace(240, 240, 240);
const QColor buttonHighlight(255, 255, 255);
const QColor buttonShadow(160, 160, 160);

} // namespace

// ---------------------------------------------------------------------------------------
// Enumerations

const TkavEnumInfo &kavEnumTypeInfo(TkavRangeBegin)
{
    static const TkavEnumInfo info(u"TkavRangeBegin"_s, {u"rbFirst"_s, u"rbCurrent"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavRangeEnd)
{
    static const TkavEnumInfo info(u"TkavRangeEnd"_s, {u"reLast"_s, u"reCurrent"_s, u"reCount"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavFieldType)
{
    static const TkavEnumInfo info(
        u"TkavFieldType"_s, {u"fftNumeric"_s, u"fftString"_s, u"fftBoolean"_s, u"fftDateTime"_s});
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavDialogComponent

TkavDialogComponent::TkavDialogComponent(TkavComponent *AOwner)
    : TkavReportComponent(AOwner)
{
    SetkvComponentStyle(kvComponentStyle().Exclude(csPreviewVisible));
    SetWidth(kavDialogComponentSize);
    SetHeight(kavDialogComponentSize);
}

TkavDialogComponent::~TkavDialogComponent() = default;

void TkavDialogComponent::Draw(
    QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    SetWidth(kavDialogComponentSize);
    SetHeight(kavDialogComponentSize);
    if (!Canvas)
        return;
    PainterStateGuard state(*Canvas);
    const QRectF box(
        Left() * ScaleX + OffsetX, Top() * ScaleY + OffsetY, Width() * ScaleX, Height() * ScaleY);
    Canvas->fillRect(box, buttonFace);
    // Raised edge: light on the top and left, shadow on the bottom and right.
    Canvas->setPen(buttonHighlight);
    Canvas->drawLine(box.topLeft(), box.topRight());
    Canvas->drawLine(box.topLeft(), box.bottomLeft());
    Canvas->setPen(buttonShadow);
    Canvas->drawLine(box.bottomLeft(), box.bottomRight());
    Canvas->drawLine(box.topRight(), box.bottomRight());

    // The palette icon, 6 pixels in from the top left corner.
    const TkavImageList &icons = kavResourceTable().GetObjectImages();
    if (FImageIndex >= 0 && FImageIndex < icons.size()) {
        const QImage &icon = icons[FImageIndex];
        Canvas->drawImage(QRectF(box.left() + 6 * ScaleX,
                                 box.top() + 6 * ScaleY,
                                 icon.width() * ScaleX,
                                 icon.height() * ScaleY),
                          icon);
    }

    // The name in Tahoma 8 (11 pixels at 96 per inch), centred 4 pixels below the square.
    QFont font(u"Tahoma"_s);
    font.setPixelSize(std::max(1, qRound(8.0 * 96 / 72 * ScaleY)));
    Canvas->setFont(font);
    Canvas->setPen(Qt::black);
    const QFontMetricsF metrics(font);
    const double textLeft = box.center().x() - metrics.horizontalAdvance(Name()) / 2;
    const double baseline = box.bottom() + 4 * ScaleY + metrics.ascent();
    Canvas->drawText(QPointF(textLeft, baseline), Name());
}

void TkavDialogComponent::DefinePropData(TkavPropDataWriter &Writer) const
{
    if (!Report())
        return;
    Writer.WriteInteger(u"pLeft"_s, qint32(kavRound(Left())));
    Writer.WriteInteger(u"pTop"_s, qint32(kavRound(Top())));
}

void TkavDialogComponent::ReadPropData(const TkavPropDataEntry &Entry)
{
    if (kavSameText(Entry.Name, u"pLeft"))
        SetLeft(double(Entry.Integer));
    else if (kavSameText(Entry.Name, u"pTop"))
        SetTop(double(Entry.Integer));
}

const TkavClassInfo &TkavDialogComponent::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavDialogComponent, TkavReportComponent>(
        u"TkavDialogComponent"_s, [](TkavPropBuilder<TkavDialogComponent> &) {}, TkavFactory());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavDataSet

TkavDataSet::TkavDataSet(TkavComponent *AOwner)
    : TkavDialogComponent(AOwner)
{
    kavGlobalDataSets().Add(this);
}

// Leaving the list comes first, so no look-up can reach the data set while the rest of it
// is taken down; the lock is recursive, so a look-up made from a destruction notification
// on the same thread never deadlocks.
TkavDataSet::~TkavDataSet()
{
    kavGlobalDataSets().Remove(this);
}

void TkavDataSet::SetRangeEndCount(int value)
{
    FRangeEndCount = std::max(0, value);
}

void TkavDataSet::SetUserName(const QString &value)
{
    if (isBlank(value))
        throw EkavError(kavResourceTable().Get(u"prInvProp"_s));
    // The user name is the key of the process-wide look-up: change it under its lock.
    const auto lock = kavGlobalDataSets().Guard();
    FUserName = value;
    FUserNameFollowsName = value == Name();
}

TkavReport *TkavDataSet::ReportRef() const
{
    return FReportRef.get();
}

void TkavDataSet::SetReportRef(TkavReport *value)
{
    FReportRef = value;
}

QString TkavDataSet::GetDisplayText(const QString &)
{
    return {};
}

int TkavDataSet::GetDisplayWidth(const QString &)
{
    return 10;
}

TkavFieldType TkavDataSet::GetFieldType(const QString &)
{
    return fftNumeric;
}

Variant TkavDataSet::GetValue(const QString &)
{
    return Variant::Null();
}

void TkavDataSet::Initialize() {}

void TkavDataSet::Finalize() {}

void TkavDataSet::Open()
{
    DoNotify(FHandlers.OnOpen, FOnOpen);
}

void TkavDataSet::Close()
{
    DoNotify(FHandlers.OnClose, FOnClose);
}

void TkavDataSet::First()
{
    FRecNo = 0;
    FEof = false;
    DoNotify(FHandlers.OnFirst, FOnFirst);
}

void TkavDataSet::Next()
{
    FEof = false;
    ++FRecNo;
    if (FRangeEnd == reCount && FRecNo >= FRangeEndCount) {
        FRecNo = FRangeEndCount - 1;
        FEof = true;
        return;
    }
    DoNotify(FHandlers.OnNext, FOnNext);
}

// Stepping back leaves the end: otherwise a data set that reached its end would still
// report it while standing on an earlier record.
void TkavDataSet::Prior()
{
    --FRecNo;
    FEof = false;
    DoNotify(FHandlers.OnPrior, FOnPrior);
}

bool TkavDataSet::Eof()
{
    bool result = FRangeEnd == reCount && (FRecNo >= FRangeEndCount || FEof);
    DoCheckEOF(result);
    return result;
}

int TkavDataSet::FieldsCount()
{
    return 0;
}

bool TkavDataSet::IsBlobField(const QString &)
{
    return false;
}

int TkavDataSet::RecordCount()
{
    return FRangeBegin == rbFirst && FRangeEnd == reCount ? FRangeEndCount : 0;
}

void TkavDataSet::AssignBlobTo(const QString &, TObject *) {}

void TkavDataSet::GetFieldList(TStrings &List)
{
    List.Clear();
}

bool TkavDataSet::HasField(const QString &fName)
{
    TStringList fields;
    GetFieldList(fields);
    return fields.IndexOf(fName) >= 0;
}

void TkavDataSet::CallScript(const QString &procName, QList<Variant> &params)
{
    if (procName.isEmpty())
        return;
    if (const std::shared_ptr<TkavDataSetScript> script = FScript.lock())
        script->CallDataSetEvent(procName, params);
}

void TkavDataSet::DoNotify(const TkavDataSetNotify &handler, const QString &procName)
{
    if (handler)
        handler(*this);
    QList<Variant> params{Variant::FromObject(this)};
    CallScript(procName, params);
}

void TkavDataSet::DoCheckEOF(bool &eof)
{
    if (FHandlers.OnCheckEOF)
        FHandlers.OnCheckEOF(*this, eof);
    QList<Variant> params{Variant::FromObject(this), Variant(eof)};
    CallScript(FOnCheckEOF, params);
    if (params.size() > 1)
        eof = params[1].AsBoolean();
}

bool TkavDataSet::HasCheckEOF() const
{
    return bool(FHandlers.OnCheckEOF) || (!FOnCheckEOF.isEmpty() && HasScript());
}

const TkavClassInfo &TkavDataSet::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavDataSet, TkavDialogComponent>(
        u"TkavDataSet"_s,
        [](TkavPropBuilder<TkavDataSet> &p) {
            p.Bool(u"Enabled"_s, &TkavDataSet::Enabled, &TkavDataSet::SetEnabled)
                .Default(kavDataSetDefaultEnabled);
            p.Enum(u"RangeBegin"_s, &TkavDataSet::RangeBegin, &TkavDataSet::SetRangeBegin)
                .Default(kavDataSetDefaultRangeBegin);
            p.Enum(u"RangeEnd"_s, &TkavDataSet::RangeEnd, &TkavDataSet::SetRangeEnd)
                .Default(kavDataSetDefaultRangeEnd);
            p.Int(u"RangeEndCount"_s, &TkavDataSet::RangeEndCount, &TkavDataSet::SetRangeEndCount)
                .Default(kavDataSetDefaultRangeEndCount)
                .Range(std::numeric_limits<qint32>::min(), kavMaxRecordCount);
            p.String(u"UserName"_s, &TkavDataSet::UserName, &TkavDataSet::SetUserName)
                .StoredIf(&TkavDataSet::IsUserNameStored);
            p.Event(u"OnCheckEOF"_s,
                    &TkavDataSet::OnCheckEOF,
                    &TkavDataSet::SetOnCheckEOF,
                    u"TkavCheckEOFEvent"_s);
            p.Event(u"OnFirst"_s, &TkavDataSet::OnFirst, &TkavDataSet::SetOnFirst);
            p.Event(u"OnNext"_s, &TkavDataSet::OnNext, &TkavDataSet::SetOnNext);
            p.Event(u"OnPrior"_s, &TkavDataSet::OnPrior, &TkavDataSet::SetOnPrior);
        },
        TkavFactory());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavUserDataSet

TkavUserDataSet::TkavUserDataSet(TkavComponent *AOwner)
    : TkavDataSet(AOwner)
    , FFields(std::make_unique<TStringList>())
{}

TkavUserDataSet::~TkavUserDataSet() = default;

void TkavUserDataSet::SetFields(const TStrings &value)
{
    FFields->Assign(value);
}

Variant TkavUserDataSet::GetValue(const QString &Index)
{
    Variant value = Variant::Null();
    if (FValueHandlers.OnGetValue)
        FValueHandlers.OnGetValue(Index, value);
    QList<Variant> params{Variant(Index), value};
    CallScript(FOnGetValue, params);
    if (params.size() > 1)
        value = params[1];

    if (FValueHandlers.OnNewGetValue)
        FValueHandlers.OnNewGetValue(*this, Index, value);
    params = {Variant::FromObject(this), Variant(Index), value};
    CallScript(FOnNewGetValue, params);
    if (params.size() > 2)
        value = params[2];
    return value;
}

// The text of the value itself: a field answered by OnGetValue keeps its text when an
// OnNewGetValue handler exists but leaves that field alone.
QString TkavUserDataSet::GetDisplayText(const QString &Index)
{
    return VarToStr(GetValue(Index));
}

void TkavUserDataSet::Initialize()
{
    TkavDataSet::Initialize();
    if (RangeEnd() != reCount && !HasCheckEOF())
        throw EkavError(
            u"Data set \"%1\" has no end: its range runs to %2 and nothing answers OnCheckEOF; "
            "set RangeEnd to reCount or give it an OnCheckEOF handler"_s.arg(
                UserName().isEmpty() ? ClassName() : UserName(),
                kavEnumTypeInfo(RangeEnd()).NameOf(RangeEnd())));
}

int TkavUserDataSet::FieldsCount()
{
    return FFields->Count();
}

void TkavUserDataSet::GetFieldList(TStrings &List)
{
    List.Assign(*FFields);
}

const TkavClassInfo &TkavUserDataSet::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavUserDataSet, TkavDataSet>(
        u"TkavUserDataSet"_s,
        [](TkavPropBuilder<TkavUserDataSet> &p) {
            p.StringList(u"Fields"_s, &TkavUserDataSet::Fields, &TkavUserDataSet::SetFields);
            p.Event(u"OnGetValue"_s,
                    &TkavUserDataSet::OnGetValue,
                    &TkavUserDataSet::SetOnGetValue,
                    u"TkavGetValueEvent"_s);
            p.Event(u"OnNewGetValue"_s,
                    &TkavUserDataSet::OnNewGetValue,
                    &TkavUserDataSet::SetOnNewGetValue,
                    u"TkavNewGetValueEvent"_s);
        },
        kavComponentFactory<TkavUserDataSet>());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavCustomDBDataSet

TkavCustomDBDataSet::TkavCustomDBDataSet(TkavComponent *AOwner)
    : TkavDataSet(AOwner)
    , FFieldAliases(std::make_unique<TStringList>())
{
    FFields.SetDuplicates(dupIgnore);
    FFields.SetSorted(true);
}

TkavCustomDBDataSet::~TkavCustomDBDataSet() = default;

void TkavCustomDBDataSet::SetFieldAliases(const TStrings &value)
{
    FFieldAliases->Assign(value);
}

QString TkavCustomDBDataSet::GetAlias(const QString &fName) const
{
    for (int i = 0; i < FFieldAliases->Count(); ++i) {
        const QString line = FFieldAliases->Strings(i);
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && kavSameText(QStringView(line).left(eq), fName))
            return line.mid(eq + 1);
    }
    return fName;
}

QString TkavCustomDBDataSet::ConvertAlias(const QString &fName) const
{
    for (int i = 0; i < FFieldAliases->Count(); ++i) {
        const QString line = FFieldAliases->Strings(i);
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && kavSameText(QStringView(line).mid(eq + 1), fName))
            return line.left(eq);
    }
    return fName;
}

int TkavCustomDBDataSet::GetDisplayWidth(const QString &Index)
{
    switch (GetFieldType(Index)) {
    case fftString:
        return 20;
    case fftBoolean:
        return 5;
    default:
        return 10;
    }
}

int TkavCustomDBDataSet::FieldsCount()
{
    TStringList fields;
    GetFieldList(fields);
    return fields.Count();
}

const TkavClassInfo &TkavCustomDBDataSet::StaticClassInfo()
{
    using T = TkavCustomDBDataSet;
    static const TkavClassInfo info = kavMakeClassInfo<T, TkavDataSet>(
        u"TkavCustomDBDataSet"_s,
        [](TkavPropBuilder<T> &p) {
            p.StringList(u"FieldAliases"_s, &T::FieldAliases, &T::SetFieldAliases);
            p.Bool(u"OpenDataSource"_s, &T::OpenDataSource, &T::SetOpenDataSource)
                .Default(kavDataSetDefaultOpenDataSource);
            p.Bool(u"CloseDataSource"_s, &T::CloseDataSource, &T::SetCloseDataSource);
            p.Event(u"OnOpen"_s, &T::OnOpen, &T::SetOnOpen);
            p.Event(u"OnClose"_s, &T::OnClose, &T::SetOnClose);
        },
        TkavFactory());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavCustomDatabase, TkavDBComponents

TkavCustomDatabase::TkavCustomDatabase(TkavComponent *AOwner)
    : TkavDialogComponent(AOwner)
{}

TkavCustomDatabase::~TkavCustomDatabase() = default;

const TkavClassInfo &TkavCustomDatabase::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavCustomDatabase, TkavDialogComponent>(
        u"TkavCustomDatabase"_s, [](TkavPropBuilder<TkavCustomDatabase> &) {}, TkavFactory());
    return info;
}

TkavDBComponents::TkavDBComponents(TkavComponent *AOwner)
    : TkavComponent(AOwner)
{}

TkavDBComponents::~TkavDBComponents() = default;

const TkavClassInfo &TkavDBComponents::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavDBComponents, TkavComponent>(
        u"TkavDBComponents"_s, [](TkavPropBuilder<TkavDBComponents> &) {}, TkavFactory());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavGlobalDataSetList

void TkavGlobalDataSetList::Add(TkavDataSet *dataSet)
{
    const auto lock = Guard();
    FItems.append(dataSet);
}

void TkavGlobalDataSetList::Remove(TkavDataSet *dataSet)
{
    const auto lock = Guard();
    FItems.removeOne(dataSet);
}

int TkavGlobalDataSetList::Count() const
{
    const auto lock = Guard();
    return int(FItems.size());
}

bool TkavGlobalDataSetList::Contains(const TkavDataSet *dataSet) const
{
    const auto lock = Guard();
    return FItems.contains(dataSet);
}

QList<TkavDataSet *> TkavGlobalDataSetList::Items() const
{
    const auto lock = Guard();
    return FItems;
}

TkavDataSet *TkavGlobalDataSetList::Find(QStringView name, const TkavReport *asker) const
{
    if (name.isEmpty())
        return nullptr;
    const auto lock = Guard();
    for (TkavDataSet *dataSet : FItems) {
        if (!kavSameText(dataSet->UserName(), name))
            continue;
        const TkavReport *owner = owningReport(*dataSet);
        if (asker && owner && owner != asker)
            continue;
        return dataSet;
    }
    return nullptr;
}

void TkavGlobalDataSetList::GetDataSetList(TStrings &list) const
{
    const auto lock = Guard();
    for (TkavDataSet *dataSet : FItems) {
        const QString name = dataSet->UserName();
        if (!name.isEmpty() && dataSet->Enabled())
            list.AddObject(name, dataSet);
    }
}

TkavGlobalDataSetList &kavGlobalDataSets()
{
    // Deliberately never destroyed: static objects are torn down in an order that could
    // otherwise end the list before the last data set leaves it.
    static TkavGlobalDataSetList &list = *new TkavGlobalDataSetList;
    return list;
}

// ---------------------------------------------------------------------------------------
// TkavDataSetItem, TkavReportDataSets

TkavDataSetItem::~TkavDataSetItem() = default;

// ---------------------------------------------------------------------------------------
// Data-set links of report objects

TkavDataSet *TkavDataSetLink::DataSet() const
{
    return FDataSet.get();
}

void TkavDataSetLink::SetDataSet(TkavDataSet *Value)
{
    FDataSet = Value;
    FName = Value ? Value->UserName() : QString();
}

QString TkavDataSetLink::Name() const
{
    const TkavDataSet *dataSet = FDataSet.get();
    return dataSet ? dataSet->UserName() : FName;
}

void TkavDataSetLink::SetName(const QString &Value, const TkavComponent &Resolver)
{
    FName = Value;
    FDataSet = Resolver.FindDataSet(FDataSet.get(), Value);
}

void TkavDataSetLink::Clear()
{
    FDataSet = nullptr;
    FName.clear();
}

TkavDataSet *TkavDataSetItem::DataSet() const
{
    return FDataSet.get();
}

void TkavDataSetItem::SetDataSet(TkavDataSet *value)
{
    hold(value);
    FDataSetName = value ? value->UserName() : QString();
}

// The report hears when a data set it lists goes away, whoever owns it, and drops the item.
void TkavDataSetItem::hold(TkavDataSet *dataSet)
{
    FDataSet = dataSet;
    if (TkavReport *owner = report(); owner && dataSet)
        dataSet->FreeNotification(owner);
}

QString TkavDataSetItem::DataSetName() const
{
    const TkavDataSet *dataSet = DataSet();
    return dataSet ? dataSet->UserName() : FDataSetName;
}

// The name is kept even when nothing answers to it, so that a run can report which data
// set is missing.
void TkavDataSetItem::SetDataSetName(const QString &value)
{
    FDataSetName = value;
    if (value.isEmpty())
        FDataSet = nullptr;
    else if (TkavReport *owner = report())
        hold(owner->FindDataSet(FDataSet.get(), value));
    else
        FDataSet = kavGlobalDataSets().Find(value);
}

void TkavDataSetItem::Assign(const TPersistent &source)
{
    const auto *item = dynamic_cast<const TkavDataSetItem *>(&source);
    if (!item) {
        TkavCollectionItem::Assign(source);
        return;
    }
    hold(item->DataSet());
    FDataSetName = item->FDataSetName;
}

TkavReport *TkavDataSetItem::report() const
{
    const auto *list = dynamic_cast<const TkavReportDataSets *>(Collection());
    return list ? list->Report() : nullptr;
}

const TkavClassInfo &TkavDataSetItem::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavDataSetItem, TkavCollectionItem>(
        u"TkavDataSetItem"_s, [](TkavPropBuilder<TkavDataSetItem> &p) {
            p.Component(u"DataSet"_s, &TkavDataSetItem::DataSet, &TkavDataSetItem::SetDataSet);
            p.String(
                u"DataSetName"_s, &TkavDataSetItem::DataSetName, &TkavDataSetItem::SetDataSetName);
        });
    return info;
}

TkavReportDataSets::TkavReportDataSets(TkavReport *report)
    : TkavCollection(TkavDataSetItem::StaticClassInfo())
    , FReport(report)
{}

TkavReportDataSets::~TkavReportDataSets() = default;

TkavDataSetItem *TkavReportDataSets::Items(int index) const
{
    return static_cast<TkavDataSetItem *>(TkavCollection::Items(index));
}

TkavDataSetItem *TkavReportDataSets::Add(TkavDataSet *dataSet)
{
    auto *item = static_cast<TkavDataSetItem *>(TkavCollection::Add());
    item->SetDataSet(dataSet);
    return item;
}

TkavDataSetItem *TkavReportDataSets::Find(const TkavDataSet *dataSet) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->DataSet() == dataSet)
            return Items(i);
    return nullptr;
}

TkavDataSetItem *TkavReportDataSets::Find(QStringView name) const
{
    for (int i = 0; i < Count(); ++i) {
        const TkavDataSet *dataSet = Items(i)->DataSet();
        if (dataSet && kavSameText(dataSet->UserName(), name))
            return Items(i);
    }
    return nullptr;
}

void TkavReportDataSets::Delete(QStringView name)
{
    if (TkavDataSetItem *item = Find(name))
        TkavCollection::Delete(IndexOf(item));
}

void TkavReportDataSets::Initialize(std::weak_ptr<TkavDataSetScript> script)
{
    for (int i = 0; i < Count(); ++i) {
        if (TkavDataSet *dataSet = Items(i)->DataSet()) {
            dataSet->SetReportRef(FReport);
            dataSet->SetScript(script);
            dataSet->Initialize();
        }
    }
}

void TkavReportDataSets::Finalize()
{
    for (int i = 0; i < Count(); ++i)
        if (TkavDataSet *dataSet = Items(i)->DataSet())
            dataSet->Finalize();
}

const TkavClassInfo &TkavReportDataSets::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavReportDataSets, TkavCollection>(
        u"TkavReportDataSets"_s, [](TkavPropBuilder<TkavReportDataSets> &) {});
    return info;
}

// ---------------------------------------------------------------------------------------

void kavRegisterDataSetClasses()
{
    for (const TkavClassInfo *info : {&TkavDialogComponent::StaticClassInfo(),
                                      &TkavDataSet::StaticClassInfo(),
                                      &TkavUserDataSet::StaticClassInfo(),
                                      &TkavCustomDBDataSet::StaticClassInfo(),
                                      &TkavCustomDatabase::StaticClassInfo(),
                                      &TkavDBComponents::StaticClassInfo(),
                                      &TkavDataSetItem::StaticClassInfo(),
                                      &TkavReportDataSets::StaticClassInfo()})
        kavRegisterClass(*info);
}
