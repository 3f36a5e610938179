#include "kavDialogControls.h"

#include "kavDataSets.h"
#include "kavDialogs_p.h"
#include "kavReport.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavRTTI.h>

#include <QDate>

using namespace Qt::StringLiterals;

namespace {

// The index of the item with that text (ignoring case), or -1.
int itemIndex(const TStrings &items, const QString &text)
{
    for (int i = 0; i < items.Count(); ++i)
        if (kavSameText(items.Strings(i), text))
            return i;
    return -1;
}

bool parseBoolean(const QString &text, bool &value)
{
    for (QStringView yes : {u"True", u"1", u"Yes", u"On"})
        if (kavSameText(text.trimmed(), yes))
            return value = true, true;
    for (QStringView no : {u"False", u"0", u"No", u"Off"})
        if (kavSameText(text.trimmed(), no))
            return (value = false), true;
    return false;
}

// The checked state a value text gives a check box or radio button, or the message why not.
template <class C>
bool setCheckedText(C &control, const QString &Value, QString &Message)
{
    bool checked = false;
    if (!parseBoolean(Value, checked)) {
        Message = u"%1 takes True or False, not \"%2\""_s.arg(control.Name(), Value);
        return false;
    }
    control.SetChecked(checked);
    return true;
}

QString notAnItem(const QString &value, const TkavDialogControl &control)
{
    return u"\"%1\" is not an item of %2"_s.arg(value, control.Name());
}

} // namespace

// ---------------------------------------------------------------------------------------
// Texts and edits

const TkavClassInfo &TkavLabelControl::StaticClassInfo()
{
    using C = TkavLabelControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavLabelControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishCaption(p);
            kavPublishControlColor(p, clBtnFace);
            p.Enum(u"Alignment"_s, &C::Alignment, &C::SetAlignment).Default(taLeftJustify);
            p.Bool(u"WordWrap"_s, &C::WordWrap, &C::SetWordWrap).Default(false);
            kavPublishControlEvents(p, egMouse);
        },
        kavComponentFactory<C>());
    return info;
}

TkavLabelControl::TkavLabelControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyLabel>(), u"Label"_s)
{
    Label().SetAutoSize(false);
    SetBounds(0, 0, 60, 16);
}

