// A long scripted designer session over the demo reports: random inserts, format changes,
// moves, deletes, undos, redos, copies, cuts and pastes, band and page edits, previews and
// saves. After every step the report must save, read back and save to the same bytes, and a
// preview must leave the design exactly as it was.
#include "kavDesignerTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

using namespace Qt::StringLiterals;

namespace {

// Steps over all the demo reports together.
constexpr int soakSteps = 10000;

class DesignerSoak : public DesignerTest
{
protected:
    static QByteArray reread(const QByteArray &bytes)
    {
        TkavReport other;
        other.EngineOptions().SetNewSilentMode(simSilent);
        TMemoryStream in(bytes);
        other.LoadFromStream(in);
        TMemoryStream out;
        other.SaveToStream(out);
        return out.Data();
    }

    // A random number in [0, n).
    int pick(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng); }

    QList<TkavComponent *> objects() const
    {
        QList<TkavComponent *> result;
        for (TkavComponent *c : doc->Objects())
            if (c != doc->Page())
                result << c;
        return result;
    }

    // One random step; its name for the failure message.
    QString step()
    {
        const QList<TkavComponent *> all = objects();
        const double left = pick(600), top = pick(900);
        switch (pick(20)) {
        case 0:
        case 1:
            if (!all.isEmpty())
                doc->Select(all[pick(int(all.size()))]);
            return u"select"_s;
        case 2:
            insertMemo(left, top, 20 + pick(200), 10 + pick(40));
            return u"insert memo"_s;
        case 3: {
            static const QStringList classes{u"TkavShapeView"_s, u"TkavLineView"_s,
                                             u"TkavPictureView"_s, u"TkavSysMemoView"_s};
            doc->InsertObject(classes[pick(int(classes.size()))], 0, left, top, 10 + pick(100),
                              pick(60));
            return u"insert object"_s;
        }
        case 4:
            doc->Format([&](TkavComponent &c) {
                c.SetLeft(c.Left() + pick(41) - 20);
                c.SetTop(c.Top() + pick(41) - 20);
                c.SetWidth(std::max(0.0, c.Width() + pick(21) - 10));
                return true;
            });
            return u"move"_s;
        case 5:
            switch (pick(6)) {
            case 0: doc->SetFontSize(6 + pick(30)); break;
            case 1: doc->SetFillColor(TColor(pick(0xFFFFFF))); break;
            case 2: doc->SetFrameWidth(0.5 * (1 + pick(8))); break;
            case 3: doc->SetHAlign(TkavHAlign(pick(4))); break;
            case 4: doc->SetFrameLines(pick(2) == 0); break;
            default: doc->SetRotation(90 * pick(4)); break;
            }
            return u"format"_s;
        case 6:
        case 7:
            doc->Undo();
            return u"undo"_s;
        case 8:
            doc->Redo();
            return u"redo"_s;
        case 9:
            doc->Copy();
            return u"copy"_s;
        case 10:
            doc->Cut();
            return u"cut"_s;
        case 11:
            doc->Paste();
            return u"paste"_s;
        case 12:
            doc->DeleteSelection();
            return u"delete"_s;
        case 13:
            doc->InsertBand(1 + pick(17));
            return u"insert band"_s;
        case 14:
            switch (pick(4)) {
            case 0: doc->BringToFront(); break;
            case 1: doc->SendToBack(); break;
            case 2: doc->AlignToGrid(); break;
            default: doc->SelectAll(); break;
            }
            return u"arrange"_s;
        case 15:
            if (pick(3) == 0)
                doc->NewPage();
            else if (pick(4) == 0 && doc->CanDeletePage())
                doc->DeletePage();
            else
                doc->SetPage(report->Pages(pick(report->PagesCount())));
            return u"page"_s;
        case 16: {
            const QByteArray before = bytes();
            doc->BeginRun();
            report->PrepareReport();
            doc->EndRun();
            EXPECT_EQ(bytes(), before) << "the preview changed the design";
            return u"preview"_s;
        }
        case 17:
            EXPECT_TRUE(doc->SaveFile()) << qPrintable(report->FileName());
            return u"save"_s;
        default:
            doc->DeleteGuides();
            doc->Select(nullptr);
            return u"deselect"_s;
        }
    }

    std::mt19937 rng{20261211};
};

TEST_F(DesignerSoak, TenThousandStepsKeepTheReportWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir examples(QStringLiteral(KAV_EXAMPLES_DIR));
    const QStringList demos = examples.entryList({u"*.kv3"_s}, QDir::Files, QDir::Name);
    ASSERT_FALSE(demos.isEmpty());
    for (const QString &file : examples.entryList({u"*.kv3"_s, u"*.csv"_s, u"*.png"_s}, QDir::Files))
        ASSERT_TRUE(QFile::copy(examples.filePath(file), dir.filePath(file)));

    int done = 0;
    for (int d = 0; d < demos.size(); ++d) {
        const QString path = dir.filePath(demos[d]);
        doc->SetModified(false); // saved at the end of the previous demo
        ASSERT_TRUE(doc->OpenFile(path)) << qPrintable(path);
        const int steps = (soakSteps - done) / int(demos.size() - d);
        QStringList recent;
        for (int i = 0; i < steps; ++i, ++done) {
            recent << step();
            if (recent.size() > 12)
                recent.removeFirst();
            const QByteArray saved = bytes();
            const QByteArray again = reread(saved);
            ASSERT_EQ(again, saved) << "step " << done << " in " << qPrintable(demos[d])
                                    << ", last steps: " << qPrintable(recent.join(u", "_s));
            if (HasFailure())
                FAIL() << "step " << done << " in " << qPrintable(demos[d]) << ", last steps: "
                       << qPrintable(recent.join(u", "_s));
        }
        // What was saved last reads back as the document that was there then.
        ASSERT_TRUE(doc->SaveFile());
        TkavReport fromDisk;
        fromDisk.EngineOptions().SetNewSilentMode(simSilent);
        fromDisk.LoadFromFile(path);
        TMemoryStream out;
        fromDisk.SaveToStream(out);
        EXPECT_EQ(out.Data(), reread(bytes())) << qPrintable(path);
    }
    EXPECT_EQ(done, soakSteps);
}

} // namespace
