#pragma once

// The prepared report: the store the engine fills page by page and the preview, printing
// and export read back. Every page lives as XML in one document; an object on a page is
// its difference from a source object (a compact copy of its template object) under a
// short alias. Pages become objects again only on request, a few at a time.

#include "kavDictionary.h"

#include <rtl/kavObject.h>

#include <QList>
#include <QPoint>
#include <QString>

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class QPainter;
class TStream;
class TkavAttributeTemplate;
class TkavBand;
class TkavComponent;
class TkavCustomExportFilter;
class TkavCustomEngine;
class TkavCustomPreviewPages;
class TkavPageStream;
class TkavPictureCache;
class TkavPictureView;
class TkavReport;
class TkavReportPage;
class TkavView;
class TkavXMLDocument;
class TkavXMLItem;
class TkavXMLSerializer;

// ORDER persisted: scripts read this as a number.
enum TkavAddPageAction : int { apWriteOver, apAdd };

// ORDER: the numbers of the mouse events the preview hands to ObjectOver.
enum TkavMouseOverEvent : int { meClick, meDblClick, meMove, meUp };

// What the mouse found over a prepared page, and what the preview is left to do about it.
struct TkavObjectOver
{
    int Cursor = 0;             // platform cursor number; 0: the workspace's own
    std::shared_ptr<TkavReportPage> Page; // keeps View alive
    TkavView *View = nullptr;   // the topmost view under the pointer, or null
    QString StatusText;         // the hyperlink value under the pointer
    QString Hint;               // the short part of the view's hint, shown at the pointer
    QString LongHint;           // the long part, for the status line
    bool FollowLink = false;    // a click that follows View's hyperlink
    QString DrillName;          // a drill-down group header under the pointer
    bool DrillToggled = false;  // a left click put it into or out of DrillState: run again
    bool Modified = false;      // a click handler changed the page; it was written back
    bool Refresh = false;       // a handler asked for a repaint
};

// A text of every prepared page: a line "page N" (from 1), then one line per object on it,
// indented two spaces per nesting level: class, name, "l=", "t=", "w=", "h=" with two
// decimals and, for a text object, its text in double quotes (line breaks as "\n").
QString kavDumpPreparedPages(TkavCustomPreviewPages &Pages);

// ---------------------------------------------------------------------------------------
// The outline (bookmark tree) of a prepared report, as the engine and the preview use it.
class TkavCustomOutline : public TPersistent
{
public:
    KAV_CLASSINFO

    explicit TkavCustomOutline(TkavCustomPreviewPages *APreviewPages)
        : FPreviewPages(APreviewPages)
    {
    }

    int Count() { return GetCount(); }
    // Children of the current item.
    virtual int GetCount() = 0;
    // Appends an item (on the store's current page, at Top) to the current item and makes
    // it current.
    virtual void AddItem(const QString &Text, int Top) = 0;
    virtual void LevelDown(int Index) = 0;
    virtual void LevelRoot() = 0;
    virtual void LevelUp() = 0;
    // Text, page (0-based) and top of the Index-th child of the current item.
    virtual void GetItem(int Index, QString &Text, int &Page, int &Top) = 0;
    // Moves the items added after From (what GetCurPosition returned) to the store's
    // current page, at NewTop for the first of them.
    virtual void ShiftItems(TkavXMLItem *From, int NewTop) = 0;
    // The last child of the current item, or null.
    virtual TkavXMLItem *GetCurPosition() = 0;

    TkavXMLItem *CurItem() const { return FCurItem; }
    void SetCurItem(TkavXMLItem *Value) { FCurItem = Value; }
    TkavCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    TkavCustomEngine *Engine() const;

private:
    TkavXMLItem *FCurItem = nullptr; // in the store's document
    TkavCustomPreviewPages *FPreviewPages; // owner
};

// ---------------------------------------------------------------------------------------
// The store contract: what the engine, the preview, printing and export call.
class TkavCustomPreviewPages
{
public:
    explicit TkavCustomPreviewPages(TkavReport *AReport) : FReport(AReport) {}
    virtual ~TkavCustomPreviewPages();
    TkavCustomPreviewPages(const TkavCustomPreviewPages &) = delete;
    TkavCustomPreviewPages &operator=(const TkavCustomPreviewPages &) = delete;

