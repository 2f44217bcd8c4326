// The check of what a copy keeps beyond content: each file and folder below
// the target has the read-only, hidden and system attributes and the
// modified time of its source. Times are compared to within the two seconds
// a FAT time is rounded to, and an hour either way is taken as the same
// time, as FAT keeps local time and reads an hour off after a change of
// daylight saving. The created time is not compared: not every file system
// keeps it.
#pragma once

#include <string>
#include <vector>

namespace sw {

// The target paths (`targetRoot` + relative path) whose look differs from
// the same path below `sourceRoot`, or that cannot be read; `files` and
// `folders` are relative paths (folders may end in "\").
std::vector<std::string> LooksDiffering(const std::string& sourceRoot, const std::string& targetRoot,
                                        const std::vector<std::string>& files,
                                        const std::vector<std::string>& folders);

// Whether `target` has the look of `source` by the rule above; false when
// either cannot be read.
bool SameLook(const std::string& source, const std::string& target);

// Whether two modified times (100 ns units) count as the same by the rule above.
bool SameModifiedTime(unsigned long long a, unsigned long long b);

}  // namespace sw
