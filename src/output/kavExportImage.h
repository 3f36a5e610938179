#pragma once

// Export filters that turn each prepared page into an image file: PNG, JPEG and SVG. A page
// is drawn exactly as the preview draws it; several pages give one numbered file each.

#include <report/kavExportFilter.h>

#include <QByteArray>
#include <QImage>
#include <QSize>

// The common part: Resolution, file naming, and writing each page's bytes safely.
class TkavCustomImageExport : public TkavCustomExportFilter
{
public:
    static constexpr int DefaultResolution = 96;
    static constexpr int MinResolution = 10;
    static constexpr int MaxResolution = 1200;

    explicit TkavCustomImageExport(TkavFilterRegistration Registration = frRegister);

    // Dots per inch of the files; clamped to MinResolution..MaxResolution.
    int Resolution() const { return FResolution; }
    void SetResolution(int Value);

    // Needs FileName and the store; counts the pages to export for the file naming.
    bool Start() override;
    // Images hold the drawn page: objects need no handling of their own.
    void ExportObject(TkavComponent *) override {}
    // Draws the page (before the export moves it for the objects).
    void StartPage(TkavReportPage *Page, int Index) override;
    // Writes the page's file; a file that cannot be written raises EkavError.
    void FinishPage(TkavReportPage *Page, int Index) override;

    // FileName for a one-page export; otherwise "name_N.ext" with N = Index + 1.
    QString PageFileName(int Index) const;

protected:
    // The encoded file of page Index, drawn at Resolution.
    virtual QByteArray RenderPage(int Index) = 0;
    // Page Index in device pixels at Resolution (the page's pixels are 96 per inch).
    QSize PageDeviceSize(int Index) const;
    // Page Index drawn at Resolution on white.
    QImage DrawnPage(int Index) const;
    double Scale() const { return FResolution / 96.0; }

private:
    int FResolution = DefaultResolution;
    bool FSeveralFiles = false;
    QByteArray FPageData;
};

class TkavPNGExport : public TkavCustomImageExport
{
public:
    explicit TkavPNGExport(TkavFilterRegistration Registration = frRegister);
    QString GetDescription() const override;

protected:
    QByteArray RenderPage(int Index) override;
};

class TkavJPEGExport : public TkavCustomImageExport
{
public:
    explicit TkavJPEGExport(TkavFilterRegistration Registration = frRegister);
    QString GetDescription() const override;
    // 0 (smallest) to 100 (best); default 90.
    int Quality() const { return FQuality; }
    void SetQuality(int Value);

protected:
    QByteArray RenderPage(int Index) override;

private:
    int FQuality = 90;
};

class TkavSVGExport : public TkavCustomImageExport
{
public:
    explicit TkavSVGExport(TkavFilterRegistration Registration = frRegister);
    QString GetDescription() const override;

protected:
    QByteArray RenderPage(int Index) override;
};

// Creates and registers one filter of each image kind (once per process).
void kavRegisterImageExportFilters();
