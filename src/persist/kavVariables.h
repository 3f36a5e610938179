#pragma once

// Report variables (name/value pairs grouped into categories, stored in reports and in
// "variables" files), the process-wide list, and the associative array offered to scripts.

#include "kavCollections.h"

#include <rtl/kavVariant.h>

#include <QString>

class TStream;
class TStrings;
class TkavXMLItem;

// One variable. Its identity is its name (the generated inherited name only while the
// name is empty), so variables pair with the ancestor's by name.
class TkavVariable : public TkavCollectionItem
{
public:
    KAV_CLASSINFO

    TkavVariable() = default;

    const QString &Name() const { return FName; }
    void SetName(const QString &name) { FName = name; }
    // Null after creation.
    const Variant &Value() const { return FValue; }
    void SetValue(const Variant &value) { FValue = value; }

    QString GetInheritedName() const override;
    // Copies name, value and the inherited flag from another variable.
    void Assign(const TPersistent &source) override;

private:
    QString FName;
    Variant FValue = Variant::Null();
};

// The variable list. An item whose name begins with a space opens a category (" Dates"
// opens "Dates"); the items after it up to the next category item belong to it. Items
// before the first category item belong to none. Names compare ignoring case.
class TkavVariables : public TkavCollection
{
public:
    KAV_CLASSINFO

    TkavVariables();

    using TkavCollection::IndexOf;

    TkavVariable *Items(int index) const;
    TkavVariable *Add();
    TkavVariable *Insert(int index);

    // Index of the first item named name, ignoring case, or -1. Category items are found
    // only with their leading space.
    int IndexOf(const QString &name) const;
    // The value of the item named name; Null when there is none.
    Variant GetVariable(const QString &name) const;
    // Sets the value of the item named name, appending one when there is none.
    void SetVariable(const QString &name, const Variant &value);

    // Sets name's value when a variable of that name exists anywhere; otherwise inserts
    // it after the last item of category (appended when that category is last). Nothing
    // happens when the category does not exist.
    void AddVariable(const QString &category, const QString &name, const Variant &value);
    // Deletes the item named name (nothing when there is none).
    void DeleteVariable(const QString &name);
    // Deletes the category item and every item after it up to the next category item.
    void DeleteCategory(const QString &name);

    // Adds the category names (without the leading space, at most 255 characters) in list
    // order, after emptying list when clearList is set.
    void GetCategoriesList(TStrings &list, bool clearList = true) const;
    // Empties list, then adds the names of category's variables: for an empty category the
    // items before the first category item. Listing stops at an item with an empty name.
    void GetVariablesList(const QString &category, TStrings &list) const;

    // Variables files: an XML document whose root element is "variables" with one "item"
    // element per variable (attributes Name, omitted when empty, and Value). Values are
    // read back as strings. Loading replaces the list only when the whole file could be
    // read: a malformed document or another root raises TkavInvalidXMLException
    // ("Invalid file format") and leaves the list as it was.
    void LoadFromStream(TStream &stream);
    void LoadFromFile(const QString &fileName);
    // Raises EkavError, before anything is written, for a value that has no text form (an
    // array or an object reference). SaveToFile replaces the file atomically.
    void SaveToStream(TStream &stream) const;
    void SaveToFile(const QString &fileName) const;
    // Replaces the list by the "item" children of item (other children are ignored). The
    // attribute text is already decoded by the reader, whatever oldXMLFormat says.
    void LoadFromXMLItem(const TkavXMLItem &item, bool oldXMLFormat = false);
    // Appends one "item" child per variable, in list order.
    void SaveToXMLItem(TkavXMLItem &item) const;

private:
    // Index of the category item " " + name, or -1.
    int categoryIndex(const QString &name) const;
    // One past the last item of the category whose item is at catIndex.
    int categoryEnd(int catIndex) const;
};

// An associative array of variables keyed by the text of a variant (ignoring case).
class TkavArray : public TkavCollection
{
public:
    KAV_CLASSINFO

    TkavArray();

    using TkavCollection::IndexOf;

    TkavVariable *Items(int index) const;
    // Index of the first item named VarToStr(name), ignoring case, or -1.
    int IndexOf(const Variant &name) const;
    // The value under index's text; Null when there is none.
    Variant GetVariable(const Variant &index) const;
    // Sets the value under index's text, adding an item when there is none.
    void SetVariable(const Variant &index, const Variant &value);
};

// The attribute text a variable's value is stored as: strings as they are, numbers with
// "." as the decimal separator whatever the locale, Booleans as True/False, dates in the
// locale's date and time format, Null and Empty as "". EkavError for arrays and objects.
QString kavVariableValueText(const Variant &value);
// The value of a stored attribute text: a string variant. A number written with a decimal
// comma by older writers ("1,5", "-2,5E-3") comes back with a point ("1.5"), so it still
// reads as the number it was.
Variant kavVariableValueFromText(const QString &text);

// The process-wide list, alive from first use until the program exits.
TkavVariables &kavGlobalVariables();

// Registers TkavVariable, TkavVariables and TkavArray with the class registry.
void kavRegisterVariableClasses();
