#pragma once

// Styles: named combinations of font, frame and fill that memos refer to by name, the
// report's style set (also kept in "style" files, extension kt3) and style sheets (several
// named sets in one "stylesheet" file, the looks the report wizard offers).

#include <persist/kavCollections.h>
#include <report/kavFrames.h>
#include <rtl/kavColors.h>
#include <rtl/kavFont.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TkavReport;
class TkavStyles;
class TkavXMLItem;
class TStream;
class TStrings;

// One style. Its identity (for pairing with an ancestor report's set) is its name, the
// generated inherited name only while the name is empty.
//
// Published, in this order after the inherited InheritedName (never stored): Name
// (always), Color (never: a shortcut to the fill), Font, Frame (always), ApplyFont,
// ApplyFill, ApplyFrame (default True, stored when False), FillType (stored when not
// ftBrush), Fill (always).
class TkavStyleItem : public TkavCollectionItem
{
public:
    KAV_CLASSINFO

    // Name empty; font "Arial" 10 pt, character set 1; initial frame; a brush fill with its
    // initial values; all three apply flags on.
    TkavStyleItem();
    ~TkavStyleItem() override;

    // From another style item only (anything else is ignored): name, fill type and fill,
    // font, frame, the apply flags and the inherited mark. The inherited name stays.
    void Assign(const TPersistent &source) override;
    QString GetInheritedName() const override;

    const QString &Name() const { return FName; }
    // EkavError "clDupName" when another item of the same set already has the name
    // (ignoring case); the item then keeps its name. An empty name is never a duplicate.
    void SetName(const QString &value);
    // Names the item "Style" n, n the smallest number from 1 that no item of its set has.
    void CreateUniqueName();

    // The fill's representative colour: a brush fill's BackColor, a gradient's middle
    // colour, clNone for a glass fill. Setting changes only a brush fill's BackColor.
    TColor Color() const { return FFill->representativeColor(); }
    void SetColor(TColor value);
    TFont &Font() const { return *FFont; }
    void SetFont(const TFont &value) { FFont->Assign(value); }
    TkavFrame &Frame() const { return *FFrame; }
    void SetFrame(const TkavFrame &value) { FFrame->Assign(value); }
    bool ApplyFont() const { return FApplyFont; }
    void SetApplyFont(bool value) { FApplyFont = value; }
    bool ApplyFill() const { return FApplyFill; }
    void SetApplyFill(bool value) { FApplyFill = value; }
    bool ApplyFrame() const { return FApplyFrame; }
    void SetApplyFrame(bool value) { FApplyFrame = value; }
    // The class of Fill. A different type replaces the fill by a new one with its initial
    // values; the same type keeps it.
    TkavFillType FillType() const { return kavFillTypeOf(FFill.get()); }
    void SetFillType(TkavFillType value) { kavSetFillType(FFill, value); }
    TkavCustomFill &Fill() const { return *FFill; }
    // Takes the type of value, then copies its values.
    void SetFill(const TkavCustomFill &value) { kavAssignFill(FFill, value); }

    // The set the item belongs to, or null (alone, or inside a plain collection).
    TkavStyles *Styles() const;

private:
    QString FName;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TkavFrame> FFrame;
    bool FApplyFont = true;
    bool FApplyFill = true;
    bool FApplyFrame = true;
    std::unique_ptr<TkavCustomFill> FFill;
};

// A style set. A set made for a report is applied to that report's memos; a set without a
// report (style sheets, editing copies) is never applied.
class TkavStyles : public TkavCollection
{
public:
    KAV_CLASSINFO

    explicit TkavStyles(TkavReport *AReport = nullptr);
    ~TkavStyles() override;

    using TkavCollection::IndexOf;

    TkavStyleItem *Items(int index) const;
    // A new item at the end, with its initial values (and an empty name).
    TkavStyleItem *Add();

    // The set's name within a style sheet (not kept in report files).
    const QString &Name() const { return FName; }
    void SetName(const QString &value) { FName = value; }
    TkavReport *Report() const { return FReport; }

