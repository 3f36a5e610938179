#include "kavDesgnWizardGen.h"

#include <report/kavBands.h>
#include <report/kavDMP.h>
#include <report/kavDataSets.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavStyles.h>
#include <report/kavViews.h>
#include <rtl/kavStrings.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

QList<double> kavWizardColumnWidths(const QList<double> &H, const QList<double> &D, double W, bool fit)
{
    QList<double> C;
    double T = 0, S = 0, E = 0;
    for (int i = 0; i < H.size(); ++i) {
        C << std::max(H[i], D[i]);
        if (D[i] > H[i])
            E += D[i] - H[i];
        T += C[i];
        S += H[i];
    }
    if (!fit || T <= W)
        return C;
    for (int i = 0; i < C.size(); ++i) {
        if (S > W)
            C[i] = H[i] / (S / W);
        else if (D[i] > H[i])
            C[i] -= (D[i] - H[i]) / E * (T - W);
    }
    return C;
}

namespace {

constexpr double mm = kavMMToPixels;

class Generator
{
public:
    Generator(TkavReport &report, const TkavWizardChoice &choice)
        : FReport(report)
        , FChoice(choice)
    {
    }

    void run()
    {
        FPage = firstReportPage();
        if (!FPage)
            return;
        FPage->Clear();
        FReport.SetFileName(QString());
        FReport.SetDotMatrixReport(FChoice.DotMatrix);
        FReport.DataSets().Clear();
        if (FChoice.DataSet)
            FReport.DataSets().Add(FChoice.DataSet);
        FPage->SetOrientation(FChoice.Landscape ? poLandscape : poPortrait);
        FWidth = (FPage->PaperWidth() - FPage->LeftMargin() - FPage->RightMargin()) * 96 / 25.4;
        measure();
        title();
        if (FChoice.Tabular)
            captions();
        for (const QString &field : FChoice.Groups)
            groupHeader(field);
        data();
        for (int i = 0; i < FChoice.Groups.size(); ++i)
            band(u"TkavGroupFooter"_s, 1000 - 30 * i, 0);
        pageFooter();
        if (!FChoice.DotMatrix && FChoice.Style)
            FReport.SetStyles(FChoice.Style);
    }

private:
    TkavReportPage *firstReportPage() const
    {
        for (int i = 0; i < FReport.PagesCount(); ++i)
            if (auto *page = dynamic_cast<TkavReportPage *>(FReport.Pages(i)))
                return page;
        return nullptr;
    }

    TkavCustomMemoView *newMemo(TkavComponent *owner) const
    {
        return FChoice.DotMatrix ? static_cast<TkavCustomMemoView *>(TkavComponent::Create<TkavDMPMemoView>(owner))
                                 : TkavComponent::Create<TkavMemoView>(owner);
    }

    TkavCustomMemoView *memo(TkavBand *band, double x, double y, double w, double h, const QString &text,
                             const QString &style)
    {
        TkavCustomMemoView *m = newMemo(band);
        m->CreateUniqueName();
        m->SetBounds(x, y, w, h);
        m->SetText(text);
        if (!FChoice.DotMatrix && !style.isEmpty())
            m->SetStyle(style);
        return m;
    }

    TkavBand *band(const QString &className, double top, double height)
    {
        auto *b = static_cast<TkavBand *>(TkavComponent::Create(className, FPage));
        b->CreateUniqueName();
        b->SetBounds(0, top, FWidth, height);
        return b;
    }

    // Caption widths H, data widths D and the column widths, measured on scratch memos in
    // the chosen style.
    void measure()
    {
        const auto scratch = [this]() -> std::unique_ptr<TkavCustomMemoView> {
            if (FChoice.DotMatrix)
                return std::make_unique<TkavDMPMemoView>();
            return std::make_unique<TkavMemoView>();
        };
        const std::unique_ptr<TkavCustomMemoView> header = scratch(), value = scratch();
        if (!FChoice.DotMatrix && FChoice.Style) {
            header->ApplyStyle(FChoice.Style->Find(u"Header"_s));
            value->ApplyStyle(FChoice.Style->Find(u"Data"_s));
        }
        QList<double> H, D;
        for (const QString &field : FChoice.Fields) {
            header->SetText(field);
            H << header->CalcWidth();
            const int chars = FChoice.DataSet ? FChoice.DataSet->GetDisplayWidth(field) : 10;
            value->SetText(QString(chars, u'0'));
            D << value->CalcWidth();
            FCaptionWidth = std::max(FCaptionWidth, H.last());
        }
        FDataWidths = D;
        FColumns = kavWizardColumnWidths(H, D, FWidth, FChoice.FitToWidth);
    }