const TkavClassInfo &TkavEditControl::StaticClassInfo()
{
    using C = TkavEditControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavEditControl"_s,
        [](TkavPropBuilder<C> &p) {
            p.String(u"Text"_s, &C::Text, &C::SetText, u"TCaption"_s);
            kavPublishControlColor(p, clWindow);
            p.Int(u"MaxLength"_s, &C::MaxLength, &C::SetMaxLength).Default(0);
            p.Bool(u"ReadOnly"_s, &C::ReadOnly, &C::SetReadOnly).Default(false);
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egChange | egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavEditControl::TkavEditControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyEdit>(), u"Edit"_s)
{
    Edit().SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

bool TkavEditControl::SetValueText(const QString &Value, QString &)
{
    SetText(Value);
    return true;
}

const TkavClassInfo &TkavMemoControl::StaticClassInfo()
{
    using C = TkavMemoControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavMemoControl"_s,
        [](TkavPropBuilder<C> &p) {
            p.StringList(u"Lines"_s, &C::Lines, &C::SetLines);
            kavPublishControlColor(p, clWindow);
            p.Bool(u"ReadOnly"_s, &C::ReadOnly, &C::SetReadOnly).Default(false);
            p.Bool(u"WordWrap"_s, &C::WordWrap, &C::SetWordWrap).Default(true);
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egChange | egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavMemoControl::TkavMemoControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyMemo>(), u"Memo"_s)
{
    Memo().SetColor(clWindow);
    SetBounds(0, 0, 185, 89);
}

bool TkavMemoControl::SetValueText(const QString &Value, QString &)
{
    Lines().SetText(Value);
    return true;
}

// ---------------------------------------------------------------------------------------
// Buttons

const TkavClassInfo &TkavButtonControl::StaticClassInfo()
{
    using C = TkavButtonControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavButtonControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishCaption(p);
            p.Bool(u"Cancel"_s, &C::Cancel, &C::SetCancel).Default(false);
            p.Bool(u"Default"_s, &C::Default, &C::SetDefault).Default(false);
            p.Int(u"ModalResult"_s, &C::ModalResult, &C::SetModalResult)
                .TypeName(u"TModalResult"_s)
                .Default(mrNone);
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavButtonControl::TkavButtonControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyButton>(), u"Button"_s)
{
    SetBounds(0, 0, 75, 25);
}

const TkavClassInfo &TkavCheckBoxControl::StaticClassInfo()
{
    using C = TkavCheckBoxControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavCheckBoxControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishCaption(p);
            p.Bool(u"Checked"_s, &C::Checked, &C::SetChecked).Default(false);
            kavPublishControlColor(p, clBtnFace);
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavCheckBoxControl::TkavCheckBoxControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyCheckBox>(), u"CheckBox"_s)
{
    SetBounds(0, 0, 97, 17);
}

bool TkavCheckBoxControl::SetValueText(const QString &Value, QString &Message)
{
    return setCheckedText(*this, Value, Message);
}

const TkavClassInfo &TkavRadioButtonControl::StaticClassInfo()
{
    using C = TkavRadioButtonControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavRadioButtonControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishCaption(p);
            p.Bool(u"Checked"_s, &C::Checked, &C::SetChecked).Default(false);
            kavPublishControlColor(p, clBtnFace);
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavRadioButtonControl::TkavRadioButtonControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyRadioButton>(), u"RadioButton"_s)
{
    SetBounds(0, 0, 113, 17);
}

bool TkavRadioButtonControl::SetValueText(const QString &Value, QString &Message)
{
    return setCheckedText(*this, Value, Message);
}

// ---------------------------------------------------------------------------------------
// Lists

const TkavClassInfo &TkavListBoxControl::StaticClassInfo()
{
    using C = TkavListBoxControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavListBoxControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishControlColor(p, clWindow);
            p.StringList(u"Items"_s, &C::Items, &C::SetItems); // before ItemIndex
            p.Int(u"ItemIndex"_s, &C::ItemIndex, &C::SetItemIndex).Default(-1);
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavListBoxControl::TkavListBoxControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyListBox>(), u"ListBox"_s)
{
    ListBox().SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
}

bool TkavListBoxControl::SetValueText(const QString &Value, QString &Message)
{
    const int index = itemIndex(Items(), Value);
    if (index < 0) {
        Message = notAnItem(Value, *this);
        return false;
    }
    SetItemIndex(index);
    return true;
}

const TkavClassInfo &TkavComboBoxControl::StaticClassInfo()
{
    using C = TkavComboBoxControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavComboBoxControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishControlColor(p, clWindow);
            p.Enum(u"Style"_s, &C::Style, &C::SetStyle).Default(csDropDown);
            p.StringList(u"Items"_s, &C::Items, &C::SetItems); // before ItemIndex and Text
            p.Int(u"ItemIndex"_s, &C::ItemIndex, &C::SetItemIndex).Default(-1);
            p.String(u"Text"_s, &C::Text, &C::SetText, u"TCaption"_s)
                .StoredIf([](const C &c) { return c.ItemIndex() < 0 && !c.Text().isEmpty(); });
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egChange | egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavComboBoxControl::TkavComboBoxControl(TkavComponent *AOwner)
    : TkavComboBoxControl(AOwner, u"ComboBox"_s)
{}

TkavComboBoxControl::TkavComboBoxControl(TkavComponent *AOwner, const QString &ABaseName)
    : TkavDialogControl(AOwner, std::make_unique<TkyComboBox>(), ABaseName)
{
    ComboBox().SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
}

bool TkavComboBoxControl::SetValueText(const QString &Value, QString &Message)
{
    const int index = itemIndex(Items(), Value);
    if (index >= 0) {
        SetItemIndex(index);
        return true;
    }
    if (Style() == csDropDownList) {
        Message = notAnItem(Value, *this);
        return false;
    }
    SetText(Value);
    return true;
}

// ---------------------------------------------------------------------------------------
// The date edit

const TkavClassInfo &TkavDateEditControl::StaticClassInfo()
{
    using C = TkavDateEditControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavDateEditControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishControlColor(p, clWindow);
            p.Float(u"Date"_s, &C::Date, &C::SetDate, u"TDate"_s);
            // The date as typed, the form a query parameter or a text takes.
            p.String(u"Text"_s, &C::Text).Stored(false);
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egChange | egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavDateEditControl::TkavDateEditControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyEdit>(), u"DateEdit"_s)
{
    Edit().SetColor(clWindow);
    Edit().SetMaxLength(10);
    SetBounds(0, 0, 100, 21);
}

double TkavDateEditControl::Date() const
{
    const QDate date = QDate::fromString(Text().trimmed(), Qt::ISODate);
    TDateTime value = 0;
    if (!date.isValid() || !TryEncodeDate(date.year(), date.month(), date.day(), value))
        return 0;
    return value;
}

void TkavDateEditControl::SetDate(double Value)
{
    if (Value == 0) {
        Edit().SetText(QString());
        return;
    }
    int year = 0, month = 0, day = 0;
    DecodeDate(Value, year, month, day);
    Edit().SetText(QDate(year, month, day).toString(Qt::ISODate));
}

bool TkavDateEditControl::SetValueText(const QString &Value, QString &Message)
{
    if (QDate::fromString(Value.trimmed(), Qt::ISODate).isValid()) {
        Edit().SetText(Value.trimmed());
        return true;
    }
    TDateTime date = 0;
    if (TryStrToDate(Value, date)) {
        SetDate(date);
        return true;
    }
    Message = u"%1 takes a date such as 2025-01-31, not \"%2\""_s.arg(Name(), Value);
    return false;
}

// ---------------------------------------------------------------------------------------
// Frames

const TkavClassInfo &TkavGroupBoxControl::StaticClassInfo()
{
    using C = TkavGroupBoxControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavGroupBoxControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishCaption(p);
            kavPublishControlColor(p, clBtnFace);
            kavPublishControlEvents(p, egMouse);
        },
        kavComponentFactory<C>());
    return info;
}

TkavGroupBoxControl::TkavGroupBoxControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyGroupBox>(), u"GroupBox"_s)
{
    SetBounds(0, 0, 185, 105);
}

const TkavClassInfo &TkavPanelControl::StaticClassInfo()
{
    using C = TkavPanelControl;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavPanelControl"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishCaption(p);
            kavPublishControlColor(p, clBtnFace);
            kavPublishControlEvents(p, egMouse);
        },
        kavComponentFactory<C>());
    return info;
}

