#include "kavStyles.h"

#include "kavReport.h"
#include "kavViews.h"

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <QSet>

using namespace Qt::StringLiterals;

namespace {

const QString styleRoot = u"style"_s;
const QString sheetRoot = u"stylesheet"_s;
const QString itemElement = u"item"_s;
const QString nameAttr = u"Name"_s;
const QString inheritedNameAttr = u"InheritedName"_s;
const QString uniqueNameBase = u"Style"_s;

// At most this many reasons are quoted in a load error; the first ones tell the story.
constexpr int maxQuotedErrors = 3;

[[noreturn]] void raiseInvalidFormat(const QStringList &reasons)
{
    QString message = u"Invalid file format"_s;
    if (!reasons.isEmpty())
        message += u": "_s + reasons.mid(0, maxQuotedErrors).join(u"; "_s);
    throw TkavInvalidXMLException(message);
}

QStringList toList(const TStrings &strings)
{
    QStringList list;
    for (int i = 0; i < strings.Count(); ++i)
        list.append(strings.Strings(i));
    return list;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavStyleItem

const TkavClassInfo &TkavStyleItem::StaticClassInfo()
{
    using S = TkavStyleItem;
    static const TkavClassInfo info = kavMakeClassInfo<S, TkavCollectionItem>(
        u"TkavStyleItem"_s, [](TkavPropBuilder<S> &p) {
            p.String(u"Name"_s, &S::Name, &S::SetName);
            // Only a shortcut into the fill: the fill's own attributes carry the value.
            p.Int(u"Color"_s, &S::Color, &S::SetColor).TypeName(u"TColor"_s).Stored(false);
            p.Object(u"Font"_s, &S::Font, &S::SetFont);
            p.Object(u"Frame"_s, &S::Frame, &S::SetFrame);
            p.Bool(u"ApplyFont"_s, &S::ApplyFont, &S::SetApplyFont).Default(true);
            p.Bool(u"ApplyFill"_s, &S::ApplyFill, &S::SetApplyFill).Default(true);
            p.Bool(u"ApplyFrame"_s, &S::ApplyFrame, &S::SetApplyFrame).Default(true);
            // Before Fill: a reader must switch the fill's class before its values arrive.
            p.Enum(u"FillType"_s, &S::FillType, &S::SetFillType).Default(ftBrush);
            p.Object(u"Fill"_s, &S::Fill, &S::SetFill);
        });
    return info;
}

TkavStyleItem::TkavStyleItem()
    : FFont(std::make_unique<TFont>())
    , FFrame(std::make_unique<TkavFrame>())
    , FFill(kavCreateFill(ftBrush))
{}

TkavStyleItem::~TkavStyleItem() = default;

void TkavStyleItem::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TkavStyleItem *>(&source);
    if (!other || other == this)
        return;
    FName = other->FName;
    kavAssignFill(FFill, *other->FFill);
    FFont->Assign(*other->FFont);
    FFrame->Assign(*other->FFrame);
    FApplyFont = other->FApplyFont;
    FApplyFill = other->FApplyFill;
    FApplyFrame = other->FApplyFrame;
    FIsInherited = other->FIsInherited;
}

QString TkavStyleItem::GetInheritedName() const
{
    return FName.isEmpty() ? FInheritedName : FName;
}

TkavStyles *TkavStyleItem::Styles() const
{
    return dynamic_cast<TkavStyles *>(Collection());
}

void TkavStyleItem::SetName(const QString &value)
{
    if (value == FName)
        return;
    // Every other item is checked, not only the first match: a set that somehow holds a
    // name twice must not let a third item take it as well.
    if (const TkavStyles *set = Styles(); set && !value.isEmpty()) {
        for (int i = 0; i < set->Count(); ++i) {
            const TkavStyleItem *item = set->Items(i);
            if (item != this && kavSameText(item->Name(), value))
                throw EkavError(kavResourceTable().Get(u"clDupName"_s));
        }
    }
    FName = value;
}

void TkavStyleItem::CreateUniqueName()
{
    QSet<QString> taken;
    if (const TkavStyles *set = Styles()) {
        for (int i = 0; i < set->Count(); ++i)
            taken.insert(kavUpperCase(set->Items(i)->Name()));
    }
    // With n items at most n numbers are taken, so the loop ends by n + 1.
    for (int n = 1;; ++n) {
        const QString name = uniqueNameBase + QString::number(n);
        if (!taken.contains(kavUpperCase(name))) {
            FName = name;
            return;
        }
    }
}

void TkavStyleItem::SetColor(TColor value)
{
    if (auto *brush = dynamic_cast<TkavBrushFill *>(FFill.get()))
        brush->SetBackColor(value);
}

// ---------------------------------------------------------------------------------------
// TkavStyles

const TkavClassInfo &TkavStyles::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavStyles, TkavCollection>(
        u"TkavStyles"_s, [](TkavPropBuilder<TkavStyles> &) {});
    return info;
}

TkavStyles::TkavStyles(TkavReport *AReport)
    : TkavCollection(TkavStyleItem::StaticClassInfo())
    , FReport(AReport)
{}