    int Count() { return GetCount(); }
    virtual int GetCount() = 0;
    // The built page Index, shared with the page cache; null without such a page.
    virtual std::shared_ptr<TkavReportPage> GetPage(int Index) = 0;
    // Width and height in whole pixels; (0, 0) outside the pages.
    virtual QPoint GetPageSize(int Index) = 0;

    // --- preparing -------------------------------------------------------------------------
    virtual void Clear() = 0;
    virtual void Initialize() = 0;
    virtual void AddObject(TkavComponent *Obj) = 0;
    virtual void AddPage(TkavReportPage *Page) = 0;
    virtual void AddSourcePage(TkavReportPage *Page) = 0;
    virtual void AddToSourcePage(TkavComponent *Obj) = 0;
    virtual void BeginPass() = 0;
    virtual void ClearFirstPassPages() = 0;
    virtual void CutObjects(int APosition) = 0;
    virtual void Finish() = 0;
    virtual void IncLogicalPageNumber() = 0;
    virtual void ResetLogicalPageNumber() = 0;
    virtual void PasteObjects(double X, double Y) = 0;
    virtual void AddAnchor(const QString &Text) = 0;
    virtual void ShiftAnchors(int From, int NewTop) = 0;
    virtual void AddPicture(TkavPictureView *Picture) = 0;
    virtual bool BandExists(TkavBand *Band) = 0;
    virtual int GetCurPosition() = 0;
    virtual int GetAnchorCurPosition() = 0;
    virtual double GetLastY(double ColumnPosition = 0) = 0;
    virtual int GetLogicalPageNo() = 0;
    virtual int GetLogicalTotalPages() = 0;
    virtual void UpdatePageDimensions(TkavReportPage *Page, double Width, double Height) = 0;

    // --- reading and editing -------------------------------------------------------------
    // The anchor element named Text (ignoring case; the last one added wins), or null.
    virtual TkavXMLItem *FindAnchor(const QString &Text) = 0;
    // 1-based page of that anchor; 1 when there is none.
    virtual int GetAnchorPage(const QString &Text) = 0;
    virtual void AddEmptyPage(int Index) = 0;
    virtual void DeletePage(int Index) = 0;
    virtual void ModifyPage(int Index, TkavReportPage *Page) = 0;
    virtual void DrawPage(int Index,
                          QPainter *Canvas,
                          double ScaleX,
                          double ScaleY,
                          double OffsetX,
                          double OffsetY) = 0;
    // Draws Page, built from page Index, as its objects stand (their page counts set by the
    // caller); touches nothing of the store, so an export may draw on another thread.
    virtual void DrawPage(TkavReportPage &Page,
                          int Index,
                          QPainter *Canvas,
                          double ScaleX,
                          double ScaleY,
                          double OffsetX,
                          double OffsetY) = 0;
    virtual void AddFrom(TkavReport *Report) = 0;
    // The object under the point (X, Y) of page Index drawn at Scale with its paper's corner
    // at (OffsetX, OffsetY): mouse enter and leave, the views' and the report's mouse
    // events, hints, cursor, hyperlink and drill-down header. Nothing while the engine runs.
    // Button: 0 left, 1 right, 2 middle; Shift: the platform's shift-state bits.
    virtual TkavObjectOver ObjectOver(int Index,
                                      int X,
                                      int Y,
                                      int Button,
                                      int Shift,
                                      double Scale,
                                      double OffsetX,
                                      double OffsetY,
                                      TkavMouseOverEvent MouseEvent) = 0;
    // False only when page Index certainly draws no text containing Text (upper-cased
    // both when not CaseSensitive): text search skips such pages without drawing them.
    virtual bool PageMayContainText(int Index, const QString &Text, bool CaseSensitive)
    {
        Q_UNUSED(Index);
        Q_UNUSED(Text);
        Q_UNUSED(CaseSensitive);
        return true;
    }

    // --- files ---------------------------------------------------------------------------
    // Partial loading keeps Stream as the document's backing stream.
    virtual void LoadFromStream(std::unique_ptr<TStream> Stream, bool AllowPartialLoading = false) = 0;
    virtual void SaveToStream(TStream &Stream) = 0;
    virtual bool LoadFromFile(const QString &FileName, bool ExceptionIfNotFound = false) = 0;
    virtual void SaveToFile(const QString &FileName) = 0;

