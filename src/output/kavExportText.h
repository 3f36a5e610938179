#pragma once

// The text export: every page becomes a grid of characters (one cell of 9.6 x 17 report
// pixels per character) holding the texts, dot-matrix lines and frames; optionally with
// the bytes of dot-matrix printer commands, for sending to a raw fixed-pitch printer.

#include <report/kavExportFilter.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

class TkavComponent;
class TkavCustomMemoView;
class TkavDMPLineView;
class TkavDMPMemoView;
class TkavReportPage;

// The bytes that switch a printer from the cell attribute From to To.
using TkavAttributeCodes = std::function<QByteArray(quint16 From, quint16 To)>;

// A page as rows of characters, with printer commands anchored to cells. Each cell also
// holds an attribute (the font style of the object that wrote it; 0 for none).
class TkavTextGrid
{
public:
    // Cells beyond these are dropped, so objects far off the page cost no memory.
    static constexpr int MaxColumns = 4096;
    static constexpr int MaxRows = 65536;

    // Writes text from (row, col) to the right; control characters become spaces and
    // cells outside the grid are left out. Overwrites what was there, attribute included.
    void PutText(int row, int col, QStringView text, quint16 attribute = 0);
    // Draws a line character ('-' or '|'); where it meets a line of the other direction
    // (or a crossing) the cell becomes '+'.
    void PutLine(int row, int col, QChar c, quint16 attribute = 0);
    void HorizontalLine(int row, int col0, int col1, quint16 attribute = 0);
    void VerticalLine(int col, int row0, int row1, quint16 attribute = 0);
    // Bytes written before the character at (row, col), after earlier commands there.
    void PutCommand(int row, int col, const QByteArray &bytes);

    // The character at (row, col); a space for empty cells.
    QChar At(int row, int col) const;
    quint16 AttributeAt(int row, int col) const;
    bool IsEmpty() const;
    // The rows with trailing spaces trimmed and the empty rows at the end dropped (a row
    // holding a command is not empty); each row followed by eol. With commands their bytes
    // are inserted at their columns (at the row's end when the row is shorter), the text
    // is Latin-1 (characters outside it become '?') and, given codes, the codes of every
    // change of attribute go before the cell where it changes (after the cell's commands),
    // and back to attribute 0 before commands past the row's text and before eol. Without
    // commands the text is UTF-8.
    QByteArray Render(const QByteArray &eol,
                      bool commands,
                      const TkavAttributeCodes &codes = {}) const;

private:
    struct Command
    {
        int Row;
        int Col;
        QByteArray Bytes;
    };
    QString *cellRow(int row, int col);
    void setAttribute(int row, int col, quint16 attribute);

    std::vector<QString> FRows;
    std::vector<std::vector<quint16>> FAttributes; // only as long as attributes were set
    std::vector<Command> FCommands;
};

class TkavTextExport : public TkavCustomExportFilter
{
public:
    explicit TkavTextExport(TkavFilterRegistration Registration = frRegister);

    // "Text file (*.txt)".
    QString GetDescription() const override;
    bool Start() override;
    void StartPage(TkavReportPage *Page, int Index) override;
    // Places memos (dot-matrix ones by the cells they cover, others by their laid-out
    // lines cut to their width in columns, aligned by HAlign), dot-matrix lines and the
    // frame lines of dot-matrix memos, and, with PrinterCommands, the command bytes.
    // Positions are relative to the page's printable area; later objects overwrite.
    void ExportObject(TkavComponent *Obj) override;
    void FinishPage(TkavReportPage *Page, int Index) override;
    // Writes the file (or Stream) atomically once the last page is done; a failed run
    // writes nothing, so an earlier file stays whole.
    void Finish() override;

    // A form feed between pages (initially on).
    bool PageBreaks() const { return FPageBreaks; }
    void SetPageBreaks(bool Value) { FPageBreaks = Value; }
    // CR LF line ends instead of LF (initially off).
    bool UseCRLF() const { return FUseCRLF; }
    void SetUseCRLF(bool Value) { FUseCRLF = Value; }
    // The bytes of dot-matrix printer commands at their places, the text in Latin-1
    // (initially off: UTF-8 text and no commands).
    bool PrinterCommands() const { return FPrinterCommands; }
    void SetPrinterCommands(bool Value) { FPrinterCommands = Value; }

protected:
    // The page being exported; texts and lines of dot-matrix objects (not the frames of
    // texts) carry their font style (the mask of TkavDMPFontStyles) as attribute.
    const TkavTextGrid &Grid() const { return FGrid; }

private:
    void exportMemo(TkavCustomMemoView &memo, int row, int col);
    void exportDMPMemo(const TkavDMPMemoView &memo, int row, int col);
    void exportDMPLine(const TkavDMPLineView &line, double left, double top);

    bool FPageBreaks = true;
    bool FUseCRLF = false;
    bool FPrinterCommands = false;
    TkavReportPage *FPage = nullptr; // the page being exported (not owned)
    TkavTextGrid FGrid;
    int FPagesDone = 0;
    QByteArray FOutput;
};

// Adds the text filter to the list of available filters (once).
void kavRegisterTextExportFilter();