TkavStyles::~TkavStyles() = default;

TkavStyleItem *TkavStyles::Items(int index) const
{
    return static_cast<TkavStyleItem *>(TkavCollection::Items(index));
}

TkavStyleItem *TkavStyles::Add()
{
    return static_cast<TkavStyleItem *>(TkavCollection::Add());
}

TkavStyleItem *TkavStyles::Find(const QString &name) const
{
    // An empty name names no style: memos without a style must never match an item
    // whose name is still empty.
    if (name.isEmpty())
        return nullptr;
    for (int i = 0; i < Count(); ++i) {
        if (kavSameText(Items(i)->Name(), name))
            return Items(i);
    }
    return nullptr;
}

void TkavStyles::GetList(TStrings &list) const
{
    list.Clear();
    for (int i = 0; i < Count(); ++i)
        list.Add(Items(i)->Name());
}

void TkavStyles::Apply()
{
    if (!FReport)
        return;
    const QList<TkavComponent *> all = FReport->AllObjects();
    for (TkavComponent *c : all) {
        auto *memo = dynamic_cast<TkavCustomMemoView *>(c);
        if (!memo)
            continue;
        // Setting the name again applies the item; a vanished style only loses its name.
        memo->SetStyle(Find(memo->Style()) ? memo->Style() : QString());
    }
}

QStringList TkavStyles::readItems(const TkavXMLItem &item,
                                  bool oldXMLFormat,
                                  bool fromAncestor,
                                  TkavStyles &target) const
{
    TkavXMLSerializer serializer;
    serializer.SetOldFormat(oldXMLFormat);
    QStringList errors;
    int taken = 0;
    for (int i = 0; i < item.Count(); ++i) {
        const TkavXMLItem &child = *item.Items(i);
        if (!kavSameText(child.Name(), itemElement))
            continue;
        if (++taken > kavMaxCollectionItems) {
            errors.append(kavResourceTable().Get(u"xrTooManyItems"_s) + u' ' + item.Name());
            break;
        }
        TkavCollectionItem *style = nullptr;
        if (fromAncestor && child.PropExists(inheritedNameAttr)) {
            style = target.FindByName(child.GetProp(inheritedNameAttr));
            if (!style)
                continue; // gone from the ancestor: nothing to change
            style->SetIsInherited(true);
        } else {
            style = target.Add();
        }
        serializer.XMLToObj(child.Text(), style);
    }
    errors += toList(serializer.Errors());
    return errors;
}

void TkavStyles::LoadFromXMLItem(const TkavXMLItem &item, bool oldXMLFormat)
{
    TkavStyles loaded;
    const QStringList errors = readItems(item, oldXMLFormat, false, loaded);
    if (!errors.isEmpty())
        raiseInvalidFormat(errors);
    FName = item.GetProp(nameAttr);
    SwapItems(loaded);
    Apply();
}

void TkavStyles::ReadReportElement(const TkavXMLItem &item, bool oldXMLFormat, bool fromAncestor)
{
    // The element adds to what is there (an ancestor's styles), like every collection of
    // the report file.
    TkavStyles loaded;
    loaded.Assign(*this);
    const QStringList errors = readItems(item, oldXMLFormat, fromAncestor, loaded);
    if (!errors.isEmpty())
        raiseInvalidFormat(QStringList{item.Name() + u": "_s + errors.mid(0, maxQuotedErrors)
                                                              .join(u"; "_s)});
    SwapItems(loaded);
}

void TkavStyles::LoadFromStream(TStream &stream)
{
    TkavXMLDocument doc;
    doc.LoadFromStream(stream);
    // A file of another kind (a whole style sheet, say) is refused before anything changes.
    if (!kavSameText(doc.Root()->Name(), styleRoot))
        raiseInvalidFormat(QStringList{});
    LoadFromXMLItem(*doc.Root(), doc.OldVersion());
}

