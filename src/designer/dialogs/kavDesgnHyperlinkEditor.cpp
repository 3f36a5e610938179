#include "kavDesgnHyperlinkEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <designer/trees/kavDesgnExprEditor.h>
#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavUIServices.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kavCursorHandPoint = -21;

// One kind's controls and texts, in the order the kinds are offered.
struct KindInfo
{
    TkavHyperlinkKind Kind;
    const char *Radio, *Panel, *Value, *Expression;
    const char16_t *Caption, *ValueLabel, *ExpressionLabel, *Hint;
};

constexpr KindInfo kinds[] = {
    {hkURL, "UrlRB", "UrlP", "UrlE", "UrlExprE", u"6202", u"6209", u"6210", u"6223"},
    {hkPageNumber, "PageNumberRB", "PageNumberP", "PageNumberE", "PageNumberExprE", u"6203", u"6211", u"6212", u"6224"},
    {hkAnchor, "AnchorRB", "AnchorP", "AnchorE", "AnchorExprE", u"6204", u"6213", u"6214", u"6225"},
    {hkDetailReport, "ReportRB", "ReportP", "ReportValueE", "ReportExprE", u"6205", u"6217", u"6218", u"6226"},
    {hkDetailPage, "ReportPageRB", "ReportPageP", "ReportPageValueE", "ReportPageExprE", u"6206", u"6217", u"6218",
     u"6227"},
    {hkCustom, "CustomRB", "CustomP", "CustomE", "CustomExprE", u"6207", u"6220", u"6221", u"6228"},
};

const KindInfo &infoOf(int kind)
{
    for (const KindInfo &info : kinds)
        if (info.Kind == kind)
            return info;
    return kinds[0];
}

QComboBox *variableBox(const char *name)
{
    auto *box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

// A field with a "..." button beside it, for a panel's form.
QWidget *withButton(QLineEdit *edit, const QString &buttonName, std::function<void()> run)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    auto *b = new QToolButton;
    b->setObjectName(buttonName);
    b->setText(u"..."_s);
    QObject::connect(b, &QToolButton::clicked, edit, std::move(run));
    layout->addWidget(b);
    return row;
}

// The report pages a detail page may be: not the view's own, no subreport's.
QStringList detailPages(const TkavView &view)
{
    QStringList names;
    const TkavReport *report = view.Report();
    for (int i = 0; report && i < report->PagesCount(); ++i) {
        auto *page = dynamic_cast<const TkavReportPage *>(report->Pages(i));
        if (page && page != view.Page() && !page->IsSubReport())
            names << page->Name();
    }
    return names;
}

} // namespace

QStringList kavOfferedVariables(const TkavReport &report)
{
    QStringList names;
    const TkavVariables &variables = report.Variables();
    for (int i = 0; i < variables.Count(); ++i) {
        const QString &name = variables.Items(i)->Name();
        if (!name.isEmpty() && !name.startsWith(u' '))
            names << name;
    }
    return names;
}

QStringList kavOfferedVariables(const QString &fileName, const TkavReport *owner)
{
    if (fileName.trimmed().isEmpty())
        return {};
    // A protected report is not asked about: its password query is answered Cancel.
    auto headless = std::make_unique<TkavHeadlessUIServices>();
    headless->SetEchoToStandardError(false);
    std::unique_ptr<TkavUIServices> previous = kavSetUIServices(std::move(headless));
    const auto restore = qScopeGuard([&previous] { kavSetUIServices(std::move(previous)); });
    try {
        TkavReport detail;
        detail.EngineOptions().SetNewSilentMode(simSilent);
        if (detail.LoadFromFile(kavPathBesideReport(owner, fileName)) && detail.LastLoadOk())
            return kavOfferedVariables(detail);
    } catch (const Exception &) {
    }
    return {};
}

