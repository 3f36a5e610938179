// The designer's files under a failing disk: undo snapshots that cannot be swapped out stay
// in memory and every undo and redo still gives its state back; a save that fails keeps
// the previous report file and says so.
#include "kavDesignerTestSupport.h"
#include <kavFileSizeLimit.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

class DesignerFaults : public DesignerTest
{
protected:
    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(DesignerFaults, UndoKeepsEveryStepWhenTheSwapFileCannotGrow)
{
    QTemporaryDir swap;
    ASSERT_TRUE(swap.isValid());
    doc->UndoBuffer().SetTempDir(swap.path());
    doc->UndoBuffer().SetMemoryLimit(1); // everything but the current state wants out
    std::vector<QByteArray> states{bytes()};
    {
        FileSizeLimit limit(8000); // the swap file fills up after a few snapshots
        for (int i = 0; i < 25; ++i) {
            ASSERT_NE(insertMemo(10 + 20 * (i % 10), masterTop() + 1, 18, 10), nullptr) << i;
            states.push_back(bytes());
        }
    }
    EXPECT_GT(doc->UndoBuffer().SwappedBytes(), 0);
    EXPECT_GT(doc->UndoBuffer().MemoryUsed(), 1); // what did not fit stayed in memory
    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(doc->Undo()) << i;
        ASSERT_EQ(bytes(), states[i - 1]) << "undo to step " << i - 1;
    }
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(doc->Redo()) << i;
        ASSERT_EQ(bytes(), states[i]) << "redo to step " << i;
    }
}

TEST_F(DesignerFaults, ASaveOnAFullDiskKeepsThePreviousFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"report.kv3"_s);
    insertMemo(10, masterTop() + 1);
    report->SaveToFile(path);
    doc->SetModified(false);
    ASSERT_TRUE(doc->OpenFile(path));
    const QByteArray before = fileBytes(path);
    ASSERT_FALSE(before.isEmpty());
    for (int i = 0; i < 40; ++i)
        insertMemo(10 + 15 * (i % 20), masterTop() + 1, 12, 10);
    ASSERT_TRUE(doc->Modified());
    bool saved = true;
    {
        FileSizeLimit limit(before.size() + 100);
        saved = doc->SaveFile();
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(doc->Modified()); // the edits are still the user's to save
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"report.kv3"_s});
    QStringList said;
    for (const auto &call : ui().Calls)
        said << call.Kind + u": "_s + call.Text;
    EXPECT_TRUE(said.join(u'\n').contains(u"report.kv3"_s))
        << "the user was not told which file failed: " << qPrintable(said.join(u'\n'));
    // With room again the same document saves.
    EXPECT_TRUE(doc->SaveFile());
    EXPECT_NE(fileBytes(path), before);
}

} // namespace
