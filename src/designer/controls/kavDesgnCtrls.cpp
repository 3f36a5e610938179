// The font name box: its list logic and the combo box showing it.

#include "kavDesgnCtrls.h"

#include <rtl/kavSettings.h>

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString mruSection = u"MRUFont"_s;

// The kind icons, drawn rather than loaded: a serif "T" for outline fonts, a small printer
// for device fonts.
// Drawn for the screen's pixel ratio, so it stays sharp when scaled, in the list's text
// colour (ink), so it reads on a dark palette.
QPixmap kindIcon(int fontType, const QColor &ink, qreal ratio)
{
    QPixmap pixmap(QSize(14, 12) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    if (fontType & kavTrueTypeFontType) {
        QFont f(u"DejaVu Serif"_s);
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawText(QRect(0, 0, 9, 12), Qt::AlignCenter, u"T"_s);
        p.setPen(ink);
        p.drawText(QRect(4, 0, 9, 12), Qt::AlignCenter, u"T"_s);
    } else if (fontType & kavDeviceFontType) {
        p.setPen(ink);
        p.drawRect(1, 4, 11, 5);
        p.drawRect(3, 1, 7, 3);
        p.fillRect(3, 9, 8, 2, Qt::white);
    }
    return pixmap;
}

// Entries: kind icon, name; a line under the last recent font.
class FontItemDelegate : public QStyledItemDelegate
{
public:
    FontItemDelegate(const TkavFontList &list, QObject *parent)
        : QStyledItemDelegate(parent)
        , FList(list)
    {
    }

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QString name = o.text;
        o.text.clear();
        o.icon = QIcon();
        QStyledItemDelegate::paint(p, o, index);
        const int row = index.row();
        const TkavFontItem item = FList.Items().value(row);
        const QRect r = option.rect;
        const QColor ink = o.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                 : QPalette::Text);
        int x = r.left() + 1;
        if (item.FontType & (kavTrueTypeFontType | kavDeviceFontType)) {
            const QPixmap icon = kindIcon(item.FontType, ink, p->device()->devicePixelRatioF());
            const QSize size = icon.deviceIndependentSize().toSize();
            p->drawPixmap(x, r.top() + (r.height() - size.height()) / 2, icon);
            x += size.width();
        } else {
            x += 15;
        }
        p->setPen(ink);
        p->drawText(QRect(x + 2, r.top(), r.right() - x - 2, r.height()),
                    Qt::AlignVCenter | Qt::TextSingleLine, name);
        if (row == FList.Numused() && FList.Numused() >= 0) {
            p->setPen(o.palette.color(QPalette::Dark));
            p->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        }
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(std::max(option.fontMetrics.height(), 12 + 1));
        return s;
    }

private:
    const TkavFontList &FList;
};

} // namespace

// --- the list ------------------------------------------------------------------------------

void TkavFontList::PopulateList(const QList<TkavFontItem> &Families)
{
    QList<TkavFontItem> sorted;
    for (const TkavFontItem &f : Families) {
        auto at = std::lower_bound(sorted.begin(), sorted.end(), f, [](const auto &a, const auto &b) {
            return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
        });
        if (at == sorted.end() || at->Name.compare(f.Name, Qt::CaseInsensitive) != 0)
            sorted.insert(at, f);
    }
    const QString current = Text();
    FItems = sorted;
    FNumused = -1;
    if (FShowMRU && FIni) {
        for (int n = MaxRecent - 1; n >= 0; --n) {
            const QString name = FIni->ReadString(mruSection, u"Font"_s + QString::number(n), QString());
            const bool installed = std::any_of(sorted.begin(), sorted.end(), [&](const TkavFontItem &f) {
                return f.Name == name;
            });
            if (installed && !name.isEmpty()) {
                const int type = FIni->ReadInteger(mruSection, u"FontType"_s + QString::number(n), 0);
                FItems.prepend({name, type});
                ++FNumused;
            } else if (!name.isEmpty()) {
                FIni->WriteString(mruSection, u"Font"_s + QString::number(n), QString());
                FIni->WriteInteger(mruSection, u"FontType"_s + QString::number(n), 0);
            }
        }
    }
    FItemIndex = -1;
    SetText(current);
}

