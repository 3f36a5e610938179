#pragma once

// TkavTextDesignerDialogs: the designer's dialogs on screen: string lists (parameters,
// field aliases), SQL texts, the page options and the memo dialogs. The other object
// dialogs still answer Cancel until their windows exist.

#include <designer/document/kavDesgnDialogs.h>

class TkavTextDesignerDialogs : public TkavHeadlessDesignerDialogs
{
public:
    bool EditLines(TStrings &lines) override;
    bool EditSQL(TStrings &sql) override;
    bool EditPageOptions(TkavReportPage &page, TkavDesignerUnits units) override;

    // The memo dialogs: text, system text, display format, highlights.
    bool EditMemo(TkavCustomMemoView &memo, QString &text) override;
    bool EditSysMemo(TkavCustomMemoView &memo, QString &text) override;
    bool EditDisplayFormat(TkavCustomMemoView &memo) override;
    bool EditHighlights(TkavCustomMemoView &memo) override;

    // The group and data band dialogs.
    bool EditGroup(TkavGroupHeader &band) override;
    bool EditDataBand(TkavDataBand &band) override;
};

// Installs them for the process (the host window and the designer use them).
void kavInstallTextDesignerDialogs();
