#pragma once

// Data sets over files: a table of records read whole when a run starts
// (TkavTableDataSet), filled from a CSV file (TkavCSVDataSet) or a JSON file
// (TkavJSONDataSet).

#include <report/kavDataSets.h>
#include <rtl/kavDateTime.h>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// Reads an ISO date "yyyy-mm-dd", optionally followed by "T" or a blank and a time
// "hh:nn[:ss[.zzz]]"; false for any other text or an impossible date.
bool kavReadISODate(const QString &text, TDateTime &value);

// Records of named, typed columns; a missing value is null.
struct TkavDataTable
{
    QStringList Fields;
    std::vector<TkavFieldType> Types;
    std::vector<std::vector<Variant>> Rows;

    // Appends a field, renaming an empty or repeated name ("Field3", "Name_2").
    int AddField(const QString &name);
    // The columns whose every value is text become date-times, and with numbers also
    // numbers or Booleans, when every non-empty value reads as one (numbers with leading
    // zeros stay text: they are codes).
    void DetectTypes(bool numbers);
    // Types from each column's first non-null value (text for an empty column).
    void SetTypes();
};

// A data set over a table read from a file when the run starts and released after it.
// Fields are addressed by alias (FieldAliases) or name, ignoring case.
class TkavTableDataSet : public TkavCustomDBDataSet
{
public:
    KAV_CLASSINFO

    explicit TkavTableDataSet(TkavComponent *AOwner = nullptr);
    ~TkavTableDataSet() override;

    // The file; a relative name is taken from the report's folder (published).
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &value);
    // Read numbers, Booleans and dates out of text values (published, default True).
    bool DetectTypes() const { return FDetectTypes; }
    void SetDetectTypes(bool value) { FDetectTypes = value; }

    // The file as it is opened.
    QString ResolvedFileName() const;
    // Reads the file now; EkavError naming the data set, the file and the place.
    void Load();
    const TkavDataTable &Table() const { return FTable; }

    void Initialize() override;
    void Finalize() override;
    bool Eof() override;
    int RecordCount() override;
    Variant GetValue(const QString &Index) override;
    QString GetDisplayText(const QString &Index) override;
    TkavFieldType GetFieldType(const QString &Index) override;
    // The aliases of the fields; reads the file when it is not loaded (empty on errors).
    void GetFieldList(TStrings &List) override;

protected:
    // Fills table from the file's bytes; EkavError with the place on malformed input.
    virtual void ReadTable(const QByteArray &bytes, TkavDataTable &table) const = 0;

private:
    int column(const QString &name) const;
    const Variant *cell(const QString &name) const;

    QString FFileName;
    bool FDetectTypes = true;
    bool FLoaded = false;
    TkavDataTable FTable;
    QHash<QString, int> FColumns; // lower-cased field name -> column
};

// Records from a CSV file: a header row (or Field1, Field2 ...), a delimiter, fields in
// double quotes holding delimiters, doubled quotes and line breaks.
class TkavCSVDataSet : public TkavTableDataSet
{
public:
    KAV_CLASSINFO

    explicit TkavCSVDataSet(TkavComponent *AOwner = nullptr);

    // "," by default; "\t" or "tab" for tabs (published).
    const QString &Delimiter() const { return FDelimiter; }
    void SetDelimiter(const QString &value);
    // The first row names the fields (published, default True).
    bool HasHeader() const { return FHasHeader; }
    void SetHasHeader(bool value) { FHasHeader = value; }
    // "UTF-8" (default), "UTF-16", "Latin-1" or "Windows-1252" (published).
    const QString &Encoding() const { return FEncoding; }
    void SetEncoding(const QString &value);

protected:
    void ReadTable(const QByteArray &bytes, TkavDataTable &table) const override;

private:
    QString FDelimiter = QStringLiteral(",");
    bool FHasHeader = true;
    QString FEncoding = QStringLiteral("UTF-8");
};

// Records from a JSON file: the objects of an array, found at RecordsPath. Nested objects
// give fields named by their path ("customer.name"); arrays stay JSON text.
class TkavJSONDataSet : public TkavTableDataSet
{
public:
    KAV_CLASSINFO

    explicit TkavJSONDataSet(TkavComponent *AOwner = nullptr);

    // Dot-separated keys (or array indexes) leading to the array; empty: the whole file
    // (published).
    const QString &RecordsPath() const { return FRecordsPath; }
    void SetRecordsPath(const QString &value) { FRecordsPath = value; }

protected:
    void ReadTable(const QByteArray &bytes, TkavDataTable &table) const override;

private:
    QString FRecordsPath;
};

void kavRegisterFileDataSetClasses();
