#pragma once

// The standard property editors: one per kind of property (integers, floats, characters,
// strings, enumerations, sets and their elements, sub-objects, component references) and
// the editors of names, colours, fonts, character sets, modal results, shortcuts, cursors
// and dates, each with its text rules and value list.

#include "kavDesgnPropEditors.h"

#include <QPair>

class TkavIntegerProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;
};

// The shortest float text with the locale's separator; "." and "," both accepted.
class TkavFloatProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;

protected:
    // The typed text as a number: separators unified to the locale's, blanks trimmed.
    static double parse(const QString &Value);
};

// Codes 33..255 as the character, others as "#" and the code ("#32").
class TkavCharProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;
};

class TkavStringProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;
};

class TkavEnumProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

// "[fsBold,fsItalic]"; the members are edited as sub-properties.
class TkavSetProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
};

// One member of a set: "True" or "False".
class TkavSetElementProperty : public TkavPropertyEditor
{
public:
    TkavSetElementProperty(DesignerDocument *Designer, int Element);
    TkavPropertyAttributes GetAttributes() const override;
    QString GetName() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
    int Element() const { return FElement; }

private:
    int FElement;
};

// "(TypeName)"; the object's properties are edited as sub-properties.
class TkavClassProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
};

// A reference to another object of the report, by name. Only an object of the property's
// class, other than the edited object itself, is accepted.
class TkavComponentProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

class TkavNameProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;
};

class TkavColorProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
    // The colour dialog; the choice goes to every object.
    bool Edit() override;
};

// A font: the font dialog writes the chosen font to every object.
class TkavFontProperty : public TkavClassProperty
{
public:
    using TkavClassProperty::TkavClassProperty;
    TkavPropertyAttributes GetAttributes() const override;
    bool Edit() override;
};

class TkavFontNameProperty : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
    TkavPropertyAttributes GetAttributes() const override;
    void GetValues() override;
};

class TkavFontCharsetProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

class TkavModalResultProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

class TkavShortCutProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

class TkavCursorProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

// Date and time in the locale's formats; empty for 0.
class TkavDateTimeProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;
};

class TkavDateProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;
};

class TkavTimeProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;
};

// The tables behind the lists: character-set and cursor identifiers with their numbers,
// the modal result names, and the shortcut texts with their key codes.
const QList<QPair<QString, int>> &kavCharsetIdents();
const QList<QPair<QString, int>> &kavCursorIdents();
const QStringList &kavModalResultNames();
const QList<QPair<QString, int>> &kavShortCuts();
// "(None)", the text of shortcut 0.
QString kavNoShortCutText();
