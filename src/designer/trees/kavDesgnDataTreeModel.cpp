#include "kavDesgnDataTreeModel.h"

#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <rtl/kavStrings.h>
#include <script/ky_classes.h>
#include <script/ky_script.h>

using namespace Qt::StringLiterals;

namespace {

// Icons: indices into the main button images.
constexpr int imgDataRoot = 53, imgDataSet = 72, imgFolder = 66, imgVariable = 80;
constexpr int imgFunction = 52, imgClass = 78, imgProperty = 73, imgEvent = 79, imgMethod = 74;

int fieldImage(TkavFieldType type)
{
    switch (type) {
    case fftNumeric:
        return 104;
    case fftString:
        return 102;
    case fftBoolean:
        return 107;
    case fftDateTime:
        return 106;
    default:
        return 54;
    }
}

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

void expandAll(TkavDataTreeItem &item)
{
    item.Expanded = true;
    for (auto &child : item.Items)
        expandAll(*child);
}

} // namespace

TkavDataTreeItem &TkavDataTreeItem::Add(const QString &text, int imageIndex)
{
    auto item = std::make_unique<TkavDataTreeItem>();
    item->Text = text;
    item->ImageIndex = imageIndex;
    item->Parent = this;
    Items.push_back(std::move(item));
    return *Items.back();
}

TkavDataTreeModel::TkavDataTreeModel(TkavReport &report)
    : FReport(report)
{}

TkavDataTreeModel::~TkavDataTreeModel() = default;

TkavDataTreeItem *TkavDataTreeModel::Root(int tab) const
{
    return tab >= dttData && tab <= dttClasses ? FRoots[tab].get() : nullptr;
}

void TkavDataTreeModel::BuildData(bool sort, const QString &collapsed)
{
    FRoots[dttData].reset();
    TStringList dataSets;
    FReport.GetDataSetList(dataSets);
    if (dataSets.Count() == 0)
        return;
    if (sort)
        dataSets.Sort();
    FRoots[dttData] = std::make_unique<TkavDataTreeItem>();
    TkavDataTreeItem &root = *FRoots[dttData];
    root.Text = res(u"dtData"_s);
    root.ImageIndex = imgDataRoot;
    root.Expanded = true;
    // Whole names: collapsing MyOrders leaves Orders as it was.
    const QStringList collapsedNames = collapsed.split(u',', Qt::SkipEmptyParts);
    for (int i = 0; i < dataSets.Count(); ++i) {
        auto *dataSet = static_cast<TkavDataSet *>(dataSets.Objects(i));
        TkavDataTreeItem &dsItem = root.Add(FReport.GetAlias(dataSet), imgDataSet);
        dsItem.DataSet = dataSet;
        dsItem.Expanded = !collapsedNames.contains(dsItem.Text);
        // A data set whose fields cannot be read shows the names read so far.
        TStringList fields;
        try {
            dataSet->GetFieldList(fields);
        } catch (const std::exception &) {
        }
        if (sort)
            fields.Sort();
        for (int f = 0; f < fields.Count(); ++f) {
            const QString name = fields.Strings(f);
            dsItem.Add(name, fieldImage(dataSet->GetFieldType(name))).DataSet = dataSet;
        }
    }
}

QString TkavDataTreeModel::CollapsedText() const
{
    QString text;
    if (const TkavDataTreeItem *root = Root(dttData))
        for (const auto &dsItem : root->Items)
            if (!dsItem->Expanded)
                text += dsItem->Text + u',';
    return text;
}

void TkavDataTreeModel::BuildVariables()
{
    FRoots[dttVariables] = std::make_unique<TkavDataTreeItem>();
    TkavDataTreeItem &root = *FRoots[dttVariables];
    root.Text = res(u"dtVar"_s);
    root.ImageIndex = imgFolder;
    TStringList categories, names;
    FReport.Variables().GetCategoriesList(categories);
    const auto addVariables = [&](TkavDataTreeItem &parent, const QString &category) {
        FReport.Variables().GetVariablesList(category, names);
        for (int i = 0; i < names.Count(); ++i)
            parent.Add(names.Strings(i), imgVariable);
    };
    for (int c = 0; c < categories.Count(); ++c)
        addVariables(root.Add(categories.Strings(c), imgFolder), categories.Strings(c));
    if (categories.Count() == 0)
        addVariables(root, QString());
    TkavDataTreeItem &system = root.Add(res(u"dtSysVar"_s), imgFolder);
    const TStringList &sysVariables = FReport.SysVariables();
    for (int i = 0; i < sysVariables.Count(); ++i)
        system.Add(sysVariables.Strings(i), imgVariable);
    expandAll(root);
}