void TkavFontList::SetText(const QString &Name)
{
    FItemIndex = FItems.isEmpty() ? -1 : 0;
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems[i].Name == Name) {
            FItemIndex = i;
            return;
        }
}

// The first entry is skipped only when it already is the most recent font: with no recent
// fonts yet it is just the first family and is recorded like any other.
void TkavFontList::Choose(int Index)
{
    if (Index < 0 || Index >= FItems.size() || (Index == 0 && FNumused >= 0))
        return;
    FItemIndex = Index;
    if (!FShowMRU)
        return;
    const TkavFontItem item = FItems[Index];
    if (Index > FNumused) {
        FItems.prepend(item);
        if (FNumused >= MaxRecent - 1)
            FItems.removeAt(MaxRecent);
        else
            ++FNumused;
    } else {
        FItems.move(Index, 0);
    }
    FItemIndex = 0;
    store();
}

void TkavFontList::store() const
{
    if (!FIni)
        return;
    for (int i = 0; i < MaxRecent; ++i) {
        const bool used = i <= FNumused;
        FIni->WriteString(mruSection, u"Font"_s + QString::number(i), used ? FItems[i].Name : QString());
        FIni->WriteInteger(mruSection, u"FontType"_s + QString::number(i), used ? FItems[i].FontType : 0);
    }
}

QList<TkavFontItem> kavScreenFontFamilies()
{
    QList<TkavFontItem> families;
    for (const QString &family : QFontDatabase::families())
        families.append({family, QFontDatabase::isSmoothlyScalable(family) ? kavTrueTypeFontType
                                                                           : kavDeviceFontType});
    return families;
}

// --- the box ---------------------------------------------------------------------------------

TkavFontComboBox::TkavFontComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(12);
    setFixedWidth(150);
    setItemDelegate(new FontItemDelegate(FList, this));
    connect(this, &QComboBox::highlighted, this, [this](int index) { previewFont(index); });
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (FUpdate)
            return;
        FList.Choose(index);
        reload();
        if (OnClick)
            OnClick();
    });
}

TkavFontComboBox::~TkavFontComboBox() = default;

void TkavFontComboBox::PopulateList(const QList<TkavFontItem> &Families)
{
    FList.PopulateList(Families);
    reload();
}

void TkavFontComboBox::SetFontName(const QString &Name)
{
    FList.SetText(Name);
    FUpdate = true;
    // A font that is not installed is shown by its name rather than as another family.
    const int index = FList.ItemIndex();
    const bool listed = index >= 0 && FList.Items()[index].Name == Name;
    setPlaceholderText(listed ? QString() : Name);
    setCurrentIndex(listed ? index : -1);
    FUpdate = false;
}

void TkavFontComboBox::reload()
{
    FUpdate = true;
    clear();
    for (const TkavFontItem &item : FList.Items())
        addItem(QIcon(kindIcon(item.FontType, palette().color(QPalette::Text), devicePixelRatioF())), item.Name);
    setCurrentIndex(FList.ItemIndex());
    FUpdate = false;
}

void TkavFontComboBox::showPopup()
{
    if (!FPreview) {
        FPreview = std::make_unique<QLabel>(nullptr, Qt::ToolTip);
        FPreview->setAutoFillBackground(true);
        FPreview->setFrameShape(QFrame::Box);
        FPreview->setAlignment(Qt::AlignCenter);
        FPreview->setFixedSize(150, 40);
    }
    // Right of the box at its bottom edge; left of it when it would leave the screen.
    QPoint at = mapToGlobal(QPoint(width() + 1, height() - FPreview->height()));
    if (const QScreen *s = screen(); s && at.x() + FPreview->width() > s->geometry().right())
        at.setX(mapToGlobal(QPoint(0, 0)).x() - FPreview->width() - 1);
    FPreview->move(at);
    previewFont(currentIndex());
    FPreview->show();
    QComboBox::showPopup();
}

void TkavFontComboBox::hidePopup()
{
    if (FPreview)
        FPreview->hide();
    QComboBox::hidePopup();
}

void TkavFontComboBox::previewFont(int index)
{
    if (!FPreview || index < 0 || index >= FList.Items().size())
        return;
    QFont f(FList.Items()[index].Name);
    f.setPixelSize(20);
    FPreview->setFont(f);
    FPreview->setText(FList.Items()[index].Name);
}
