#include "kavDesgnWizardForm.h"

#include "kavDesgnWizards.h"

#include <data/kavSQLDataSets.h>
#include <designer/dialogs/kavDesgnDialogButtons.h>
#include <designer/dialogs/kavDesgnDialogPlace.h>
#include <designer/document/kavDesgnDocument.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavStyles.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    return kavNamed(new QPushButton(text, parent), name);
}

QStringList items(const QListWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

// A widget painted by a function: the previews.
class PaintBox : public QWidget
{
public:
    PaintBox(std::function<void(QPainter &, const QRect &)> paint, QWidget *parent)
        : QWidget(parent)
        , FPaint(std::move(paint))
    {
        setMinimumSize(260, 200);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        FPaint(painter, rect());
    }

private:
    std::function<void(QPainter &, const QRect &)> FPaint;
};

// A sheet of paper with a few text lines, upright or turned.
QPixmap pagePicture(bool landscape)
{
    const QSize size = landscape ? QSize(56, 40) : QSize(40, 56);
    QPixmap pixmap(size + QSize(2, 2));
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.setBrush(Qt::white);
    p.drawRect(QRect(QPoint(0, 0), size));
    p.setPen(QColor(0x90, 0x90, 0x90));
    for (int y = 8; y < size.height() - 5; y += 5)
        p.drawLine(6, y, size.width() - 6, y);
    return pixmap;
}

// The sample the previews show: a few rows of invented customers in the chosen layout and
// style, drawn from the top of the page at the width of the preview.
const QStringList sampleFields = {u"Name"_s, u"City"_s, u"Country"_s, u"Phone"_s};
const QStringList sampleRows[] = {
    {u"Alvarez Trading"_s, u"Sevilla"_s, u"Spain"_s, u"954 22 10 80"_s},
    {u"Berg Supplies"_s, u"Bergen"_s, u"Norway"_s, u"55 30 22 10"_s},
    {u"Casa Lima"_s, u"Lisboa"_s, u"Portugal"_s, u"21 340 5060"_s},
    {u"Dufour et Fils"_s, u"Marseille"_s, u"France"_s, u"04 91 55 12 00"_s},
    {u"Eastwind Ltd"_s, u"Leeds"_s, u"United Kingdom"_s, u"0113 496 0111"_s}};

void paintSample(QPainter &p, const QRect &area, bool tabular, bool landscape, const TkavStyles *style)
{
    p.fillRect(area, QColor(0xa0, 0xa0, 0xa0));
    TkavReport sample;
    auto *page = TkavComponent::Create<TkavReportPage>(&sample);
    page->SetDefaults();
    TkavWizardChoice choice;
    choice.Fields = sampleFields;
    choice.Tabular = tabular;
    choice.Landscape = landscape;
    choice.Style = style;
    kavWizardGenerate(sample, choice);

    // Half size at least, so that the sample stays readable; the page's right part may be cut.
    const double paper = page->PaperWidth() * kavMMToPixels;
    const double scale = std::max((area.width() - 16) / paper, 0.6);
    const QRectF sheet(area.left() + 8, area.top() + 8, paper * scale, area.height());
    p.fillRect(sheet, Qt::white);
    p.setClipRect(sheet);
    const double left = sheet.left() + page->LeftMargin() * kavMMToPixels * scale;
    double y = sheet.top() + page->TopMargin() * kavMMToPixels * scale;
    QList<TkavBand *> bands;
    for (TkavComponent *c : page->Objects())
        if (auto *band = dynamic_cast<TkavBand *>(c); band && !dynamic_cast<TkavPageFooter *>(band) && band->Height() > 0)
            bands << band;
    std::sort(bands.begin(), bands.end(), [](TkavBand *a, TkavBand *b) { return a->Top() < b->Top(); });
    for (TkavBand *band : bands) {
        const bool data = dynamic_cast<TkavDataBand *>(band) != nullptr;
        for (int row = 0; row < (data ? 5 : 1) && y < sheet.bottom(); ++row) {
            for (TkavComponent *c : band->Objects()) {
                auto *memo = dynamic_cast<TkavCustomMemoView *>(c);
                if (!memo)
                    continue;
                memo->SetWordWrap(false);
                if (!memo->DataField().isEmpty())
                    memo->SetText(sampleRows[row][std::max(0, int(sampleFields.indexOf(memo->DataField())))]);
                memo->Draw(&p, scale, scale, left, y - band->Top() * scale);
            }
            y += band->Height() * scale;
        }
    }
    p.setClipping(false);
}

} // namespace

