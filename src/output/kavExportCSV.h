#pragma once

// The CSV export: the memos of the data bands as a table, one row per printed data band and
// one column per memo from left to right, in a file of comma-separated values (UTF-8,
// quoted where needed).

#include <report/kavExportFilter.h>

#include <QList>
#include <QString>
#include <QStringList>

class TkavComponent;

class TkavCSVExport : public TkavCustomExportFilter
{
public:
    explicit TkavCSVExport(TkavFilterRegistration Registration = frRegister);

    QString GetDescription() const override;
    bool Start() override;
    void ExportObject(TkavComponent *Obj) override;
    void FinishPage(TkavReportPage *Page, int Index) override;
    // Writes the file (or Stream) once the last page is done; a failed run writes nothing,
    // so an earlier file stays whole.
    void Finish() override;

    // The character between values (",", ";" or a tab); one character.
    QChar Separator() const { return FSeparator; }
    void SetSeparator(QChar Value) { FSeparator = Value; }

    // Value as one CSV field: quoted when it holds the separator, a quote or a line break,
    // inner quotes doubled.
    QString Field(const QString &Value) const;

private:
    struct Cell
    {
        double Left;
        QString Text;
    };
    struct Row
    {
        const TkavComponent *Band;
        QList<Cell> Cells;
    };

    QChar FSeparator = u',';
    QList<Row> FRows; // the rows of the page being exported, in output order
    QStringList FLines;
};

// Adds the CSV filter to the list of available filters (once).
void kavRegisterDataExportFilters();
