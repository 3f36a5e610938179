#pragma once

// TDesignerWorkspace: the page surface of the designer. It paints the page shown with the
// views' own drawing (what prints is what is shown), the grid, band captions, handles,
// guides and the frames of a drag, at any zoom and sharp on high-density screens, and
// translates mouse, key and drop events for its WorkspaceController. The in-place text
// editor and the field list of data memos are its children.

#include "kavDesgnWorkspace.h"

#include <QImage>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

class DesignerDocument;
class QMenu;
class QMimeData;

// The drag format of the data tree: one line per item, "alias<TAB>field flag<TAB>text", and
// the two options in a second format.
inline constexpr char kavDataTreeMime[] = "application/x-kavrel-datatree";
inline constexpr char kavDataTreeOptionsMime[] = "application/x-kavrel-datatree-options";
// A guide dragged from a ruler: "v" from the left ruler, "h" from the top one.
inline constexpr char kavGuideMime[] = "application/x-kavrel-guide";

// Drag data for data tree items (aliases of the items' data sets as the report names them).
QMimeData *kavDataTreeMimeData(const QList<TkavDropItem> &Items, const TkavDropOptions &Options,
                               const QStringList &Aliases);

class TDesignerWorkspace : public QWidget
{

public:
    TDesignerWorkspace(DesignerDocument &Document, QWidget *parent = nullptr);
    ~TDesignerWorkspace() override;

    WorkspaceController &Controller() { return FController; }
    DesignerDocument &Document() const { return FController.Document(); }
    // Page size, margins and scale from the page shown; stacks the bands.
    void UpdatePage();
    // Repaint and report the selection bounds.
    void UpdateView();
    // The screen position of a page point, and back.
    QPointF ToScreen(QPointF P) const;
    QPointF ToPage(QPointF P) const;
    // The page's origin (top-left corner of the printable area) on the surface.
    QPointF Origin() const;
    // The in-place editor while it is open, else null.
    QPlainTextEdit *InplaceEditor() const { return FInplaceMemo; }
    // The field list while it is open, else null.
    QListWidget *FieldList() const { return FListBox; }
    // Closes the in-place editor; Commit false drops its changes.
    void CloseInplace(bool Commit = true);
    // Paints the surface into painter (used by paintEvent and by the benchmark).
    void PaintTo(QPainter &painter, const QRectF &exposed);

    bool ShowEdges() const { return FShowEdges; }
    void SetShowEdges(bool Value);

    // Told after every edit and selection change made here.
    std::function<void()> OnChanged;
    // Told where the mouse is (page pixels), for the rulers' marks.
    std::function<void(QPointF)> OnMouseAt;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void openInplace(TkavCustomMemoView *memo);
    void openFieldList(TkavCustomMemoView *memo, const QStringList &fields, const QString &current);
    void popupMenu(QPointF p);
    void addObjectMenuItems(QMenu &menu);
    void updateCursor();
    bool standardShortcut(QKeyEvent *event);
    QList<TkavDropItem> dropItems(const QMimeData *mime, TkavDropOptions &options) const;
    enum class Layer {
        All,
        Static, // what stays put during a drag
        Moving  // the dragged objects
    };
    void paintLayer(QPainter &p, double s, QPointF o, const QRectF &area, Layer layer);
    void paintGrid(QPainter &p, double s, QPointF o, const QRectF &area) const;
    void paintBand(QPainter &p, TkavComponent *band, double s, QPointF o) const;
    void paintSelection(QPainter &p, double s, QPointF o) const;
    void paintOverlays(QPainter &p, double s, QPointF o) const;
    void changed();

    WorkspaceController FController;
    QSizeF FPageSize;   // the whole sheet, page pixels
    QPointF FMargins;   // left and top margin, page pixels
    bool FShowEdges = true;
    QPointer<QPlainTextEdit> FInplaceMemo;
    TkavComponentRef<TkavComponent> FInplaceObject;
    QString FInplaceOriginal;
    QSize FInplaceSize; // the editor's size when opened: another one was set by the user
    QPointer<QListWidget> FListBox;
    TkavComponentRef<TkavComponent> FListMemo;
    QImage FDragLayer; // what stays put while objects are dragged (device pixels)
    double FGuideDrag = -1; // position of a guide dragged from a ruler, page pixels
    bool FGuideDragVertical = false;
};