TkavStdWizardForm::TkavStdWizardForm(DesignerDocument &Designer, bool DotMatrix, QWidget *parent)
    : QDialog(parent)
    , FDesigner(Designer)
    , FDotMatrix(DotMatrix)
    , FStyleSheet(std::make_unique<TkavStyleSheet>())
    , FSteps(kavNamed(new QStackedWidget(this), "StepsPC"))
    , FStepL(kavNamed(new QLabel(this), "StepL"))
    , FBackB(button(kavDialogText("5418"), "BackB", this))
    , FNextB(button(kavDialogText("5419"), "NextB", this))
    , FFinishB(button(kavDialogText("5420"), "FinishB", this))
{
    setObjectName(u"TkavStdWizardForm"_s);
    setWindowTitle(kavDialogText(DotMatrix ? "wzDMP" : "wzStd"));
    kavDesignerDialog(*this, u"TkavStdWizardForm"_s);
    const QString sheetFile = TkavReport::GetApplicationFolder() + QString::fromUtf16(kavWizardStyleSheetFile);
    try {
        if (QFileInfo(sheetFile).isFile())
            FStyleSheet->LoadFromFile(sheetFile);
    } catch (const Exception &) {
        FStyleSheet->Clear();
    }
    if (FStyleSheet->Count() == 0)
        FStyleSheet->LoadBuiltIn();
    if (const TkavComponent *data = Designer.DataPage())
        FDataObjects = data->Objects();

    FSteps->addWidget(createDataStep());
    FSteps->addWidget(createFieldsStep());
    FSteps->addWidget(createGroupsStep());
    FSteps->addWidget(createLayoutStep());
    FSteps->addWidget(createStyleStep());
    QFont big = FStepL->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.25);
    FStepL->setFont(big);

    auto *cancel = button(kavDialogText("2"), "CancelB", this);
    FFinishB->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {FBackB, FNextB, FFinishB, cancel})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FStepL);
    layout->addWidget(FSteps, 1);
    layout->addLayout(buttons);
    connect(FBackB, &QPushButton::clicked, this, [this] { ShowStep(CurrentStep() - 1); });
    connect(FNextB, &QPushButton::clicked, this, [this] { ShowStep(CurrentStep() + 1); });
    connect(FFinishB, &QPushButton::clicked, this, [this] { Finish(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    fillDataSets();
    ShowStep(stData);
    resize(640, 480);
}

TkavStdWizardForm::~TkavStdWizardForm() = default;

QWidget *TkavStdWizardForm::createDataStep()
{
    auto *step = new QWidget(this);
    FDataSetsLB = kavNamed(new QListWidget(step), "DataSetsLB");
    FFieldErrorL = kavNamed(new QLabel(step), "FieldErrorL");
    FFieldErrorL->setWordWrap(true);
    FFieldErrorL->setStyleSheet(u"color: #b00000"_s);
    auto *hint = new QLabel(kavDialogText("5426"), step);
    hint->setWordWrap(true);
    auto *layout = new QGridLayout(step);
    layout->addWidget(new QLabel(kavDialogText("5406"), step), 0, 0, 1, 2);
    layout->addWidget(FDataSetsLB, 1, 0, 3, 1);
    // The table and query buttons run wizards of those names when some are registered.
    int row = 1;
    for (const auto &[cls, key, name] : {std::tuple{u"TkavDBTableWizard", "5407", "NewTableB"},
                                         std::tuple{u"TkavDBQueryWizard", "5408", "NewQueryB"}}) {
        if (!kavWizardRegistry().Find(QString::fromUtf16(cls)))
            continue;
        QPushButton *b = button(kavDialogText(key), name, step);
        layout->addWidget(b, row++, 1);
        connect(b, &QPushButton::clicked, this, [this, wizard = QString::fromUtf16(cls)] { newTable(wizard); });
    }
    layout->setRowStretch(3, 1);
    layout->addWidget(FFieldErrorL, 4, 0, 1, 2);
    layout->addWidget(hint, 5, 0, 1, 2);
    connect(FDataSetsLB, &QListWidget::currentRowChanged, this, [this] { dataSetChosen(); });
    return step;
}

// Two lists with buttons between them; the buttons move between, the arrows reorder.
static QWidget *twoLists(QWidget *parent, QListWidget *left, QListWidget *right, const QString &leftCaption,
                         const QString &rightCaption, const QList<QPushButton *> &middle,
                         const QList<QPushButton *> &order)
{
    auto *step = new QWidget(parent);
    auto *layout = new QGridLayout(step);
    layout->addWidget(new QLabel(leftCaption, step), 0, 0);
    layout->addWidget(new QLabel(rightCaption, step), 0, 2);
    layout->addWidget(left, 1, 0);
    layout->addWidget(right, 1, 2);
    const auto column = [](const QList<QPushButton *> &buttons) {
        auto *box = new QVBoxLayout;
        box->addStretch();
        for (QPushButton *b : buttons) {
            b->setFixedWidth(40);
            box->addWidget(b);
        }
        box->addStretch();
        return box;
    };
    layout->addLayout(column(middle), 1, 1);
    layout->addLayout(column(order), 1, 3);
    return step;
}

QWidget *TkavStdWizardForm::createFieldsStep()
{
    FAvailableFieldsLB = kavNamed(new QListWidget(this), "AvailableFieldsLB");
    FSelectedFieldsLB = kavNamed(new QListWidget(this), "SelectedFieldsLB");
    FAvailableFieldsLB->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QPushButton *add = button(u">"_s, "AddFieldB", this), *addAll = button(u">>"_s, "AddAllFieldsB", this),
                *remove = button(u"<"_s, "RemoveFieldB", this), *removeAll = button(u"<<"_s, "RemoveAllFieldsB", this),
                *up = button(u"\u2191"_s, "FieldUpB", this), *down = button(u"\u2193"_s, "FieldDownB", this);
    connect(add, &QPushButton::clicked, this, [this] { moveItems(FAvailableFieldsLB, FSelectedFieldsLB, false); });
    connect(addAll, &QPushButton::clicked, this, [this] { moveItems(FAvailableFieldsLB, FSelectedFieldsLB, true); });
    connect(remove, &QPushButton::clicked, this, [this] { moveItems(FSelectedFieldsLB, FAvailableFieldsLB, false); });
    connect(removeAll, &QPushButton::clicked, this, [this] { moveItems(FSelectedFieldsLB, FAvailableFieldsLB, true); });
    connect(up, &QPushButton::clicked, this, [this] { moveRow(FSelectedFieldsLB, -1); });
    connect(down, &QPushButton::clicked, this, [this] { moveRow(FSelectedFieldsLB, 1); });
    connect(FAvailableFieldsLB, &QListWidget::itemDoubleClicked, add, &QPushButton::click);
    connect(FSelectedFieldsLB, &QListWidget::itemDoubleClicked, remove, &QPushButton::click);
    return twoLists(this, FAvailableFieldsLB, FSelectedFieldsLB, kavDialogText("5409"), kavDialogText("5410"),
                    {add, addAll, remove, removeAll}, {up, down});
}

QWidget *TkavStdWizardForm::createGroupsStep()
{
    FAvailableGroupsLB = kavNamed(new QListWidget(this), "AvailableGroupsLB");
    FGroupsLB = kavNamed(new QListWidget(this), "GroupsLB");
    QPushButton *add = button(u">"_s, "AddGroupB", this), *remove = button(u"<"_s, "RemoveGroupB", this),
                *up = button(u"\u2191"_s, "GroupUpB", this), *down = button(u"\u2193"_s, "GroupDownB", this);
    connect(add, &QPushButton::clicked, this, [this] { moveItems(FAvailableGroupsLB, FGroupsLB, false); });
    connect(remove, &QPushButton::clicked, this, [this] { moveItems(FGroupsLB, FAvailableGroupsLB, false); });
    connect(up, &QPushButton::clicked, this, [this] { moveRow(FGroupsLB, -1); });
    connect(down, &QPushButton::clicked, this, [this] { moveRow(FGroupsLB, 1); });
    connect(FAvailableGroupsLB, &QListWidget::itemDoubleClicked, add, &QPushButton::click);
    connect(FGroupsLB, &QListWidget::itemDoubleClicked, remove, &QPushButton::click);
    return twoLists(this, FAvailableGroupsLB, FGroupsLB, kavDialogText("5409"), kavDialogText("5411"), {add, remove},
                    {up, down});
}

QWidget *TkavStdWizardForm::createLayoutStep()
{
    auto *step = new QWidget(this);
    auto *orientation = new QGroupBox(kavDialogText("5412"), step);
    FPortraitRB = kavNamed(new QRadioButton(kavDialogText("5413"), orientation), "PortraitRB");
    FLandscapeRB = kavNamed(new QRadioButton(kavDialogText("5414"), orientation), "LandscapeRB");
    auto *pictures = new QGridLayout(orientation);
    int column = 0;
    for (QRadioButton *rb : {FPortraitRB, FLandscapeRB}) {
        auto *picture = new QLabel(orientation);
        picture->setPixmap(pagePicture(rb == FLandscapeRB));
        pictures->addWidget(picture, 0, column, Qt::AlignBottom);
        pictures->addWidget(rb, 0, column + 1, Qt::AlignBottom);
        column += 2;
    }
    FPortraitRB->setChecked(true);
    auto *arrangement = new QGroupBox(kavDialogText("5421"), step);
    FTabularRB = kavNamed(new QRadioButton(kavDialogText("5415"), arrangement), "TabularRB");
    FColumnarRB = kavNamed(new QRadioButton(kavDialogText("5416"), arrangement), "ColumnarRB");
    auto *kinds = new QVBoxLayout(arrangement);
    kinds->addWidget(FTabularRB);
    kinds->addWidget(FColumnarRB);
    FTabularRB->setChecked(true);
    FFitWidthCB = kavNamed(new QCheckBox(kavDialogText("5417"), step), "FitWidthCB");
    FFitWidthCB->setChecked(true);
    FLayoutPreview = kavNamed(new PaintBox(
                               [this](QPainter &p, const QRect &r) {
                                   paintSample(p, r, FTabularRB->isChecked(), FLandscapeRB->isChecked(),
                                               FStyleSheet->Count() ? FStyleSheet->Items(0) : nullptr);
                               },
                               step),
                           "LayoutPreview");
    auto *left = new QVBoxLayout;
    left->addWidget(orientation);
    left->addWidget(arrangement);
    left->addWidget(FFitWidthCB);
    left->addStretch();
    auto *layout = new QHBoxLayout(step);
    layout->addLayout(left);
    layout->addWidget(FLayoutPreview, 1);
    for (QRadioButton *rb : {FPortraitRB, FLandscapeRB, FTabularRB, FColumnarRB})
        connect(rb, &QRadioButton::toggled, this, [this] { samplesChanged(); });
    return step;
}

QWidget *TkavStdWizardForm::createStyleStep()
{
    auto *step = new QWidget(this);
    FStylesLB = kavNamed(new QListWidget(step), "StylesLB");
    TStringList names;
    FStyleSheet->GetList(names);
    FStylesLB->addItems(names.ToStringList());
    FStylesLB->setMaximumWidth(180); // the sample gets the room
    FStylesLB->setCurrentRow(0);
    FStylePreview = kavNamed(new PaintBox(
                              [this](QPainter &p, const QRect &r) {
                                  const int row = FStylesLB->currentRow();
                                  paintSample(p, r, FTabularRB->isChecked(), FLandscapeRB->isChecked(),
                                              row >= 0 ? FStyleSheet->Items(row) : nullptr);
                              },
                              step),
                          "StylePreview");
    auto *layout = new QHBoxLayout(step);
    layout->addWidget(FStylesLB);
    layout->addWidget(FStylePreview, 1);
    connect(FStylesLB, &QListWidget::currentRowChanged, FStylePreview, qOverload<>(&QWidget::update));
    return step;
}

int TkavStdWizardForm::CurrentStep() const
{
    return FSteps->currentIndex();
}

void TkavStdWizardForm::ShowStep(int Index)
{
    const int last = FDotMatrix ? stLayout : stStyle;
    const int step = std::clamp(Index, int(stData), last);
    FSteps->setCurrentIndex(step);
    static const char *const titles[] = {"5401", "5402", "5403", "5404", "5405"};
    FStepL->setText(kavDialogText(titles[step]));
    if (step == stGroups && FAvailableGroupsLB->count() > 0)
        FAvailableGroupsLB->setCurrentRow(0);
    updateButtons();
}

void TkavStdWizardForm::updateButtons()
{
    FBackB->setEnabled(CurrentStep() > stData);
    FNextB->setEnabled(CurrentStep() < (FDotMatrix ? stLayout : stStyle));
}

// The report's database data sets by name; those of other reports are not the wizard's.
void TkavStdWizardForm::fillDataSets(TkavDataSet *select)
{
    TStringList list;
    FDesigner.Report().GetActiveDataSetList(list);
    QList<TkavDataSet *> found;
    for (int i = 0; i < list.Count(); ++i) {
        auto *dataSet = dynamic_cast<TkavCustomDBDataSet *>(static_cast<TObject *>(list.Objects(i)));
        if (dataSet && dataSet->Report() == &FDesigner.Report())
            found << dataSet;
    }
    std::sort(found.begin(), found.end(),
              [](TkavDataSet *a, TkavDataSet *b) { return a->UserName().compare(b->UserName(), Qt::CaseInsensitive) < 0; });
    const QSignalBlocker blocker(FDataSetsLB);
    FDataSetsLB->clear();
    for (TkavDataSet *dataSet : found) {
        auto *item = new QListWidgetItem(dataSet->UserName(), FDataSetsLB);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(dataSet)));
    }
    const int row = select ? int(found.indexOf(select)) : 0;
    FDataSetsLB->setCurrentRow(found.isEmpty() ? -1 : std::max(0, row));
    dataSetChosen();
}

