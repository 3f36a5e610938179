// The main window: the Preview tab runs the report as designed, into the preview, and the
// design comes back byte for byte, with its undo history and selection; every switch runs
// anew.

#include "kavDesignerTestSupport.h"

#include <designer/window/Unit1.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <prepared/kavPreviewPages.h>

#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {

class HostTest : public DesignerTest
{
};

} // namespace

TEST_F(HostTest, PreviewTabRunsTheDesignAndLeavesItAsItWas)
{
    doc.reset(); // the window's designer is the only one on the report
    TForm1 form(*report);
    DesignerDocument &document = form.Designer().Document();
    document.NewReport();
    document.InsertObject(u"TkavMemoView"_s, 0, 10, find(u"MasterData1"_s)->Top() + 2, 80, 20);
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    ASSERT_NE(memo, nullptr);
    memo->SetText(u"[Page#] of [TotalPages#]"_s);
    // The report's script moves the memo while it runs: the design must not keep that.
    report->ScriptText().SetText(u"begin\n  Memo1.Left := 300;\n  Memo1.Text := 'changed';\nend."_s);
    document.SetModified(true);
    const QByteArray before = bytes();
    const double left = memo->Left();
    const int undoCount = document.UndoBuffer().UndoCount();
    form.show();

    form.ShowSheet(1);
    ASSERT_NE(report->PreviewPages(), nullptr);
    EXPECT_EQ(report->PreviewPages()->Count(), 1);
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(document.UndoBuffer().UndoCount(), undoCount);
    ASSERT_NE(find<TkavMemoView>(u"Memo1"_s), nullptr);
    EXPECT_EQ(find<TkavMemoView>(u"Memo1"_s)->Left(), left);
    EXPECT_NE(left, 300);

    // Back and forth: the second run starts from empty pages.
    form.ShowSheet(0);
    EXPECT_EQ(report->PreviewPages()->Count(), 1);
    form.ShowSheet(1);
    EXPECT_EQ(report->PreviewPages()->Count(), 1);
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(form.PageControl1().currentIndex(), 1);
}
