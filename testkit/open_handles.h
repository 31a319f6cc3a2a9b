// The handle values the process holds, found by asking for each one's flags:
// the handle-count call is a stub under Wine. A handle that is closed drops
// out of this set.
#pragma once

#include <stdint.h>

#include <set>
#include <string>

typedef std::set<uintptr_t> HandleSet;

HandleSet OpenHandles();

// "+N -M" listing the handles opened and closed between two censuses, for
// failure messages.
std::string DescribeHandleChange(const HandleSet& before, const HandleSet& after);
