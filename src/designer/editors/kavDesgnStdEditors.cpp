#include "kavDesgnStdEditors.h"

#include <report/kavReport.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavColors.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavFont.h>
#include <rtl/kavFormat.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

#include <QFontDatabase>
#include <QGuiApplication>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int scShift = 0x2000;
constexpr int scCtrl = 0x4000;
constexpr int scAlt = 0x8000;
constexpr int vkBack = 0x08;
constexpr int vkInsert = 0x2D;
constexpr int vkDelete = 0x2E;
constexpr int vkF1 = 0x70;

const TkavPropertyAttributes valueList{paValueList, paSortList, paMultiSelect};

// The name of an identifier table's entry for value, else the decimal value.
QString identOf(const QList<QPair<QString, int>> &table, qint64 value)
{
    for (const auto &entry : table)
        if (entry.second == value)
            return entry.first;
    return QString::number(value);
}

// An identifier of the table (ignoring case), else an integer (conversion errors raise).
qint64 valueOf(const QList<QPair<QString, int>> &table, const QString &text)
{
    for (const auto &entry : table)
        if (kavSameText(entry.first, text.trimmed()))
            return entry.second;
    return StrToInt64(text.trimmed());
}

QString keyName(int key)
{
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        return QString(QChar(key));
    if (key >= vkF1 && key < vkF1 + 24)
        return u"F%1"_s.arg(key - vkF1 + 1);
    switch (key) {
    case vkBack:
        return u"BkSp"_s;
    case vkInsert:
        return u"Ins"_s;
    case vkDelete:
        return u"Del"_s;
    default:
        return QString();
    }
}

QString shortCutText(int value)
{
    const QString key = keyName(value & 0xFF);
    if (key.isEmpty())
        return QString::number(value);
    QString text;
    if (value & scShift)
        text += u"Shift+"_s;
    if (value & scCtrl)
        text += u"Ctrl+"_s;
    if (value & scAlt)
        text += u"Alt+"_s;
    return text + key;
}

// "Shift+Ctrl+Alt+X" in any order and letter case; -1 when it is no shortcut.
int parseShortCut(const QString &text)
{
    int modifiers = 0;
    QString rest = text.trimmed();
    for (;;) {
        if (rest.startsWith(u"Shift+"_s, Qt::CaseInsensitive))
            modifiers |= scShift;
        else if (rest.startsWith(u"Ctrl+"_s, Qt::CaseInsensitive))
            modifiers |= scCtrl;
        else if (rest.startsWith(u"Alt+"_s, Qt::CaseInsensitive))
            modifiers |= scAlt;
        else
            break;
        rest = rest.mid(rest.indexOf(u'+') + 1);
    }
    for (int key = 1; key < 256; ++key)
        if (const QString name = keyName(key); !name.isEmpty() && kavSameText(name, rest))
            return modifiers | key;
    return -1;
}

} // namespace

const QList<QPair<QString, int>> &kavCharsetIdents()
{
    static const QList<QPair<QString, int>> table = {
        {u"ANSI_CHARSET"_s, 0},       {u"DEFAULT_CHARSET"_s, 1},    {u"SYMBOL_CHARSET"_s, 2},
        {u"MAC_CHARSET"_s, 77},       {u"SHIFTJIS_CHARSET"_s, 128}, {u"HANGEUL_CHARSET"_s, 129},
        {u"JOHAB_CHARSET"_s, 130},    {u"GB2312_CHARSET"_s, 134},   {u"CHINESEBIG5_CHARSET"_s, 136},
        {u"GREEK_CHARSET"_s, 161},    {u"TURKISH_CHARSET"_s, 162},  {u"VIETNAMESE_CHARSET"_s, 163},
        {u"HEBREW_CHARSET"_s, 177},   {u"ARABIC_CHARSET"_s, 178},   {u"BALTIC_CHARSET"_s, 186},
        {u"RUSSIAN_CHARSET"_s, 204},  {u"THAI_CHARSET"_s, 222},     {u"EASTEUROPE_CHARSET"_s, 238},
        {u"OEM_CHARSET"_s, 255}};
    return table;
}

