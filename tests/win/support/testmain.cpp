// Test entry point: the tests run on a single-threaded apartment, like a host's user-interface thread.
// A crash ends the test program at once with its code and address, instead of waiting for a debugger.
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <gtest/gtest.h>

namespace {
LONG WINAPI OnCrash(EXCEPTION_POINTERS* e) {
    std::fprintf(stderr, "crash: exception 0x%08lX at %p\n", static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode),
                 e->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    CoUninitialize();
    return rc;
}
