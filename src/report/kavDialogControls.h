#pragma once

// The dialog controls a report author places on dialog pages: texts, edits, buttons with a
// modal result, check and radio buttons, lists, a date edit, frames, and a combo box that
// lists the records of a data set ("choose a customer").

#include <report/kavDialogs.h>
#include <rtl/kavVariant.h>

class TkavDataSet;

class TkavLabelControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavLabelControl(TkavComponent *AOwner = nullptr);
    TkyLabel &Label() const { return static_cast<TkyLabel &>(*Control()); }
    TAlignment Alignment() const { return TAlignment(Label().Alignment()); }
    void SetAlignment(TAlignment Value) { Label().SetAlignment(Value); }
    bool WordWrap() const { return Label().WordWrap(); }
    void SetWordWrap(bool Value) { Label().SetWordWrap(Value); }
};

class TkavEditControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavEditControl(TkavComponent *AOwner = nullptr);
    TkyEdit &Edit() const { return static_cast<TkyEdit &>(*Control()); }
    QString Text() const { return Edit().Text(); }
    void SetText(const QString &Value) { Edit().SetText(Value); }
    int MaxLength() const { return Edit().MaxLength(); }
    void SetMaxLength(int Value) { Edit().SetMaxLength(Value); }
    bool ReadOnly() const { return Edit().ReadOnly(); }
    void SetReadOnly(bool Value) { Edit().SetReadOnly(Value); }
    bool SetValueText(const QString &Value, QString &Message) override;
};

class TkavMemoControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavMemoControl(TkavComponent *AOwner = nullptr);
    TkyMemo &Memo() const { return static_cast<TkyMemo &>(*Control()); }
    TStringList &Lines() const { return Memo().Lines(); }
    void SetLines(const TStrings &Value) { Memo().SetLines(Value); }
    bool WordWrap() const { return Memo().WordWrap(); }
    void SetWordWrap(bool Value) { Memo().SetWordWrap(Value); }
    bool ReadOnly() const { return Memo().ReadOnly(); }
    void SetReadOnly(bool Value) { Memo().SetReadOnly(Value); }
    bool SetValueText(const QString &Value, QString &Message) override;
};

// A push button; a ModalResult other than mrNone closes its dialog with that result.
class TkavButtonControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavButtonControl(TkavComponent *AOwner = nullptr);
    TkyButton &Button() const { return static_cast<TkyButton &>(*Control()); }
    int ModalResult() const { return Button().ModalResult(); }
    void SetModalResult(int Value) { Button().SetModalResult(Value); }
    bool Default() const { return Button().Default(); }
    void SetDefault(bool Value) { Button().SetDefault(Value); }
    bool Cancel() const { return Button().Cancel(); }
    void SetCancel(bool Value) { Button().SetCancel(Value); }
};

class TkavCheckBoxControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavCheckBoxControl(TkavComponent *AOwner = nullptr);
    TkyCheckBox &CheckBox() const { return static_cast<TkyCheckBox &>(*Control()); }
    bool Checked() const { return CheckBox().Checked(); }
    void SetChecked(bool Value) { CheckBox().SetChecked(Value); }
    // True/False, 1/0, yes/no (ignoring case).
    bool SetValueText(const QString &Value, QString &Message) override;
};

class TkavRadioButtonControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavRadioButtonControl(TkavComponent *AOwner = nullptr);
    TkyRadioButton &RadioButton() const { return static_cast<TkyRadioButton &>(*Control()); }
    bool Checked() const { return RadioButton().Checked(); }
    void SetChecked(bool Value) { RadioButton().SetChecked(Value); }
    bool SetValueText(const QString &Value, QString &Message) override;
};

class TkavListBoxControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavListBoxControl(TkavComponent *AOwner = nullptr);
    TkyListBox &ListBox() const { return static_cast<TkyListBox &>(*Control()); }
    TStringList &Items() const { return ListBox().Items(); }
    void SetItems(const TStrings &Value) { ListBox().SetItems(Value); }
    int ItemIndex() const { return ListBox().ItemIndex(); }
    void SetItemIndex(int Value) { ListBox().SetItemIndex(Value); }
    // The item's text (ignoring case) becomes the chosen one.
    bool SetValueText(const QString &Value, QString &Message) override;
};

class TkavComboBoxControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavComboBoxControl(TkavComponent *AOwner = nullptr);
    TkyComboBox &ComboBox() const { return static_cast<TkyComboBox &>(*Control()); }
    TStringList &Items() const { return ComboBox().Items(); }
    void SetItems(const TStrings &Value) { ComboBox().SetItems(Value); }
    int ItemIndex() const { return ComboBox().ItemIndex(); }
    void SetItemIndex(int Value) { ComboBox().SetItemIndex(Value); }
    QString Text() const { return ComboBox().Text(); }
    void SetText(const QString &Value) { ComboBox().SetText(Value); }
    TComboBoxStyle Style() const { return TComboBoxStyle(ComboBox().Style()); }
    void SetStyle(TComboBoxStyle Value) { ComboBox().SetStyle(Value); }
    // A drop-down list takes only one of its items; the others take any text.
    bool SetValueText(const QString &Value, QString &Message) override;

protected:
    TkavComboBoxControl(TkavComponent *AOwner, const QString &ABaseName);
};

// A date, edited as text in the ISO form (2025-01-31). Date is 0 while the text is no date.
class TkavDateEditControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavDateEditControl(TkavComponent *AOwner = nullptr);
    TkyEdit &Edit() const { return static_cast<TkyEdit &>(*Control()); }
    double Date() const;
    void SetDate(double Value);
    // The text as it stands (what the user typed).
    QString Text() const { return Edit().Text(); }
    // An ISO date or a date in the current short date format.
    bool SetValueText(const QString &Value, QString &Message) override;
};

class TkavGroupBoxControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavGroupBoxControl(TkavComponent *AOwner = nullptr);
};

class TkavPanelControl : public TkavDialogControl
{
public:
    KAV_CLASSINFO
    explicit TkavPanelControl(TkavComponent *AOwner = nullptr);
};

// A drop-down list of the records of a data set: ListField shows, KeyValue is the KeyField
// of the chosen record. The list is read when the dialog is activated.
class TkavDBLookupComboBox : public TkavComboBoxControl
{
public:
    KAV_CLASSINFO
    explicit TkavDBLookupComboBox(TkavComponent *AOwner = nullptr);
    const QString &DataSetName() const { return FDataSetName; }
    void SetDataSetName(const QString &Value) { FDataSetName = Value; }
    const QString &KeyField() const { return FKeyField; }
    void SetKeyField(const QString &Value) { FKeyField = Value; }
    const QString &ListField() const { return FListField; }
    void SetListField(const QString &Value) { FListField = Value; }
    // The key of the chosen record; Null when none is chosen. Setting it chooses the record
    // with that key once the list is read.
    Variant KeyValue() const;
    void SetKeyValue(const Variant &Value);
    // Reads the records of the data set into the list (nothing when it cannot be found).
    void FillList();
    // A key value or a listed text.
    bool SetValueText(const QString &Value, QString &Message) override;

private:
    void chooseKey();

    QString FDataSetName;
    QString FKeyField;
    QString FListField;
    QList<Variant> FKeys;
    Variant FKeyValue; // wanted before the list was read
};

// Every dialog control class, in palette order.
const QList<const TkavClassInfo *> &kavDialogControlClasses();
// Registers the concrete controls (after TkavDialogControl).
void kavRegisterDialogControlClasses();
