#pragma once

// TkavDesignerDialogs: the object editor dialogs the designer's commands and editors open
// (memo text, display format, hyperlink, picture, page options, group, data band, frame,
// fill, lines, SQL). Each edits what it is given and answers OK (true) or Cancel (false); on
// Cancel nothing may have changed. The process default is headless and cancels every
// dialog; the designer's windows install the real ones, tests a scripted fake.

#include "kavDesgnSettings.h"

#include <QString>

#include <memory>

class TStrings;
class TkavCustomFill;
class TkavCustomMemoView;
class TkavDataBand;
class TkavFrame;
class TkavGroupHeader;
class TkavPicture;
class TkavReportPage;
class TkavView;

class TkavDesignerDialogs
{
public:
    virtual ~TkavDesignerDialogs() = default;

    // The memo editor: text starts as the memo's text and receives the edited one.
    virtual bool EditMemo(TkavCustomMemoView &memo, QString &text) = 0;
    // The system text dialog, likewise.
    virtual bool EditSysMemo(TkavCustomMemoView &memo, QString &text) = 0;
    // The display format dialog: on OK the memo's own format list holds the result.
    virtual bool EditDisplayFormat(TkavCustomMemoView &memo) = 0;
    // The view's hyperlink is edited in place (OK may also hide the detail page it names
    // and restyle the view as a link); on Cancel nothing changes.
    virtual bool EditHyperlink(TkavView &view) = 0;
    // A copy of the object's picture / frame / fill is edited.
    virtual bool EditPicture(TkavPicture &picture) = 0;
    virtual bool EditFrame(TkavFrame &frame) = 0;
    // brushOnly: only plain brush fills may be chosen (shapes).
    virtual bool EditFill(std::unique_ptr<TkavCustomFill> &fill, bool brushOnly) = 0;
    virtual bool EditLines(TStrings &lines) = 0;
    // A query's SQL text, in the coloured editor.
    virtual bool EditSQL(TStrings &sql) = 0;
    // These edit the object itself; on Cancel it stays as it was.
    // Lengths are shown in units (the designer's units on that page).
    virtual bool EditPageOptions(TkavReportPage &page, TkavDesignerUnits units) = 0;
    virtual bool EditGroup(TkavGroupHeader &band) = 0;
    virtual bool EditDataBand(TkavDataBand &band) = 0;
    // The highlight editor alone: on OK the memo's highlights hold the result.
    virtual bool EditHighlights(TkavCustomMemoView &memo) = 0;
};

// Cancels everything.
class TkavHeadlessDesignerDialogs : public TkavDesignerDialogs
{
public:
    bool EditMemo(TkavCustomMemoView &, QString &) override { return false; }
    bool EditSysMemo(TkavCustomMemoView &, QString &) override { return false; }
    bool EditDisplayFormat(TkavCustomMemoView &) override { return false; }
    bool EditHyperlink(TkavView &) override { return false; }
    bool EditPicture(TkavPicture &) override { return false; }
    bool EditFrame(TkavFrame &) override { return false; }
    bool EditFill(std::unique_ptr<TkavCustomFill> &, bool) override { return false; }
    bool EditLines(TStrings &) override { return false; }
    bool EditSQL(TStrings &) override { return false; }
    bool EditPageOptions(TkavReportPage &, TkavDesignerUnits) override { return false; }
    bool EditGroup(TkavGroupHeader &) override { return false; }
    bool EditDataBand(TkavDataBand &) override { return false; }
    bool EditHighlights(TkavCustomMemoView &) override { return false; }
};

// The process-wide dialogs (headless until set); installing returns the previous ones
// (null for the built-in default), null restores the default.
TkavDesignerDialogs &kavDesignerDialogs();
std::unique_ptr<TkavDesignerDialogs> kavSetDesignerDialogs(std::unique_ptr<TkavDesignerDialogs> dialogs);

class TkavComponent;
// Edits the text of Component when it is a memo (with the system memo dialog when SysMemo);
// the text is written only when the dialog was confirmed. True when it was.
bool kavEditMemoText(TkavComponent *Component, bool SysMemo = false);
