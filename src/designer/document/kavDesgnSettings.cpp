#include "kavDesgnSettings.h"

#include <report/kavBands.h>
#include <rtl/kavSettings.h>
#include <rtl/kavMath.h>
#include <rtl/kavStrings.h>

#include <QtGlobal>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr double pixelsPerCM = 37.7953;

const QString section = u"Form5.TkavDesignerForm"_s;
const QString inspectorSection = u"Form5.TkavObjectInspector"_s;

TkavDesigner *&activeDesigner()
{
    static TkavDesigner *active = nullptr;
    return active;
}

QString gridKey(int i)
{
    return u"Grid%1"_s.arg(i + 1);
}

} // namespace

double kavUnitPixels(TkavDesignerUnits units, bool x)
{
    switch (units) {
    case duCM:
        return pixelsPerCM;
    case duInches:
        return 96;
    case duPixels:
        return 1;
    case duChars:
        return x ? kavDMPCharWidth : kavDMPCharHeight;
    }
    return 1;
}

TkavGridType kavUnitGridType(TkavDesignerUnits units)
{
    static constexpr TkavGridType types[] = {gt1cm, gt1in, gt1pt, gtChar};
    return types[units];
}

double kavUnitDefaultGrid(TkavDesignerUnits units)
{
    static constexpr double grids[] = {0.1, 0.1, 4, 4};
    return grids[units];
}

double kavUnitBandHeight(TkavDesignerUnits units)
{
    static constexpr double heights[] = {0.6 * pixelsPerCM, 28.8, 20, 17};
    return heights[units];
}

double kavUnitObjectWidth(TkavDesignerUnits units)
{
    static constexpr double widths[] = {2.5 * pixelsPerCM, 96, 80, 96};
    return widths[units];
}

double kavUnitObjectHeight(TkavDesignerUnits units)
{
    static constexpr double heights[] = {0.5 * pixelsPerCM, 19.2, 16, 17};
    return heights[units];
}

double kavBandCaptionHeight(TkavGridType grid, bool showCaptions)
{
    if (!showCaptions)
        return 0;
    switch (grid) {
    case gt1cm:
        return 0.5 * pixelsPerCM;
    case gt1in:
        return 19.2;
    case gtChar:
        return 17;
    default:
        return 16;
    }
}

double kavMMToUnits(double mm, TkavDesignerUnits units, bool x)
{
    switch (units) {
    case duCM:
        return mm / 10;
    case duInches:
        return mm / 25.4;
    case duPixels:
        return mm * 96 / 25.4;
    case duChars:
        return kavRound(mm * 3.77953 / (x ? 9.6 : 17));
    }
    return mm;
}

double kavUnitsToMM(double value, TkavDesignerUnits units, bool x)
{
    switch (units) {
    case duCM:
        return value * 10;
    case duInches:
        return value * 25.4;
    case duPixels:
        return value / 96 * 25.4;
    case duChars:
        return double(kavRound(value)) * (x ? 9.6 : 17) / 3.77953;
    }
    return value;
}

double kavBoundedScale(double scale)
{
    return scale > 0 ? qMin(scale, 20.0) : 1;
}

QString kavUnitCaptionKey(TkavDesignerUnits units)
{
    static const QString keys[] = {u"dsCm"_s, u"dsInch"_s, u"dsPix"_s, u"dsChars"_s};
    return keys[units];
}

// ---------------------------------------------------------------------------------------

TkavDesigner::TkavDesigner()
{
    activeDesigner() = this;
}

TkavDesigner::~TkavDesigner()
{
    if (activeDesigner() == this)
        activeDesigner() = nullptr;
}

TkavDesigner *TkavDesigner::Active()
{
    return activeDesigner();
}

// ---------------------------------------------------------------------------------------

double TkavDesignerOptions::GridSize(TkavDesignerUnits units) const
{
    const double size = Grid[units];
    return size > 0 ? size : kavUnitDefaultGrid(units);
}

