#!/usr/bin/env bash
# Draws the logo's source picture, config_ui/dusklatch_logo.pam: the product
# name in dark calligraphic lettering with a soft shadow on a fully transparent
# background, quantised to at most 128 colours. Run once by hand; the result is
# kept in the repository and the build encodes it (the build needs neither
# ImageMagick nor the font). Needs imagemagick and fonts-urw-base35.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
font=/usr/share/fonts/opentype/urw-base35/Z003-MediumItalic.otf
out=${1:-$root/config_ui/dusklatch_logo.pam}
# The alpha level on the shadow makes every pixel its blur barely touched
# fully transparent, so that the background is one colour with T = 255.
convert -size 447x88 xc:none -font "$font" -pointsize 98 -gravity center \
    \( -clone 0 -fill '#00000070' -annotate +3+3 'Dusklatch' -blur 0x1.5 \
       -channel A -level 4%,100% +channel \) \
    \( -clone 0 -fill '#1a1a1a' -stroke '#000000' -strokewidth 0.6 -annotate +0+0 'Dusklatch' \) \
    -delete 0 -background none -layers flatten -depth 8 +dither -colors 120 \
    -define pam:format=RGB_ALPHA -depth 8 "pam:$out"
colours=$(convert "$out" -format %k info:)
echo "$out: $(convert "$out" -format '%wx%h' info:), $colours colours"
