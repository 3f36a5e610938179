#pragma once

// TkavClipboard: copies the selected report objects to the platform clipboard as text (the
// marker "#KV3 clipboard#", LF, CR, then one XML element per object) and pastes such text
// back onto the current page. Pictures travel as their number in the designer's picture
// cache. Pasting reads and checks the whole text before it changes anything.

#include <QList>
#include <QString>

class DesignerDocument;
class TkavComponent;
class TkavPictureCache;

// The marker every clipboard text of ours starts with.
inline constexpr char16_t kavClipboardMarker[] = u"#KV3 clipboard#";

class TkavClipboard
{
public:
    // Most objects one paste takes, and the longest text it reads.
    static constexpr int MaxElements = 100000;
    static constexpr qsizetype MaxTextLength = qsizetype(64) * 1024 * 1024;

    explicit TkavClipboard(DesignerDocument &ADesigner);

    // Puts the selected objects of the current page on the clipboard.
    void Copy();
    // The clipboard text for the current selection (what Copy puts there).
    QString CopyText() const;
    // Creates the objects of the clipboard text on the current page, adds them to the
    // selection and returns them. A text that is not ours or cannot be read changes
    // nothing and raises EkavError saying why; objects the page does not take are left out.
    QList<TkavComponent *> Paste();
    QList<TkavComponent *> PasteText(const QString &text);
    // The clipboard holds text starting with the marker (never fails).
    bool PasteAvailable() const;

    TkavPictureCache *PictureCache() const { return FPictureCache; }
    void SetPictureCache(TkavPictureCache *Value) { FPictureCache = Value; }

    // Whether page may hold an object of that class (the page-kind rules of pasting).
    static bool PageAccepts(const TkavComponent &page, const TkavComponent &obj);

    // The platform clipboard's text (a process-local one without a GUI application).
    static QString ClipboardText();
    static void SetClipboardText(const QString &text);

private:
    QString element(TkavComponent &obj, double minLeft, double minTop) const;

    DesignerDocument &FDesigner;
    TkavPictureCache *FPictureCache = nullptr; // not owned
};