// The catalogue of the script library, registered in the report's script on first use.
void TkavDataTreeModel::fillCatalogue()
{
    if (FXML.Root()->Count() > 0)
        return;
    FReport.Script().AddRTTI();
    BuildContentsXML(FReport.Script(), *FXML.Root(), false);
}

void TkavDataTreeModel::BuildFunctions()
{
    if (FRoots[dttFunctions])
        return;
    fillCatalogue();
    FRoots[dttFunctions] = std::make_unique<TkavDataTreeItem>();
    TkavDataTreeItem &root = *FRoots[dttFunctions];
    root.Text = res(u"dtFunc"_s);
    root.ImageIndex = imgFolder;
    if (const int f = FXML.Root()->Find(u"Functions"_s); f >= 0)
        addFunctions(root, *FXML.Root()->Items(f));
    expandAll(root);
}

// Elements with children are categories (their text a resource key); the others are
// functions shown without the declaration's first word. "hidden" ones are left out.
void TkavDataTreeModel::addFunctions(TkavDataTreeItem &parent, const TkyXMLItem &element)
{
    for (int i = 0; i < element.Count(); ++i) {
        const TkyXMLItem &child = *element.Items(i);
        const QString text = child.Prop(u"text"_s);
        if (child.Count() > 0) {
            const QString caption = res(text);
            if (caption.compare(u"hidden"_s, Qt::CaseInsensitive) == 0)
                continue;
            addFunctions(parent.Add(caption, imgFolder), child);
        } else {
            const qsizetype blank = text.indexOf(u' ');
            const QString shown = (blank < 0 ? text : text.mid(blank + 1)).left(255);
            if (shown.compare(u"hidden"_s, Qt::CaseInsensitive) == 0)
                continue;
            parent.Add(shown, imgFunction).Element = &child;
        }
    }
}

void TkavDataTreeModel::BuildClasses()
{
    if (FRoots[dttClasses])
        return;
    fillCatalogue();
    FRoots[dttClasses] = std::make_unique<TkavDataTreeItem>();
    TkavDataTreeItem &root = *FRoots[dttClasses];
    root.Text = res(u"2106"_s);
    root.ImageIndex = imgFolder;
    root.Expanded = true;
    const int c = FXML.Root()->Find(u"Classes"_s);
    if (c < 0)
        return;
    const TkyXMLItem &classes = *FXML.Root()->Items(c);
    for (int i = 0; i < classes.Count(); ++i) {
        const TkyXMLItem &cls = *classes.Items(i);
        TkavDataTreeItem &item = root.Add(cls.Prop(u"text"_s), imgClass);
        item.Element = &cls;
        item.Add(u"more..."_s, -1);
    }
}

void TkavDataTreeModel::ExpandClass(TkavDataTreeItem &item)
{
    item.Expanded = true;
    if (item.Level() != 1 || !item.Element)
        return;
    const TkyXMLItem &cls = *item.Element;
    item.Element = nullptr;
    item.Items.clear();
    for (int i = 0; i < cls.Count(); ++i) {
        const QString text = cls.Items(i)->Prop(u"text"_s);
        const int image = text.startsWith(u"property"_s) ? imgProperty
                          : text.startsWith(u"event"_s)  ? imgEvent
                                                         : imgMethod;
        item.Add(text, image);
    }
}

QString TkavDataTreeModel::GetFieldName(int tab, const TkavDataTreeItem *item) const
{
    if (!item || item->HasChildren())
        return {};
    switch (tab) {
    case dttData:
        if (!item->DataSet)
            return {};
        return u"<%1.\"%2\">"_s.arg(FReport.GetAlias(item->DataSet), item->Text);
    case dttVariables:
        return item->DataSet || item->Element ? item->Text : u'<' + item->Text + u'>';
    case dttFunctions:
        return item->Element ? kavFunctionCallText(item->Text) : QString();
    default:
        return {};
    }
}

QString TkavDataTreeModel::ActiveDS(const TkavDataTreeItem *item) const
{
    if (item && item->HasChildren() && item->DataSet && item->Text == item->DataSet->UserName())
        return FReport.GetAlias(item->DataSet);
    return {};
}

// Arguments are counted by their separators: a call with n arguments gets n - 1 commas.
QString kavFunctionCallText(const QString &declaration)
{
    const qsizetype paren = declaration.indexOf(u'(');
    const int count = (paren >= 0 ? 1 : 0) + int(declaration.count(u',') + declaration.count(u';'));
    if (count > 0) {
        const qsizetype prefix = paren >= 0 ? paren + 1 : 0;
        return declaration.left(prefix) + QString(count - 1, u',') + u')';
    }
    const qsizetype colon = declaration.indexOf(u':');
    return colon < 0 ? QString() : declaration.left(colon);
}
