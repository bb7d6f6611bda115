#include "core/CoreGroups.h"

#include <algorithm>

namespace tv {

CoreGroups groupCores(const CPUSample& sample, const std::vector<int>& efficiencyIds) {
    bool numbered = sample.ids.size() == sample.cores.size();
    CoreGroups groups;
    for (std::size_t i = 0; i < sample.cores.size(); ++i) {
        int id = numbered ? sample.ids[i] : static_cast<int>(i);
        bool efficient =
            std::find(efficiencyIds.begin(), efficiencyIds.end(), id) != efficiencyIds.end();
        (efficient ? groups.efficiency : groups.performance).push_back(sample.cores[i]);
    }
    return groups;
}

}  // namespace tv
