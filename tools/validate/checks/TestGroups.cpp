// SPDX-License-Identifier: ISC
#include "tools/validate/checks/TestGroups.h"

const std::vector<TestGroup>& TestGroups() {
    static const std::vector<TestGroup> groups = {
        LoadChecks(),        TextChecks(),       ParameterChecks(), AudioChecks(),
        DeterminismChecks(), AutomationChecks(), RealtimeChecks(),  EventChecks()};
    return groups;
}
