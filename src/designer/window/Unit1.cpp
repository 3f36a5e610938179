#include "Unit1.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <preview/kavPreview.h>
#include <report/kavReport.h>
#include <report/kavReportOptions.h>

#include <QScopeGuard>
#include <QTabWidget>

using namespace Qt::StringLiterals;

TForm1::TForm1(TkavReport &report, QWidget *parent)
    : QMainWindow(parent)
    , FReport(report)
    , FPageControl(new QTabWidget(this))
    , FDesigner(new TkavDesignerPanel(report))
    , FPreview(new TkavPreview)
{
    setObjectName(u"Form1"_s);
    resize(854, 581);
    FPageControl->setObjectName(u"PageControl1"_s);
    FDesigner->setObjectName(u"DesignerSheet"_s);
    FPreview->setObjectName(u"PreviewSheet"_s);
    FPageControl->addTab(FDesigner, u"Designer"_s);
    FPageControl->addTab(FPreview, u"Preview"_s);
    setCentralWidget(FPageControl);
    FPreview->SetOutlineVisible(true);
    FPreview->SetOutlineWidth(121);
    FPreview->SetThumbnailVisible(false);
    // A run works on the designed report itself, within a snapshot the designer restores.
    FReport.EngineOptions().SetDestroyForms(false);
    FReport.SetPreview(FPreview);
    connect(FPageControl, &QTabWidget::currentChanged, this, [this](int index) { PageControl1Change(index); });
}

TForm1::~TForm1()
{
    FReport.SetPreview(nullptr);
}

void TForm1::ShowSheet(int index)
{
    FPageControl->setCurrentIndex(index);
}

void TForm1::PageControl1Change(int index)
{
    if (index == 1)
        RunPreview();
}

bool TForm1::RunPreview()
{
    DesignerDocument &document = FDesigner->Document();
    document.BeginRun();
    const auto restore = qScopeGuard([&] { document.EndRun(); });
    return FReport.PrepareReport(true);
}
