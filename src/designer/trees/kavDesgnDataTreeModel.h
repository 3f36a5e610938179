#pragma once

// TkavDataTreeModel: what an expression can name, as four trees without widgets: the data
// sets' fields, the variables, the script functions by category and the script classes;
// and the text an item inserts into an expression or a script.

#include <script/ky_xml.h>

#include <QString>

#include <memory>
#include <vector>

class TkavDataSet;
class TkavReport;

// ORDER: the tabs of the data tree, by index.
enum TkavDataTreeTab : int {
    dttData,
    dttVariables,
    dttFunctions,
    dttClasses
};

// One item of a tree: its text and icon (an index into the main button images), what it
// carries, its children.
struct TkavDataTreeItem
{
    QString Text;
    int ImageIndex = -1;
    TkavDataSet *DataSet = nullptr;       // a data-set or field item's data set
    const TkyXMLItem *Element = nullptr;  // a function's, or a class's until first expanded
    bool Expanded = false;
    TkavDataTreeItem *Parent = nullptr;
    std::vector<std::unique_ptr<TkavDataTreeItem>> Items;

    TkavDataTreeItem &Add(const QString &text, int imageIndex);
    bool HasChildren() const { return !Items.empty(); }
    int Level() const { return Parent ? Parent->Level() + 1 : 0; }
};

class TkavDataTreeModel
{
public:
    explicit TkavDataTreeModel(TkavReport &report);
    ~TkavDataTreeModel();

    TkavReport &Report() const { return FReport; }
    // The root of a tab's tree; null before it is built, and on the data tab when the
    // report has no data set.
    TkavDataTreeItem *Root(int tab) const;

    // Data sets and their fields, in name order when sort; a data set stays collapsed when
    // collapsed (names each followed by ",") names it.
    void BuildData(bool sort, const QString &collapsed);
    // The names of the collapsed data-set items, each followed by ",".
    QString CollapsedText() const;
    // Categories with their variables, then the system variables.
    void BuildVariables();
    // Built once, from the script catalogue filled on first use.
    void BuildFunctions();
    void BuildClasses();
    // The first expansion of a class item puts its members in place of "more...".
    void ExpandClass(TkavDataTreeItem &item);

    // The text an item inserts on tab: `<Customers."Company">`, `<Total>`, `IntToStr()`;
    // empty for items with children, classes and nothing.
    QString GetFieldName(int tab, const TkavDataTreeItem *item) const;
    // The alias of the data set whose own item this is; empty otherwise.
    QString ActiveDS(const TkavDataTreeItem *item) const;

private:
    void fillCatalogue();
    void addFunctions(TkavDataTreeItem &parent, const TkyXMLItem &element);

    TkavReport &FReport;
    TkyXMLDocument FXML;
    std::unique_ptr<TkavDataTreeItem> FRoots[4];
};

// The call an expression gets for a function declared as declaration (without its first
// word): "Copy(s: String; from, count: Integer): String" gives "Copy(,,)", "Date: TDateTime"
// gives "Date".
QString kavFunctionCallText(const QString &declaration);
