# Settings shared by every Windows target.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 NO_DSHOW_STRSAFE)
add_compile_options(-Wall -Wno-unknown-pragmas -Wno-missing-braces -Wno-unused-function)
# Static runtime: the DLLs and executables need nothing beside them.
set(ZR_STATIC_LINK -static -static-libgcc -static-libstdc++)
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS "${CMAKE_SHARED_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
set(ZR_WIN_LIBS strmiids ole32 oleaut32 uuid gdiplus gdi32 user32 d3d9 mfuuid shlwapi advapi32 comctl32 psapi)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)
