#pragma once

// The band tree of a report page for one run: which data bands are masters and which are
// their details, the header, footer and group chain of each data band, the footer of each
// group header. Built from the page's flat list of bands by their positions; bands that fit
// nowhere are reported. Also the shift tree of a band: which objects move when the objects
// above them grow.

#include <QList>

#include <cstddef>
#include <unordered_map>
#include <vector>

class TStrings;
class TkavBand;
class TkavDataBand;
class TkavGroupHeader;
class TkavReportComponent;
class TkavReportPage;

class TkavBandTree
{
public:
    // Links of one band of the tree.
    struct Links
    {
        // A data band: its detail data bands. The outermost group header of a chain: the
        // chain, itself first.
        std::vector<TkavBand *> SubBands;
        TkavBand *Header = nullptr;       // a data band: its TkavHeader
        TkavBand *Footer = nullptr;       // a data band: its TkavFooter; a group header: its footer
        TkavGroupHeader *Group = nullptr; // a data band: the outermost header of its group chain
    };

    // Builds the tree of Page's horizontal bands (Vertical false) or vertical bands. The page's
    // children are aligned first; in the horizontal pass objects lying inside a vertical band
    // move into it. Bands at equal positions keep their object order; none is dropped.
    // Error lines ("<resource text> <band name>") are added to Errors.
    void Build(TkavReportPage &Page, bool Vertical, TStrings &Errors);
    void Clear();

    // The page's top-level master data bands that have a data set, in order.
    const std::vector<TkavDataBand *> &TopBands() const { return FTopBands; }
    // The links of Band; empty links for a band outside the tree.
    const Links &LinksOf(const TkavBand *Band) const;

private:
    // Steps of Build over the tree bands in position order; each takes the bands it links
    // (or reports) out of the list.
    void linkGroups(std::vector<TkavBand *> &list, TStrings &errors);
    void linkHeadersAndFooters(std::vector<TkavBand *> &list, TStrings &errors);
    void linkDataBands(std::vector<TkavBand *> &list);
    size_t linkDetails(const std::vector<TkavBand *> &list, std::vector<bool> &used, size_t parent);

    std::vector<TkavDataBand *> FTopBands;
    std::unordered_map<const TkavBand *, Links> FLinks;
};

// Builds Band's shift tree when it has none yet (its shift-children list is empty): every
// object learns which objects directly below it move when it grows.
void kavBuildShiftTree(TkavBand &Band);
// Moves the shift children of Parent down by Amount according to their ShiftMode, then
// their own children, depth first; every shift amount of the subtree returns to 0.
void kavShiftObjects(TkavReportComponent &Parent, double Amount);