    TkavAddPageAction AddPageAction() const { return FAddPageAction; }
    void SetAddPageAction(TkavAddPageAction Value) { FAddPageAction = Value; }
    int CurPage() const { return FCurPage; }
    void SetCurPage(int Value) { FCurPage = Value; }
    int CurPreviewPage() const { return FCurPreviewPage; }
    void SetCurPreviewPage(int Value) { FCurPreviewPage = Value; }
    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int Value) { FFirstPage = Value; }
    TkavCustomOutline &Outline() const { return *FOutline; }
    TkavReport *Report() const { return FReport; }
    TkavCustomEngine *Engine() const { return FEngine; }
    void SetEngine(TkavCustomEngine *Value) { FEngine = Value; }

protected:
    void SetOutline(std::unique_ptr<TkavCustomOutline> Value) { FOutline = std::move(Value); }

private:
    TkavAddPageAction FAddPageAction = apWriteOver;
    int FCurPage = -1;
    int FCurPreviewPage = 0;
    int FFirstPage = 0;
    std::unique_ptr<TkavCustomOutline> FOutline;
    TkavReport *FReport;                // not owned
    TkavCustomEngine *FEngine = nullptr; // not owned
};

// ---------------------------------------------------------------------------------------
// The outline kept in the store's document ("outline", nested "item" elements).
class TkavOutline : public TkavCustomOutline
{
public:
    KAV_CLASSINFO

    // APreviewPages must be a TkavPreviewPages.
    explicit TkavOutline(TkavCustomPreviewPages *APreviewPages);

    int GetCount() override;
    void AddItem(const QString &Text, int Top) override;
    void LevelDown(int Index) override;
    void LevelRoot() override;
    void LevelUp() override;
    void GetItem(int Index, QString &Text, int &Page, int &Top) override;
    void ShiftItems(TkavXMLItem *From, int NewTop) override;
    TkavXMLItem *GetCurPosition() override;

private:
    // The "outline" element of the document (created on demand).
    TkavXMLItem &rootItem();
    // The current item, the root when none is set or it no longer belongs to the tree.
    TkavXMLItem &current();
};

// ---------------------------------------------------------------------------------------
// The store of a report.
class TkavPreviewPages : public TkavCustomPreviewPages
{
public:
    // Pages built for drawing that are kept (PreviewOptions.PagesInCache when there is a
    // report).
    static constexpr int DefaultPagesInCache = 50;

    explicit TkavPreviewPages(TkavReport *AReport);
    ~TkavPreviewPages() override;

    int GetCount() override;
    std::shared_ptr<TkavReportPage> GetPage(int Index) override;
    QPoint GetPageSize(int Index) override;

    void Clear() override;
    void Initialize() override;
    void AddObject(TkavComponent *Obj) override;
    void AddPage(TkavReportPage *Page) override;
    void AddSourcePage(TkavReportPage *Page) override;
    void AddToSourcePage(TkavComponent *Obj) override;
    void BeginPass() override;
    void ClearFirstPassPages() override;
    void CutObjects(int APosition) override;
    void Finish() override;
    void IncLogicalPageNumber() override;
    void ResetLogicalPageNumber() override;
    void PasteObjects(double X, double Y) override;
    void AddAnchor(const QString &Text) override;
    void ShiftAnchors(int From, int NewTop) override;
    void AddPicture(TkavPictureView *Picture) override;
    bool BandExists(TkavBand *Band) override;
    int GetCurPosition() override;
    int GetAnchorCurPosition() override;
    double GetLastY(double ColumnPosition = 0) override;
    int GetLogicalPageNo() override;
    int GetLogicalTotalPages() override;
    void UpdatePageDimensions(TkavReportPage *Page, double Width, double Height) override;

    TkavXMLItem *FindAnchor(const QString &Text) override;
    int GetAnchorPage(const QString &Text) override;
    void AddEmptyPage(int Index) override;
    void DeletePage(int Index) override;
    void ModifyPage(int Index, TkavReportPage *Page) override;
    void DrawPage(int Index,
                  QPainter *Canvas,
                  double ScaleX,
                  double ScaleY,
                  double OffsetX,
                  double OffsetY) override;
    void DrawPage(TkavReportPage &Page,
                  int Index,
                  QPainter *Canvas,
                  double ScaleX,
                  double ScaleY,
                  double OffsetX,
                  double OffsetY) override;
    void AddFrom(TkavReport *Report) override;
    TkavObjectOver ObjectOver(int Index,
                              int X,
                              int Y,
                              int Button,
                              int Shift,
                              double Scale,
                              double OffsetX,
                              double OffsetY,
                              TkavMouseOverEvent MouseEvent) override;
    bool PageMayContainText(int Index, const QString &Text, bool CaseSensitive) override;

