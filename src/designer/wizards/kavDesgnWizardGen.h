#pragma once

// The report wizard's generator: a complete list report (title, column captions, group
// headers, one data row of the chosen fields, group footers and a page footer) over one
// data set, in the chosen layout and style.

#include <QList>
#include <QStringList>

class TkavDataSet;
class TkavReport;
class TkavStyles;

struct TkavWizardChoice
{
    TkavDataSet *DataSet = nullptr; // none: title, empty data band and footer only
    QStringList Fields;             // the data columns, in order (group fields left out)
    QStringList Groups;             // one group header per field, outermost first
    bool Landscape = false;
    bool Tabular = true; // else columnar: a caption and a value per row
    bool FitToWidth = true;
    bool DotMatrix = false;
    const TkavStyles *Style = nullptr; // a set of the wizard's style sheet
};

// Column widths from the caption widths H and data widths D for a usable width W: a column
// is as wide as the wider of the two; with fitting and a row wider than W, the columns
// wider than their captions give up their excess in proportion, or, when even the captions
// do not fit, every column takes its caption's share of W. Columns never widen.
QList<double> kavWizardColumnWidths(const QList<double> &H, const QList<double> &D, double W, bool fit);

// Replaces the objects of the report's first report page with the generated bands, binds
// the report to the data set and applies the style set. Lengths in pixels.
void kavWizardGenerate(TkavReport &report, const TkavWizardChoice &choice);
