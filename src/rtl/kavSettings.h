#pragma once

// TkavIniFile: the one settings store, a sectioned key/value file over QSettings. A report's
// IniFile text "\Software\X[\Y...]" selects the user's configuration of organisation X
// (the rest of the key as groups); any other text is the path of an INI file.

#include <QString>

#include <memory>

class QSettings;
class TStream;
class TStrings;

class TkavIniFile
{
public:
    // iniFile: "\Software\X[\Y...]" ("Software" in any letter case) or an INI file path.
    explicit TkavIniFile(const QString &iniFile);
    // Writes pending changes (errors are not raised here: call UpdateFile to see them).
    ~TkavIniFile();
    TkavIniFile(const TkavIniFile &) = delete;
    TkavIniFile &operator=(const TkavIniFile &) = delete;

    // The IniFile text this store was made from.
    const QString &FileName() const { return FFileName; }
    // True for the "\Software\" form.
    bool IsUserSettings() const { return FUserSettings; }
    // The file that actually holds the values.
    QString SettingsPath() const;

    // Section and key names are matched ignoring letter case, as the platform's settings
    // stores do; new names are written as given. Values are stored as text.
    QString ReadString(const QString &section, const QString &ident, const QString &defaultValue) const;
    void WriteString(const QString &section, const QString &ident, const QString &value);
    // Decimal, or hexadecimal with "$" or "0x"; anything else gives defaultValue.
    int ReadInteger(const QString &section, const QString &ident, int defaultValue) const;
    void WriteInteger(const QString &section, const QString &ident, int value);
    // A non-zero integer is true ("true"/"false" are understood too); written as "1"/"0".
    bool ReadBool(const QString &section, const QString &ident, bool defaultValue) const;
    void WriteBool(const QString &section, const QString &ident, bool value);
    // Read with "." or "," as decimal separator; written with "." and 15 significant digits.
    double ReadFloat(const QString &section, const QString &ident, double defaultValue) const;
    void WriteFloat(const QString &section, const QString &ident, double value);

    // Clears strings, then adds the names of all sections.
    void ReadSections(TStrings &strings) const;
    // Clears strings, then adds the key names of section.
    void ReadSection(const QString &section, TStrings &strings) const;
    // Clears strings, then adds "name=value" for each key of section.
    void ReadSectionValues(const QString &section, TStrings &strings) const;
    // Clears strings, then adds only the values of section's keys, in order.
    void ReadSectionValuesEx(const QString &section, TStrings &strings) const;
    void EraseSection(const QString &section);
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &ident) const;
    void DeleteKey(const QString &section, const QString &ident);
    // Removes every section of this store (only below the key for the "\Software\" form).
    void Clear();

    // When isClear, erases the section first; writes line i as "Items<i>", then "Count".
    void WriteTStrings(const QString &section, const TStrings &value, bool isClear = true);
    // Reads "Count" (0 when absent) lines "Items0" ... into value (cleared first when
    // isClear; a missing key adds an empty line); returns value's Text.
    QString ReadTStrings(const QString &section, TStrings &value, bool isClear = true) const;

    // The whole store as INI text ("[section]" lines followed by "name=value" lines).
    void SaveIniFileToStream(TStream &stream) const;
    // Replaces the whole store with the INI text read from the stream's position on
    // (";" and "#" lines are comments).
    void LoadIniFileFromStream(TStream &stream);

    // Writes pending changes to disk; raises EWriteError when that fails.
    void UpdateFile();

    // Test hook: the folder that stands for the user's configuration folder (empty: the
    // system's, e.g. ~/.config). Affects stores created afterwards.
    static void SetUserConfigRoot(const QString &folder);
    static QString UserConfigRoot();

private:
    QString groupPath(const QString &section) const;
    QString findSection(const QString &section) const;
    QString findKey(const QString &section, const QString &ident) const;
    QString keyPath(const QString &section, const QString &ident) const;
    QString readRaw(const QString &section, const QString &ident, bool *found) const;
    // Writes pending changes; false, with the previous file back in place, when the file
    // could not be written whole.
    bool sync();

    QString FFileName;
    bool FUserSettings = false;
    QString FPrefix; // group path of the key below the organisation ("" for none)
    std::unique_ptr<QSettings> FSettings;
    bool FChanged = false; // written to since the last sync
};
