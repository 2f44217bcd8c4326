// The drive letter of a physical drive: first through the WMI associations
// disk drive -> partitions -> logical disks, then through the tool drive map.
#pragma once

#include <string>
#include <vector>

namespace sw {

class IWmi;

// Sets `drive` to the logical disk ("E:") of each partition of `drivePath`
// that has one, so the last such partition wins. WMI failures are raised;
// `drive` then keeps what the partitions before the failure gave.
void WmiDiskLetter(IWmi& wmi, const std::string& drivePath, std::string& drive);

// The drive ("E:") the tool drive map gives for `drivePath`; only drives 1
// to 9 can be found there. Empty when none.
std::string ToolMapLetter(const std::vector<std::string>& toolDriveMap, const std::string& drivePath);

// `drive` ("E:") in form 0 ("E:\"), 1 ("E:") or 2 ("E"); empty for any other
// form or when `drive` does not begin with an upper-case letter and ":".
std::string DriveLetterInForm(const std::string& drive, int form);

// WMI first (in its own COM initialisation, every error swallowed), then the
// tool drive map; the result in the given form.
std::string DiskDriveLetter(IWmi* wmi, const std::vector<std::string>& toolDriveMap, const std::string& drivePath,
                            int form);

}  // namespace sw
