#include "kavDesgnClipboard.h"

#include "kavDesgnDocument.h"

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <prepared/kavPictureCache.h>
#include <report/kavDMP.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavUIServices.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString &localClipboard()
{
    static QString text;
    return text;
}

QClipboard *platformClipboard()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

// Bands of which a page holds one at most.
const QString uniqueBands[] = {u"TkavReportTitle"_s,
                               u"TkavReportSummary"_s,
                               u"TkavPageHeader"_s,
                               u"TkavPageFooter"_s,
                               u"TkavColumnHeader"_s,
                               u"TkavColumnFooter"_s};

[[noreturn]] void cannotPaste(const QString &reason)
{
    throw EkavError(kavResourceTable().Get(u"dsClipboardInvalid"_s) + u' ' + reason);
}

bool isUniqueBandTaken(const TkavComponent &page, const TkavClassInfo &cls)
{
    for (const QString &name : uniqueBands)
        if (kavSameText(cls.ClassName(), name))
            for (const TkavComponent *c : page.Objects())
                if (c->InheritsFrom(cls))
                    return true;
    return false;
}

// One element of the clipboard text, read and checked.
struct ClipElement
{
    const TkavClassInfo *Class = nullptr;
    QString Name;
    QString Attributes;
};

// The elements after the marker line; a text that is not ours or not well formed raises.
QList<ClipElement> parseElements(const QString &text, QStringList &unknown)
{
    if (!text.startsWith(QStringView(kavClipboardMarker)))
        cannotPaste(kavResourceTable().Get(u"dsClipboardNoObjects"_s));
    if (text.size() > TkavClipboard::MaxTextLength)
        cannotPaste(kavResourceTable().Get(u"dsClipboardTooLarge"_s));
    QStringList lines = text.split(QRegularExpression(u"\r\n|\r|\n"_s));
    lines.removeFirst();
    const QByteArray document = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<clipboard>"
                                + lines.join(u"\r\n"_s).toUtf8() + "</clipboard>";
    TkavXMLDocument xml;
    try {
        TMemoryStream stream(document);
        xml.LoadFromStream(stream);
    } catch (const Exception &e) {
        cannotPaste(e.Message());
    }
    const TkavXMLItem &root = *xml.Root();
    if (root.Count() > TkavClipboard::MaxElements)
        cannotPaste(kavResourceTable().Get(u"dsClipboardTooLarge"_s));
    QList<ClipElement> elements;
    for (int i = 0; i < root.Count(); ++i) {
        TkavXMLItem &item = *root.Items(i);
        if (item.Count() > 0)
            cannotPaste(item.Name());
        const TkavClassInfo *cls = kavFindClass(item.Name());
        // Only objects that stand on pages: no reports, pages or foreign classes.
        if (!cls || !cls->CanCreate() || !cls->InheritsFrom(TkavReportComponent::StaticClassInfo())
            || cls->InheritsFrom(u"TkavPage")) {
            unknown.append(item.Name());
            continue;
        }
        ClipElement element{cls, item.GetProp(u"Name"), QString()};
        item.DeleteProp(u"Name");
        element.Attributes = item.Text();
        elements.append(element);
    }
    return elements;
}

// Objects that name a data set they are not bound to bind now: pasted before the data set
// (or the data set pasted after them), they would be bound when the report is read back, so
// the report in memory would not be the report that is saved.
void bindDataSetNames(TkavReport &report)
{
    for (TkavComponent *obj : report.AllObjects()) {
        const TkavPropInfo *name = kavFindProp(*obj, u"DataSetName");
        const TkavPropInfo *link = kavFindProp(*obj, u"DataSet");
        if (!name || !link || !kavGetPropText(*obj, *link).isEmpty())
            continue;
        const QString text = kavGetPropText(*obj, *name);
        if (!text.isEmpty())
            kavSetPropText(*obj, *name, text);
    }
}

} // namespace

TkavClipboard::TkavClipboard(DesignerDocument &ADesigner)
    : FDesigner(ADesigner)
{}

QString TkavClipboard::ClipboardText()
{
    QClipboard *clipboard = platformClipboard();
    return clipboard ? clipboard->text() : localClipboard();
}

void TkavClipboard::SetClipboardText(const QString &text)
{
    if (QClipboard *clipboard = platformClipboard())
        clipboard->setText(text);
    else
        localClipboard() = text;
}

bool TkavClipboard::PasteAvailable() const
{
    try {
        return ClipboardText().startsWith(QStringView(kavClipboardMarker));
    } catch (...) {
        return false;
    }
}

// The object as one element: a copy of it placed relative to the copied group, with its
// picture as the cache number only.
QString TkavClipboard::element(TkavComponent &obj, double minLeft, double minTop) const
{
    std::unique_ptr<TPersistent> instance = obj.ClassInfo().Create(nullptr);
    auto *copy = dynamic_cast<TkavComponent *>(instance.get());
    if (!copy)
        return QString();
    auto *picture = dynamic_cast<TkavPictureView *>(&obj);
    if (picture) {
        if (FPictureCache && (picture->PictureChanged() || picture->ImageIndex() == 0)) {
            FPictureCache->AddPicture(*picture);
            picture->SetPictureChanged(false);
        }
        picture->SetIsPictureStored(false);
        picture->SetIsImageIndexStored(true);
    }
    {
        const auto restore = qScopeGuard([picture] {
            if (picture) {
                picture->SetIsPictureStored(true);
                picture->SetIsImageIndexStored(false);
            }
        });
        copy->Assign(obj);
    }
    if (auto *copyPicture = dynamic_cast<TkavPictureView *>(copy)) {
        copyPicture->SetIsPictureStored(false);
        copyPicture->SetIsImageIndexStored(true);
    }
    copy->SetLeft(obj.Left() - minLeft);
    copy->SetTop(obj.AbsTop() - minTop);
    TkavXMLSerializer serializer;
    serializer.SetOwner(&FDesigner.Report());
    return u'<' + obj.ClassName() + u" Name=\""_s + obj.Name() + u'"' + serializer.ObjToXML(copy)
           + u"/>"_s;
}

