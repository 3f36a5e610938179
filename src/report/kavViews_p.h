#pragma once

// Internals shared by the view units: attribute helpers of the difference texts and the
// published-table fragments several view classes repeat.

#include "kavDataSets.h"
#include "kavViews.h"

#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QImage>
#include <QString>
#include <QStringView>

namespace kavViewsPrivate {

// Decodes picture bytes of format ("bmp", "png" ...) into image, refusing images whose
// pixels would exceed kavPictureMaxImageBytes (checked on the declared size first).
bool decodeImage(const QByteArray &data, const char *format, QImage &image);

// Device pixels from scaled coordinates: the nearest integer, halves to even.
inline int roundEven(double value)
{
    return int(kavRound(value));
}

// Coordinates and gaps differ when they are more than 0.0001 apart.
bool floatsDiffer(double a, double b);
// Appends " name=\"value\"" (value as given).
void addAttr(QString &text, QStringView name, const QString &value);
// "1" or "0".
QString boolText(bool value);

// The view-level entries every view publishes, in their stored order.
template <class T>
void publishViewProps(TkavPropBuilder<T> &p)
{
    p.Enum(QStringLiteral("Align"), &TkavView::Align, &TkavView::SetAlign)
        .Default(kavViewDefaultAlign);
    p.Bool(QStringLiteral("Printable"), &TkavView::Printable, &TkavView::SetPrintable)
        .Stored(false);
    p.Enum(QStringLiteral("ShiftMode"), &TkavView::ShiftMode, &TkavView::SetShiftMode)
        .Default(kavViewDefaultShiftMode);
    kavPublishLeft(p);
    kavPublishTop(p);
    kavPublishWidth(p);
    kavPublishHeight(p);
    kavPublishGroupIndex(p);
    kavPublishRestrictions(p);
    kavPublishVisible(p).Default(true);
    p.Event(QStringLiteral("OnAfterData"),
            &TkavReportComponent::OnAfterData,
            &TkavReportComponent::SetOnAfterData);
    p.Event(QStringLiteral("OnAfterPrint"),
            &TkavReportComponent::OnAfterPrint,
            &TkavReportComponent::SetOnAfterPrint);
    p.Event(QStringLiteral("OnBeforePrint"),
            &TkavReportComponent::OnBeforePrint,
            &TkavReportComponent::SetOnBeforePrint);
    p.Event(QStringLiteral("OnMouseEnter"), &TkavView::OnMouseEnter, &TkavView::SetOnMouseEnter);
    p.Event(QStringLiteral("OnMouseLeave"), &TkavView::OnMouseLeave, &TkavView::SetOnMouseLeave);
    p.Event(QStringLiteral("OnMouseDown"), &TkavView::OnMouseDown, &TkavView::SetOnMouseDown);
    p.Event(QStringLiteral("OnMouseMove"), &TkavView::OnMouseMove, &TkavView::SetOnMouseMove);
    p.Event(QStringLiteral("OnMouseUp"), &TkavView::OnMouseUp, &TkavView::SetOnMouseUp);
    p.Event(QStringLiteral("OnPreviewClick"),
            &TkavReportComponent::OnPreviewClick,
            &TkavReportComponent::SetOnPreviewClick,
            QStringLiteral("TkavPreviewClickEvent"));
    p.Event(QStringLiteral("OnPreviewDblClick"),
            &TkavReportComponent::OnPreviewDblClick,
            &TkavReportComponent::SetOnPreviewDblClick,
            QStringLiteral("TkavPreviewClickEvent"));
    p.Object(QStringLiteral("Hyperlink"), &TkavView::Hyperlink, &TkavView::SetHyperlink);
    p.String(QStringLiteral("Hint"), &TkavView::Hint, &TkavView::SetHint);
    p.Bool(QStringLiteral("ShowHint"), &TkavView::ShowHint, &TkavView::SetShowHint).Default(false);
    p.Set(QStringLiteral("Visibility"), &TkavView::Visibility, &TkavView::SetVisibility)
        .Default(kavViewDefaultVisibility);
}

// Single entries shared by several view classes.
template <class T>
void publishCursor(TkavPropBuilder<T> &p)
{
    p.Int(QStringLiteral("Cursor"), &TkavView::Cursor, &TkavView::SetCursor)
        .TypeName(QStringLiteral("TCursor"))
        .Default(0);
}

template <class T>
void publishTagStr(TkavPropBuilder<T> &p)
{
    p.String(QStringLiteral("TagStr"), &TkavView::TagStr, &TkavView::SetTagStr);
}

template <class T>
void publishURL(TkavPropBuilder<T> &p)
{
    p.String(QStringLiteral("URL"), &TkavView::URL, &TkavView::SetURL).Stored(false);
}

template <class T>
void publishColor(TkavPropBuilder<T> &p)
{
    p.Int(QStringLiteral("Color"), &TkavView::Color, &TkavView::SetColor)
        .TypeName(QStringLiteral("TColor"))
        .Stored(false);
}

template <class T>
void publishFrameAndFill(TkavPropBuilder<T> &p, bool frameFirst)
{
    if (frameFirst)
        p.Object(QStringLiteral("Frame"), &TkavView::Frame, &TkavView::SetFrame);
    p.Enum(QStringLiteral("FillType"), &TkavView::FillType, &TkavView::SetFillType);
    p.Object(QStringLiteral("Fill"), &TkavView::Fill, &TkavView::SetFill);
    if (!frameFirst)
        p.Object(QStringLiteral("Frame"), &TkavView::Frame, &TkavView::SetFrame);
}

template <class T>
void publishDataBinding(TkavPropBuilder<T> &p)
{
    p.String(QStringLiteral("DataField"), &TkavView::DataField, &TkavView::SetDataField);
    p.Component(QStringLiteral("DataSet"), &TkavView::DataSet, &TkavView::SetDataSet)
        .StoredIf(&TkavView::IsDataSetStored);
    p.String(QStringLiteral("DataSetName"), &TkavView::DataSetName, &TkavView::SetDataSetName);
}

} // namespace kavViewsPrivate