    // A damaged document raises "Invalid file format" and leaves the store empty; objects
    // that name no usable source or class are left out, one Errors line each.
    void LoadFromStream(std::unique_ptr<TStream> Stream, bool AllowPartialLoading = false) override;
    void SaveToStream(TStream &Stream) override;
    // Opens the file with partial loading: pages are parsed when they are first built.
    bool LoadFromFile(const QString &FileName, bool ExceptionIfNotFound = false) override;
    // Replaces the file only once the new one is completely written.
    void SaveToFile(const QString &FileName) override;

    TkavDictionary &Dictionary() { return FDictionary; }
    TkavPictureCache &PictureCache() { return *FPictureCache; }
    TkavXMLDocument &XMLDoc() { return *FXMLDoc; }
    // Copy number and print scale handed to memos while drawing (printing sets them).
    int CopyNo() const { return FCopyNo; }
    void SetCopyNo(int Value) { FCopyNo = Value; }
    double PrintScale() const { return FPrintScale; }
    void SetPrintScale(double Value) { FPrintScale = Value; }
    // The source pages, in the order they were added.
    int SourcePageCount() const { return int(FSourcePages.size()); }
    TkavReportPage *SourcePage(int Index) const { return FSourcePages.at(size_t(Index)).get(); }
    // Page XML added since the last swap-out (bytes, estimated).
    qint64 XMLSize() const { return FXMLSize; }
    // Pages built since the store was created (cache misses); for tests and benchmarks.
    int PagesBuilt() const { return FPagesBuilt; }
    // Indexes of the pages in the page cache, most recently used first.
    QList<int> CachedPages() const;
    // Objects on pages that could not be built (unknown class, missing source).
    const QStringList &BuildErrors() const { return FBuildErrors; }

    // Page Index built afresh, outside the page cache, for a caller that keeps it alone; a
    // page element read back for it is unloaded again. Null without such a page.
    std::shared_ptr<TkavReportPage> BuildPage(int Index);
    // Empties the page cache (built pages still held by callers stay valid); the elements of
    // unchanged pages that came from the swap file or the loaded file are unloaded again.
    void ClearPageCache();
    // Runs Filter over the pages (its PageNumbers or CurPage choose them). False when the
    // filter's dialog was cancelled or the run was stopped through Terminated (then
    // Filter.Cancelled()), Start refused, or an error was raised (an Errors line). A
    // cancelled or failed export removes the files it had written.
    bool Export(TkavCustomExportFilter &Filter);
    // As Print, a dot-matrix report goes to the installed dot-matrix filter: the result
    // is that of Export.
    // Prints the pages with the report's PrintOptions on the current printer (a file
    // printer when only PrnOutFileName is set). False when there is no printer, the dialog
    // was cancelled, the printer is unusable, the range text is malformed, the job was
    // stopped or the document could not be completed (the last three add an Errors line).
    bool Print();

private:
    friend class TkavOutline;
    friend class TkavPageStream;

    struct SourceObject
    {
        TkavComponent *Copy = nullptr;
        QString Text; // serialized form of the copy: the start of every rebuilt object
        // Text read once, made when the first object is built from it.
        mutable std::shared_ptr<const TkavAttributeTemplate> Template;
    };

