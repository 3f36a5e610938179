#pragma once

// TkavReportTreeModel: the report's object hierarchy as the report tree shows it, without
// widgets: one node per object, depth first, and the moves a drop of nodes onto a band or a
// page makes.

#include <QList>
#include <QString>

#include <vector>

class TkavComponent;
class TkavReport;

struct TkavReportTreeNode
{
    TkavComponent *Object = nullptr;
    QString Text;
    int ImageIndex = -1;
    int Parent = -1; // index of the parent's node; -1 for the report
};

class TkavReportTreeModel
{
public:
    // Rebuilds the nodes; data pages are left out when hideDataPages (a restriction).
    void Build(TkavReport &report, bool hideDataPages);
    const std::vector<TkavReportTreeNode> &Nodes() const { return FNodes; }
    // The node showing object; -1 when the tree does not show it.
    int IndexOf(const TkavComponent *object) const;

    // Bands and report pages take drops.
    static bool AcceptsDrop(const TkavComponent *target);
    // Moves the dragged objects onto target: a band moves its objects (not itself), any
    // other report object moves itself; pages, the report and dialog controls stay. True
    // when anything moved.
    static bool Drop(const QList<TkavComponent *> &dragged, TkavComponent &target);

private:
    void add(TkavComponent &object, int parent, bool hideDataPages);

    std::vector<TkavReportTreeNode> FNodes;
};
