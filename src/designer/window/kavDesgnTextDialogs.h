#pragma once

// TkavTextDesignerDialogs: the designer's dialogs on screen: a memo's text, string lists
// (parameters, field aliases), SQL texts and the page options. The other object dialogs still
// answer Cancel until their windows exist.

#include <designer/document/kavDesgnDialogs.h>

class TkavTextDesignerDialogs : public TkavHeadlessDesignerDialogs
{
public:
    bool EditMemo(TkavCustomMemoView &memo, QString &text) override;
    bool EditSysMemo(TkavCustomMemoView &memo, QString &text) override;
    bool EditLines(TStrings &lines) override;
    bool EditSQL(TStrings &sql) override;
    bool EditPageOptions(TkavReportPage &page, TkavDesignerUnits units) override;
};

// Installs them for the process (the host window and the designer use them).
void kavInstallTextDesignerDialogs();
