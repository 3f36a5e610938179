#pragma once

// TkavPictureEditorForm: edits a copy of a picture: load it from a file, copy it to or paste
// it from the clipboard, or clear it. The status bar tells its size; the picture is shown
// scaled down only when it is larger than its box.

#include <report/kavViews.h>

#include <QDialog>
#include <QWidget>

class QStatusBar;

// Shows a picture at its own size, or scaled down (keeping its proportions) when it is
// larger than the box. The picture is not owned.
class TkavPictureBox : public QWidget
{
public:
    TkavPictureBox(const TkavPicture &picture, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const TkavPicture &FPicture;
};

class TkavPictureEditorForm : public QDialog
{
public:
    explicit TkavPictureEditorForm(QWidget *parent = nullptr);
    ~TkavPictureEditorForm() override;

    void load(const TkavPicture &picture);
    bool validate() { return true; }
    void apply(TkavPicture &picture) const { picture.Assign(FPicture); }

    const TkavPicture &Picture() const { return FPicture; }
    // The tool bar's commands. A file or clipboard content that is not a picture leaves the
    // picture as it was and tells the user so; false then.
    bool LoadFile(const QString &fileName);
    void LoadFromDialog();
    void CopyToClipboard() const;
    bool PasteFromClipboard();
    void ClearPicture();

private:
    void changed();

    TkavPicture FPicture;
    TkavPictureBox *FImage = nullptr;
    QStatusBar *FStatusBar = nullptr;
};
