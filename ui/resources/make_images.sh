#!/usr/bin/env bash
# Draws Quarlo's images from scratch: the program icon (a save folder with a
# small crest) and the two pictures of the About window. Run it after changing
# a drawing; the results are committed so the build needs no ImageMagick.
#   ui/resources/make_images.sh
set -euo pipefail
cd "$(dirname "$0")"

# PNGs without time stamps or other metadata, so a rerun gives the same bytes.
png_out() { convert "$@" -strip -define png:exclude-chunks=date,time -define png:color-type=6 "$out"; }

# Program icon, 64 x 64: a folder with a sheet sticking out of it and a blue
# crest on its front.
out=quarlo-64.png png_out -size 64x64 xc:none \
    -stroke '#5a3b0c' -strokewidth 2 \
    -fill '#b9862a' -draw 'polygon 4,16 7,9 25,9 29,14 59,14 59,54 4,54' \
    -fill '#fbf7ea' -stroke '#8a8272' -strokewidth 1 -draw 'rectangle 10,12 50,30' \
    -stroke '#b7ae98' -draw 'line 14,17 46,17' -draw 'line 14,21 46,21' -draw 'line 14,25 38,25' \
    -stroke '#5a3b0c' -strokewidth 2 -fill '#e7b54b' \
    -draw 'polygon 2,24 61,24 58,56 5,56' \
    -stroke '#f3d36e' -strokewidth 2 -fill '#2c5aa6' \
    -draw 'polygon 34,30 56,30 56,42 45,55 34,42' \
    -stroke none -fill '#f3d36e' -draw 'polygon 39,35 51,35 45,47'

# The icon file holds the same drawing twice: 256 colours and 24-bit colour.
python3 pack_ico.py quarlo-64.png quarlo.ico

# About window, upper picture, 50 x 50: a red crest with a golden band and a
# star below it.
out=about-crest.png png_out -size 50x50 xc:none \
    -stroke '#4a1010' -strokewidth 2 -fill '#a82828' \
    -draw 'polygon 6,4 44,4 44,24 25,46 6,24' \
    -stroke none -fill '#e9c35a' -draw 'rectangle 7,13 43,19' \
    -fill '#fff4c8' -draw 'polygon 25,22 27,27 32,27 28,30 30,35 25,32 20,35 22,30 18,27 23,27'

# About window, lower picture, 50 x 50: a rolled parchment with lines of text.
out=about-scroll.png png_out -size 50x50 xc:none \
    -stroke '#6b5324' -strokewidth 2 -fill '#efe0b4' -draw 'rectangle 9,8 41,42' \
    -fill '#d9c38a' -draw 'roundrectangle 5,4 45,11 3,3' -draw 'roundrectangle 5,39 45,46 3,3' \
    -stroke '#8a7443' -strokewidth 1 \
    -draw 'line 14,17 36,17' -draw 'line 14,22 36,22' -draw 'line 14,27 36,27' \
    -draw 'line 14,32 29,32'
