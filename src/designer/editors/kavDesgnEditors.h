#pragma once

// The designer's own property editors: positions and sizes in the designer's units, paper
// sizes and margins, Boolean, brush and frame-style lists, the frame, fill, picture, lines
// and memo dialogs, data sets and fields, display formats, styles, printers, papers and
// the script event editor that writes handler procedures.

#include "kavDesgnStdEditors.h"

class TStrings;
class TkavCustomMemoView;

// Pixels shown in the designer's unit: two decimals unless the value is whole.
class TkavLocSizeXProperty : public TkavFloatProperty
{
public:
    using TkavFloatProperty::TkavFloatProperty;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;

protected:
    virtual bool horizontal() const { return true; }
};

class TkavLocSizeYProperty : public TkavLocSizeXProperty
{
public:
    using TkavLocSizeXProperty::TkavLocSizeXProperty;

protected:
    bool horizontal() const override { return false; }
};

// Millimetres shown in the designer's unit.
class TkavPaperXProperty : public TkavFloatProperty
{
public:
    using TkavFloatProperty::TkavFloatProperty;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;

protected:
    virtual bool horizontal() const { return true; }
};

class TkavPaperYProperty : public TkavPaperXProperty
{
public:
    using TkavPaperXProperty::TkavPaperXProperty;

protected:
    bool horizontal() const override { return false; }
};

class TkavBooleanProperty : public TkavEnumProperty
{
public:
    using TkavEnumProperty::TkavEnumProperty;
    TkavPropertyAttributes GetAttributes() const override;
    // A check box, checked when True.
    void OnDrawItem(QPainter &Canvas, const QRect &ARect) override;
};

class TkavBrushProperty : public TkavEnumProperty
{
public:
    using TkavEnumProperty::TkavEnumProperty;
    TkavPropertyAttributes GetAttributes() const override;
};

class TkavFrameStyleProperty : public TkavEnumProperty
{
public:
    using TkavEnumProperty::TkavEnumProperty;
    TkavPropertyAttributes GetAttributes() const override;
    int GetExtraLBSize() const override;
};

// The frame dialog on the first object's frame; the result goes to every object.
class TkavFrameProperty : public TkavClassProperty
{
public:
    using TkavClassProperty::TkavClassProperty;
    TkavPropertyAttributes GetAttributes() const override;
    bool Edit() override;
};

// The fill dialog (plain brushes only for shapes); the result goes to every object.
class TkavFillProperty : public TkavClassProperty
{
public:
    using TkavClassProperty::TkavClassProperty;
    TkavPropertyAttributes GetAttributes() const override;
    bool Edit() override;
};

// "prPict" with a picture, "prNotAssigned" without; the picture dialog on a copy.
class TkavPictureProperty : public TkavClassProperty
{
public:
    using TkavClassProperty::TkavClassProperty;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    bool Edit() override;
};

class TkavBitmapProperty : public TkavPictureProperty
{
public:
    using TkavPictureProperty::TkavPictureProperty;
    QString GetValue() const override;
};

// The lines dialog on a copy of the list.
class TkavStringsProperty : public TkavClassProperty
{
public:
    using TkavClassProperty::TkavClassProperty;
    TkavPropertyAttributes GetAttributes() const override;
    bool Edit() override;

protected:
    virtual bool editLines(TStrings &lines);
};

// A query's SQL: the coloured SQL editor instead of the plain lines dialog.
class TkavSQLProperty : public TkavStringsProperty
{
public:
    using TkavStringsProperty::TkavStringsProperty;

protected:
    bool editLines(TStrings &lines) override;
};

// The memo editor on the memo's text. A text of at most one line can also be typed in the
// row; a longer one only in the editor, so that no line is lost.
class TkavMemoProperty : public TkavClassProperty
{
public:
    using TkavClassProperty::TkavClassProperty;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void SetValue(const QString &Value) override;
    bool Edit() override;

private:
    // The memo edited when its text has at most one line, else null.
    const TkavCustomMemoView *oneLineMemo() const;
};

// A data set by its alias in the report; a memo bound to a field gets "[alias."field"]".
class TkavDataSetProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

class TkavDataFieldProperty : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
    TkavPropertyAttributes GetAttributes() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

// The display format dialog for the first memo; the result goes to every modifiable memo.
class TkavDisplayFormatProperty : public TkavPropertyEditor
{
public:
    using TkavPropertyEditor::TkavPropertyEditor;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    bool Edit() override;
};

class TkavStyleProperty : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
    TkavPropertyAttributes GetAttributes() const override;
    void GetValues() override;
};

// A data file's name: typed, or chosen in the open dialog ("..."); a file in the report's
// folder is kept relative to it, so the report moves with its data.
class TkavFileNameProperty : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
    TkavPropertyAttributes GetAttributes() const override;
    bool Edit() override;
};

class TkavPrinterProperty : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
    TkavPropertyAttributes GetAttributes() const override;
    void GetValues() override;
};

// A paper number shown and typed as the current printer's paper name.
class TkavPaperProperty : public TkavIntegerProperty
{
public:
    using TkavIntegerProperty::TkavIntegerProperty;
    TkavPropertyAttributes GetAttributes() const override;
    QString GetValue() const override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};

// A script event: its value names a procedure; Edit goes to it or creates it.
class TkavEventProperty : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
    TkavPropertyAttributes GetAttributes() const override;
    void GetValues() override;
    bool Edit() override;
};

// Goes to the handler named by event property Prop of Obj (the script shown with the caret
// two lines below its head; false) or names and creates one (true). Setter writes the name
// to the edited objects. No place for a handler: the name is cleared and "dsCantFindProc"
// raised.
bool kavEditEventHandler(DesignerDocument &Designer, TkavComponent &Obj, const TkavPropInfo &Prop,
                         const std::function<void(const QString &)> &Setter);
