#!/bin/sh
# Redraws the bundled images with ImageMagick. Run from any directory; the
# images land beside this script. Only the results are kept in the tree.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Pinpad with a receipt behind it, drawn on a 48-unit grid at 8x and scaled
# down, so the 32 and 48 pixel sizes come out smooth.
terminal='
stroke-width 0.6 fill #ffffff stroke #7a7a7a
path "M 22,4 L 42,4 L 42,34 L 40,32.5 L 38,34 L 36,32.5 L 34,34 L 32,32.5 L 30,34 L 28,32.5 L 26,34 L 24,32.5 L 22,34 Z"
stroke #9aa3ad stroke-width 1.2
line 33,9 39,9 line 33,13 39,13 line 33,17 37,17 line 33,21 39,21
stroke #3a5f8f stroke-width 1.4 line 33,27 39,27
stroke #1f2a36 stroke-width 0.8 fill #34495e roundrectangle 5,12 31,46 3,3
stroke-width 0.6 fill #9fe0c8 roundrectangle 9,16 27,25 1,1
stroke #4f8f7a stroke-width 1 line 11,19 21,19 line 11,22 17,22
stroke none fill #dfe6ec
rectangle 9,28 13,31 rectangle 16,28 20,31 rectangle 23,28 27,31
rectangle 9,33 13,36 rectangle 16,33 20,36 rectangle 23,33 27,36
fill #e74c3c rectangle 9,38 13,42
fill #f1c40f rectangle 16,38 20,42
fill #2ecc71 rectangle 23,38 27,42'
convert -size 384x384 xc:none -draw "scale 8,8 $terminal" "$tmp/big.png"
convert "$tmp/big.png" -resize 48x48 "$tmp/48.png"
convert "$tmp/big.png" -resize 32x32 "$tmp/32.png"

# At 16 pixels a scaled drawing turns to mush: the same picture is set
# pixel by pixel instead.
convert -size 16x16 xc:none +antialias -draw '
fill #7a7a7a rectangle 7,1 14,10
fill #ffffff rectangle 8,2 13,10
fill #9aa3ad rectangle 10,3 12,3 rectangle 10,5 12,5
fill #3a5f8f rectangle 10,8 12,8
fill #7a7a7a point 8,11 point 10,11 point 12,11 point 14,11
fill #1f2a36 rectangle 1,4 9,15
fill #34495e rectangle 2,5 8,14
fill #9fe0c8 rectangle 3,6 7,7
fill #dfe6ec point 3,9 point 5,9 point 7,9 point 3,11 point 5,11 point 7,11
fill #e74c3c point 3,13
fill #f1c40f point 5,13
fill #2ecc71 point 7,13' \
    -alpha on -fill none \
    -draw 'color 1,4 point color 9,4 point color 1,15 point color 9,15 point' \
    "$tmp/16.png"
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" paycard.ico

# Second program icon: a bank card with its chip and magnetic stripe.
card='
stroke #173a63 stroke-width 0.8 fill #2e6fb7 roundrectangle 2,7 30,25 3,3
stroke none fill #1b2a3a rectangle 2.4,10 29.6,13
fill #e8c15a stroke #a8862e stroke-width 0.5 roundrectangle 6,15 12,20 1,1
stroke #dfe9f5 stroke-width 1.2 line 16,21 27,21'
convert -size 256x256 xc:none -draw "scale 8,8 $card" "$tmp/card.png"
convert "$tmp/card.png" -resize 32x32 "$tmp/c32.png"
convert "$tmp/card.png" -resize 16x16 "$tmp/c16.png"
convert "$tmp/c16.png" "$tmp/c32.png" paycard2.ico

# Logo: the program icon on a soft round plate.
convert -size 512x512 xc:none \
    -draw 'fill #e3edf7 stroke #b7c8da stroke-width 8 circle 256,256 256,10' \
    -draw "translate 64,64 scale 8,8 $terminal" \
    -resize 128x128 -depth 8 logo.png

# Information sign: a white "i" on a blue disc, drawn rather than typeset so
# that it does not depend on the fonts of the machine.
convert -size 256x256 xc:none \
    -draw 'fill #2f80d1 stroke #1d5a99 stroke-width 8 circle 128,128 128,8' \
    -draw 'fill #ffffff stroke none circle 128,70 128,50 roundrectangle 108,104 148,204 8,8' \
    -resize 32x32 -depth 8 info.png
