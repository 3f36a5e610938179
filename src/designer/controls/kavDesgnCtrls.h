#pragma once

// The font name box of the designer's text tool bar: the font families with the five most
// recently chosen ones kept at the top (and in the settings store between runs), a kind
// icon per font and a floating preview of the highlighted font. TkavFontList is the list's
// logic without widgets; TkavFontComboBox shows it.

#include <QComboBox>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class TkavIniFile;

// The platform's font kind bits.
inline constexpr int kavTrueTypeFontType = 4;
inline constexpr int kavDeviceFontType = 2;

struct TkavFontItem
{
    QString Name;
    int FontType = 0; // kind bits
};

class TkavFontList
{
public:
    static constexpr int MaxRecent = 5;

    // The store of the recently used fonts (not owned; null: none).
    TkavIniFile *Ini() const { return FIni; }
    void SetIni(TkavIniFile *Value) { FIni = Value; }
    bool ShowMRU() const { return FShowMRU; }
    void SetShowMRU(bool Value) { FShowMRU = Value; }

    // Fills the list from the families found (screen fonts first, then the printer's):
    // sorted without duplicates (a name keeps its first kind bits), then the stored recent
    // fonts that are still installed on top; stored ones that are not are cleared.
    void PopulateList(const QList<TkavFontItem> &Families);
    // The entry chosen when the drop-down closed: a font not yet recent goes on top (the
    // oldest of five recent ones drops out), a recent one moves to the top; the recent
    // fonts are stored. Index -1 does nothing.
    void Choose(int Index);

    const QList<TkavFontItem> &Items() const { return FItems; }
    int Numused() const { return FNumused; }
    int ItemIndex() const { return FItemIndex; }
    // Selects the first entry of that name (the first entry when there is none).
    void SetText(const QString &Name);
    QString Text() const { return FItems.value(FItemIndex).Name; }

private:
    void store() const;

    QList<TkavFontItem> FItems;
    int FNumused = -1;
    int FItemIndex = -1;
    bool FShowMRU = true;
    TkavIniFile *FIni = nullptr;
};

// The families the screen offers, with their kind bits.
QList<TkavFontItem> kavScreenFontFamilies();

class TkavFontComboBox : public QComboBox
{

public:
    explicit TkavFontComboBox(QWidget *parent = nullptr);
    ~TkavFontComboBox() override;

    TkavFontList &List() { return FList; }
    // Refills from Families (the screen's when not given) and shows the list.
    void PopulateList(const QList<TkavFontItem> &Families = kavScreenFontFamilies());
    void SetFontName(const QString &Name);
    QString FontName() const { return FList.Text(); }
    // The owner's click: a font was chosen (not while the box is being filled).
    std::function<void()> OnClick;
    // The floating preview (null while the list is closed).
    QLabel *Preview() const { return FPreview.get(); }

    void showPopup() override;
    void hidePopup() override;

private:
    void reload();
    void previewFont(int index);

    TkavFontList FList;
    bool FUpdate = false;
    std::unique_ptr<QLabel> FPreview; // a top-level window of its own
};
