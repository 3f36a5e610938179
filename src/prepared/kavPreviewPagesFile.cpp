// Saving and loading prepared-report (kw3) files.

#include "kavPictureCache.h"
#include "kavPreviewPages.h"
#include "kavPreviewPages_p.h"

#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QFileInfo>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void invalidFile(const QString &detail)
{
    kavRaise<TkavInvalidXMLException>(u"Invalid file format: %1"_s.arg(detail));
}

bool isIntText(const QString &text)
{
    bool ok = false;
    text.toInt(&ok);
    return ok;
}

// Every named attribute that is present must be an integer.
void checkInts(const TkavXMLItem &item, std::initializer_list<QStringView> names, const QString &where)
{
    for (QStringView name : names)
        if (item.PropExists(name) && !isIntText(item.GetProp(name)))
            invalidFile(u"%1 has a %2 that is not a whole number"_s.arg(where, name.toString()));
}

void checkOutline(const TkavXMLItem &item)
{
    for (int i = 0; i < item.Count(); ++i) {
        const TkavXMLItem &child = *item.Items(i);
        checkInts(child, {u"page", u"top"}, u"an outline entry"_s);
        checkOutline(child);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// Saving

void TkavPreviewPages::PrepareDocumentForSave()
{
    // Every part exists in the file, so that a file loaded and saved again is the same.
    for (const QString &name : {kavPagesElement, kavOutlineElement, kavAnchorsElement, kavLogicalElement})
        ChildItem(name);
    TkavXMLItem &report = ChildItem(kavReportElement);
    report.Clear();
    if (Report()) {
        TkavXMLItem *item = report.Add(Report()->ClassName());
        item->SetProp(u"DotMatrixReport", Report()->DotMatrixReport() ? u"1"_s : u"0"_s);
        item->SetProp(u"PreviewOptions.OutlineVisible",
                      Report()->PreviewOptions().OutlineVisible() ? u"1"_s : u"0"_s);
        item->SetProp(u"PreviewOptions.OutlineWidth",
                      QString::number(Report()->PreviewOptions().OutlineWidth()));
        item->SetProp(u"ReportOptions.Name", Report()->ReportOptions().Name());
    }
    TkavXMLItem &sources = ChildItem(kavSourcePagesElement);
    sources.Clear();
    for (const auto &page : FSourcePages)
        TkavXMLSerializer().WriteRootComponent(page.get(), true, sources.Add());
    TkavXMLItem &dictionary = ChildItem(kavDictionaryElement);
    dictionary.Clear();
    for (const QString &alias : FDictionary.Names())
        dictionary.Add(alias)->SetText(u"name=\""_s + FDictionary.GetSourceName(alias) + u'"');
    FPictureCache->SaveToXML(ChildItem(kavPictureCacheElement));
}

void TkavPreviewPages::SaveToStream(TStream &Stream)
{
    PrepareDocumentForSave();
    // The copies written for the file are not needed in memory afterwards.
    const auto dropCopies = qScopeGuard([this] {
        for (const QString &name : {kavSourcePagesElement, kavDictionaryElement, kavPictureCacheElement})
            ChildItem(name).Clear();
    });
    FXMLDoc->SaveToStream(Stream);
}

void TkavPreviewPages::SaveToFile(const QString &FileName)
{
    kavWriteFileAtomically(FileName, [this](TStream &stream) { SaveToStream(stream); });
}

// ---------------------------------------------------------------------------------------
// Loading

void TkavPreviewPages::LoadFromStream(std::unique_ptr<TStream> Stream, bool AllowPartialLoading)
{
    Clear();
    try {
        FXMLDoc->LoadFromStream(std::move(Stream), AllowPartialLoading);
        FAllowPartialLoading = AllowPartialLoading;
        ApplyLoadedDocument();
    } catch (...) {
        Clear();
        throw;
    }
}

bool TkavPreviewPages::LoadFromFile(const QString &FileName, bool ExceptionIfNotFound)
{
    const bool exists = QFileInfo(FileName).isFile();
    if (!exists && !ExceptionIfNotFound)
        return false;
    // Opening a missing file raises the file error.
    LoadFromStream(std::make_unique<TFileStream>(FileName, fmOpenRead), true);
    return exists;
}

void TkavPreviewPages::ApplyLoadedDocument()
{
    TkavXMLItem &root = *FXMLDoc->Root();
    if (!kavSameText(root.Name(), kavPreparedRootElement))
        invalidFile(u"the document is no prepared report"_s);
    PagesItem();
    const TkavXMLItem &report = ChildItem(kavReportElement);
    if (Report() && report.Count() > 0) {
        // Only what the store itself wrote is taken from the file.
        const TkavXMLItem &item = *report.Items(0);
        checkInts(item, {u"PreviewOptions.OutlineWidth"}, u"the report"_s);
        if (item.PropExists(u"DotMatrixReport"))
            Report()->SetDotMatrixReport(item.GetProp(u"DotMatrixReport") == u"1");
        if (item.PropExists(u"PreviewOptions.OutlineVisible"))
            Report()->PreviewOptions().SetOutlineVisible(item.GetProp(u"PreviewOptions.OutlineVisible") == u"1");
        if (item.PropExists(u"PreviewOptions.OutlineWidth"))
            Report()->PreviewOptions().SetOutlineWidth(kavItemInt(item, u"PreviewOptions.OutlineWidth", 0));
        if (item.PropExists(u"ReportOptions.Name"))
            Report()->ReportOptions().SetName(item.GetProp(u"ReportOptions.Name"));
    }
    loadSourcePages(ChildItem(kavSourcePagesElement));
    loadDictionary(ChildItem(kavDictionaryElement));
    checkLoadedPages();
    FPictureCache->LoadFromXML(ChildItem(kavPictureCacheElement));
    // The copies in the file have been taken over.
    for (const QString &name : {kavSourcePagesElement, kavDictionaryElement, kavPictureCacheElement})
        ChildItem(name).Clear();
    SetCurPage(Count() - 1);
}

void TkavPreviewPages::loadSourcePages(TkavXMLItem &Item)
{
    for (int i = 0; i < Item.Count(); ++i) {
        TkavXMLItem &element = *Item.Items(i);
        const TkavClassInfo *cls = kavFindClass(element.Name());
        if (!cls || !cls->InheritsFrom(TkavReportPage::StaticClassInfo()))
            invalidFile(u"source page %1 is of the unknown class %2"_s.arg(i).arg(element.Name()));
        std::unique_ptr<TkavReportPage> page = kavCreateObjectAs<TkavReportPage>(cls->ClassName());
        TkavXMLSerializer serializer;
        serializer.ReadRootComponent(page.get(), &element);
        if (Report())
            Report()->Errors().AddStrings(serializer.Errors());
        FSources[page.get()] = SourceObject{page.get(), serializer.ObjToXML(page.get())};
        for (TkavComponent *object : page->AllObjects()) {
            QString text = object->kvComponentStyle().Contains(csDefaultDiff)
                               ? object->ClassName()
                               : serializer.WriteComponentStr(object);
            FSources[object] = SourceObject{object, std::move(text)};
        }
        FSourcePages.push_back(std::move(page));
    }
}

// Each alias names "PageN.Object": an object that exists on source page N.
void TkavPreviewPages::loadDictionary(const TkavXMLItem &Item)
{
    for (int i = 0; i < Item.Count(); ++i) {
        const TkavXMLItem &element = *Item.Items(i);
        const QString sourceName = element.GetProp(u"name");
        const qsizetype dot = sourceName.indexOf(u'.');
        int index = -1;
        bool ok = dot > 4 && sourceName.startsWith(u"Page");
        if (ok)
            index = sourceName.mid(4, dot - 4).toInt(&ok);
        TkavComponent *object = nullptr;
        if (ok && index >= 0 && index < int(FSourcePages.size()))
            object = FSourcePages[size_t(index)]->FindObject(sourceName.mid(dot + 1));
        if (!object)
            invalidFile(u"the alias %1 names %2, which is not on the source pages"_s.arg(
                element.Name(), sourceName.isEmpty() ? u"nothing"_s : sourceName));
        FDictionary.Add(element.Name(), sourceName, object);
        object->SetAliasName(element.Name());
    }
}

void TkavPreviewPages::checkLoadedPages()
{
    const TkavXMLItem &pages = PagesItem();
    for (int i = 0; i < pages.Count(); ++i) {
        const QString &name = pages.Items(i)->Name();
        int source = -1;
        if (kavIsPrepPageName(name, source)) {
            if (source >= int(FSourcePages.size()))
                invalidFile(u"page %1 names source page %2, but there are %3"_s.arg(i + 1).arg(source).arg(FSourcePages.size()));
            continue;
        }
        const TkavClassInfo *cls = kavFindClass(name);
        if (!cls || !cls->InheritsFrom(TkavReportPage::StaticClassInfo()))
            invalidFile(u"page %1 is of the unknown class %2"_s.arg(i + 1).arg(name));
    }
    checkOutline(ChildItem(kavOutlineElement));
    const TkavXMLItem &anchors = ChildItem(kavAnchorsElement);
    for (int i = 0; i < anchors.Count(); ++i)
        checkInts(*anchors.Items(i), {u"page", u"top"}, u"an anchor"_s);
    const TkavXMLItem &numbers = ChildItem(kavLogicalElement);
    for (int i = 0; i < numbers.Count(); ++i)
        checkInts(*numbers.Items(i), {u"n", u"t"}, u"a logical page number"_s);
}