const QList<QPair<QString, int>> &kavCursorIdents()
{
    static const QList<QPair<QString, int>> table = {
        {u"crDefault"_s, 0},      {u"crNone"_s, -1},       {u"crArrow"_s, -2},
        {u"crCross"_s, -3},       {u"crIBeam"_s, -4},      {u"crSizeNESW"_s, -6},
        {u"crSizeNS"_s, -7},      {u"crSizeNWSE"_s, -8},   {u"crSizeWE"_s, -9},
        {u"crUpArrow"_s, -10},    {u"crHourGlass"_s, -11}, {u"crDrag"_s, -12},
        {u"crNoDrop"_s, -13},     {u"crHSplit"_s, -14},    {u"crVSplit"_s, -15},
        {u"crMultiDrag"_s, -16},  {u"crSQLWait"_s, -17},   {u"crNo"_s, -18},
        {u"crAppStart"_s, -19},   {u"crHelp"_s, -20},      {u"crHandPoint"_s, -21},
        {u"crSizeAll"_s, -22}};
    return table;
}

const QStringList &kavModalResultNames()
{
    static const QStringList names = {u"mrNone"_s,  u"mrOk"_s,    u"mrCancel"_s, u"mrAbort"_s,
                                      u"mrRetry"_s, u"mrIgnore"_s, u"mrYes"_s,   u"mrNo"_s,
                                      u"mrClose"_s, u"mrHelp"_s,  u"mrTryAgain"_s,
                                      u"mrContinue"_s, u"mrAll"_s, u"mrNoToAll"_s,
                                      u"mrYesToAll"_s};
    return names;
}

QString kavNoShortCutText()
{
    return u"(None)"_s;
}

const QList<QPair<QString, int>> &kavShortCuts()
{
    static const QList<QPair<QString, int>> table = [] {
        QList<int> codes;
        for (int c = 'A'; c <= 'Z'; ++c)
            codes.append(scCtrl | c);
        for (int c = 'A'; c <= 'Z'; ++c)
            codes.append(scCtrl | scAlt | c);
        for (int modifiers : {0, scCtrl, scShift, scShift | scCtrl})
            for (int f = 0; f < 12; ++f)
                codes.append(modifiers | (vkF1 + f));
        codes << vkInsert << (scShift | vkInsert) << (scCtrl | vkInsert) << vkDelete
              << (scShift | vkDelete) << (scCtrl | vkDelete) << (scAlt | vkBack)
              << (scShift | scAlt | vkBack);
        QList<QPair<QString, int>> list;
        for (int code : codes)
            list.append({shortCutText(code), code});
        return list;
    }();
    return table;
}

// ---------------------------------------------------------------------------------------

QString TkavIntegerProperty::GetValue() const
{
    return QString::number(ReadOrdinal());
}

void TkavIntegerProperty::SetValue(const QString &Value)
{
    WriteOrdinal(StrToInt64(Value.trimmed()));
}

QString TkavFloatProperty::GetValue() const
{
    return FloatToStr(ReadFloat());
}

double TkavFloatProperty::parse(const QString &Value)
{
    QString text = Value.trimmed();
    const QChar separator = FormatSettings().DecimalSeparator;
    text.replace(u'.', separator).replace(u',', separator);
    return StrToFloat(text);
}

void TkavFloatProperty::SetValue(const QString &Value)
{
    WriteFloat(parse(Value));
}

QString TkavCharProperty::GetValue() const
{
    const qint64 code = ReadOrdinal();
    return code >= 33 && code <= 255 ? QString(QChar(char16_t(code))) : u'#' + QString::number(code);
}

void TkavCharProperty::SetValue(const QString &Value)
{
    if (Value.isEmpty())
        WriteOrdinal(0);
    else if (Value.size() == 1)
        WriteOrdinal(Value.at(0).unicode());
    else if (Value.startsWith(u'#'))
        WriteOrdinal(StrToInt(Value.mid(1)));
    else
        InvalidValue();
}

QString TkavStringProperty::GetValue() const
{
    return ReadText();
}

void TkavStringProperty::SetValue(const QString &Value)
{
    WriteText(Value);
}

TkavPropertyAttributes TkavEnumProperty::GetAttributes() const
{
    return valueList;
}

QString TkavEnumProperty::GetValue() const
{
    return kavGetEnumProp(*Component(), Prop());
}

void TkavEnumProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    for (const QString &name : Prop().EnumInfo()->Names())
        AddValue(name);
}

void TkavEnumProperty::SetValue(const QString &Value)
{
    const std::optional<int> ordinal = Prop().EnumInfo()->ValueOf(Value.trimmed());
    if (!ordinal)
        InvalidValue();
    WriteOrdinal(*ordinal);
}

TkavPropertyAttributes TkavSetProperty::GetAttributes() const
{
    return {paMultiSelect, paSubProperties, paReadOnly};
}

