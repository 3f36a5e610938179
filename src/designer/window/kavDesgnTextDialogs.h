#pragma once

// TkavTextDesignerDialogs: the designer's object dialogs on screen: string lists (parameters,
// field aliases), SQL texts, the page options, the memo dialogs, frames, fills, pictures,
// hyperlinks, groups and data bands.

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
    // The frame, fill, picture and hyperlink editors.
    bool EditFrame(TkavFrame &frame) override;
    bool EditFill(std::unique_ptr<TkavCustomFill> &fill, bool brushOnly) override;
    bool EditPicture(TkavPicture &picture) override;
    bool EditHyperlink(TkavView &view) override;

    // The group and data band dialogs.
    bool EditGroup(TkavGroupHeader &band) override;
    bool EditDataBand(TkavDataBand &band) override;
};

// Installs them for the process (the host window and the designer use them).
void kavInstallTextDesignerDialogs();
