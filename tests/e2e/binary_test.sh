#!/usr/bin/env bash
# What ships: an x64 GUI-subsystem exe that loads only DLLs Windows itself has, and that
# carries its manifest, version information and icon.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

headers="$(x86_64-w64-mingw32-objdump -p "$VELTRANE_EXE")"
resources="$(x86_64-w64-mingw32-windres -i "$VELTRANE_EXE" -O rc 2>/dev/null)"

echo "image"
expect_eq "64-bit image (PE32+)" 020b "$(awk '/^Magic/ { print $2 }' <<<"$headers")"
expect_eq "GUI subsystem" 00000002 "$(awk '/^Subsystem/ { print $2 }' <<<"$headers")"

echo "imports"
# Only KnownDLLs (and the API sets the loader maps itself): static imports are resolved
# from the exe's own folder before any code runs, and the elevated exe usually starts from
# Downloads, so a planted version.dll or winhttp.dll would load first. Every other DLL is
# bound at run time from System32.
known_dlls=" advapi32 combase comdlg32 gdi32 imm32 kernel32 msvcrt ntdll ole32 oleaut32 
  psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 ws2_32 "
mapfile -t imports < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]')
expect_match "imports kernel32.dll" ' kernel32.dll ' " ${imports[*]} "
for dll in "${imports[@]}"; do
  base="${dll%.dll}"
  if [[ "$known_dlls" == *" $base "* || "$base" == api-ms-win-* ]]; then
    pass "imports $dll, a KnownDLL"
  else
    fail "imports $dll, not a KnownDLL: bind it at run time from System32"
  fi
done

echo "resources"
# The value of one string of the version block.
version_string() {
  sed -n "s/^ *VALUE \"$1\", \"\\(.*\\)\"\$/\\1/p" <<<"$resources"
}
expect_eq "file version" "2, 10, 1, 0" "$(sed -n 's/^ *FILEVERSION //p' <<<"$resources")"
expect_eq "product version" "2, 10, 1, 0" "$(sed -n 's/^ *PRODUCTVERSION //p' <<<"$resources")"
expect_eq "file version text" "2.10.1.0" "$(version_string FileVersion)"
expect_eq "product name" "Veltrane" "$(version_string ProductName)"
expect_eq "company name" "Orvandel" "$(version_string CompanyName)"
expect_eq "one manifest" 1 "$(grep -c 'RT_MANIFEST' <<<"$resources")"

# Icon group 101: one entry per image, width and height as octal escapes (256 is 0).
icon_group="$(sed -n '/^101 14 .*RT_GROUP_ICON/,/^END/p' <<<"$resources")"
icon_sizes="$(sed -n 's/^ *"\\\([0-7]*\)\\\([0-7]*\)\\000\\000", 1, 32,.*/\1x\2/p' <<<"$icon_group" |
  tr '\n' ' ')"
expect_eq "icon 101 has 32-bit 16, 32, 48 and 256 px images" "020x020 040x040 060x060 000x000 " \
  "$icon_sizes"

# The manifest is stored as its UTF-8 text.
for needle in 'level="asInvoker"' '>PerMonitorV2<' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
  if grep -aqF "$needle" "$VELTRANE_EXE"; then
    pass "manifest has $needle"
  else
    fail "manifest has $needle"
  fi
done

e2e_done
