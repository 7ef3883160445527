# Sourced by every script that runs Windows code: one private Wine prefix
# inside the build tree, quiet, without Mono/Gecko prompts, with the fonts the
# window asks for mapped to fonts this machine has.
OSTRIVEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${OSTRIVEL_WINEPREFIX:-$OSTRIVEL_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Faces requested by the program, and what draws them here. "WenQuanYi Micro
# Hei Mono" has the CJK glyphs and fixed-width Latin for the result box.
OSTRIVEL_FONT_REPLACEMENTS=(
  "Microsoft YaHei UI=WenQuanYi Micro Hei"
  "Microsoft YaHei=WenQuanYi Micro Hei"
  "SimSun=WenQuanYi Micro Hei"
  "NSimSun=WenQuanYi Micro Hei"
  "SimHei=WenQuanYi Micro Hei"
  "Segoe UI=WenQuanYi Micro Hei"
  "Tahoma=WenQuanYi Micro Hei"
  "MS Shell Dlg=WenQuanYi Micro Hei"
  "MS Shell Dlg 2=WenQuanYi Micro Hei"
  "Consolas=WenQuanYi Micro Hei Mono"
)

# Creates the prefix once (safe to call from parallel tests: one creates it,
# the others wait). The font replacements go in before any later wineserver
# reads the registry.
wine_prepare() {
  [[ -f "$WINEPREFIX/.ostrivel-ready" ]] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/.ostrivel-ready" ]]; then
      echo "Creating the Wine prefix in $WINEPREFIX (once)..." >&2
      # No display while the prefix is made: no dialogs, no stray windows.
      DISPLAY= wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      local entry
      for entry in "${OSTRIVEL_FONT_REPLACEMENTS[@]}"; do
        DISPLAY= wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${entry%%=*}" /t REG_SZ /d "${entry#*=}" /f >/dev/null 2>&1
      done
      wineserver -w
      touch "$WINEPREFIX/.ostrivel-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}
