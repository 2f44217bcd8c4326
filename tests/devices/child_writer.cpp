// Test child for RunAndCapture:
//   out N     writes N bytes "0123456789..." to standard output
//   err TEXT  writes TEXT to standard error
//   nul       writes "before" NUL "after" in one write
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  int i = 1;
  while (i < argc) {
    if (std::strcmp(argv[i], "nul") == 0) {
      std::fwrite("before\0after", 1, 12, stdout);
      std::fflush(stdout);
      i += 1;
      continue;
    }
    const bool takesValue = std::strcmp(argv[i], "out") == 0 || std::strcmp(argv[i], "err") == 0;
    if (!takesValue || i + 1 >= argc) {  // anything else (such as -l) is ignored
      i += 1;
      continue;
    }
    if (std::strcmp(argv[i], "out") == 0) {
      const int count = std::atoi(argv[i + 1]);
      std::string bytes;
      for (int n = 0; n < count; ++n) bytes += static_cast<char>('0' + n % 10);
      std::fwrite(bytes.data(), 1, bytes.size(), stdout);
      std::fflush(stdout);
    } else if (std::strcmp(argv[i], "err") == 0) {
      std::fputs(argv[i + 1], stderr);
      std::fflush(stderr);
    }
    i += 2;
  }
  return 0;
}