TkavHyperlinkEditorForm::TkavHyperlinkEditorForm(TkavView &view, QWidget *parent)
    : QDialog(parent)
    , FView(view)
{
    setObjectName(u"HyperlinkEditorForm"_s);
    setWindowTitle(kavDialogText(u"6200"));
    auto *kindGB = new QGroupBox(kavDialogText(u"6201"));
    kindGB->setObjectName(u"KindGB"_s);
    auto *kindBox = new QVBoxLayout(kindGB);
    FKinds = new QButtonGroup(this);
    auto *propertiesGB = new QGroupBox(kavDialogText(u"6208"));
    propertiesGB->setObjectName(u"PropertiesGB"_s);
    FPanels = new QStackedWidget;
    for (const KindInfo &info : kinds) {
        auto *radio = new QRadioButton(kavDialogText(info.Caption));
        radio->setObjectName(QString::fromLatin1(info.Radio));
        FKinds->addButton(radio, info.Kind);
        kindBox->addWidget(radio);
        FPanels->addWidget(createPanel(info.Kind));
    }
    kindBox->addStretch();
    auto *hint1L = new QLabel(kavDialogText(u"6222"));
    hint1L->setObjectName(u"Hint1L"_s);
    FHint2L = new QLabel;
    FHint2L->setObjectName(u"Hint2L"_s);
    FHint2L->setWordWrap(true);
    auto *propertiesBox = new QVBoxLayout(propertiesGB);
    propertiesBox->addWidget(FPanels);
    propertiesBox->addStretch();
    propertiesBox->addWidget(hint1L);
    propertiesBox->addWidget(FHint2L);
    FModifyAppearanceCB = new QCheckBox(kavDialogText(u"6229"));
    FModifyAppearanceCB->setObjectName(u"ModifyAppearanceCB"_s);
    QDialogButtonBox *buttons = kavOkCancelButtons(*this);
    auto *top = new QHBoxLayout;
    top->addWidget(kindGB);
    top->addWidget(propertiesGB, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(FModifyAppearanceCB);
    layout->addWidget(buttons);
    connect(FKinds, &QButtonGroup::idClicked, this, [this] { kindChanged(); });
    kavDesignerDialog(*this, u"TkavHyperlinkEditorForm"_s);
    resize(560, 320);
    load(view);
}

TkavHyperlinkEditorForm::~TkavHyperlinkEditorForm() = default;

QLineEdit *TkavHyperlinkEditorForm::addEdit(QWidget *panel, const char *name, const char16_t *label, bool expression)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    auto *caption = new QLabel(kavDialogText(label));
    caption->setBuddy(edit);
    panel->layout()->addWidget(caption);
    if (!expression) {
        panel->layout()->addWidget(edit);
        return edit;
    }
    // The designer's expression editor; a cancelled one (empty) changes nothing.
    panel->layout()->addWidget(withButton(edit, QString::fromLatin1(name).chopped(1) + u'B', [this, edit] {
        if (!FView.Report())
            return;
        const QString text = TkavExprEditorForm::InsertExpression(*FView.Report(), edit->text(), this);
        if (!text.isEmpty())
            edit->setText(text);
    }));
    return edit;
}

QWidget *TkavHyperlinkEditorForm::createPanel(int kind)
{
    const KindInfo &info = infoOf(kind);
    auto *panel = new QWidget;
    panel->setObjectName(QString::fromLatin1(info.Panel));
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto addRow = [&](const char16_t *label, QWidget *field) {
        auto *caption = new QLabel(kavDialogText(label));
        caption->setBuddy(field);
        layout->addWidget(caption);
        layout->addWidget(field);
    };
    if (kind == hkDetailReport) {
        FReportNameE = new QLineEdit;
        FReportNameE->setObjectName(u"ReportNameE"_s);
        addRow(u"6215", withButton(FReportNameE, u"ReportNameB"_s, [this] { ChooseReportFile(); }));
        FReportParamCB = variableBox("ReportParamCB");
        addRow(u"6216", FReportParamCB);
    } else if (kind == hkDetailPage) {
        FReportPageCB = new QComboBox;
        FReportPageCB->setObjectName(u"ReportPageCB"_s);
        addRow(u"6219", FReportPageCB);
        FReportPageParamCB = variableBox("ReportPageParamCB");
        addRow(u"6216", FReportPageParamCB);
    }
    FFields[kind].Value = addEdit(panel, info.Value, info.ValueLabel, false);
    FFields[kind].Expression = addEdit(panel, info.Expression, info.ExpressionLabel, true);
    layout->addStretch();
    return panel;
}

