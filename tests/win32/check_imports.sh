#!/bin/sh
# The program may import only DLLs every Windows has: no Direct3D extension
# library, no mingw runtime DLLs. Not even Direct3D 9: it is loaded when the
# canvas is made, so a system without it still starts the program.
#
#   check_imports.sh KESTRAN.exe
set -eu
dlls=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "KESTRAN.exe imports:" $dlls
case " $(echo $dlls) " in
  *" d3d9.dll "*)
    echo "FAILED: imports d3d9.dll, so it cannot start without Direct3D"
    exit 1 ;;
esac
allowed=" kernel32.dll user32.dll gdi32.dll gdiplus.dll winmm.dll comdlg32.dll comctl32.dll imm32.dll ole32.dll oleaut32.dll advapi32.dll shell32.dll msvcrt.dll "
bad=""
for dll in $dlls; do
  case "$allowed" in *" $dll "*) ;; *) bad="$bad $dll" ;; esac
done
if [ -n "$bad" ]; then
  echo "FAILED: imports DLLs that are not part of Windows:$bad"
  exit 1
fi
echo "Imports: only system DLLs"
