# Sourced: the Wine variables of the private environment under build folder $1.
_kavro_build=$(cd "$1" && pwd)
export WINEPREFIX="$_kavro_build/wine/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export LOCPATH="$_kavro_build/wine/locale"
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null
unset _kavro_build
