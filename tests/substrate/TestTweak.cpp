// A stand-in tweak: its module initialiser tells the test executable which file it was loaded from.
#include <dlfcn.h>

extern "C" void zovaTestRecordLoad(const char* libraryPath);

// Looked up by the tests to prove that loading kept this library's symbols to itself.
extern "C" {
__attribute__((visibility("default"))) int zovaTestTweakMarker = 1;
}

__attribute__((constructor)) static void reportLoad()
{
    Dl_info info {};
    if (::dladdr(&zovaTestTweakMarker, &info) && info.dli_fname)
        zovaTestRecordLoad(info.dli_fname);
}