void TkavDesignerOptions::Restore(const TkavIniFile &ini)
{
    // The presence of Scale marks a saved layout; any colour, black included, is a colour.
    if (!ini.ValueExists(section, u"Scale"_s)) {
        *this = TkavDesignerOptions();
        EditAfterInsert = true;
        return;
    }
    Scale = kavBoundedScale(ini.ReadFloat(section, u"Scale"_s, 1));
    ShowGrid = ini.ReadBool(section, u"ShowGrid"_s, true);
    GridAlign = ini.ReadBool(section, u"GridAlign"_s, true);
    ShowRulers = ini.ReadBool(section, u"ShowRulers"_s, true);
    ShowGuides = ini.ReadBool(section, u"ShowGuides"_s, true);
    for (int i = 0; i < 4; ++i) {
        Grid[i] = ini.ReadFloat(section, gridKey(i), kavUnitDefaultGrid(TkavDesignerUnits(i)));
        if (!(Grid[i] > 0))
            Grid[i] = kavUnitDefaultGrid(TkavDesignerUnits(i));
    }
    const int units = ini.ReadInteger(section, u"Units"_s, duCM);
    Units = units >= duCM && units <= duPixels ? TkavDesignerUnits(units) : duCM;
    ScriptFontName = ini.ReadString(section, u"ScriptFontName"_s, u"Courier New"_s);
    ScriptFontSize = ini.ReadInteger(section, u"ScriptFontSize"_s, 10);
    MemoFontName = ini.ReadString(section, u"MemoFontName"_s, u"Arial"_s);
    MemoFontSize = ini.ReadInteger(section, u"MemoFontSize"_s, 10);
    UseObjectFont = ini.ReadBool(section, u"UseObjectFont"_s, true);
    WorkspaceColor = ini.ReadInteger(section, u"WorkspaceColor"_s, WorkspaceColor);
    ToolsColor = ini.ReadInteger(section, u"ToolsColor"_s, ToolsColor);
    GridLCD = ini.ReadBool(section, u"GridLCD"_s, false);
    EditAfterInsert = ini.ReadBool(section, u"EditAfterInsert"_s, false);
    LocalizedOI = ini.ReadBool(section, u"LocalizedOI"_s, false);
    QString recent = ini.ReadString(section, u"RecentFiles"_s, QString());
    if (recent.size() >= 2 && recent.startsWith(u'"') && recent.endsWith(u'"'))
        recent = recent.mid(1, recent.size() - 2);
    TStringList list;
    list.SetCommaText(recent);
    TkavRecentFiles files;
    files.SetItems(list.ToStringList());
    RecentFiles = files.Items();
    FreeBands = ini.ReadBool(section, u"FreeBands"_s, false);
    BandsGap = ini.ReadInteger(section, u"BandsGap"_s, 4);
    ShowBandCaptions = ini.ReadBool(section, u"ShowBandCaptions"_s, true);
    DropFields = ini.ReadBool(section, u"DropFields"_s, true);
    ShowStartup = ini.ReadBool(section, u"ShowStartup"_s, true);
    WatchList = ini.ReadString(section, u"WatchList"_s, QString()).split(u'\n', Qt::SkipEmptyParts);
    SplitPos = ini.ReadInteger(inspectorSection, u"SplitPos"_s, -1);
    Split1Pos = ini.ReadInteger(inspectorSection, u"Split1Pos"_s, 65);
    if (Split1Pos < 10)
        Split1Pos = 65;
    Restored = true;
}

void TkavDesignerOptions::Save(TkavIniFile &ini) const
{
    ini.WriteFloat(section, u"Scale"_s, Scale);
    ini.WriteBool(section, u"ShowGrid"_s, ShowGrid);
    ini.WriteBool(section, u"GridAlign"_s, GridAlign);
    ini.WriteBool(section, u"ShowRulers"_s, ShowRulers);
    ini.WriteBool(section, u"ShowGuides"_s, ShowGuides);
    for (int i = 0; i < 4; ++i)
        ini.WriteFloat(section, gridKey(i), Grid[i]);
    ini.WriteInteger(section, u"Units"_s, Units);
    ini.WriteString(section, u"ScriptFontName"_s, ScriptFontName);
    ini.WriteInteger(section, u"ScriptFontSize"_s, ScriptFontSize);
    ini.WriteString(section, u"MemoFontName"_s, MemoFontName);
    ini.WriteInteger(section, u"MemoFontSize"_s, MemoFontSize);
    ini.WriteBool(section, u"UseObjectFont"_s, UseObjectFont);
    ini.WriteInteger(section, u"WorkspaceColor"_s, WorkspaceColor);
    ini.WriteInteger(section, u"ToolsColor"_s, ToolsColor);
    ini.WriteBool(section, u"GridLCD"_s, GridLCD);
    ini.WriteBool(section, u"EditAfterInsert"_s, EditAfterInsert);
    ini.WriteBool(section, u"LocalizedOI"_s, LocalizedOI);
    TStringList list;
    for (const QString &name : RecentFiles)
        list.Add(name);
    const QString comma = list.CommaText();
    ini.WriteString(section, u"RecentFiles"_s, ini.IsUserSettings() ? comma : u'"' + comma + u'"');
    ini.WriteBool(section, u"FreeBands"_s, FreeBands);
    ini.WriteInteger(section, u"BandsGap"_s, BandsGap);
    ini.WriteBool(section, u"ShowBandCaptions"_s, ShowBandCaptions);
    ini.WriteBool(section, u"DropFields"_s, DropFields);
    ini.WriteBool(section, u"ShowStartup"_s, ShowStartup);
    ini.WriteString(section, u"WatchList"_s, WatchList.join(u'\n'));
    if (SplitPos >= 0)
        ini.WriteInteger(inspectorSection, u"SplitPos"_s, SplitPos);
    ini.WriteInteger(inspectorSection, u"Split1Pos"_s, Split1Pos);
}

// ---------------------------------------------------------------------------------------

void TkavRecentFiles::Add(const QString &FileName)
{
    if (FileName.isEmpty())
        return;
    Remove(FileName);
    FItems.append(FileName);
    while (FItems.size() > MaxCount)
        FItems.removeFirst();
}

void TkavRecentFiles::Remove(const QString &FileName)
{
    FItems.removeAll(FileName); // file names are case-sensitive here
}

void TkavRecentFiles::SetItems(const QStringList &items)
{
    FItems.clear();
    for (const QString &item : items)
        Add(item);
}

QStringList TkavRecentFiles::MenuOrder() const
{
    QStringList order(FItems.rbegin(), FItems.rend());
    return order;
}