TkavDataSet *TkavStdWizardForm::dataSet() const
{
    const QListWidgetItem *item = FDataSetsLB->currentItem();
    return item ? static_cast<TkavDataSet *>(item->data(Qt::UserRole).value<void *>()) : nullptr;
}

void TkavStdWizardForm::dataSetChosen()
{
    FAvailableFieldsLB->clear();
    FSelectedFieldsLB->clear();
    FFieldErrorL->clear();
    if (TkavDataSet *chosen = dataSet()) {
        TStringList fields;
        try {
            chosen->GetFieldList(fields);
        } catch (const Exception &e) {
            FFieldErrorL->setText(e.Message());
        }
        FAvailableFieldsLB->addItems(fields.ToStringList());
        FAvailableFieldsLB->setCurrentRow(0);
    }
    fieldsChanged();
}

// Every change of the report's fields starts the groups again from them.
void TkavStdWizardForm::fieldsChanged()
{
    FAvailableGroupsLB->clear();
    FAvailableGroupsLB->addItems(items(FSelectedFieldsLB));
    FGroupsLB->clear();
}

void TkavStdWizardForm::moveItems(QListWidget *from, QListWidget *to, bool all)
{
    QStringList moved;
    for (int i = 0; i < from->count(); ++i)
        if (all || from->item(i)->isSelected())
            moved << from->item(i)->text();
    if (moved.isEmpty())
        return;
    const int first = from->currentRow();
    for (int i = from->count() - 1; i >= 0; --i)
        if (moved.contains(from->item(i)->text()))
            delete from->takeItem(i);
    to->addItems(moved);
    to->setCurrentRow(to->count() - 1);
    from->setCurrentRow(std::min(first, from->count() - 1));
    if (from == FSelectedFieldsLB || to == FSelectedFieldsLB)
        fieldsChanged();
}