TkavPanelControl::TkavPanelControl(TkavComponent *AOwner)
    : TkavDialogControl(AOwner, std::make_unique<TkyCustomControl>(), u"Panel"_s)
{
    SetBounds(0, 0, 185, 41);
}

// ---------------------------------------------------------------------------------------
// The lookup combo box

const TkavClassInfo &TkavDBLookupComboBox::StaticClassInfo()
{
    using C = TkavDBLookupComboBox;
    static const TkavClassInfo info = kavMakeClassInfo<C, TkavDialogControl>(
        u"TkavDBLookupComboBox"_s,
        [](TkavPropBuilder<C> &p) {
            kavPublishControlColor(p, clWindow);
            p.String(u"DataSetName"_s, &C::DataSetName, &C::SetDataSetName);
            p.String(u"KeyField"_s, &C::KeyField, &C::SetKeyField);
            p.String(u"ListField"_s, &C::ListField, &C::SetListField);
            p.VariantProp(u"KeyValue"_s, &C::KeyValue, &C::SetKeyValue);
            // What the list shows for the chosen record (read from the data set at run time).
            p.String(u"Text"_s, &C::Text, &C::SetText, u"TCaption"_s).Stored(false);
            kavPublishTabStop(p);
            kavPublishControlEvents(p, egChange | egMouse | egKeyboard);
        },
        kavComponentFactory<C>());
    return info;
}