QString TkavSetProperty::GetValue() const
{
    return Prop().SetInfo()->MaskToNames(quint32(ReadOrdinal()));
}

TkavSetElementProperty::TkavSetElementProperty(DesignerDocument *Designer, int Element)
    : TkavPropertyEditor(Designer)
    , FElement(Element)
{}

TkavPropertyAttributes TkavSetElementProperty::GetAttributes() const
{
    return valueList;
}

QString TkavSetElementProperty::GetName() const
{
    return Prop().EnumInfo()->NameOf(FElement);
}

QString TkavSetElementProperty::GetValue() const
{
    return (ReadOrdinal() >> FElement) & 1 ? u"True"_s : u"False"_s;
}

void TkavSetElementProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    AddValue(u"False"_s);
    AddValue(u"True"_s);
}

// Each object keeps its other members: the bit is switched object by object.
void TkavSetElementProperty::SetValue(const QString &Value)
{
    const bool on = kavSameText(Value, u"True");
    if (!on && !kavSameText(Value, u"False"))
        InvalidValue();
    const qint64 bit = qint64(1) << FElement;
    for (int i = 0; i < CompList().size(); ++i) {
        const TkavPropInfo &prop = *PropList()[i];
        if (prop.IsReadOnly())
            continue;
        const qint64 mask = prop.GetOrd(*CompList()[i]);
        prop.SetOrd(*CompList()[i], on ? mask | bit : mask & ~bit);
    }
}

TkavPropertyAttributes TkavClassProperty::GetAttributes() const
{
    return {paMultiSelect, paSubProperties, paReadOnly};
}

QString TkavClassProperty::GetValue() const
{
    return u'(' + Prop().TypeName() + u')';
}

TkavPropertyAttributes TkavComponentProperty::GetAttributes() const
{
    return valueList;
}

QString TkavComponentProperty::GetValue() const
{
    const auto *c = dynamic_cast<const TkavComponent *>(ReadObject());
    return c ? c->Name() : QString();
}

void TkavComponentProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    auto *self = dynamic_cast<TkavComponent *>(Component());
    if (!self)
        return;
    const TkavComponent *scope = self->Page() ? self->Page() : self;
    const TkavClassInfo *cls = Prop().ObjectClass();
    for (const TkavComponent *c : scope->AllObjects())
        if (c != self && (!cls || c->InheritsFrom(*cls)) && !c->Name().isEmpty())
            AddValue(c->Name());
}

// A typed name must name an object of the property's class other than the edited one: a
// band typed into a data-set reference, or a data set made its own master, is refused.
void TkavComponentProperty::SetValue(const QString &Value)
{
    if (Value.trimmed().isEmpty()) {
        WriteObject(nullptr);
        return;
    }
    auto *self = dynamic_cast<TkavComponent *>(Component());
    TkavReport *report = self ? self->Report() : nullptr;
    TkavComponent *target = report ? report->FindObject(Value.trimmed()) : nullptr;
    const TkavClassInfo *cls = Prop().ObjectClass();
    if (!target || (cls && !target->InheritsFrom(*cls)) || CompList().contains(target))
        InvalidValue();
    WriteObject(target);
}

TkavPropertyAttributes TkavNameProperty::GetAttributes() const
{
    return {};
}

QString TkavNameProperty::GetValue() const
{
    return ReadText();
}

void TkavNameProperty::SetValue(const QString &Value)
{
    WriteText(Value);
}

TkavPropertyAttributes TkavColorProperty::GetAttributes() const
{
    return {paValueList, paMultiSelect, paOwnerDraw};
}

QString TkavColorProperty::GetValue() const
{
    return ColorToString(TColor(ReadOrdinal()));
}

void TkavColorProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    for (const auto &entry : kavColorIdents())
        AddValue(entry.first);
}

void TkavColorProperty::SetValue(const QString &Value)
{
    WriteOrdinal(qint64(StringToColor(Value.trimmed())));
}

bool TkavColorProperty::Edit()
{
    TColor color = TColor(ReadOrdinal());
    if (!kavUIServices().ColorDialog(color))
        return false;
    WriteOrdinal(qint64(color));
    return true;
}

TkavPropertyAttributes TkavFontProperty::GetAttributes() const
{
    return {paDialog, paMultiSelect, paSubProperties, paReadOnly};
}

