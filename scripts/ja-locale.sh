# Sourced: a Japanese UTF-8 locale generated into .cache/locale (no system locale needed).
lumora_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LOCPATH="$lumora_root/.cache/locale"
if [ ! -f "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$LOCPATH"
    localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" >/dev/null 2>&1 || true
fi
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 2>/dev/null