void TkavStyles::LoadFromFile(const QString &fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

void TkavStyles::SaveToXMLItem(TkavXMLItem &item) const
{
    // All texts first: a getter that throws leaves item as it was.
    TkavXMLSerializer serializer;
    QStringList texts;
    texts.reserve(Count());
    for (int i = 0; i < Count(); ++i)
        texts.append(serializer.ObjToXML(Items(i)));
    item.SetName(styleRoot);
    item.SetProp(nameAttr, FName);
    for (const QString &text : std::as_const(texts))
        item.Add(itemElement)->SetText(text);
}

void TkavStyles::SaveToStream(TStream &stream) const
{
    TkavXMLDocument doc;
    doc.SetAutoIndent(true);
    SaveToXMLItem(*doc.Root());
    doc.SaveToStream(stream);
}

void TkavStyles::SaveToFile(const QString &fileName) const
{
    kavWriteFileAtomically(fileName, [this](TStream &stream) { SaveToStream(stream); });
}

// ---------------------------------------------------------------------------------------
// TkavStyleSheet

TkavStyleSheet::TkavStyleSheet() = default;
TkavStyleSheet::~TkavStyleSheet() = default;

void TkavStyleSheet::Clear()
{
    FItems.clear();
}

TkavStyles *TkavStyleSheet::GetItems(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(u"List index out of bounds (%1)"_s.arg(index));
    return FItems[size_t(index)].get();
}

void TkavStyleSheet::Delete(int index)
{
    GetItems(index); // checks the index
    FItems.erase(FItems.begin() + index);
}

TkavStyles *TkavStyleSheet::Add()
{
    FItems.push_back(std::make_unique<TkavStyles>());
    return FItems.back().get();
}

int TkavStyleSheet::IndexOf(const QString &name) const
{
    for (int i = 0; i < Count(); ++i) {
        if (kavSameText(FItems[size_t(i)]->Name(), name))
            return i;
    }
    return -1;
}

TkavStyles *TkavStyleSheet::Find(const QString &name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : FItems[size_t(i)].get();
}

void TkavStyleSheet::GetList(TStrings &list) const
{
    list.Clear();
    for (const auto &set : FItems)
        list.Add(set->Name());
}

void TkavStyleSheet::LoadFromStream(TStream &stream)
{
    TkavXMLDocument doc;
    doc.LoadFromStream(stream);
    if (!kavSameText(doc.Root()->Name(), sheetRoot))
        raiseInvalidFormat(QStringList{});
    // Every set is read aside; the sheet changes only once all of them were read.
    std::vector<std::unique_ptr<TkavStyles>> loaded;
    const TkavXMLItem &root = *doc.Root();
    for (int i = 0; i < root.Count(); ++i) {
        const TkavXMLItem &child = *root.Items(i);
        if (!kavSameText(child.Name(), styleRoot))
            continue;
        auto set = std::make_unique<TkavStyles>();
        set->LoadFromXMLItem(child, doc.OldVersion());
        loaded.push_back(std::move(set));
    }
    FItems.swap(loaded);
}

void TkavStyleSheet::LoadFromFile(const QString &fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

void TkavStyleSheet::SaveToStream(TStream &stream) const
{
    TkavXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(sheetRoot);
    for (const auto &set : FItems)
        set->SaveToXMLItem(*doc.Root()->Add());
    doc.SaveToStream(stream);
}

void TkavStyleSheet::SaveToFile(const QString &fileName) const
{
    kavWriteFileAtomically(fileName, [this](TStream &stream) { SaveToStream(stream); });
}

QString TkavStyleSheet::BuiltInText()
{
    // Colours are 0x00BBGGRR numbers; 536870911 is clNone. Frame.Typ 8 is the bottom side,
    // 4 the top; Font.Style 1 is bold; Font.Height -16 is 12 points.
    return uR"(<?xml version="1.0" encoding="utf-8"?>
<stylesheet>
<style Name="Kavrel">
<item Name="Title" Color="8421504" Font.Color="16777215" Font.Height="-16" Font.Style="1"/>
<item Name="Header" Color="536870911" Font.Color="128" Font.Style="1"/>
<item Name="Group header" Color="16053492" Font.Color="128" Font.Style="1"/>
<item Name="Data" Color="536870911"/>
<item Name="Group footer" Color="536870911" Font.Style="1"/>
<item Name="Header line" Color="536870911" Frame.Typ="8" Frame.Width="2"/>
</style>
<style Name="Standard">
<item Name="Title" Color="536870911" Font.Height="-16" Font.Style="1"/>
<item Name="Header" Color="536870911" Font.Style="1"/>
<item Name="Group header" Color="536870911" Frame.Typ="8"/>
<item Name="Data" Color="536870911"/>
<item Name="Group footer" Color="536870911" Frame.Typ="4"/>
<item Name="Header line" Color="536870911" Frame.Typ="8" Frame.Width="2"/>
</style>
<style Name="Soft gray">
<item Name="Title" Color="14211288" Font.Height="-16" Font.Style="1"/>
<item Name="Header" Color="15790320" Font.Style="1"/>
<item Name="Group header" Color="15790320" Font.Style="1"/>
<item Name="Data" Color="536870911" Font.Style="0"/>
<item Name="Group footer" Color="536870911" Frame.Typ="4"/>
<item Name="Header line" Color="536870911" Frame.Width="2"/>
</style>
<style Name="Corporate">
<item Name="Title" Color="0" Font.Color="16777215" Font.Height="-16" Font.Style="1"/>
<item Name="Header" Color="0" Font.Color="16777215" Font.Style="1"/>
<item Name="Group header" Color="52479" Font.Style="1"/>
<item Name="Data" Color="536870911"/>
<item Name="Group footer" Color="536870911" Font.Style="1"/>
<item Name="Header line" Color="536870911" Frame.Width="2"/>
</style>
</stylesheet>
)"_s;
}

void TkavStyleSheet::LoadBuiltIn()
{
    TMemoryStream stream(BuiltInText().toUtf8());
    LoadFromStream(stream);
}

void kavRegisterStyleClasses()
{
    kavRegisterClass(TkavStyleItem::StaticClassInfo());
    kavRegisterClass(TkavStyles::StaticClassInfo());
}
