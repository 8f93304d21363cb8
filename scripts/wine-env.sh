# Sourced: a Wine with a Japanese locale (code page 932) in a prefix kept under .cache/.
lumora_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$lumora_root/.cache/wine}"
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEARCH=win64
. "$lumora_root/scripts/ja-locale.sh"
if [ ! -f "$WINEPREFIX/.lumora-ready" ]; then
    mkdir -p "$WINEPREFIX"
    timeout 300 wine wineboot -i >/dev/null 2>&1 || true
    timeout 120 wineserver -w || true
    # "ＭＳ ゴシック" and the dialog fonts are drawn with the installed Japanese gothic face.
    for face in "ＭＳ ゴシック" "MS Gothic" "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma"; do
        timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
            /v "$face" /t REG_SZ /d "IPAGothic" /f >/dev/null 2>&1 || true
    done
    timeout 120 wineserver -w || true
    touch "$WINEPREFIX/.lumora-ready"
fi
