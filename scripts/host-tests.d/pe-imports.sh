#!/usr/bin/env bash
# The deliverables of each platform's build are PE files of its kind (PE32 in
# the 32-bit build, PE32+ in the 64-bit one) and of the right subsystem that
# import only system DLLs and no function that Windows 2000 lacks.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
objdump=x86_64-w64-mingw32-objdump

# name:subsystem (2 windowing, 3 console)
# linkcheck.exe is no deliverable of its own, but the installer package runs it.
deliverables="Dusklatch.scr:2 svcctl.exe:3 setsaver.exe:3 setsaverw.exe:2 installsaver.exe:3 deployconfig.exe:3 setautorun.exe:3 DusklatchService.exe:3 linkcheck.exe:2"
allowed_dlls="KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll COMCTL32.DLL COMCTL32.dll msvcrt.dll"
# Functions newer than Windows 2000 that a runtime or a careless call could pull in;
# IsWow64Process, GetSystemWow64DirectoryW and InitiateSystemShutdownExW are looked up by name
# at run time, never imported.
forbidden="GetTickCount64 AddVectoredExceptionHandler IsWow64Process GetSystemWow64DirectoryW \
InitiateSystemShutdownExW InitializeCriticalSectionEx \
FlsAlloc FlsGetValue FlsSetValue GetFileSizeEx SetFilePointerEx AttachConsole GetConsoleWindow \
InitOnceExecuteOnce SRWLock AcquireSRWLockExclusive"

failed=0
# bin folder and the optional header's magic: 010b PE32, 020b PE32+.
for kind in "$build/bin 010b" "$build-x86_64/bin 020b"; do
    bin=${kind% *}
    magic=${kind##* }
    for entry in $deliverables; do
        file=${entry%%:*}
        subsystem=${entry##*:}
        path="$bin/$file"
        if [ ! -f "$path" ]; then
            echo "FAIL $path: not built"; failed=1; continue
        fi
        dump=$($objdump -p "$path")
        if ! grep -q "^Magic[[:space:]]*$magic" <<<"$dump"; then echo "FAIL $path: magic is not $magic"; failed=1; fi
        actual=$(awk '/^Subsystem/{print $2}' <<<"$dump")
        if [ "$((16#$actual))" != "$subsystem" ]; then echo "FAIL $path: subsystem $actual, want $subsystem"; failed=1; fi
        for dll in $(awk '/DLL Name:/{print $3}' <<<"$dump"); do
            case " $allowed_dlls " in *" $dll "*) ;; *) echo "FAIL $path: imports $dll"; failed=1 ;; esac
        done
        names=$(awk '/\tvma:/{inside=1} inside && NF==3 && $1 ~ /^[0-9a-f]+$/ {print $3}' <<<"$dump")
        for function in $forbidden; do
            if grep -qx "$function" <<<"$names"; then echo "FAIL $path: imports $function"; failed=1; fi
        done
    done
done
[ "$failed" = 0 ] && echo "PE checks: all deliverables are PE32 (x86) or PE32+ (x64), of the right subsystem, with system imports only"
exit $failed
