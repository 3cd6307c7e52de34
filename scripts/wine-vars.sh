# Sourced: the Wine variables of the private environment under build folder $1.
# Each prefix is a Windows of its own, with its own wineserver and desktop:
#   <build>/wine/prefix           the tests' prefix (lane 0; also scripts/bench.sh)
#   <build>/wine/lane-N/prefix    lane N of a parallel test run (KAVRO_WINE_LANE=N): ctest gives
#                                 each test a lane (scripts/wine-run), so that two tests never
#                                 share a prefix or a display
#   <build>/wine/demo/prefix      scripts/run.sh's (KAVRO_WINE_LANE=demo): no test touches it
# Sets WINEPREFIX and KAVRO_WINE_STATE (the folder of the prefix's stamps and locks).
_kavro_build=$(cd "$1" && pwd)
case "${KAVRO_WINE_LANE:-0}" in
  0) KAVRO_WINE_STATE="$_kavro_build/wine" ;;
  demo) KAVRO_WINE_STATE="$_kavro_build/wine/demo" ;;
  *) KAVRO_WINE_STATE="$_kavro_build/wine/lane-$KAVRO_WINE_LANE" ;;
esac
export KAVRO_WINE_STATE
export WINEPREFIX="$KAVRO_WINE_STATE/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export LOCPATH="$_kavro_build/wine/locale"
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null
unset _kavro_build