void TkavHyperlinkEditorForm::load(const TkavView &view)
{
    const TkavHyperlink &link = view.Hyperlink();
    FReportPageParamCB->clear();
    if (view.Report())
        FReportPageParamCB->addItems(kavOfferedVariables(*view.Report()));
    FReportPageParamCB->setEditText(QString()); // offered, not chosen
    FReportPageCB->clear();
    FReportPageCB->addItems(detailPages(view));
    const int kind = std::clamp(int(link.Kind()), int(hkURL), int(hkCustom));
    FKinds->button(kind)->setChecked(true);
    if (kind == hkDetailReport) {
        FReportNameE->setText(link.DetailReport());
        offerReportVariables(link.DetailReport());
        FReportParamCB->setEditText(link.ReportVariable());
    } else if (kind == hkDetailPage) {
        FReportPageCB->setCurrentIndex(FReportPageCB->findText(link.DetailPage()));
        FReportPageParamCB->setEditText(link.ReportVariable());
    }
    FFields[kind].Value->setText(link.Value());
    FFields[kind].Expression->setText(link.Expression());
    kindChanged();
}

int TkavHyperlinkEditorForm::checkedKind() const
{
    return std::max(FKinds->checkedId(), int(hkURL));
}

void TkavHyperlinkEditorForm::kindChanged()
{
    const int kind = checkedKind();
    FPanels->setCurrentIndex(FPanels->indexOf(FFields[kind].Value->parentWidget()));
    FHint2L->setText(kavDialogText(infoOf(kind).Hint));
}

void TkavHyperlinkEditorForm::offerReportVariables(const QString &fileName)
{
    FReportParamCB->clear();
    FReportParamCB->addItems(kavOfferedVariables(fileName, FView.Report()));
    FReportParamCB->setEditText(QString());
}

void TkavHyperlinkEditorForm::ChooseReportFile()
{
    TkavFileDialogOptions options;
    options.Filter = kavDialogText(u"2471");
    options.FileName = FReportNameE->text();
    QStringList names;
    if (!kavUIServices().OpenFileDialog(options, names) || names.isEmpty())
        return;
    FReportNameE->setText(names.first());
    offerReportVariables(names.first());
}

void TkavHyperlinkEditorForm::apply(TkavView &view) const
{
    TkavHyperlink &link = view.Hyperlink();
    const auto kind = TkavHyperlinkKind(checkedKind());
    link.SetKind(kind);
    link.SetValue(FFields[kind].Value->text());
    link.SetExpression(FFields[kind].Expression->text());
    if (kind == hkDetailReport) {
        link.SetDetailReport(FReportNameE->text());
        link.SetReportVariable(FReportParamCB->currentText());
    } else if (kind == hkDetailPage) {
        link.SetDetailPage(FReportPageCB->currentText());
        link.SetReportVariable(FReportPageParamCB->currentText());
        // Produced only as a detail page from now on.
        TkavComponent *page = view.Report() ? view.Report()->FindObject(link.DetailPage()) : nullptr;
        if (dynamic_cast<TkavReportPage *>(page) && !link.DetailPage().isEmpty())
            page->SetVisible(false);
    }
    if (!FModifyAppearanceCB->isChecked())
        return;
    view.SetCursor(kavCursorHandPoint);
    if (auto *memo = dynamic_cast<TkavCustomMemoView *>(&view)) {
        TFont font = memo->Font();
        font.SetColor(clNavy);
        TFontStyles style = font.Style();
        font.SetStyle(style.Include(fsUnderline));
        memo->SetFont(font);
    }
}