QString TkavClipboard::CopyText() const
{
    TkavComponent *page = FDesigner.Page();
    QString text = QString::fromUtf16(kavClipboardMarker) + u"\n\r"_s;
    if (!page)
        return text;
    const QList<TkavComponent *> selected = FDesigner.SelectedObjects();
    double minLeft = 100000;
    double minTop = 100000;
    for (const TkavComponent *c : selected) {
        minLeft = qMin(minLeft, c->AbsLeft());
        minTop = qMin(minTop, c->AbsTop());
    }
    for (TkavComponent *c : page->AllObjects()) {
        if (!selected.contains(c))
            continue;
        text += element(*c, minLeft, minTop);
        if (!dynamic_cast<TkavBand *>(c))
            continue;
        const QList<TkavComponent *> &children = c->Objects();
        const bool someSelected = std::any_of(children.begin(), children.end(),
                                              [&](TkavComponent *child) {
                                                  return selected.contains(child);
                                              });
        if (!someSelected)
            for (TkavComponent *child : children)
                text += element(*child, minLeft, minTop);
    }
    return text;
}

void TkavClipboard::Copy()
{
    SetClipboardText(CopyText());
}

QList<TkavComponent *> TkavClipboard::Paste()
{
    return PasteText(ClipboardText());
}

bool TkavClipboard::PageAccepts(const TkavComponent &page, const TkavComponent &obj)
{
    const bool dialogControl = obj.InheritsFrom(u"TkavDialogControl");
    const bool dialogComponent = dynamic_cast<const TkavDialogComponent *>(&obj) != nullptr;
    const bool dmpObject = dynamic_cast<const TkavDMPMemoView *>(&obj)
                           || dynamic_cast<const TkavDMPLineView *>(&obj)
                           || dynamic_cast<const TkavDMPCommand *>(&obj);
    const bool band = dynamic_cast<const TkavBand *>(&obj) != nullptr;
    const bool reportPage = dynamic_cast<const TkavReportPage *>(&page) != nullptr;
    const bool dmpPage = dynamic_cast<const TkavDMPPage *>(&page) != nullptr;
    const bool dataPage = dynamic_cast<const TkavDataPage *>(&page) != nullptr;
    const bool dialogPage = page.InheritsFrom(u"TkavDialogPage");
    if (dialogControl && reportPage)
        return false;
    if (dialogPage && !dialogComponent && !dialogControl)
        return false;
    if (dmpObject && !dmpPage)
        return false;
    if (dmpPage && !band && !dmpObject)
        return false;
    if (dataPage)
        return dynamic_cast<const TkavCustomLineView *>(&obj)
               || dynamic_cast<const TkavCustomMemoView *>(&obj)
               || dynamic_cast<const TkavShapeView *>(&obj) || dialogComponent;
    return !dialogControl || dialogPage;
}

QList<TkavComponent *> TkavClipboard::PasteText(const QString &text)
{
    TkavComponent *page = FDesigner.Page();
    if (!page)
        return {};
    QStringList unknown;
    const QList<ClipElement> elements = parseElements(text, unknown);
    TkavReport &report = FDesigner.Report();
    TkavSelection &selection = FDesigner.Selection();
    selection.Clear();
    TkavXMLSerializer serializer;
    serializer.SetOwner(&report);
    QList<TkavComponent *> pasted;
    for (const ClipElement &element : elements) {
        if (isUniqueBandTaken(*page, *element.Class))
            continue;
        TkavComponent *obj = serializer.ReadComponentStr(page, element.Class->ClassName() + u' '
                                                                   + element.Attributes);
        if (!obj)
            continue;
        if (!PageAccepts(*page, *obj)) {
            obj->Free();
            continue;
        }
        obj->SetIsDesigning(true);
        if (auto *picture = dynamic_cast<TkavPictureView *>(obj)) {
            if (FPictureCache)
                FPictureCache->GetPicture(*picture);
            picture->SetPictureChanged(false);
        }
        pasted.append(obj);
        if (!dynamic_cast<TkavBand *>(obj)) {
            for (auto it = pasted.rbegin(); it != pasted.rend(); ++it) {
                auto *band = dynamic_cast<TkavBand *>(*it);
                if (band && band->Top() <= obj->Top() && obj->Top() < band->Top() + band->Height()) {
                    obj->SetParent(band);
                    obj->SetTop(obj->Top() - band->Top());
                    break;
                }
            }
        }
        const TkavComponent *existing = element.Name.isEmpty() ? nullptr
                                                               : report.FindComponent(element.Name);
        bool named = false;
        if (!element.Name.isEmpty() && (!existing || existing == obj)) {
            try {
                obj->SetName(element.Name);
                named = true;
            } catch (const Exception &) {
                named = false; // not an identifier: a fresh name below
            }
        }
        if (!named)
            obj->CreateUniqueName();
        obj->SetGroupIndex(0);
        if (obj->Parent() == page)
            selection.Add(obj);
        obj->OnPaste();
    }
    if (std::any_of(pasted.begin(), pasted.end(), [](TkavComponent *c) { return dynamic_cast<TkavDataSet *>(c); }))
        bindDataSetNames(report);
    if (!unknown.isEmpty())
        kavUIServices().WarningBox(kavResourceTable().Get(u"xrCantFindClass"_s) + u' '
                                   + unknown.join(u", "_s));
    return pasted;
}
