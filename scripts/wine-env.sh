# Sourced by the scripts that run Windows programs: Wine's environment for this project.
# VX_WINEPREFIX overrides the prefix (build/wine-prefix by default).
vx_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${VX_WINEPREFIX:-$vx_root/build/wine-prefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 936 (GBK) for the ANSI functions; the locale must be generated for GBK file names.
export LC_ALL=zh_CN.UTF-8
"$vx_root/scripts/wine-prefix.sh"
