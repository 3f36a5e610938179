#pragma once

// The report wizard's dialog: five steps (data, fields, groups, layout, style) with
// previews of the layout and style; Finish replaces the report with the generated one,
// Cancel leaves it exactly as it was.

#include "kavDesgnWizardGen.h"

#include <QDialog>

#include <memory>

class DesignerDocument;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TkavComponent;
class TkavDataSet;
class TkavStyleSheet;

class TkavStdWizardForm : public QDialog
{
public:
    enum Step { stData, stFields, stGroups, stLayout, stStyle };

    TkavStdWizardForm(DesignerDocument &Designer, bool DotMatrix, QWidget *parent = nullptr);
    ~TkavStdWizardForm() override;

    int CurrentStep() const;
    void ShowStep(int Index);
    // The report the controls describe.
    TkavWizardChoice Choice() const;
    // Generates the report and closes with OK; false (dialog open) when generating failed.
    bool Finish();
    // Cancel takes back the data sets the table wizard added meanwhile.
    void reject() override;

private:
    QWidget *createDataStep();
    QWidget *createFieldsStep();
    QWidget *createGroupsStep();
    QWidget *createLayoutStep();
    QWidget *createStyleStep();
    void fillDataSets(TkavDataSet *select = nullptr);
    void dataSetChosen();
    void fieldsChanged();
    void moveItems(QListWidget *from, QListWidget *to, bool all);
    void moveRow(QListWidget *list, int delta);
    // Runs the table (or query) wizard of that class and chooses the data set it added.
    void newTable(const QString &wizardClass);
    void updateButtons();
    void samplesChanged();
    TkavDataSet *dataSet() const;

    DesignerDocument &FDesigner;
    const bool FDotMatrix;
    std::unique_ptr<TkavStyleSheet> FStyleSheet;
    // The report's data page objects when the dialog opened: others are the table wizard's.
    QList<TkavComponent *> FDataObjects;
    QStackedWidget *FSteps;
    QLabel *FStepL;
    QPushButton *FBackB;
    QPushButton *FNextB;
    QPushButton *FFinishB;
    QListWidget *FDataSetsLB;
    QLabel *FFieldErrorL;
    QListWidget *FAvailableFieldsLB;
    QListWidget *FSelectedFieldsLB;
    QListWidget *FAvailableGroupsLB;
    QListWidget *FGroupsLB;
    QRadioButton *FPortraitRB;
    QRadioButton *FLandscapeRB;
    QRadioButton *FTabularRB;
    QRadioButton *FColumnarRB;
    QCheckBox *FFitWidthCB;
    QListWidget *FStylesLB;
    QWidget *FLayoutPreview;
    QWidget *FStylePreview;
};
