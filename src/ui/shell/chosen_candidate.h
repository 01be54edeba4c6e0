#pragma once
// The machine choosers' list: one row per candidate, in the candidates' order.

#include <QList>
#include <QTreeWidget>
#include <string>

// The name of the candidate whose row is selected, or "" with none.
template <typename Candidates>
std::string ChosenCandidateName(const QTreeWidget& list, const Candidates& candidates) {
    const QList<QTreeWidgetItem*> chosen = list.selectedItems();
    if (chosen.isEmpty()) {
        return {};
    }
    const int row = list.indexOfTopLevelItem(chosen.front());
    return row >= 0 && size_t(row) < candidates.size() ? candidates[size_t(row)].name
                                                       : std::string();
}