TkavDBLookupComboBox::TkavDBLookupComboBox(TkavComponent *AOwner)
    : TkavComboBoxControl(AOwner, u"DBLookupComboBox"_s)
{
    SetStyle(csDropDownList);
    SetOnActivate([this](TkavDialogPage &) { FillList(); });
}

Variant TkavDBLookupComboBox::KeyValue() const
{
    const int index = ItemIndex();
    if (index >= 0 && index < FKeys.size())
        return FKeys[index];
    return FKeys.isEmpty() ? FKeyValue : Variant::Null();
}

void TkavDBLookupComboBox::SetKeyValue(const Variant &Value)
{
    FKeyValue = Value;
    chooseKey();
}

void TkavDBLookupComboBox::chooseKey()
{
    if (FKeys.isEmpty())
        return;
    const QString wanted = FKeyValue.IsNull() || FKeyValue.IsEmpty() ? QString() : FKeyValue.AsString();
    int index = -1;
    for (int i = 0; i < FKeys.size() && !wanted.isEmpty(); ++i)
        if (FKeys[i].AsString() == wanted) {
            index = i;
            break;
        }
    SetItemIndex(index);
}

void TkavDBLookupComboBox::FillList()
{
    TkavDataSet *dataSet = FindDataSet(nullptr, FDataSetName);
    if (!dataSet || FKeyField.isEmpty())
        return;
    // A data set of the report is ready while the report runs; any other is read here.
    const TkavReport *report = Report();
    const bool initialized = report && report->DataSets().Find(dataSet);
    if (!initialized)
        dataSet->Initialize();
    Items().Clear();
    FKeys.clear();
    const QString listField = FListField.isEmpty() ? FKeyField : FListField;
    dataSet->First();
    while (!dataSet->Eof()) {
        FKeys.append(dataSet->GetValue(FKeyField));
        Items().Add(dataSet->GetDisplayText(listField));
        dataSet->Next();
    }
    if (!initialized)
        dataSet->Finalize();
    chooseKey();
}

bool TkavDBLookupComboBox::SetValueText(const QString &Value, QString &)
{
    FKeyValue = Value;
    chooseKey();
    // A listed text when no key matches.
    if (!FKeys.isEmpty() && ItemIndex() < 0)
        if (const int index = itemIndex(Items(), Value); index >= 0) {
            SetItemIndex(index);
            FKeyValue = FKeys[index];
        }
    return true;
}

const QList<const TkavClassInfo *> &kavDialogControlClasses()
{
    static const QList<const TkavClassInfo *> classes{&TkavLabelControl::StaticClassInfo(),
                                                      &TkavEditControl::StaticClassInfo(),
                                                      &TkavMemoControl::StaticClassInfo(),
                                                      &TkavButtonControl::StaticClassInfo(),
                                                      &TkavCheckBoxControl::StaticClassInfo(),
                                                      &TkavRadioButtonControl::StaticClassInfo(),
                                                      &TkavListBoxControl::StaticClassInfo(),
                                                      &TkavComboBoxControl::StaticClassInfo(),
                                                      &TkavDateEditControl::StaticClassInfo(),
                                                      &TkavGroupBoxControl::StaticClassInfo(),
                                                      &TkavPanelControl::StaticClassInfo(),
                                                      &TkavDBLookupComboBox::StaticClassInfo()};
    return classes;
}

void kavRegisterDialogControlClasses()
{
    for (const TkavClassInfo *info : kavDialogControlClasses())
        kavRegisterClass(*info);
}
