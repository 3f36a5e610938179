#include "kavReportOptions.h"

#include "kavReport.h"
#include "kavViews.h"

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <QFile>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// Type information

const TkavEnumInfo &kavEnumTypeInfo(TkavSilentMode)
{
    static const TkavEnumInfo info(u"TkavSilentMode"_s,
                                   {u"simMessageBoxes"_s, u"simSilent"_s, u"simReThrow"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavPreviewButton)
{
    static const TkavEnumInfo info(u"TkavPreviewButton"_s,
                                   {u"pbPrint"_s,
                                    u"pbLoad"_s,
                                    u"pbSave"_s,
                                    u"pbExport"_s,
                                    u"pbZoom"_s,
                                    u"pbFind"_s,
                                    u"pbOutline"_s,
                                    u"pbPageSetup"_s,
                                    u"pbTools"_s,
                                    u"pbEdit"_s,
                                    u"pbNavigator"_s,
                                    u"pbExportQuick"_s,
                                    u"pbNoClose"_s,
                                    u"pbNoFullScreen"_s,
                                    u"pbNoEmail"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TkavPreviewButtons)
{
    static const TkavSetInfo info(u"TkavPreviewButtons"_s, kavEnumTypeInfo(TkavPreviewButton{}));
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavZoomMode)
{
    static const TkavEnumInfo info(
        u"TkavZoomMode"_s, {u"zmDefault"_s, u"zmWholePage"_s, u"zmPageWidth"_s, u"zmManyPages"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavPrintMode)
{
    static const TkavEnumInfo info(u"TkavPrintMode"_s,
                                   {u"pmDefault"_s, u"pmSplit"_s, u"pmJoin"_s, u"pmScale"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavPrintPages)
{
    static const TkavEnumInfo info(u"TkavPrintPages"_s, {u"ppAll"_s, u"ppOdd"_s, u"ppEven"_s});
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavEngineOptions

const TkavClassInfo &TkavEngineOptions::StaticClassInfo()
{
    using E = TkavEngineOptions;
    static const TkavClassInfo info
        = kavMakeClassInfo<E, TPersistent>(u"TkavEngineOptions"_s, [](TkavPropBuilder<E> &p) {
              p.Bool(u"ConvertNulls"_s, &E::ConvertNulls, &E::SetConvertNulls)
                  .Default(kavEngineDefaultConvertNulls);
              p.Bool(u"DoublePass"_s, &E::DoublePass, &E::SetDoublePass)
                  .Default(kavEngineDefaultDoublePass);
              p.Bool(u"IgnoreDevByZero"_s, &E::IgnoreDevByZero, &E::SetIgnoreDevByZero)
                  .Default(kavEngineDefaultIgnoreDevByZero);
              p.Int(u"MaxMemSize"_s, &E::MaxMemSize, &E::SetMaxMemSize)
                  .Default(kavEngineDefaultMaxMemSize);
              p.Bool(u"PrintIfEmpty"_s, &E::PrintIfEmpty, &E::SetPrintIfEmpty)
                  .Default(kavEngineDefaultPrintIfEmpty);
              // The older Boolean form is read from old files but only NewSilentMode is
              // written, so a file never carries two disagreeing values.
              p.Bool(u"SilentMode"_s, &E::SilentMode, &E::SetSilentMode).Stored(false);
              p.Enum(u"NewSilentMode"_s, &E::NewSilentMode, &E::SetNewSilentMode)
                  .Default(kavEngineDefaultSilentMode);
              p.String(u"TempDir"_s, &E::TempDir, &E::SetTempDir);
              p.Bool(u"UseFileCache"_s, &E::UseFileCache, &E::SetUseFileCache)
                  .Default(kavEngineDefaultUseFileCache);
              p.Int(u"MaxPages"_s, &E::MaxPages, &E::SetMaxPages).Default(0);
          });
    return info;
}

TkavEngineOptions::TkavEngineOptions() = default;

TkavEngineOptions::~TkavEngineOptions() = default;

void TkavEngineOptions::Assign(const TPersistent &source)
{
    const auto *o = dynamic_cast<const TkavEngineOptions *>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    FConvertNulls = o->FConvertNulls;
    FDoublePass = o->FDoublePass;
    FMaxMemSize = o->FMaxMemSize;
    FPrintIfEmpty = o->FPrintIfEmpty;
    FNewSilentMode = o->FNewSilentMode;
    FTempDir = o->FTempDir;
    FUseFileCache = o->FUseFileCache;
    FIgnoreDevByZero = o->FIgnoreDevByZero;
    FMaxPages = o->FMaxPages;
    FMaxMemSizeChosen = o->FMaxMemSizeChosen;
    FUseFileCacheChosen = o->FUseFileCacheChosen;
}

void TkavEngineOptions::Clear()
{
    FConvertNulls = kavEngineDefaultConvertNulls;
    FDoublePass = kavEngineDefaultDoublePass;
    FIgnoreDevByZero = kavEngineDefaultIgnoreDevByZero;
    // A value a document gave must not outlive the document.
    if (!FMaxMemSizeChosen)
        FMaxMemSize = kavEngineDefaultMaxMemSize;
    if (!FUseFileCacheChosen)
        FUseFileCache = kavEngineDefaultUseFileCache;
}

void TkavEngineOptions::RestoreApplicationOptions(const TkavEngineOptions &Before)
{
    FPrintIfEmpty = Before.FPrintIfEmpty;
    FNewSilentMode = Before.FNewSilentMode;
    FTempDir = Before.FTempDir;
    FMaxPages = Before.FMaxPages;
    if (Before.FMaxMemSizeChosen)
        FMaxMemSize = Before.FMaxMemSize;
    if (Before.FUseFileCacheChosen)
        FUseFileCache = Before.FUseFileCache;
    FMaxMemSizeChosen = Before.FMaxMemSizeChosen;
    FUseFileCacheChosen = Before.FUseFileCacheChosen;
}

// ---------------------------------------------------------------------------------------
// TkavPreviewOptions

const TkavClassInfo &TkavPreviewOptions::StaticClassInfo()
{
    using P = TkavPreviewOptions;
    static const TkavClassInfo info
        = kavMakeClassInfo<P, TPersistent>(u"TkavPreviewOptions"_s, [](TkavPropBuilder<P> &p) {
              p.Bool(u"AllowEdit"_s, &P::AllowEdit, &P::SetAllowEdit).Default(true);
              p.Set(u"Buttons"_s, &P::Buttons, &P::SetButtons).Default(kavPreviewDefaultButtons);
              p.Bool(u"DoubleBuffered"_s, &P::DoubleBuffered, &P::SetDoubleBuffered).Default(true);
              p.Bool(u"Maximized"_s, &P::Maximized, &P::SetMaximized).Default(true);
              p.Bool(u"MDIChild"_s, &P::MDIChild, &P::SetMDIChild).Default(false);
              p.Bool(u"Modal"_s, &P::Modal, &P::SetModal).Default(true);
              p.Bool(u"OutlineExpand"_s, &P::OutlineExpand, &P::SetOutlineExpand)
                  .Default(kavPreviewDefaultOutlineExpand);
              p.Bool(u"OutlineVisible"_s, &P::OutlineVisible, &P::SetOutlineVisible)
                  .Default(kavPreviewDefaultOutlineVisible);
              p.Int(u"OutlineWidth"_s, &P::OutlineWidth, &P::SetOutlineWidth)
                  .Default(kavPreviewDefaultOutlineWidth);
              p.Int(u"PagesInCache"_s, &P::PagesInCache, &P::SetPagesInCache)
                  .Default(kavPreviewDefaultPagesInCache);
              p.Bool(u"ThumbnailVisible"_s, &P::ThumbnailVisible, &P::SetThumbnailVisible)
                  .Default(kavPreviewDefaultThumbnailVisible);
              p.Bool(u"ShowCaptions"_s, &P::ShowCaptions, &P::SetShowCaptions).Default(false);
              p.Float(u"Zoom"_s, &P::Zoom, &P::SetZoom);
              p.Enum(u"ZoomMode"_s, &P::ZoomMode, &P::SetZoomMode).Default(zmDefault);
              p.Bool(u"PictureCacheInFile"_s, &P::PictureCacheInFile, &P::SetPictureCacheInFile)
                  .Default(false);
          });
    return info;
}

TkavPreviewOptions::TkavPreviewOptions() = default;

TkavPreviewOptions::~TkavPreviewOptions() = default;

void TkavPreviewOptions::Assign(const TPersistent &source)
{
    const auto *o = dynamic_cast<const TkavPreviewOptions *>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    FAllowEdit = o->FAllowEdit;
    FButtons = o->FButtons;
    FDoubleBuffered = o->FDoubleBuffered;
    FMaximized = o->FMaximized;
    FMDIChild = o->FMDIChild;
    FModal = o->FModal;
    FOutlineExpand = o->FOutlineExpand;
    FOutlineVisible = o->FOutlineVisible;
    FOutlineWidth = o->FOutlineWidth;
    FPagesInCache = o->FPagesInCache;
    FThumbnailVisible = o->FThumbnailVisible;
    FShowCaptions = o->FShowCaptions;
    FZoom = o->FZoom;
    FZoomMode = o->FZoomMode;
    FPictureCacheInFile = o->FPictureCacheInFile;
    FRTLPreview = o->FRTLPreview;
}

void TkavPreviewOptions::Clear()
{
    FOutlineExpand = kavPreviewDefaultOutlineExpand;
    FOutlineVisible = kavPreviewDefaultOutlineVisible;
    FOutlineWidth = kavPreviewDefaultOutlineWidth;
    FPagesInCache = kavPreviewDefaultPagesInCache;
    FThumbnailVisible = kavPreviewDefaultThumbnailVisible;
}

// ---------------------------------------------------------------------------------------
// TkavPrintOptions

const TkavClassInfo &TkavPrintOptions::StaticClassInfo()
{
    using P = TkavPrintOptions;
    static const TkavClassInfo info
        = kavMakeClassInfo<P, TPersistent>(u"TkavPrintOptions"_s, [](TkavPropBuilder<P> &p) {
              p.Int(u"Copies"_s, &P::Copies, &P::SetCopies)
                  .Default(kavPrintDefaultCopies)
                  .Range(std::numeric_limits<qint32>::min(), kavPrintMaxCopies);
              p.Bool(u"Collate"_s, &P::Collate, &P::SetCollate).Default(true);
              p.String(u"PageNumbers"_s, &P::PageNumbers, &P::SetPageNumbers);
              p.String(u"Printer"_s, &P::Printer, &P::SetPrinter);
              p.Enum(u"PrintMode"_s, &P::PrintMode, &P::SetPrintMode).Default(pmDefault);
              p.Int(u"PrintOnSheet"_s, &P::PrintOnSheet, &P::SetPrintOnSheet).Default(0);
              p.Enum(u"PrintPages"_s, &P::PrintPages, &P::SetPrintPages).Default(ppAll);
              p.Bool(u"Reverse"_s, &P::Reverse, &P::SetReverse).Default(false);
              p.Bool(u"ShowDialog"_s, &P::ShowDialog, &P::SetShowDialog).Default(true);
              p.Bool(u"SwapPageSize"_s, &P::SwapPageSize, &P::SetSwapPageSize).Stored(false);
          });
    return info;
}

TkavPrintOptions::TkavPrintOptions()
    : FPrinter(DefaultPrinterText())
{}

TkavPrintOptions::~TkavPrintOptions() = default;

QString TkavPrintOptions::DefaultPrinterText()
{
    return kavResourceTable().Get(u"prDefault"_s);
}

namespace {

// The default-printer text of every built-in language, so that a file saved under one
// language still names the system's default printer under another.
const QStringList &builtInDefaultPrinterTexts()
{
    static const QStringList texts = [] {
        kavResourceTable(); // makes the built-in documents available
        QStringList found{u"Default"_s};
        for (const QString &name :
             {u":/kavrel/res/kavrcClass.xml"_s, u":/kavrel/res/kavrcClass.en.xml"_s}) {
            QFile file(name);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            TMemoryStream stream(file.readAll());
            TkavXMLDocument document;
            document.LoadFromStream(stream);
            const TkavXMLItem *root = document.Root();
            for (int i = 0; i < root->Count(); ++i) {
                if (root->Items(i)->GetProp(u"Name"_s) == u"prDefault")
                    found.append(kavDecodeXMLText(root->Items(i)->GetProp(u"Text"_s)));
            }
        }
        return found;
    }();
    return texts;
}

} // namespace

bool TkavPrintOptions::IsDefaultPrinter() const
{
    if (FPrinter.isEmpty() || FPrinter.compare(DefaultPrinterText(), Qt::CaseInsensitive) == 0)
        return true;
    for (const QString &text : builtInDefaultPrinterTexts()) {
        if (FPrinter.compare(text, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void TkavPrintOptions::Assign(const TPersistent &source)
{
    const auto *o = dynamic_cast<const TkavPrintOptions *>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    FCopies = o->FCopies;
    FCollate = o->FCollate;
    FPageNumbers = o->FPageNumbers;
    FPrinter = o->FPrinter;
    FPrintMode = o->FPrintMode;
    FPrintOnSheet = o->FPrintOnSheet;
    FPrintPages = o->FPrintPages;
    FReverse = o->FReverse;
    FShowDialog = o->FShowDialog;
    FSplicingLine = o->FSplicingLine;
}

void TkavPrintOptions::Clear()
{
    FCopies = kavPrintDefaultCopies;
    FCollate = true;
    FPageNumbers.clear();
    FPrinter = DefaultPrinterText();
    FPrintMode = pmDefault;
    FPrintOnSheet = 0;
    FPrintPages = ppAll;
    FReverse = false;
    FShowDialog = true;
    FSwapPageSize = false;
}

// ---------------------------------------------------------------------------------------
// TkavReportOptions

const TkavClassInfo &TkavReportOptions::StaticClassInfo()
{
    using R = TkavReportOptions;
    static const TkavClassInfo info
        = kavMakeClassInfo<R, TPersistent>(u"TkavReportOptions"_s, [](TkavPropBuilder<R> &p) {
              p.String(u"Author"_s, &R::Author, &R::SetAuthor);
              p.Bool(u"Compressed"_s, &R::Compressed, &R::SetCompressed).Default(false);
              p.String(u"ConnectionName"_s, &R::ConnectionName, &R::SetConnectionName);
              p.Float(u"CreateDate"_s, &R::CreateDate, &R::SetCreateDate, u"TDateTime"_s);
              p.StringList(u"Description"_s, &R::Description, &R::SetDescription);
              p.String(u"InitString"_s, &R::InitString, &R::SetInitString);
              p.String(u"Name"_s, &R::Name, &R::SetName);
              p.Float(u"LastChange"_s, &R::LastChange, &R::SetLastChange, u"TDateTime"_s);
              p.String(u"Password"_s, &R::Password, &R::SetPassword);
              p.Object(u"Picture"_s, &R::Picture, &R::SetPicture);
              p.String(u"VersionBuild"_s, &R::VersionBuild, &R::SetVersionBuild);
              p.String(u"VersionMajor"_s, &R::VersionMajor, &R::SetVersionMajor);
              p.String(u"VersionMinor"_s, &R::VersionMinor, &R::SetVersionMinor);
              p.String(u"VersionRelease"_s, &R::VersionRelease, &R::SetVersionRelease);
          });
    return info;
}

void TkavReportOptions::SetConnectionName(const QString &value)
{
    FConnectionName = value;
    if (FReport)
        FReport->ApplyConnectionName(value);
}

TkavReportOptions::TkavReportOptions(TkavReport *report)
    : FReport(report)
    , FDescription(std::make_unique<TStringList>())
    , FPicture(std::make_unique<TkavPicture>())
{
    FCreateDate = Now();
    FLastChange = FCreateDate;
}

TkavReportOptions::~TkavReportOptions() = default;

void TkavReportOptions::SetDescription(const TStrings &value)
{
    FDescription->Assign(value);
}

void TkavReportOptions::SetPicture(const TkavPicture &value)
{
    FPicture->Assign(value);
}

void TkavReportOptions::Assign(const TPersistent &source)
{
    const auto *o = dynamic_cast<const TkavReportOptions *>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    if (o == this)
        return;
    FAuthor = o->FAuthor;
    FCompressed = o->FCompressed;
    FConnectionName = o->FConnectionName;
    FCreateDate = o->FCreateDate;
    FDescription->Assign(*o->FDescription);
    FInitString = o->FInitString;
    FName = o->FName;
    FLastChange = o->FLastChange;
    FPassword = o->FPassword;
    FPicture->Assign(*o->FPicture);
    FVersionBuild = o->FVersionBuild;
    FVersionMajor = o->FVersionMajor;
    FVersionMinor = o->FVersionMinor;
    FVersionRelease = o->FVersionRelease;
}

void TkavReportOptions::Clear()
{
    FConnectionName.clear();
    FInitString.clear();
    FName.clear();
    FPassword.clear();
    FPrevPassword.clear();
    if (FInfo)
        return;
    FAuthor.clear();
    FCompressed = false;
    FCreateDate = Now();
    FDescription->Clear();
    FLastChange = FCreateDate;
    FPicture->Clear();
    FVersionBuild.clear();
    FVersionMajor.clear();
    FVersionMinor.clear();
    FVersionRelease.clear();
}

// ---------------------------------------------------------------------------------------

void kavRegisterReportOptionClasses()
{
    kavEnumTypeInfo(TkavSilentMode{});
    kavSetTypeInfo(TkavPreviewButtons{});
    kavEnumTypeInfo(TkavZoomMode{});
    kavEnumTypeInfo(TkavPrintMode{});
    kavEnumTypeInfo(TkavPrintPages{});
    kavEnumTypeInfo(TkavDuplexMode{});
    kavRegisterClass(TkavEngineOptions::StaticClassInfo());
    kavRegisterClass(TkavPreviewOptions::StaticClassInfo());
    kavRegisterClass(TkavPrintOptions::StaticClassInfo());
    kavRegisterClass(TkavReportOptions::StaticClassInfo());
}
