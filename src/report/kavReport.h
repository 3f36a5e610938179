#pragma once

// TkavReport: the root of a report document. It owns every component of its document and is
// the scope in which their names are unique; its direct children are the pages. For now it
// holds the tree, the error lines and the designer state the tree needs: the report facade
// (options, data sets, variables, script, running, previewing) grows here in later work.

#include <report/kavComponent.h>
#include <rtl/kavStrings.h>

#include <memory>
#include <mutex>

class TkavXMLSerializer;

// The process-wide report lock: thread-safe report loads and dialog-page destruction run
// under it. Recursive, so a load may nest another under the same thread.
std::recursive_mutex &kavReportLock();

class TkavReport : public TkavComponent
{
public:
    KAV_CLASSINFO

    // A report is usually held by its creator (std::make_unique<TkavReport>()).
    explicit TkavReport(TkavComponent *AOwner = nullptr);
    // Destroys the pages (and through them the whole tree), then every other owned component,
    // while the report itself is still whole.
    ~TkavReport() override;

    // Error lines of the last load or run: sorted ignoring case, duplicates ignored.
    TStringList &Errors() const { return *FErrors; }
    // The document changed since it was loaded or saved (designer and preview edits).
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // The reader of a load in progress (collections read during the load reuse it), else null.
    TkavXMLSerializer *XMLSerializer() const { return FXMLSerializer; }
    void SetXMLSerializer(TkavXMLSerializer *Value) { FXMLSerializer = Value; }

private:
    std::unique_ptr<TStringList> FErrors;
    bool FModified = false;
    TkavXMLSerializer *FXMLSerializer = nullptr; // not owned
};
