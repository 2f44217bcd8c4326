// marbolt: lists the physical drives and volumes of this computer.
//   marbolt -l   the listing (see listing.h)
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "marbolt/listing.h"
#include "platform/device_io_win32.h"

int main(int argc, char** argv) {
  if (argc < 2 || (std::strcmp(argv[1], "-l") != 0 && std::strcmp(argv[1], "/l") != 0)) {
    std::fputs("marbolt: lists physical drives and volumes.\r\nUsage: marbolt -l\r\n", stderr);
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // the listing carries its own CR LF
  sw::Win32DeviceIo io;
  const std::string listing = marbolt::FormatListing(marbolt::ProbePhysicalDrives(io), marbolt::ProbeVolumes());
  std::fwrite(listing.data(), 1, listing.size(), stdout);
  std::fflush(stdout);
  return 0;
}
