#pragma once

#include "name_filter.h"
#include "sync_types.h"

// Judges every name of the two trees, folder by folder from the compared
// folder down (see Verdict). Names match exactly; two that differ only in
// case are a problem each, as a side that ignores case would take them for
// one. The entries of a folder a side could not read are problems too, never
// "only here" or "only there". Names the filter leaves out do not appear.
ComparedTree compareTrees(const SideTree& local, const SideTree& remote, const CompareRules& rules,
                          const CompiledFilter& filter);

// How the local time of a file stands to the remote one: negative when older,
// 0 when the same, positive when newer. A remote time listed to the minute
// (or day) covers all of that minute (day), the server's offset taken off
// first; `rules.toleranceSeconds` either way count as the same.
int compareTimes(const SideEntry& local, const SideEntry& remote, const CompareRules& rules);
