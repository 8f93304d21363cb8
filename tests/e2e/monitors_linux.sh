#!/usr/bin/env bash
# The Linux program on two monitors: the show on each at its own size, one window per monitor,
# a monitor switched off and on followed, a pointer move on the second monitor ends it.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/monitor_lib.sh"
monitors_start
make_monitor_picture
make_linux_folder "$WORK/linux" "$WORK/orange.bmp"
run_monitors linux "start_bg $WORK/linux/lumorascr /s" 30 '^lumorascr$'
finish
