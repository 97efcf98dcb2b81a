#!/usr/bin/python3
"""Checks that cpubusy.exe is a console program that starts on every Windows
of its kind: the 32-bit x86 one from Windows 2000 (NT 5.0) on, the x64 one
from Windows XP x64 and Server 2003 (NT 5.2) on. Its header asks for no
more than that version, it imports only functions that the KERNEL32.dll
and msvcrt.dll of that Windows already exported (NtQuerySystemInformation
and the processor group routines are looked up by name at run time, never
imported), and it carries a version resource for VERSION. It is hardened:
marked for address space layout randomisation (with its relocations), for
no execution from data pages and as Terminal Server aware, and the x64 one
for high-entropy addresses; and its header carries no link time, which
would differ between two builds. Reads the file with pefile, a real PE
reader.

Usage: check_exe.py cpubusy.exe VERSION
"""

import sys

import pefile

# Exported by Windows 2000 and by Windows XP x64 alike.
COMMON = {
    "kernel32.dll": {
        "DeleteCriticalSection", "EnterCriticalSection", "GetCurrentThread", "GetLastError",
        "GetModuleHandleA", "GetProcAddress", "GetStartupInfoA", "GetSystemInfo",
        "InitializeCriticalSection", "IsDBCSLeadByteEx", "LeaveCriticalSection",
        "MultiByteToWideChar", "SetUnhandledExceptionFilter", "Sleep", "TlsGetValue",
        "VirtualProtect", "VirtualQuery", "WideCharToMultiByte",
    },
    "msvcrt.dll": {
        "__getmainargs", "__initenv", "__set_app_type", "__setusermatherr", "_amsg_exit",
        "_cexit", "_errno", "_initterm", "_lock", "_onexit", "_unlock", "abort", "calloc",
        "exit", "ferror", "fflush", "fprintf", "fputc", "free", "fwrite", "localeconv",
        "malloc", "memcpy", "memset", "signal", "strerror", "strlen", "strncmp", "vfprintf",
        "wcslen",
    },
}
# Each kind of program: its machine, header, oldest Windows, and the names
# that Windows exported besides the common ones. A toolchain that pulls in
# anything else (GetTickCount64, an api-ms-win-* set, ucrtbase) fails this
# check until the new name is known to be that old.
KINDS = {
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]: dict(
        name="PE32 i386", magic=pefile.OPTIONAL_HEADER_MAGIC_PE, floor=(5, 0),
        windows="Windows 2000", marks=[], extra={
            "kernel32.dll": {"FreeLibrary", "GetModuleHandleW", "LoadLibraryA"},
            "msvcrt.dll": {"__mb_cur_max", "__p__acmdln", "__p__commode", "__p__fmode", "_iob",
                           "atoi", "setlocale", "strchr"},
        }),
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]: dict(
        name="PE32+ x86-64", magic=pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS, floor=(5, 2),
        windows="Windows XP x64", marks=["HIGH_ENTROPY_VA"], extra={
            # x64 exception handling; kernel32 forwards it to ntdll.
            "kernel32.dll": {"__C_specific_handler"},
            "msvcrt.dll": {"___lc_codepage_func", "___mb_cur_max_func", "__iob_func", "_acmdln",
                           "_commode", "_fmode"},
        }),
}
# Looked up by name at run time: in the file as strings, never imported.
LOOKED_UP = {
    "ntdll.dll": ["NtQuerySystemInformation"],
    "kernel32.dll": ["GetThreadGroupAffinity", "SetThreadGroupAffinity"],
}
STRINGS = {  # besides the two versions
    "ProductName": "cpubusy",
    "OriginalFilename": "cpubusy.exe",
}

path, version = sys.argv[1], sys.argv[2]
failures = []
pe = pefile.PE(path)

kind = KINDS.get(pe.FILE_HEADER.Machine)
if kind is None:
    sys.exit(f"FAIL: machine is {pe.FILE_HEADER.Machine:#x}, neither i386 nor x86-64")
