# The portable code as 32-bit x86 Linux programs (static, so they run under qemu-i386-static as well as on a
# kernel that executes 32-bit programs): pointer size, alignment and 64-bit arithmetic as in the x86 DLLs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZR_ARCH native32)
set(ZR_NATIVE32 ON)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# SSE2 is the x86 baseline the DLLs assume; undefined behaviour traps (no sanitizer runtime in a static program).
set(ZR_NATIVE32_FLAGS "-m32 -msse2 -fsanitize=undefined -fsanitize-undefined-trap-on-error")
set(CMAKE_C_FLAGS_INIT "${ZR_NATIVE32_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${ZR_NATIVE32_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/run32.sh)