    void title()
    {
        TkavBand *b = band(u"TkavReportTitle"_s, 0, 7 * mm);
        TkavCustomMemoView *m = memo(b, 0, 0, FWidth, 6 * mm, u"Report"_s, u"Title"_s);
        m->SetAlign(baWidth);
        m->SetHAlign(haCenter);
        m->SetVAlign(vaCenter);
        FY = 30;
    }

    // Objects laid out left to right, wrapping to a new row (rowHeight lower) when a row
    // would overflow the usable width by more than a pixel; the height taken.
    template <class Place>
    double rows(double rowHeight, Place place)
    {
        double x = 0, top = 0;
        for (int i = 0; i < FChoice.Fields.size(); ++i) {
            if (x + FColumns[i] > FWidth + 1) {
                x = 0;
                top += rowHeight;
            }
            place(i, x, top);
            x += FColumns[i];
        }
        return top + rowHeight;
    }

    void captions()
    {
        TkavBand *b = band(u"TkavPageHeader"_s, FY, 7 * mm);
        TkavCustomMemoView *line = FChoice.DotMatrix ? nullptr
                                                     : memo(b, 0, 0, FWidth, 6 * mm, QString(), u"Header line"_s);
        const double height = rows(6 * mm, [&](int i, double x, double top) {
            memo(b, x, top, FColumns[i], 6 * mm, FChoice.Fields[i], u"Header"_s);
        });
        b->SetHeight(height);
        if (line)
            line->SetHeight(height);
        FY += height;
    }

    void groupHeader(const QString &field)
    {
        auto *b = static_cast<TkavGroupHeader *>(band(u"TkavGroupHeader"_s, FY, 7 * mm));
        const QString alias = FChoice.DataSet ? FChoice.DataSet->UserName() : QString();
        b->SetCondition(alias + u".\""_s + field + u'"');
        TkavCustomMemoView *m = memo(b, 0, 0, FWidth, 6 * mm, QString(), u"Group header"_s);
        m->SetAlign(baWidth);
        m->SetVAlign(vaCenter);
        bind(m, field);
        FY += 30;
    }

    void bind(TkavCustomMemoView *m, const QString &field) const
    {
        m->SetDataSet(FChoice.DataSet);
        m->SetDataField(field);
    }

    void data()
    {
        auto *b = static_cast<TkavDataBand *>(band(u"TkavMasterData"_s, FY, 5 * mm));
        b->SetDataSet(FChoice.DataSet);
        FY += 30;
        double height = 5 * mm;
        if (!FChoice.Tabular) {
            double top = 0;
            for (int i = 0; i < FChoice.Fields.size(); ++i, top += 5 * mm) {
                memo(b, 0, top, FCaptionWidth, 5 * mm, FChoice.Fields[i], u"Header"_s);
                bind(memo(b, FCaptionWidth + 5 * mm, top, FDataWidths[i], 5 * mm, QString(), u"Data"_s),
                     FChoice.Fields[i]);
            }
            height = top + (FChoice.Fields.isEmpty() ? 5 * mm : 0);
        } else if (!FChoice.Fields.isEmpty()) {
            height = rows(5 * mm, [&](int i, double x, double top) {
                bind(memo(b, x, top, FColumns[i], 5 * mm, QString(), u"Data"_s), FChoice.Fields[i]);
            });
        }
        b->SetHeight(height);
        FY += height;
    }

    void pageFooter()
    {
        TkavBand *b = band(u"TkavPageFooter"_s, 1000, 7 * mm);
        TkavCustomMemoView *line = memo(b, 0, 0, FWidth, 7 * mm, QString(), QString());
        line->SetAlign(baWidth);
        TkavFrame frame;
        frame.SetTyp({ftTop});
        frame.SetWidth(2);
        line->SetFrame(frame);
        TkavCustomMemoView *when = memo(b, 0, 1, 0, 6 * mm, u"[Date] [Time]"_s, QString());
        when->SetAutoWidth(true);
        when->SetWidth(when->CalcWidth()); // as wide as its text in the designer too
        TkavCustomMemoView *page = memo(b, 100, 1, 2 * 10 * mm, 6 * mm, u"Page [Page#]"_s, QString());
        page->SetAlign(baRight);
        page->SetHAlign(haRight);
    }

    TkavReport &FReport;
    const TkavWizardChoice &FChoice;
    TkavReportPage *FPage = nullptr;
    double FWidth = 0;
    double FY = 0;
    double FCaptionWidth = 0;
    QList<double> FDataWidths;
    QList<double> FColumns;
};

} // namespace

void kavWizardGenerate(TkavReport &report, const TkavWizardChoice &choice)
{
    Generator(report, choice).run();
}
