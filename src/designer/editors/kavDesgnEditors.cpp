#include "kavDesgnEditors.h"

#include "kavDesgnScriptGen.h"

#include <designer/document/kavDesgnDialogs.h>
#include <designer/document/kavDesgnDocument.h>
#include <persist/kavRes.h>
#include <persist/kavXMLSerializer.h>
#include <prepared/kavPrinters.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <report/kavStyles.h>
#include <report/kavViews.h>
#include <rtl/kavFormat.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QRect>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const TkavPropertyAttributes drawnList{paValueList, paMultiSelect, paOwnerDraw};
const TkavPropertyAttributes dialogOnly{paDialog, paReadOnly};

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

TkavDesignerUnits unitsOf(const DesignerDocument *designer)
{
    return designer ? designer->Units() : duCM;
}

// Whole values without decimals, others with two.
QString unitText(double value)
{
    return std::abs(value - std::round(value)) < 1e-9 ? FloatToStr(value)
                                                      : FormatFloat(u"0.00"_s, value);
}

double charRatio(bool horizontal)
{
    return horizontal ? 9.6 : 17;
}

// Writes value into every object's sub-object property (through the setter when there is
// one, else into the object held).
void writeSubObject(TkavPropertyEditor &editor, const TPersistent &value)
{
    for (int i = 0; i < editor.CompList().size(); ++i) {
        const TkavPropInfo &prop = *editor.PropList()[i];
        TPersistent &obj = *editor.CompList()[i];
        if (!prop.IsReadOnly())
            prop.SetObject(obj, const_cast<TPersistent *>(&value));
        else if (TPersistent *held = prop.GetObject(obj))
            held->Assign(value);
    }
}

TkavReport *reportOf(const TPersistent *obj)
{
    const auto *c = dynamic_cast<const TkavComponent *>(obj);
    return c ? c->Report() : nullptr;
}