FLOOR, WINDOWS = kind["floor"], kind["windows"]
ALLOWED = {dll: names | kind["extra"].get(dll, set()) for dll, names in COMMON.items()}
if pe.OPTIONAL_HEADER.Magic != kind["magic"]:
    failures.append(f"optional header magic is {pe.OPTIONAL_HEADER.Magic:#x}, not {kind['name']}'s")
if pe.OPTIONAL_HEADER.Subsystem != pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"]:
    failures.append(f"subsystem is {pe.OPTIONAL_HEADER.Subsystem}, not the console (3)")
header = pe.OPTIONAL_HEADER
for what, wanted in (("OS", (header.MajorOperatingSystemVersion,
                             header.MinorOperatingSystemVersion)),
                     ("subsystem", (header.MajorSubsystemVersion, header.MinorSubsystemVersion))):
    if wanted > FLOOR:
        failures.append(f"the header asks for {what} version {wanted[0]}.{wanted[1]},"
                        f" above {WINDOWS}'s {FLOOR[0]}.{FLOOR[1]}")

for mark in ["DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVER_AWARE"] + kind["marks"]:
    if not pe.OPTIONAL_HEADER.DllCharacteristics & pefile.DLL_CHARACTERISTICS[
            "IMAGE_DLLCHARACTERISTICS_" + mark]:
        failures.append(f"not marked {mark}")
relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
    pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
if relocations.Size == 0 or pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS[
        "IMAGE_FILE_RELOCS_STRIPPED"]:
    failures.append("no base relocations: the image cannot move, whatever DYNAMIC_BASE says")
if pe.FILE_HEADER.TimeDateStamp != 0:
    failures.append(f"the header carries a link time ({pe.FILE_HEADER.TimeDateStamp})")

imported = {}
for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
    dll = entry.dll.decode().lower()
    names = imported.setdefault(dll, set())
    for symbol in entry.imports:
        names.add(symbol.name.decode() if symbol.name else f"ordinal {symbol.ordinal}")
for dll, names in sorted(imported.items()):
    if dll not in ALLOWED:
        failures.append(f"imports {dll}: only KERNEL32.dll and msvcrt.dll are allowed")
        continue
    for name in sorted(names - ALLOWED[dll]):
        failures.append(f"imports {name} from {dll}, which is not known to be in {WINDOWS}")
if "kernel32.dll" not in imported:
    failures.append("does not import KERNEL32.dll")
with open(path, "rb") as image:
    data = image.read()
for dll, routines in LOOKED_UP.items():
    for name in [dll] + routines:
        if name.encode() + b"\0" not in data:
            failures.append(f"no string {name!r} to look it up by at run time")
    for name in routines:
        if any(name in names for names in imported.values()):
            failures.append(f"{name} is imported")

strings = {}
fixed = None
for info in getattr(pe, "FileInfo", []):
    for block in info:
        for table in getattr(block, "StringTable", []):
            strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
if getattr(pe, "VS_FIXEDFILEINFO", None):
    fixed = pe.VS_FIXEDFILEINFO[0]
expected = dict(STRINGS, FileVersion=version, ProductVersion=version)
for key, value in expected.items():
    if strings.get(key) != value:
        failures.append(f"version resource: {key} is {strings.get(key)!r}, not {value!r}")
for key in ("FileDescription", "LegalCopyright"):
    if not strings.get(key):
        failures.append(f"version resource: no {key}")
numbers = [int(n) for n in version.split(".")] + [0]
ms, ls = (numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3]
if fixed is None:
    failures.append("no VS_FIXEDFILEINFO")
elif (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS,
      fixed.ProductVersionLS) != (ms, ls, ms, ls):
    failures.append("VS_FIXEDFILEINFO's file and product versions are not " + version)

for failure in failures:
    print("FAIL:", failure)
if failures:
    sys.exit(1)
count = sum(len(names) for names in imported.values())
print(f"{path}: {kind['name']} console program for {WINDOWS} and later, {count}"
      f" imports from {', '.join(sorted(imported))}, all in {WINDOWS}; version {version};"
      f" hardened")
