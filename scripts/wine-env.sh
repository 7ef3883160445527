# Sourced by every script that runs Windows code: one private Wine prefix
# inside the build tree, quiet, without Mono/Gecko prompts, with the fonts the
# window asks for mapped to fonts this machine has.
OSTRIVEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${OSTRIVEL_WINEPREFIX:-$OSTRIVEL_ROOT/build/wineprefix}"
export WINEDEBUG=-all
# OSTRIVEL_DLLOVERRIDES adds to these (the planted-DLL test sets its names
# native-first, the order Windows gives a DLL in the exe's folder).
export WINEDLLOVERRIDES="mscoree,mshtml=${OSTRIVEL_DLLOVERRIDES:+;$OSTRIVEL_DLLOVERRIDES}"
export WINEARCH=win64
# Wine reads Unix file names in the locale's character set: under C or POSIX
# it cannot open a path such as the release package's "64位 Windows (x64)"
# folder. The tests and the guide's paths are UTF-8, whatever the caller's
# locale (CI may run with none).
export LC_ALL=C.UTF-8

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

# Debian's wine32:i386 (its loader and 32-bit unix side), on a kernel that
# runs 32-bit programs. Without it Wine 8 starts a 32-bit exe in an
# "experimental wow64 mode" that runs nothing and still exits 0, so 32-bit
# programs must not be started then. A kernel may have its IA-32 emulation
# switched off ("Exec format error"): the loader is there but cannot run.
# tests/CMakeLists.txt makes the same checks when it configures.
wine32_present() {
  [[ -x /usr/lib/wine/wine && -e /usr/lib/i386-linux-gnu/wine/i386-unix/ntdll.so ]] &&
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# On a kernel that runs no 32-bit program: Debian's i386 Wine under
# qemu-i386, unpacked into the build tree by scripts/wine32-qemu.sh, used only
# once its set-up is complete.
OSTRIVEL_WINE32_QEMU="$OSTRIVEL_ROOT/build/wine32-qemu"
wine32_emulated() { [[ -f "$OSTRIVEL_WINE32_QEMU/ready" ]]; }

# How 32-bit Windows programs run here: "native", "qemu", or (printing
# nothing) not at all. OSTRIVEL_WINE32=qemu takes the emulated one where both
# exist, to try on a machine whose kernel runs 32-bit programs what runs on
# one that cannot.
wine32_way() {
  if [[ ${OSTRIVEL_WINE32:-} != qemu ]] && wine32_present; then
    echo native
  elif wine32_emulated; then
    echo qemu
  elif wine32_present; then
    echo native
  fi
}

# Points this shell's Wine at the emulated 32-bit one: wine, wineserver and
# wineboot from its bin folder, and a 32-bit prefix of its own (the host's
# wine64 looks for a 32-bit child's loader only in /usr/lib/wine, so a 64-bit
# prefix could not start one), with a wineserver of its own beside the
# 64-bit one.
wine32_use() {
  export WINEPREFIX="${OSTRIVEL_WINEPREFIX32:-$OSTRIVEL_ROOT/build/wineprefix32}"
  export WINEARCH=win32
  export OSTRIVEL_WINE_BITS=32
  [[ ":$PATH:" == *":$OSTRIVEL_WINE32_QEMU/bin:"* ]] || export PATH="$OSTRIVEL_WINE32_QEMU/bin:$PATH"
}
# The 32-bit builds' tests ask for it (CTest sets OSTRIVEL_WINE_BITS=32).
if [[ ${OSTRIVEL_WINE_BITS:-} == 32 && $(wine32_way) == qemu ]]; then wine32_use; fi

# Creates the prefix once (safe to call from parallel tests: one creates it,
# the others wait). The font replacements go in before any later wineserver
# reads the registry.
wine_prepare() {
  # A prefix made before 32-bit Wine was installed lacks its 32-bit half:
  # the marker says "32" once the prefix has been updated with it.
  prefix_ready() {
    [[ -f "$WINEPREFIX/.ostrivel-ready" ]] || return 1
    ! wine32_present || grep -qx 32 "$WINEPREFIX/.ostrivel-ready"
  }
  prefix_ready && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ -f "$WINEPREFIX/.ostrivel-ready" ]] && ! prefix_ready; then
      echo "Adding 32-bit Wine to the prefix in $WINEPREFIX (once)..." >&2
      DISPLAY= wineboot -u >/dev/null 2>&1 || true
      wineserver -w
      echo 32 >"$WINEPREFIX/.ostrivel-ready"
    elif [[ ! -f "$WINEPREFIX/.ostrivel-ready" ]]; then
      echo "Creating the Wine prefix in $WINEPREFIX (once)..." >&2
      # No display while the prefix is made: no dialogs, no stray windows.
      DISPLAY= wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      local entry
      for entry in "${OSTRIVEL_FONT_REPLACEMENTS[@]}"; do
        DISPLAY= wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${entry%%=*}" /t REG_SZ /d "${entry#*=}" /f >/dev/null 2>&1
      done
      wineserver -w
      if wine32_present; then echo 32; else echo 64; fi >"$WINEPREFIX/.ostrivel-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}

# A session for Windows programs with windows: a virtual display of its own
# when there is none, the prefix, and one persistent wineserver (without it
# every Windows process restarts Wine). Wine's background services
# (services.exe, winedevice.exe, ...) start with the first Windows process and
# inherit its output handles: started from a test, they would hold CTest's
# pipe open after the test ended, so they start here, away from any test.
# wine_session_stop ends what this started.
wine_session_start() {
  if [[ -z "${DISPLAY:-}" ]]; then
    local n
    for n in $(seq 90 120); do
      [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      OSTRIVEL_XVFB_PID=$!
      export DISPLAY=":$n"
      break
    done
    for _ in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    echo "== Started Xvfb on $DISPLAY"
  fi
  wine_prepare
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_session_stop() {
  wineserver -k 2>/dev/null || true
  if [[ -n "${OSTRIVEL_XVFB_PID:-}" ]]; then kill "$OSTRIVEL_XVFB_PID" 2>/dev/null || true; fi
}

# The emulated 32-bit Wine's persistent wineserver and services, likewise
# started away from any test; nothing where 32-bit programs run natively.
wine32_session_start() {
  [[ $(wine32_way) == qemu ]] || return 0
  (
    wine32_use
    wine_prepare
    wineserver -p
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  )
}

wine32_session_stop() {
  [[ -x "$OSTRIVEL_WINE32_QEMU/bin/wineserver" ]] || return 0
  (
    wine32_use
    wineserver -k 2>/dev/null || true
  )
}
