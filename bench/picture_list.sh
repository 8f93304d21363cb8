# The picture list the benchmark runs hand to a copy of the saver, sourced by the bench scripts.
# write_picture_list FILE [--wine] PICTURE...: a settings file listing PICTURE... (absolute
# paths); with --wine their folders are written as Wine sees them (Z:\...).
write_picture_list() {
    local out=$1 wine=0 i=1 p folder
    shift
    [ "${1:-}" = --wine ] && { wine=1; shift; }
    {
        printf '[Image]\r\nCount=%d\r\n' $#
        for p in "$@"; do
            folder=$(dirname "$p")
            [ $wine = 1 ] && folder="Z:$(printf '%s' "$folder" | tr / '\\')"
            printf '%d=True\t%s\t%s\t%s\t%s\r\n' $i "$(basename "$p")" "$folder" \
                "$(basename "$p")" "$folder"
            i=$((i + 1))
        done
    } >"$out"
}