    // The first item named name, ignoring case, or null.
    TkavStyleItem *Find(const QString &name) const;
    // Empties list, then adds every item's name in order.
    void GetList(TStrings &list) const;
    // Re-applies the set to every memo of the report: a memo whose style exists takes it
    // again, any other memo loses its style name (and keeps its look). Nothing without a
    // report.
    void Apply();

    // Style files: an XML document whose root "style" carries the set's Name, with one
    // "item" child per style holding the item's stored properties. Loading parses the whole
    // text first: another root, an XML error or an attribute that cannot be read (an unknown
    // fill type, a value out of range, a duplicate name) raise TkavInvalidXMLException
    // ("Invalid file format: ...") and leave the set as it was. A loaded set is applied.
    void LoadFromFile(const QString &fileName);
    void LoadFromStream(TStream &stream);
    // The "item" children of item replace the set's items; item's Name attribute becomes
    // Name. Other children are skipped. Same errors and guarantee as LoadFromStream.
    void LoadFromXMLItem(const TkavXMLItem &item, bool oldXMLFormat = false);
    // SaveToFile replaces the file atomically: a failed save leaves the old file whole.
    void SaveToFile(const QString &fileName) const;
    void SaveToStream(TStream &stream) const;
    // Names item "style", sets its Name attribute and appends one "item" child per style.
    void SaveToXMLItem(TkavXMLItem &item) const;

    // The report file's nested "Styles" element: the items are read into a copy first
    // (an item carrying InheritedName changes the existing item of that identity when the
    // report comes from an ancestor), then replace the set; any attribute error raises
    // EkavError and leaves the set unchanged. The set is not applied here: memos read
    // afterwards apply their styles themselves.
    void ReadReportElement(const TkavXMLItem &item, bool oldXMLFormat, bool fromAncestor);

private:
    // Fills target with the "item" children of item; the error lines of what could not be
    // read are returned.
    QStringList readItems(const TkavXMLItem &item,
                          bool oldXMLFormat,
                          bool fromAncestor,
                          TkavStyles &target) const;

    QString FName;
    TkavReport *FReport; // not owned; never changes
};

// Several named style sets, owned, in order.
class TkavStyleSheet
{
public:
    TkavStyleSheet();
    ~TkavStyleSheet();
    TkavStyleSheet(const TkavStyleSheet &) = delete;
    TkavStyleSheet &operator=(const TkavStyleSheet &) = delete;

    void Clear();
    // Destroys the set at index (EListError outside 0 .. Count - 1).
    void Delete(int index);
    // A new empty set (without report) at the end.
    TkavStyles *Add();
    int Count() const { return int(FItems.size()); }
    // EListError outside 0 .. Count - 1.
    TkavStyles *GetItems(int index) const;
    TkavStyles *Items(int index) const { return GetItems(index); }
    // The first set named name, ignoring case, or null / its index, or -1.
    TkavStyles *Find(const QString &name) const;
    int IndexOf(const QString &name) const;
    // Empties list, then adds every set's name in order.
    void GetList(TStrings &list) const;

    // Style sheet files: root "stylesheet" with one "style" child per set (other children
    // skipped). Loading parses everything first; another root or any error raises
    // TkavInvalidXMLException and leaves the sheet as it was. SaveToFile is atomic.
    void LoadFromFile(const QString &fileName);
    void LoadFromStream(TStream &stream);
    void SaveToFile(const QString &fileName) const;
    void SaveToStream(TStream &stream) const;

    // The sheet the report wizard falls back on: "Kavrel", "Standard", "Soft gray" and
    // "Corporate", each with the items "Title", "Header", "Group header", "Data",
    // "Group footer" and "Header line".
    static QString BuiltInText();
    void LoadBuiltIn();

private:
    std::vector<std::unique_ptr<TkavStyles>> FItems;
};

// The file name of the wizard's own style sheet in the program folder.
inline constexpr char16_t kavWizardStyleSheetFile[] = u"wizstyle.xml";

// Registers TkavStyleItem and TkavStyles with the class registry.
void kavRegisterStyleClasses();
