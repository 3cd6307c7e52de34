#!/usr/bin/env bash
# Prepares a private Wine environment under a build folder:
#   <build>/wine/prefix   64-bit prefix, Chinese Windows (code page 936, LCID 0x0804),
#                         virtual desktop, no crash dialog, fonts mapped, links recorded
#                         (or the prefix of lane $KAVRO_WINE_LANE: see wine-vars.sh)
#   <build>/wine/locale   the zh_CN.UTF-8 locale the prefixes run under
#   <build>/wine/links.log every URL or mailto: the shell of any prefix was asked to open
# Idempotent: a finished prefix is kept (stamp file). Usage: wine-env.sh <build-dir>
set -euo pipefail
build=$(cd "${1:?usage: wine-env.sh <build-dir>}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root="$build/wine"
. "$here/wine-vars.sh" "$build"
stamp="$WINEPREFIX/.kavro-ready-4"
mkdir -p "$root" "$KAVRO_WINE_STATE"

exec 9>"$KAVRO_WINE_STATE/.lock"
flock 9
if [ -f "$stamp" ]; then exit 0; fi

# What every prefix shares: the locale and the link recorder.
(
  flock 7
  if [ ! -f "$root/locale/zh_CN.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$root/locale"
    localedef -i zh_CN -f UTF-8 "$root/locale/zh_CN.UTF-8" 2>/dev/null || test -f "$root/locale/zh_CN.UTF-8/LC_CTYPE"
  fi
  # The link recorder stands in for the browser and the mailer.
  cat > "$root/record-link" <<REC
#!/bin/sh
printf '%s\n' "\$*" >> "$root/links.log"
REC
  chmod +x "$root/record-link"
) 7>"$root/.shared-lock"

wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
# Without Mono/Gecko overrides wineboot blocks on install prompts.
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >/dev/null 2>&1
wineserver -w

cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

reg="$KAVRO_WINE_STATE/kavro-env.reg"
python3 - "$reg" "$root/record-link" <<'PY'
import sys
out, recorder = sys.argv[1], sys.argv[2]
face = "WenQuanYi Micro Hei"
names = ["SimSun", "NSimSun", "宋体", "新宋体", "SimHei", "黑体", "Microsoft YaHei", "微软雅黑", "Tahoma",
         "MS Shell Dlg", "MS Shell Dlg 2"]
rec = recorder.replace("\\", "\\\\")
lines = ["Windows Registry Editor Version 5.00", "",
         r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]", '"ShowCrashDialog"=dword:00000000', "",
         r"[HKEY_CURRENT_USER\Software\Wine\Explorer]", '"Desktop"="Default"', "",
         r"[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]", '"Default"="1024x768"', "",
         r"[HKEY_CURRENT_USER\Software\Wine\WineBrowser]",
         '"Browsers"="%s"' % rec, '"Mailers"="%s"' % rec, "",
         r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
lines += ['"%s"="%s"' % (n, face) for n in names]
lines += [""]
open(out, "wb").write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
PY
wine regedit /S "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1
wineserver -w
touch "$stamp"
