#!/usr/bin/env bash
# Creates and configures the Wine prefix once ($WINEPREFIX); later calls return at once.
set -euo pipefail
: "${WINEPREFIX:?}"
marker="$WINEPREFIX/.vextorin-ready"
[ -f "$marker" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$marker" ] && exit 0

# No display while the prefix is made, so Wine shows no "updating configuration" window.
env -u DISPLAY wineboot -i >/dev/null 2>&1
env -u DISPLAY wineserver -w

# Managed=N: without a window manager Wine otherwise waits for one whenever a window hides.
# SimSun and NSimSun stand for the dialog font under zh_CN; WenQuanYi draws the Chinese text.
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"SimSun"="WenQuanYi Micro Hei"
"NSimSun"="WenQuanYi Micro Hei"
"MS Shell Dlg"="WenQuanYi Micro Hei"
REG
env -u DISPLAY wine regedit /S "$reg" >/dev/null 2>&1
rm -f "$reg"

# Debian's Wine looks for its own fonts (Tahoma, Marlett) in the wrong folder.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
dpkg -L fonts-wine 2>/dev/null | grep -i '\.ttf$' | xargs -r cp -t "$fonts"
env -u DISPLAY wineserver -w
touch "$marker"