void TkavStdWizardForm::moveRow(QListWidget *list, int delta)
{
    const int row = list->currentRow();
    if (row < 0 || row + delta < 0 || row + delta >= list->count())
        return;
    list->insertItem(row + delta, list->takeItem(row));
    list->setCurrentRow(row + delta);
    if (list == FSelectedFieldsLB)
        fieldsChanged();
}

// The table wizard puts its data set into the report's list: it is chosen here and taken
// out of the list again, which is the generator's to fill. The report is not marked
// modified: until Finish, Cancel takes the wizard's objects back.
void TkavStdWizardForm::newTable(const QString &wizardClass)
{
    const TkavWizardItem *item = kavWizardRegistry().Find(wizardClass);
    TkavReportDataSets &list = FDesigner.Report().DataSets();
    const int before = list.Count();
    if (!item || !item->Create(FDesigner, this)->Execute() || list.Count() == before)
        return;
    TkavDataSet *added = list.Items(list.Count() - 1)->DataSet();
    while (list.Count() > before)
        list.Delete(list.Count() - 1);
    fillDataSets(added);
}

void TkavStdWizardForm::samplesChanged()
{
    FLayoutPreview->update();
    FStylePreview->update();
}

TkavWizardChoice TkavStdWizardForm::Choice() const
{
    TkavWizardChoice choice;
    choice.DataSet = dataSet();
    choice.Fields = items(FAvailableGroupsLB);
    choice.Groups = items(FGroupsLB);
    choice.Landscape = FLandscapeRB->isChecked();
    choice.Tabular = FTabularRB->isChecked();
    choice.FitToWidth = FFitWidthCB->isChecked();
    choice.DotMatrix = FDotMatrix;
    const int style = FStylesLB->currentRow();
    choice.Style = style >= 0 && style < FStyleSheet->Count() ? FStyleSheet->Items(style) : nullptr;
    return choice;
}

