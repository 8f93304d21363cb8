#!/usr/bin/env bash
# Draws the sample pictures (the project's own, made here with ImageMagick) into folder $1.
set -euo pipefail
out=${1:?folder}
mkdir -p "$out"
cd "$out"
[ -f 01-dawn.jpg ] || convert -size 1920x1080 gradient:'#0b1d3a-#f29e4c' \
    -fill '#fde9b0' -draw 'circle 1380,700 1380,560' \
    -fill '#132238' -draw 'polygon 0,1080 0,820 420,640 760,860 1100,700 1500,900 1920,760 1920,1080' \
    -quality 90 01-dawn.jpg
[ -f 02-tiles.bmp ] || convert -size 800x600 pattern:checkerboard -scale 1000% -crop 800x600+0+0 \
    +repage -fill '#2a9d8f' -colorize 55% -fill '#e9c46a' -draw 'roundrectangle 220,160 580,440 40,40' \
    -type TrueColor BMP3:02-tiles.bmp
[ -f 03-plasma.jpg ] || convert -seed 7 -size 1200x1800 plasma:'#264653-#e76f51' -blur 0x3 \
    -quality 88 03-plasma.jpg
[ -f 04-wide.jpg ] || convert -size 4000x1500 gradient:'#1b4332-#95d5b2' -rotate 0 \
    -fill '#081c15' -draw 'polygon 0,1500 600,700 1100,1200 1700,500 2500,1300 3200,800 4000,1500' \
    -quality 90 04-wide.jpg
ls "$out"