    // The Index-th page element, loaded; ForWriting marks it changed so a later swap-out
    // writes it again.
    TkavXMLItem *PageItem(int Index, bool ForWriting);
    TkavXMLItem *CurrentPageItem() { return PageItem(CurPage(), true); }
    TkavXMLItem &PagesItem();
    TkavXMLItem &ChildItem(const QString &Name);
    void AddObjectItem(TkavXMLItem &Parent, TkavComponent *Obj, bool FullPage);
    void UnloadOldPages();
    int SourcePageIndex(const TkavComponent *Page) const;
    // Copies the preview-visible tree below Template into Copy, owned level by level.
    void CloneSourceTree(TkavComponent &Template, TkavComponent &Copy);
    void registerSource(TkavComponent &Template, TkavComponent &Copy, int SourceIndex);
    std::shared_ptr<TkavReportPage> BuildPage(TkavXMLItem &Item);
    void BuildObjectsFromItems(TkavXMLItem &Item,
                               TkavComponent &Parent,
                               int Depth,
                               TkavXMLSerializer &Serializer);
    const SourceObject *GetSourceObject(const QString &Alias) const;
    void PrepareDocumentForSave();
    void ApplyLoadedDocument();
    void loadSourcePages(TkavXMLItem &Item);
    void loadDictionary(const TkavXMLItem &Item);
    void checkLoadedPages();
    void CopyOutlineLevel(TkavCustomOutline &From, int PageOffset);
    bool firstPassOfTwo() const;
    bool useFileCache() const;
    int pagesInCache() const;
    // The source value of an attribute for an alias element: l, t, w or h.
    double sourceGeometry(const TkavXMLItem &Item, QStringView Attr) const;
    double itemGeometry(const TkavXMLItem &Item, QStringView Attr) const;
    void evictCachedPage();
    // Both DrawPage: TotalPages is given to the memos, unless it is negative.
    void drawPage(TkavReportPage &Page,
                  int Index,
                  int TotalPages,
                  QPainter *Canvas,
                  double ScaleX,
                  double ScaleY,
                  double OffsetX,
                  double OffsetY);
    // Unloads page element Index again when it came from the swap file or the loaded file
    // and is unchanged.
    void releasePageItem(int Index);
    void resetContent();
    // Mouse leave for the view the mouse was over, which is then forgotten.
    void leaveLastObject(bool &Refresh);

    // Destroyed in reverse order: built pages and the document before the source pages.
    std::vector<std::unique_ptr<TkavReportPage>> FSourcePages;
    std::unordered_map<const TkavComponent *, SourceObject> FSources; // by source copy
    TkavDictionary FDictionary;
    std::unique_ptr<TkavPictureCache> FPictureCache;
    std::unique_ptr<TkavXMLDocument> FXMLDoc;
    std::vector<std::pair<int, std::shared_ptr<TkavReportPage>>> FPageCache; // MRU first
    QStringList FBuildErrors;
    qint64 FXMLSize = 0;
    int FCopyNo = 1;
    double FPrintScale = 1;
    int FFirstObjectIndex = 0;
    int FFirstPageIndex = -1;
    int FFirstOutlineIndex = 0;
    int FLogicalPageN = 0;
    int FPagesBuilt = 0;
    double FLastY = 0;
    bool FAllowPartialLoading = false;
    // The view the mouse is over and the page that holds it.
    std::shared_ptr<TkavReportPage> FLastObjectOverPage;
    TkavView *FLastObjectOver = nullptr;
    // The export told of new and changed pages while the engine runs; not owned.
    TkavPageStream *FStream = nullptr;
};

// An export that runs alongside the engine: made before the run, it writes each page (on a
// second thread) as soon as the engine has gone on to the next one, so that preparing and
// writing overlap. When the run goes back to a page already written, or a page shows the
// page count, the stream gives up and Finish exports the store afterwards: the files are
// those Export writes either way. Only a filter that writes off its caller's thread, for
// every page, without a dialog or suppressed headers, in a single-pass report streams.
class TkavPageStream
{
public:
    TkavPageStream(TkavPreviewPages &Pages, TkavCustomExportFilter &Filter);
    // A stream not finished (the run failed) leaves no file.
    ~TkavPageStream();
    TkavPageStream(const TkavPageStream &) = delete;
    TkavPageStream &operator=(const TkavPageStream &) = delete;

    // After the run: writes the remaining pages and completes the files; the result is that
    // of Export (which it calls when the stream gave up).
    bool Finish();
    // Whether the pages went out during the run (false when it gave up or never began).
    bool Streamed() const;

private:
    friend class TkavPreviewPages;
    // The engine has begun a page: the pages before the current one are complete.
    void pageAdded();
    // Page Index changes (or, for -1, every page may).
    void pageChanged(int Index);

    struct Impl;
    std::unique_ptr<Impl> d;
};
