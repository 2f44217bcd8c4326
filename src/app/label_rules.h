// The volume label rules of each file system, checked before anything is
// asked or erased: a label the format would refuse must not get as far as
// the format, where its failure would leave the drive's files only in the
// backup. Plain logic: no system calls.
#pragma once

#include <string>

namespace sw {

// Why `label` (UTF-8, already trimmed) cannot name a volume of the file
// system with this index of the FileSystem list; empty when it can.
std::string LabelProblem(const std::string& label, int fileSystemIndex);

}  // namespace sw
