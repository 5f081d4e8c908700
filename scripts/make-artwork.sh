#!/usr/bin/env bash
# Draws the setup's artwork into resources/ with ImageMagick and the WenQuanYi Zen Hei font
# (Debian packages imagemagick and fonts-wqy-zenhei):
#
#   welcome.jpg  120 x 235  the picture strip beside every page, with the product name
#   dao.jpg      168 x  65  the logo of the navigation site, shown on the tasks page
#   title.ico     32 x  32  the icon in the title band, with its images for the window at 125,
#                           150 and 200 % (40, 48, 64) after it
#   setup.ico    16/32/48   the program's own icon
#
# The generated files are committed; run this again only to change the artwork. The output
# carries no metadata (no dates), so the same ImageMagick gives the same bytes.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/resources}
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
[ -f "$font" ] || { echo "make-artwork: $font is missing (package fonts-wqy-zenhei)" >&2; exit 1; }
command -v convert >/dev/null ||
  { echo "make-artwork: ImageMagick's convert is missing (package imagemagick)" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The colours of the product: a deep blue that lightens downwards, and an orange accent.
deep='#0b2a6f'
light='#3a8ee0'
accent='#f08a1c'

# The welcome strip: a play disc, the product name in two lines, the version, two soft waves.
convert -size 120x235 "gradient:$deep-$light" \
  -fill white -draw 'circle 60,58 60,28' \
  -fill "$accent" -draw 'polygon 50,42 50,74 78,58' \
  -font "$font" -fill white -gravity north \
  -pointsize 24 -annotate +0+100 'Quenlo' \
  -pointsize 34 -annotate +0+130 '播放' \
  -pointsize 13 -annotate +0+178 'v2.0 Tesmar版' \
  -gravity none -fill none -strokewidth 2 \
  -stroke '#ffffff60' -draw "path 'M 0,212 Q 30,198 60,212 T 120,212'" \
  -stroke '#ffffff38' -draw "path 'M 0,224 Q 30,210 60,224 T 120,224'" \
  -strip -sampling-factor 1x1 -quality 92 "$out/welcome.jpg"

# The navigation site's logo: its name on white, a thin frame, a line of its own words.
convert -size 168x65 xc:white \
  -fill none -stroke '#c8d4e6' -draw 'rectangle 0,0 167,64' -stroke none \
  -font "$font" -gravity northwest \
  -fill '#1f5fbf' -pointsize 30 -annotate +14+8 'Tesmar' \
  -fill '#d9301e' -pointsize 30 -annotate +112+8 '网' \
  -fill '#7a869a' -pointsize 12 -annotate +16+46 '上网导航 · 一点就到' \
  -strip -sampling-factor 1x1 -quality 92 "$out/dao.jpg"

# An icon: an orange rounded square with a white play sign, drawn at each size it is needed in.
icon_png() {
  local size=$1 file=$2
  local last=$((size - 1)) radius=$((size / 5))
  local left=$((size * 3 / 8)) top=$((size * 9 / 32)) bottom=$((size * 23 / 32))
  local tip=$((size * 3 / 4)) middle=$((size / 2))
  convert -size "${size}x${size}" xc:none \
    -fill "$accent" -draw "roundrectangle 0,0 $last,$last $radius,$radius" \
    -fill white -draw "polygon $left,$top $left,$bottom $tip,$middle" \
    -strip "PNG32:$file"
}
icon_png 16 "$work/16.png"
icon_png 32 "$work/32.png"
icon_png 48 "$work/48.png"
icon_png 40 "$work/40.png"
icon_png 64 "$work/64.png"
# The 32-pixel image first: the picture's own size, at 96 DPI.
convert "$work/32.png" "$work/40.png" "$work/48.png" "$work/64.png" -strip "$out/title.ico"
convert "$work/16.png" "$work/32.png" "$work/48.png" -strip "$out/setup.ico"

for file in welcome.jpg dao.jpg title.ico setup.ico; do
  printf '%-12s %s\n' "$file" "$(identify -format '%wx%h ' "$out/$file")"
done