// A memo bound to a data set and a field shows "[alias."field"]".
void rebuildMemoText(TPersistent *obj)
{
    auto *memo = dynamic_cast<TkavCustomMemoView *>(obj);
    TkavReport *report = reportOf(obj);
    if (!memo || !report || !memo->DataSet() || memo->DataField().isEmpty())
        return;
    memo->SetText(u'[' + report->GetAlias(memo->DataSet()) + u".\""_s + memo->DataField()
                  + u"\"]"_s);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Units

QString TkavLocSizeXProperty::GetValue() const
{
    const double v = ReadFloat();
    switch (unitsOf(Designer())) {
    case duCM:
        return unitText(v / 96 * 2.54);
    case duInches:
        return unitText(v / 96);
    case duPixels:
        return unitText(v);
    case duChars:
        return unitText(v / charRatio(horizontal()));
    }
    return unitText(v);
}

void TkavLocSizeXProperty::SetValue(const QString &Value)
{
    const double v = kavTextToFloat(Value.trimmed());
    switch (unitsOf(Designer())) {
    case duCM:
        WriteFloat(v * 96 / 2.54);
        break;
    case duInches:
        WriteFloat(v * 96);
        break;
    case duPixels:
        WriteFloat(v);
        break;
    case duChars:
        WriteFloat(v * charRatio(horizontal()));
        break;
    }
}

QString TkavPaperXProperty::GetValue() const
{
    const double v = ReadFloat();
    switch (unitsOf(Designer())) {
    case duCM:
        return unitText(v / 10);
    case duInches:
        return unitText(v / 25.4);
    case duPixels:
        return unitText(v * 96 / 25.4);
    case duChars:
        return unitText(v * 96 / 25.4 / charRatio(horizontal()));
    }
    return unitText(v);
}

void TkavPaperXProperty::SetValue(const QString &Value)
{
    const double v = kavTextToFloat(Value.trimmed());
    switch (unitsOf(Designer())) {
    case duCM:
        WriteFloat(v * 10);
        break;
    case duInches:
        WriteFloat(v * 25.4);
        break;
    case duPixels:
        WriteFloat(v / 96 * 25.4);
        break;
    case duChars:
        WriteFloat(v * charRatio(horizontal()) / 96 * 25.4);
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Drawn lists

TkavPropertyAttributes TkavBooleanProperty::GetAttributes() const
{
    return drawnList;
}

void TkavBooleanProperty::OnDrawItem(QPainter &Canvas, const QRect &ARect)
{
    const int side = qMax(4, ItemHeight() - 5);
    const QRect box(ARect.left() + 2, ARect.top() + (ARect.height() - side) / 2, side, side);
    Canvas.setPen(Qt::black);
    Canvas.drawRect(box);
    if (ReadOrdinal() != 0) {
        Canvas.drawLine(box.left() + 2, box.center().y(), box.center().x(), box.bottom() - 2);
        Canvas.drawLine(box.center().x(), box.bottom() - 2, box.right() - 2, box.top() + 2);
    }
    Canvas.drawText(ARect.adjusted(side + 6, 0, 0, 0), Qt::AlignVCenter, GetValue());
}

TkavPropertyAttributes TkavBrushProperty::GetAttributes() const
{
    return drawnList;
}

TkavPropertyAttributes TkavFrameStyleProperty::GetAttributes() const
{
    return drawnList;
}

int TkavFrameStyleProperty::GetExtraLBSize() const
{
    return TkavEnumProperty::GetExtraLBSize() + 36;
}

// ---------------------------------------------------------------------------------------
// Dialogs

TkavPropertyAttributes TkavFrameProperty::GetAttributes() const
{
    return {paDialog, paMultiSelect, paReadOnly};
}

// Every selected object takes the edited frame, not only the first one.
bool TkavFrameProperty::Edit()
{
    const auto *current = dynamic_cast<const TkavFrame *>(ReadObject());
    if (!current)
        return false;
    TkavFrame frame;
    frame.Assign(*current);
    if (!kavDesignerDialogs().EditFrame(frame))
        return false;
    writeSubObject(*this, frame);
    return true;
}

TkavPropertyAttributes TkavFillProperty::GetAttributes() const
{
    return {paDialog, paMultiSelect, paReadOnly};
}

bool TkavFillProperty::Edit()
{
    const auto *current = dynamic_cast<const TkavCustomFill *>(ReadObject());
    if (!current)
        return false;
    std::unique_ptr<TkavCustomFill> fill = kavCreateFill(kavFillTypeOf(current));
    fill->Assign(*current);
    const bool brushOnly = dynamic_cast<const TkavShapeView *>(Component()) != nullptr;
    if (!kavDesignerDialogs().EditFill(fill, brushOnly) || !fill)
        return false;
    writeSubObject(*this, *fill);
    return true;
}

TkavPropertyAttributes TkavPictureProperty::GetAttributes() const
{
    return dialogOnly;
}

QString TkavPictureProperty::GetValue() const
{
    const auto *picture = dynamic_cast<const TkavPicture *>(ReadObject());
    return res(picture && !picture->IsEmpty() ? u"prPict"_s : u"prNotAssigned"_s);
}

bool TkavPictureProperty::Edit()
{
    const auto *current = dynamic_cast<const TkavPicture *>(ReadObject());
    if (!current)
        return false;
    TkavPicture picture;
    picture.Assign(*current);
    if (!kavDesignerDialogs().EditPicture(picture))
        return false;
    writeSubObject(*this, picture);
    // The designer's cache keeps every picture the history may ask for again.
    if (Designer())
        for (TPersistent *obj : CompList())
            if (auto *view = dynamic_cast<TkavPictureView *>(obj)) {
                Designer()->PictureCache().AddPicture(*view);
                view->SetPictureChanged(false);
            }
    return true;
}

QString TkavBitmapProperty::GetValue() const
{
    return res(u"prPict"_s);
}

TkavPropertyAttributes TkavFileNameProperty::GetAttributes() const
{
    return {paDialog};
}

bool TkavFileNameProperty::Edit()
{
    const auto *component = dynamic_cast<const TkavComponent *>(Component());
    const TkavReport *report = component ? component->Report() : nullptr;
    const QString folder = report && !report->FileName().isEmpty() ? QFileInfo(report->FileName()).absolutePath()
                                                                    : QDir::currentPath();
    TkavFileDialogOptions options;
    options.Title = GetName();
    const bool database = component && component->InheritsFrom(u"TkavCustomDatabase");
    options.Filter = kavResourceTable().Get(database ? u"dsDatabaseFilter"_s : u"dsDataFileFilter"_s);
    options.InitialDir = folder;
    options.FileName = kavPathBesideReport(report, GetValue());
    QStringList chosen;
    if (!kavUIServices().OpenFileDialog(options, chosen) || chosen.isEmpty())
        return false;
    const QString relative = QDir(folder).relativeFilePath(chosen.first());
    SetValue(relative.startsWith(u"..") ? chosen.first() : relative);
    return true;
}

TkavPropertyAttributes TkavStringsProperty::GetAttributes() const
{
    return dialogOnly;
}

bool TkavStringsProperty::Edit()
{
    const auto *current = dynamic_cast<const TStrings *>(ReadObject());
    if (!current)
        return false;
    TStringList lines;
    lines.Assign(*current);
    if (!editLines(lines))
        return false;
    for (int i = 0; i < CompList().size(); ++i)
        if (auto *target = dynamic_cast<TStrings *>(PropList()[i]->GetObject(*CompList()[i])))
            target->Assign(lines);
    return true;
}

bool TkavStringsProperty::editLines(TStrings &lines)
{
    return kavDesignerDialogs().EditLines(lines);
}

bool TkavSQLProperty::editLines(TStrings &lines)
{
    return kavDesignerDialogs().EditSQL(lines);
}

const TkavCustomMemoView *TkavMemoProperty::oneLineMemo() const
{
    const auto *memo = dynamic_cast<const TkavCustomMemoView *>(Component());
    return memo && memo->Lines().Count() <= 1 ? memo : nullptr;
}

TkavPropertyAttributes TkavMemoProperty::GetAttributes() const
{
    return oneLineMemo() ? TkavPropertyAttributes{paDialog} : dialogOnly;
}

QString TkavMemoProperty::GetValue() const
{
    const TkavCustomMemoView *memo = oneLineMemo();
    if (!memo)
        return TkavClassProperty::GetValue();
    return memo->Lines().Count() > 0 ? memo->Lines().Strings(0) : QString();
}

void TkavMemoProperty::SetValue(const QString &Value)
{
    if (!oneLineMemo())
        return;
    for (TPersistent *obj : CompList())
        if (auto *memo = dynamic_cast<TkavCustomMemoView *>(obj))
            memo->SetText(Value);
}

bool TkavMemoProperty::Edit()
{
    return kavEditMemoText(dynamic_cast<TkavComponent *>(Component()));
}

// ---------------------------------------------------------------------------------------
// Data

TkavPropertyAttributes TkavDataSetProperty::GetAttributes() const
{
    return {paValueList, paMultiSelect};
}

QString TkavDataSetProperty::GetValue() const
{
    const auto *dataSet = dynamic_cast<const TkavDataSet *>(ReadObject());
    TkavReport *report = reportOf(Component());
    return dataSet && report ? report->GetAlias(dataSet) : res(u"prNotAssigned"_s);
}

void TkavDataSetProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    TkavReport *report = reportOf(Component());
    if (!report)
        return;
    TStringList list;
    report->GetDataSetList(list);
    for (int i = 0; i < list.Count(); ++i)
        if (!CompList().contains(report->GetDataset(list.Strings(i))))
            AddValue(list.Strings(i));
}

// A data set cannot be its own source: the edited objects are refused.
void TkavDataSetProperty::SetValue(const QString &Value)
{
    if (Value.trimmed().isEmpty()) {
        WriteObject(nullptr);
        return;
    }
    TkavReport *report = reportOf(Component());
    TkavDataSet *dataSet = report ? report->GetDataset(Value.trimmed()) : nullptr;
    if (!dataSet || CompList().contains(dataSet))
        InvalidValue();
    WriteObject(dataSet);
    for (TPersistent *obj : CompList())
        rebuildMemoText(obj);
}

TkavPropertyAttributes TkavDataFieldProperty::GetAttributes() const
{
    return {paValueList, paMultiSelect};
}

void TkavDataFieldProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    const auto *view = dynamic_cast<const TkavView *>(Component());
    if (!view || !view->DataSet())
        return;
    TStringList fields;
    view->DataSet()->GetFieldList(fields);
    for (int i = 0; i < fields.Count(); ++i)
        AddValue(fields.Strings(i));
}

void TkavDataFieldProperty::SetValue(const QString &Value)
{
    WriteText(Value);
    for (TPersistent *obj : CompList())
        rebuildMemoText(obj);
}

TkavPropertyAttributes TkavDisplayFormatProperty::GetAttributes() const
{
    return {paDialog, paMultiSelect, paReadOnly};
}

QString TkavDisplayFormatProperty::GetValue() const
{
    return u"(TkavFormat)"_s;
}

bool TkavDisplayFormatProperty::Edit()
{
    auto *memo = dynamic_cast<TkavCustomMemoView *>(Component());
    if (!memo || !kavDesignerDialogs().EditDisplayFormat(*memo))
        return false;
    for (TPersistent *obj : CompList())
        if (auto *other = dynamic_cast<TkavCustomMemoView *>(obj);
            other && other != memo && !other->Restrictions().Contains(rfDontModify))
            other->Formats().Assign(memo->Formats());
    return true;
}

TkavPropertyAttributes TkavStyleProperty::GetAttributes() const
{
    return {paValueList, paMultiSelect};
}

void TkavStyleProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    if (TkavReport *report = reportOf(Component()))
        for (int i = 0; i < report->Styles().Count(); ++i)
            AddValue(report->Styles().Items(i)->Name());
}

