#include "kavDesgnReportTreeModel.h"

#include <designer/editors/kavDesgnRegister.h>
#include <report/kavBands.h>
#include <report/kavComponent.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Icons: indices into the object images.
int imageOf(const TkavComponent &object)
{
    if (dynamic_cast<const TkavReport *>(&object))
        return 34;
    if (dynamic_cast<const TkavReportPage *>(&object))
        return 35;
    if (object.InheritsFrom(u"TkavDialogPage"))
        return 36;
    if (dynamic_cast<const TkavDataPage *>(&object))
        return 37;
    if (dynamic_cast<const TkavBand *>(&object))
        return 40;
    const TkavObjectCollection &registry = kavObjectRegistry();
    for (int i = 0; i < registry.Count(); ++i)
        if (registry.GetObjectItem(i).ClassRef.compare(object.ClassName(), Qt::CaseInsensitive) == 0)
            return registry.GetObjectItem(i).ButtonImageIndex;
    return -1;
}

bool isDialogControl(const TkavComponent *object)
{
    return dynamic_cast<const TkavDialogComponent *>(object) != nullptr;
}

// A report object that is not a dialog control.
bool movable(const TkavComponent *object)
{
    return dynamic_cast<const TkavReportComponent *>(object) && !isDialogControl(object)
           && !dynamic_cast<const TkavPage *>(object) && !dynamic_cast<const TkavReport *>(object);
}

} // namespace

void TkavReportTreeModel::Build(TkavReport &report, bool hideDataPages)
{
    FNodes.clear();
    add(report, -1, hideDataPages);
}

void TkavReportTreeModel::add(TkavComponent &object, int parent, bool hideDataPages)
{
    const bool dataPage = dynamic_cast<const TkavDataPage *>(&object) != nullptr;
    if (dataPage && hideDataPages)
        return;
    const bool isReport = dynamic_cast<const TkavReport *>(&object) != nullptr;
    FNodes.push_back({&object, isReport ? u"Report"_s : object.Name(), imageOf(object), parent});
    const int index = int(FNodes.size()) - 1;
    // A data page shows only its data sets and other dialog components.
    for (TkavComponent *child : object.Objects())
        if (!dataPage || isDialogControl(child))
            add(*child, index, hideDataPages);
}

int TkavReportTreeModel::IndexOf(const TkavComponent *object) const
{
    const auto it = std::find_if(FNodes.begin(), FNodes.end(), [object](const TkavReportTreeNode &node) {
        return node.Object == object;
    });
    return it == FNodes.end() ? -1 : int(it - FNodes.begin());
}

bool TkavReportTreeModel::AcceptsDrop(const TkavComponent *target)
{
    return dynamic_cast<const TkavBand *>(target) || dynamic_cast<const TkavReportPage *>(target);
}

bool TkavReportTreeModel::Drop(const QList<TkavComponent *> &dragged, TkavComponent &target)
{
    if (!AcceptsDrop(&target))
        return false;
    bool moved = false;
    const auto move = [&](TkavComponent *object) {
        // Never into itself or below itself.
        for (const TkavComponent *p = &target; p; p = p->Parent())
            if (p == object)
                return;
        if (object->Parent() == &target)
            return;
        object->SetParent(&target);
        moved = true;
    };
    for (TkavComponent *object : dragged) {
        if (dynamic_cast<const TkavBand *>(object)) {
            const QList<TkavComponent *> children = object->Objects();
            for (TkavComponent *child : children)
                if (movable(child))
                    move(child);
        } else if (movable(object)) {
            move(object);
        }
    }
    return moved;
}
