#pragma once

// Element names of the prepared-report document and small readers of its attributes,
// shared by the units of the prepared-page store.

#include <QString>
#include <QStringView>

class TkavXMLItem;

inline const QString kavPreparedRootElement = QStringLiteral("preparedreport");
inline const QString kavPagesElement = QStringLiteral("previewpages");
inline const QString kavOutlineElement = QStringLiteral("outline");
inline const QString kavAnchorsElement = QStringLiteral("anchors");
inline const QString kavLogicalElement = QStringLiteral("logicalpagenumbers");
inline const QString kavReportElement = QStringLiteral("report");
inline const QString kavSourcePagesElement = QStringLiteral("sourcepages");
inline const QString kavDictionaryElement = QStringLiteral("dictionary");
inline const QString kavPictureCacheElement = QStringLiteral("picturecache");
inline const QString kavCutElement = QStringLiteral("cutted");

// The integer attribute Name of Item; Default when it is absent or no integer.
int kavItemInt(const TkavXMLItem &Item, QStringView Name, int Default);
// "page" followed by a decimal source-page index (the element of a page stored as
// differences); the index goes to SourceIndex.
bool kavIsPrepPageName(QStringView Name, int &SourceIndex);
