#pragma once
// A designer panel shown on a new report with one memo in its master band, for widget tests.

#include "kavDesignerTestSupport.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/inspector/kavDesgnInspector.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <report/kavBands.h>

#include <QTest>

#include <gtest/gtest.h>

class DesignerPanelTest : public ::testing::Test
{
protected:
    void openPanel(int width, int height)
    {
        using namespace Qt::StringLiterals;
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
        kavRegisterDesignerEditors();
        kavResourceTable().loadBuiltIn(blEnglish);
        report = std::make_unique<TkavReport>();
        report->EngineOptions().SetNewSilentMode(simSilent);
        panel = std::make_unique<TkavDesignerPanel>(*report);
        doc().NewReport();
        panel->resize(width, height);
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        ASSERT_TRUE(dynamic_cast<TkavBand *>(report->FindObject(u"MasterData1"_s)));
        memo = insertMemo(40, 2);
        ASSERT_TRUE(memo);
    }
    void TearDown() override
    {
        panel.reset();
        report.reset();
    }

    DesignerDocument &doc() const { return panel->Document(); }
    TDesignerWorkspace &ws() const { return panel->Workspace(); }
    TkavObjectInspector &inspector() const { return panel->Inspector(); }
    template <class T = TkavComponent>
    T *find(const QString &name) const
    {
        return dynamic_cast<T *>(report->FindObject(name));
    }
    TkavBand *master() const { return find<TkavBand>(QStringLiteral("MasterData1")); }
    TkavMemoView *insertMemo(double left, double top)
    {
        auto *m = dynamic_cast<TkavMemoView *>(doc().InsertObject(
            QStringLiteral("TkavMemoView"), 0, left, master()->Top() + top, 80, 20));
        ws().UpdatePage();
        return m;
    }
    QPoint screen(QPointF page) const { return ws().ToScreen(page).toPoint(); }
    QPoint centre(const TkavComponent *c) const
    {
        return screen({c->AbsLeft() + c->Width() / 2, c->AbsTop() + c->Height() / 2});
    }

    std::unique_ptr<TkavReport> report;
    std::unique_ptr<TkavDesignerPanel> panel;
    TkavMemoView *memo = nullptr;
};