TkavPropertyAttributes TkavPrinterProperty::GetAttributes() const
{
    return {paValueList};
}

void TkavPrinterProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    AddValue(res(u"prDefault"_s));
    for (const QString &name : kavPrinters().Printers())
        AddValue(name);
}

TkavPropertyAttributes TkavPaperProperty::GetAttributes() const
{
    return {paValueList};
}

QString TkavPaperProperty::GetValue() const
{
    const TkavCustomPrinter *printer = kavPrinters().Printer();
    if (!printer)
        return TkavIntegerProperty::GetValue();
    const qint64 number = ReadOrdinal();
    QString custom;
    for (const TkavPrinterItem &paper : printer->Papers()) {
        if (paper.Number == number)
            return paper.Name;
        if (paper.Number == kavPaperCustom)
            custom = paper.Name;
    }
    return custom;
}

void TkavPaperProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    if (const TkavCustomPrinter *printer = kavPrinters().Printer())
        for (const TkavPrinterItem &paper : printer->Papers())
            AddValue(paper.Name);
}

void TkavPaperProperty::SetValue(const QString &Value)
{
    const TkavCustomPrinter *printer = kavPrinters().Printer();
    if (!printer) {
        TkavIntegerProperty::SetValue(Value);
        return;
    }
    WriteOrdinal(printer->PaperNameToNumber(Value));
}

