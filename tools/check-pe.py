#!/usr/bin/python3
"""Checks a built DLL as Windows will load it, read from the PE file itself:
machine, the COM server exports (present and undecorated), imports limited to DLLs that Windows provides, and
for the control its embedded type library (resource TYPELIB 1, built for the DLL's architecture, so that
registration writes the matching win32/win64 path) and toolbox bitmap.
usage: check-pe.py x86|x64 DLL [--control]"""
import struct
import sys

import pefile

MACHINE = {"x86": 0x014C, "x64": 0x8664}
SYSKIND = {"x86": 1, "x64": 3}  # SYS_WIN32, SYS_WIN64
EXPORTS = {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"}
# DLLs present on every supported Windows (the runtime is linked statically: no MinGW runtime DLL may appear).
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll",
    "gdiplus.dll", "shell32.dll", "shlwapi.dll", "comctl32.dll", "comdlg32.dll", "uuid.dll", "winmm.dll",
    "version.dll", "strmiids.dll", "quartz.dll", "d3d9.dll", "dxva2.dll", "evr.dll", "mfplat.dll", "msdmo.dll",
    "dsound.dll", "ws2_32.dll", "urlmon.dll", "olepro32.dll", "oleacc.dll", "imm32.dll", "setupapi.dll",
}


def check(arch, path, control):
    errors = []
    pe = pefile.PE(path)
    if pe.FILE_HEADER.Machine != MACHINE[arch]:
        errors.append("machine 0x%04x, expected 0x%04x" % (pe.FILE_HEADER.Machine, MACHINE[arch]))
    names = set()
    if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        names = {s.name.decode() for s in pe.DIRECTORY_ENTRY_EXPORT.symbols if s.name}
    for name in sorted(EXPORTS - names):
        errors.append("export %s missing" % name)
    for name in sorted(names):
        if "@" in name or name.startswith("_"):
            errors.append("export %s is decorated" % name)
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode()
        if dll.lower() not in SYSTEM_DLLS and not dll.lower().startswith("api-ms-win-"):
            errors.append("imports %s, which Windows does not provide" % dll)
    if control:
        res = {}
        rtypes = pe.DIRECTORY_ENTRY_RESOURCE.entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []
        for rtype in rtypes:
            tname = str(rtype.name) if rtype.name is not None else rtype.id
            for rid in rtype.directory.entries:
                lang = rid.directory.entries[0]
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                res[(tname, rid.id if rid.name is None else str(rid.name))] = data
        tlb = res.get(("TYPELIB", 1))
        if tlb is None:
            errors.append("resource TYPELIB 1 missing")
        elif tlb[:4] != b"MSFT":
            errors.append("TYPELIB 1 is not a type library")
        else:
            syskind = struct.unpack_from("<I", tlb, 20)[0] & 0xF
            if syskind != SYSKIND[arch]:
                errors.append("type library built for syskind %d, expected %d" % (syskind, SYSKIND[arch]))
        if (pefile.RESOURCE_TYPE["RT_BITMAP"], 1) not in res:
            errors.append("toolbox bitmap (BITMAP 1) missing")
    for e in errors:
        print("%s: %s" % (path, e))
    if not errors:
        print("%s: %s, %d exports, imports %s" % (path, arch, len(names), ", ".join(
            sorted(e.dll.decode() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])))))
    return not errors


if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in MACHINE:
        sys.exit(__doc__)
    sys.exit(0 if check(sys.argv[1], sys.argv[2], "--control" in sys.argv[3:]) else 1)
