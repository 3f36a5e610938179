#pragma once

// Ini files for scripts: a portable reader and writer of "[Section]" / "Key=Value" text with
// case-insensitive sections and keys that keeps comments and order. TMemIniFile holds its
// changes in memory until UpdateFile; TIniFile reads its file afresh and writes every change
// through to it at once (atomically). Every file access is checked against the file policy.

#include "kavDateTime.h"
#include "kavObject.h"

#include <QList>
#include <QString>
#include <QStringList>

class TStream;
class TStrings;

// The parsed text of an ini file. Sections and keys are found ignoring case and blanks
// around them; the first of duplicated sections or keys wins. Lines before the first
// section, comments (";" or "#") and blank lines are kept as they are.
class TkavIniText
{
public:
    // Lines end in LF, CR LF or CR.
    void SetText(const QString &text);
    // Every line followed by "\n"; key lines as "Key=Value".
    QString Text() const;
    void Clear();

    // The value, or nullptr when the section or key is missing.
    const QString *Value(const QString &section, const QString &key) const;
    // Changes the value, or appends the key after the section's last key (the section is
    // appended when missing). Raises EkavError for names and values that would not read
    // back: empty or line-breaking names, keys with "=" or starting with "[", ";" or "#",
    // values with line breaks.
    void SetValue(const QString &section, const QString &key, const QString &value);
    bool SectionExists(const QString &section) const;
    // Section names, keys of a section, "Key=Value" entries of a section, in file order.
    QStringList Sections() const;
    QStringList Keys(const QString &section) const;
    QStringList Entries(const QString &section) const;
    // The values of a section's entries, in order.
    QStringList Values(const QString &section) const;
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);

private:
    struct Line
    {
        QString Key;  // empty for a comment, blank or other line
        QString Text; // the value of a key line, else the raw line
    };
    struct Section
    {
        QString Name;
        QList<Line> Lines;
    };

    int findSection(const QString &name) const;
    static int findKey(const Section &section, const QString &key);

    QStringList FPreamble; // lines before the first section header
    QList<Section> FSections;
};

// Base of the ini-file classes: typed values on top of strings, string-list helpers and
// whole-text transfer to streams. Floats are written with "." and dates as
// "yyyy-mm-dd hh:nn:ss" whatever the locale; both separators and the locale's date form
// are read back. Unreadable numbers and dates give the default.
class TCustomIniFile : public TPersistent
{
public:
    KAV_CLASSINFO

    // Reading the file must be allowed by the policy (EkavError otherwise).
    explicit TCustomIniFile(const QString &fileName);

    const QString &FileName() const { return FFileName; }

    QString
    ReadString(const QString &section, const QString &ident, const QString &defaultValue) const;
    void WriteString(const QString &section, const QString &ident, const QString &value);
    // Decimal, or hexadecimal after "$" or "0x".
    int ReadInteger(const QString &section, const QString &ident, int defaultValue) const;
    void WriteInteger(const QString &section, const QString &ident, int value);
    // A non-zero integer, or "true"/"false" in any case; written as "1"/"0".
    bool ReadBool(const QString &section, const QString &ident, bool defaultValue) const;
    void WriteBool(const QString &section, const QString &ident, bool value);
    double ReadFloat(const QString &section, const QString &ident, double defaultValue) const;
    void WriteFloat(const QString &section, const QString &ident, double value);
    TDateTime ReadDate(const QString &section, const QString &ident, TDateTime defaultValue) const;
    void WriteDate(const QString &section, const QString &ident, TDateTime value);
    TDateTime
    ReadDateTime(const QString &section, const QString &ident, TDateTime defaultValue) const;
    void WriteDateTime(const QString &section, const QString &ident, TDateTime value);
    TDateTime ReadTime(const QString &section, const QString &ident, TDateTime defaultValue) const;
    void WriteTime(const QString &section, const QString &ident, TDateTime value);
    // Hexadecimal text to bytes written at the stream's position, which is then put back
    // to where they begin; returns the byte count (0 when missing or not hexadecimal).
    int ReadBinaryStream(const QString &section, const QString &ident, TStream &value) const;
    // The stream from its position to its end, as hexadecimal text.
    void WriteBinaryStream(const QString &section, const QString &ident, TStream &value);

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &ident) const;
    // Each fills strings after clearing it: keys / section names / "Key=Value" / values.
    void ReadSection(const QString &section, TStrings &strings) const;
    void ReadSections(TStrings &strings) const;
    void ReadSectionValues(const QString &section, TStrings &strings) const;
    void ReadSectionValuesEx(const QString &section, TStrings &strings) const;
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &ident);

    // When isClear, erases the section first; writes line i as "Items<i>", then "Count".
    void WriteTStrings(const QString &section, const TStrings &value, bool isClear = true);
    // Adds "Items0" .. "Items<Count-1>" (after clearing value when isClear; a missing key
    // adds an empty line; a Count above the section's number of keys is taken as that
    // number); returns value's Text.
    QString ReadTStrings(const QString &section, TStrings &value, bool isClear = true) const;

    // The whole ini text as UTF-8 lines, written at the stream's position.
    void SaveIniFileToStream(TStream &stream) const;
    // Replaces the whole ini text by the stream's text from its position.
    void LoadIniFileFromStream(TStream &stream);

    // Writes the text to the file (writing must be allowed; EFCreateError / EWriteError
    // leave the old file as it was).
    virtual void UpdateFile() = 0;

protected:
    // Called before every read of the data and after every change of it.
    virtual void refresh() const = 0;
    virtual void changed() = 0;

    TkavIniText &Data() const { return FData; }
    // Loads the file (empty text when it does not exist). EFOpenError when unreadable.
    void loadFile() const;
    void saveFile() const;

private:
    QString FFileName;
    mutable TkavIniText FData;
};

// An ini file held in memory: loaded once when created, written only by UpdateFile.
class TMemIniFile : public TCustomIniFile
{
public:
    KAV_CLASSINFO

    explicit TMemIniFile(const QString &fileName);

    // Empties the text (the file is untouched until UpdateFile).
    void Clear();
    // The text's lines into list (cleared first) / the text from list's lines.
    void GetStrings(TStrings &list) const;
    void SetStrings(const TStrings &list);

    void UpdateFile() override;

protected:
    void refresh() const override {}
    void changed() override {}
};

// An ini file on disk: every read sees the file as it is now and every change is written
// to it at once.
class TIniFile : public TCustomIniFile
{
public:
    KAV_CLASSINFO

    explicit TIniFile(const QString &fileName);

    // Nothing to do: the file is always up to date.
    void UpdateFile() override {}

protected:
    void refresh() const override { loadFile(); }
    void changed() override { saveFile(); }
};