bool TkavStdWizardForm::Finish()
{
    const TkavWizardChoice choice = Choice();
    const bool done = FDesigner.guarded([&] {
        // A query the table wizard made here is the wizard's: it returns its rows in group order.
        auto *query = dynamic_cast<TkavSQLQuery *>(choice.DataSet);
        if (query && !choice.Groups.isEmpty() && !FDataObjects.contains(query)) {
            QStringList keys;
            for (QString field : choice.Groups)
                keys << u'"' + field.replace(u'"', u"\"\""_s) + u'"';
            TStringList sql;
            sql.SetText(query->SQL().Text().trimmed() + u"\norder by "_s + keys.join(u", "_s));
            query->SetSQL(sql);
        }
        FDesigner.ClearReport(FDotMatrix, true);
        kavWizardGenerate(FDesigner.Report(), choice);
        FDesigner.ReloadReport();
    });
    if (done)
        accept();
    return done;
}

void TkavStdWizardForm::reject()
{
    if (const TkavComponent *data = FDesigner.DataPage()) {
        // Newest first: a query goes before the database it uses.
        const QList<TkavComponent *> now = data->Objects();
        for (qsizetype i = now.size() - 1; i >= 0; --i)
            if (!FDataObjects.contains(now[i]))
                now[i]->Free();
    }
    QDialog::reject();
}
