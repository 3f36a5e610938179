#pragma once

// A designer on a new report with scripted answers: the classes and editors registered, a
// fake for the UI services and one for the object dialogs, and the report as bytes.

#include "kavTestSupport.h"
#include "rtl/kavUIServicesFake.h"

#include <designer/document/kavDesgnDialogs.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/editors/kavDesgnRegister.h>
#include <persist/kavRes.h>
#include <report/kavClass.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QByteArray>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Dialogs answer OK after running the test's edit, or Cancel when none is set.
class TkavFakeDesignerDialogs : public TkavDesignerDialogs
{
public:
    std::function<bool(TkavCustomMemoView &, QString &)> Memo;
    std::function<bool(TkavCustomMemoView &)> DisplayFormat;
    std::function<bool(TkavFrame &)> Frame;
    std::function<bool(TkavPicture &)> Picture;
    std::function<bool(TkavView &)> Hyperlink;
    std::function<bool(TkavComponent &)> ObjectDialog; // page options, group, data band
    std::function<bool(TStrings &)> Lines;
    std::function<bool(TStrings &)> SQL;
    std::function<bool(TkavCustomMemoView &)> Highlights;
    int Opened = 0;

    bool EditMemo(TkavCustomMemoView &memo, QString &text) override
    {
        ++Opened;
        return Memo && Memo(memo, text);
    }
    bool EditSysMemo(TkavCustomMemoView &memo, QString &text) override { return EditMemo(memo, text); }
    bool EditDisplayFormat(TkavCustomMemoView &memo) override
    {
        ++Opened;
        return DisplayFormat && DisplayFormat(memo);
    }
    bool EditHyperlink(TkavView &view) override
    {
        ++Opened;
        return Hyperlink && Hyperlink(view);
    }
    bool EditPicture(TkavPicture &picture) override
    {
        ++Opened;
        return Picture && Picture(picture);
    }
    bool EditFrame(TkavFrame &frame) override
    {
        ++Opened;
        return Frame && Frame(frame);
    }
    bool EditFill(std::unique_ptr<TkavCustomFill> &, bool) override { return ++Opened, false; }
    bool EditLines(TStrings &lines) override
    {
        ++Opened;
        return Lines && Lines(lines);
    }
    bool EditSQL(TStrings &sql) override
    {
        ++Opened;
        return SQL && SQL(sql);
    }
    bool EditPageOptions(TkavReportPage &page, TkavDesignerUnits) override { return objectDialog(page); }
    bool EditGroup(TkavGroupHeader &band) override { return objectDialog(band); }
    bool EditDataBand(TkavDataBand &band) override { return objectDialog(band); }
    bool EditHighlights(TkavCustomMemoView &memo) override
    {
        ++Opened;
        return Highlights && Highlights(memo);
    }

private:
    bool objectDialog(TkavComponent &c)
    {
        ++Opened;
        return ObjectDialog && ObjectDialog(c);
    }
};

class DesignerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
        kavRegisterDesignerEditors();
        kavResourceTable().loadBuiltIn(blEnglish);
        auto dialogs = std::make_unique<TkavFakeDesignerDialogs>();
        dialogs_ = dialogs.get();
        previousDialogs_ = kavSetDesignerDialogs(std::move(dialogs));
        report = std::make_unique<TkavReport>();
        report->EngineOptions().SetNewSilentMode(simSilent);
        doc = std::make_unique<DesignerDocument>(*report);
        doc->NewReport();
    }
    void TearDown() override
    {
        doc.reset();
        report.reset();
        kavSetDesignerDialogs(std::move(previousDialogs_));
    }

    TkavFakeUIServices &ui() { return ui_.Fake(); }
    TkavFakeDesignerDialogs &dialogs() { return *dialogs_; }

    QByteArray bytes() const
    {
        TMemoryStream stream;
        report->SaveToStream(stream);
        return stream.Data();
    }
    template <class T = TkavComponent>
    T *find(const QString &name) const
    {
        return dynamic_cast<T *>(report->FindObject(name));
    }
    // A memo inserted on the master data band (page coordinates).
    TkavMemoView *insertMemo(double left, double top, double width = 80, double height = 20)
    {
        return dynamic_cast<TkavMemoView *>(
            doc->InsertObject(QStringLiteral("TkavMemoView"), 0, left, top, width, height));
    }
    double masterTop() const { return find(QStringLiteral("MasterData1"))->Top(); }

    TkavFakeUIServicesScope ui_;
    std::unique_ptr<TkavReport> report;
    std::unique_ptr<DesignerDocument> doc;

private:
    TkavFakeDesignerDialogs *dialogs_ = nullptr;
    std::unique_ptr<TkavDesignerDialogs> previousDialogs_;
};
