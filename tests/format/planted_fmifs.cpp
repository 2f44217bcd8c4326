// A library with the format library's name and entries, built beside the
// test program. The program must never load it from there; the test checks
// which fmifs.dll, if any, ended up in the process.
#include <cstdint>

extern "C" __declspec(dllexport) void __stdcall Chkdsk(const wchar_t*, const wchar_t*, int32_t, int32_t, int32_t,
                                                       int32_t, void*, void*, void*) {}
extern "C" __declspec(dllexport) void __stdcall FormatEx(const wchar_t*, uint32_t, const wchar_t*, const wchar_t*,
                                                         int32_t, uint32_t, void*) {}
