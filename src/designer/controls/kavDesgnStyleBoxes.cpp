// The style and colour combo boxes of the frame and fill editors.

#include "kavDesgnStyleBoxes.h"

#include <persist/kavRes.h>
#include <prepared/kavPaintUtils.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

#include <QPainter>
#include <QPixmap>

using namespace Qt::StringLiterals;

namespace {

constexpr QSize lineSample(64, 12);
constexpr int brushSample = 20;

// A line of that style across the sample, drawn as a frame's top side.
QIcon lineIcon(TkavFrameStyle style)
{
    QPixmap pixmap(lineSample);
    pixmap.fill(Qt::white);
    TkavFrame frame;
    frame.SetTyp({ftTop});
    frame.SetStyle(style);
    frame.SetWidth(style == fsDouble ? 1 : 2);
    QPainter p(&pixmap);
    const int y = lineSample.height() / 2;
    frame.Draw(p, 4, y, lineSample.width() - 4, y + 1, 1, 1);
    return QIcon(pixmap);
}

// A box of that brush style: black pattern on white, solid all black.
QIcon brushIcon(TBrushStyle style)
{
    QPixmap pixmap(brushSample, brushSample);
    pixmap.fill(Qt::white);
    TkavBrushFill fill;
    fill.SetStyle(style);
    fill.SetBackColor(style == bsSolid ? clBlack : clWhite);
    fill.SetForeColor(clBlack);
    QPainter p(&pixmap);
    fill.Draw(p, 0, 0, brushSample - 1, brushSample - 1, 1, 1);
    p.setPen(Qt::gray);
    p.drawRect(0, 0, brushSample - 1, brushSample - 1);
    return QIcon(pixmap);
}

QIcon swatch(TColor color)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    if (color != clNone)
        p.fillRect(pixmap.rect(), kavColorToQColor(color));
    else
        p.drawLine(0, 11, 15, 0); // struck through: no colour
    p.setPen(Qt::gray);
    p.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

// The standard colours end where the system colours begin.
bool isStandardColor(TColor color)
{
    return !kavIsSystemColor(color) && color != clNone && color != clDefault;
}

} // namespace

TkavLineStyleComboBox::TkavLineStyleComboBox(QWidget *parent)
    : QComboBox(parent)
{
    const TkavEnumInfo &info = kavEnumTypeInfo(fsSolid);
    setIconSize(lineSample);
    for (int style = fsSolid; style <= fsSquare; ++style) {
        addItem(lineIcon(TkavFrameStyle(style)), QString());
        setItemData(style, info.NameOf(style), Qt::AccessibleTextRole);
        setItemData(style, info.NameOf(style), Qt::ToolTipRole);
    }
}

TkavBrushStyleComboBox::TkavBrushStyleComboBox(QWidget *parent)
    : QComboBox(parent)
{
    const TkavEnumInfo &info = kavEnumTypeInfo(bsSolid);
    setIconSize(QSize(brushSample, brushSample));
    for (int style = bsSolid; style <= bsDiagCross; ++style)
        addItem(brushIcon(TBrushStyle(style)), kavResourceTable().Get(info.NameOf(style)));
}

TkavColorComboBox::TkavColorComboBox(bool allowNone, QWidget *parent)
    : QComboBox(parent)
{
    if (allowNone)
        addColor(clNone, kavResourceTable().Get(u"5208"_s));
    for (const auto &[ident, value] : kavColorIdents())
        if (isStandardColor(value))
            addColor(value, ident.mid(2));
    addItem(kavResourceTable().Get(u"5209"_s)); // no colour data: the dialog
    setMaxVisibleItems(count());
    connect(this, &QComboBox::activated, this, [this](int index) { chosen(index); });
    SetColor(clBlack);
}

int TkavColorComboBox::addColor(TColor color, const QString &name, int at)
{
    if (at < 0)
        at = count();
    insertItem(at, swatch(color), name, QVariant(qint32(color)));
    return at;
}

void TkavColorComboBox::SetColor(TColor color)
{
    const bool changed = color != FColor;
    FColor = color;
    int index = findData(QVariant(qint32(color)));
    if (index < 0) {
        QString name;
        if (!ColorToIdent(color, name))
            name = ColorToString(color);
        index = addColor(color, name.startsWith(u"cl"_s) ? name.mid(2) : name, count() - 1);
    }
    setCurrentIndex(index);
    if (changed && OnChange)
        OnChange();
}

void TkavColorComboBox::chosen(int index)
{
    const QVariant entry = itemData(index);
    TColor color = FColor;
    if (!entry.isValid() && !kavUIServices().ColorDialog(color))
        color = FColor; // cancelled: back to the colour shown before
    else if (entry.isValid())
        color = TColor(entry.toInt());
    SetColor(color);
}
