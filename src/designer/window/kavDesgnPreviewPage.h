#pragma once

// TkavPreviewPageDesigner: the designer on one prepared page, as a modal window of its own.
// The preview hands it a temporary report holding the page. OK keeps the changes, Cancel
// drops them, closing otherwise asks; the report's Modified then tells the preview whether
// to write the page back.

#include <QDialog>

class TkavDesignerPanel;
class TkavReport;

class TkavPreviewPageDesigner : public QDialog
{
public:
    // Edits the first page of report (not owned; outlives the window).
    explicit TkavPreviewPageDesigner(TkavReport &report, QWidget *parent = nullptr);
    ~TkavPreviewPageDesigner() override;

    TkavDesignerPanel &Designer() const { return *FDesigner; }
    // Closes keeping the changes.
    void accept() override;
    // Closing without a choice (the window's close box, Esc): "dsSavePreviewChanges" when
    // the page was changed; Cancel keeps the window open.
    void reject() override;
    // Closes dropping the changes.
    void Discard();

private:
    TkavDesignerPanel *FDesigner;
};

// Makes the window the one reports open for DesignPreviewPage (the preview's Edit).
void kavInstallPreviewPageDesigner();