bool TkavFontProperty::Edit()
{
    const auto *font = dynamic_cast<const TFont *>(ReadObject());
    if (!font)
        return false;
    TkavFontChoice choice{font->Name(), double(font->Size()), font->Style(), font->Color()};
    if (!kavUIServices().FontDialog(choice))
        return false;
    for (int i = 0; i < CompList().size(); ++i)
        if (auto *target = dynamic_cast<TFont *>(PropList()[i]->GetObject(*CompList()[i]))) {
            TFont value(*target);
            value.SetName(choice.Name);
            value.SetSize(int(std::lround(choice.Size)));
            value.SetStyle(choice.Style);
            value.SetColor(choice.Color);
            target->Assign(value);
        }
    return true;
}

TkavPropertyAttributes TkavFontNameProperty::GetAttributes() const
{
    return valueList;
}

void TkavFontNameProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        for (const QString &family : QFontDatabase::families())
            AddValue(family);
}

TkavPropertyAttributes TkavFontCharsetProperty::GetAttributes() const
{
    return valueList;
}

QString TkavFontCharsetProperty::GetValue() const
{
    return identOf(kavCharsetIdents(), ReadOrdinal());
}

void TkavFontCharsetProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    for (const auto &entry : kavCharsetIdents())
        AddValue(entry.first);
}

void TkavFontCharsetProperty::SetValue(const QString &Value)
{
    WriteOrdinal(valueOf(kavCharsetIdents(), Value));
}

TkavPropertyAttributes TkavModalResultProperty::GetAttributes() const
{
    return {paValueList, paMultiSelect};
}

QString TkavModalResultProperty::GetValue() const
{
    const qint64 value = ReadOrdinal();
    return value >= 0 && value < kavModalResultNames().size() ? kavModalResultNames().at(value)
                                                              : QString::number(value);
}

void TkavModalResultProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    for (const QString &name : kavModalResultNames())
        AddValue(name);
}

void TkavModalResultProperty::SetValue(const QString &Value)
{
    const QString text = Value.trimmed();
    for (int i = 0; i < kavModalResultNames().size(); ++i)
        if (kavSameText(kavModalResultNames().at(i), text)) {
            WriteOrdinal(i);
            return;
        }
    WriteOrdinal(StrToInt64(text.isEmpty() ? u"0"_s : text));
}

TkavPropertyAttributes TkavShortCutProperty::GetAttributes() const
{
    return {paValueList, paMultiSelect};
}

QString TkavShortCutProperty::GetValue() const
{
    const qint64 value = ReadOrdinal();
    return value == 0 ? kavNoShortCutText() : shortCutText(int(value));
}

void TkavShortCutProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    AddValue(kavNoShortCutText());
    for (const auto &entry : kavShortCuts())
        AddValue(entry.first);
}

void TkavShortCutProperty::SetValue(const QString &Value)
{
    const QString text = Value.trimmed();
    if (text.isEmpty() || kavSameText(text, kavNoShortCutText())) {
        WriteOrdinal(0);
        return;
    }
    const int code = parseShortCut(text);
    if (code < 0)
        InvalidValue();
    WriteOrdinal(code);
}

TkavPropertyAttributes TkavCursorProperty::GetAttributes() const
{
    return valueList;
}

QString TkavCursorProperty::GetValue() const
{
    return identOf(kavCursorIdents(), ReadOrdinal());
}

void TkavCursorProperty::GetValues()
{
    TkavPropertyEditor::GetValues();
    for (const auto &entry : kavCursorIdents())
        AddValue(entry.first);
}

void TkavCursorProperty::SetValue(const QString &Value)
{
    WriteOrdinal(valueOf(kavCursorIdents(), Value));
}

QString TkavDateTimeProperty::GetValue() const
{
    const double value = ReadFloat();
    return value == 0 ? QString() : DateTimeToStr(value);
}

void TkavDateTimeProperty::SetValue(const QString &Value)
{
    WriteFloat(Value.trimmed().isEmpty() ? 0 : StrToDateTime(Value.trimmed()));
}

QString TkavDateProperty::GetValue() const
{
    const double value = ReadFloat();
    return value == 0 ? QString() : DateToStr(value);
}

void TkavDateProperty::SetValue(const QString &Value)
{
    WriteFloat(Value.trimmed().isEmpty() ? 0 : StrToDate(Value.trimmed()));
}

QString TkavTimeProperty::GetValue() const
{
    const double value = ReadFloat();
    return value == 0 ? QString() : TimeToStr(value);
}

void TkavTimeProperty::SetValue(const QString &Value)
{
    WriteFloat(Value.trimmed().isEmpty() ? 0 : StrToTime(Value.trimmed()));
}
