#!/bin/sh
# Prepares a private Wine prefix: WINEPREFIX=<folder> scripts/wine-prefix.sh
# Chinese text renders only with a CJK font mapped in, so the prefix gets
# WenQuanYi Micro Hei as the replacement for the fonts the program asks for
# and as the link font of the dialog fonts.
set -eu
: "${WINEPREFIX:?set WINEPREFIX}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
stamp="$WINEPREFIX/.moqiao-prefix-v2"
if [ -f "$stamp" ]; then exit 0; fi
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
export LC_ALL=C.UTF-8
reg() { wine reg add "$@" /f >/dev/null 2>&1; }
for f in "微软雅黑" "宋体" "新宋体" "黑体" "Microsoft YaHei" "SimSun" "NSimSun" "SimHei"; do
  reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /t REG_SZ /d "WenQuanYi Micro Hei"
done
link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for f in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
  reg "$link" /v "$f" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei"
done
# Xvfb runs no window manager: a managed window's hide waits about 2 s for
# one to answer. Unmanaged windows are hidden and shown at once.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
# A crashed test must fail, not wait for somebody to close a dialog.
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
wineserver -w
touch "$stamp"