// ---------------------------------------------------------------------------------------
// Events

TkavPropertyAttributes TkavEventProperty::GetAttributes() const
{
    return {paValueList, paMultiSelect};
}

void TkavEventProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    if (!Designer())
        return;
    const TkavScriptGenerator script(Designer()->ScriptLines(),
                                     Designer()->Report().ScriptLanguage());
    for (const QString &name : script.Handlers(Prop().TypeName()))
        AddValue(name);
}

bool TkavEventProperty::Edit()
{
    auto *obj = dynamic_cast<TkavComponent *>(Component());
    if (!Designer() || !obj || !Designer()->CheckOp(drDontEditReportScript))
        return false;
    return kavEditEventHandler(*Designer(), *obj, Prop(),
                               [this](const QString &name) { WriteText(name); });
}

bool kavEditEventHandler(DesignerDocument &Designer, TkavComponent &Obj, const TkavPropInfo &Prop,
                         const std::function<void(const QString &)> &Setter)
{
    TkavScriptGenerator script(Designer.ScriptLines(), Designer.Report().ScriptLanguage());
    const QString current = Prop.GetStr(Obj);
    if (!current.isEmpty()) {
        const int line = script.FindHandler(current);
        if (line >= 0) {
            Designer.ShowScript(line + 3, 1);
            return false;
        }
    }
    const QString name = !current.isEmpty() ? current
                                             : Obj.Name() + Prop.Name()
                                                   + (Obj.IsAncestor() ? u"_inherited"_s : QString());
    Setter(name);
    int line = script.FindHandler(name);
    if (line >= 0) {
        Designer.ShowScript(line + 3, 1);
        return true;
    }
    line = script.CreateHandler(name, Prop.TypeName());
    if (line < 0) {
        Setter(QString());
        throw EkavError(res(u"dsCantFindProc"_s));
    }
    Designer.SetScriptLines(script.Lines());
    Designer.ShowScript(line + 3, 3);
    return true;
}
