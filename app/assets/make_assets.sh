#!/bin/sh
# Makes the program's pictures: the crosshair cursor, the window icon and the
# two payment pictures (QR codes of the program's web address). The results
# are committed; run this only to change them. Needs g++, qrencode and
# ImageMagick.
set -eu
cd "$(dirname "$0")"
address="https://moqiao.example.org/"
g++ -std=c++17 -O2 -o /tmp/make_crosshair_cursor make_crosshair_cursor.cpp
/tmp/make_crosshair_cursor crosshair.cur

font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
/usr/bin/convert -size 32x32 xc:none -fill '#1d4f91' -draw 'roundrectangle 0,0 31,31 7,7' \
  -font "$font" -pointsize 22 -fill white -gravity center -annotate +0+0 '墨' \
  -define icon:auto-resize=32 moqiao.ico

make_payment_picture() {  # <colour> <tag> <output>
  qrencode -l M -m 2 -s 5 -o qr.png "$address#$2"
  /usr/bin/convert qr.png -filter point -resize 170x170 -gravity center -background white \
    -extent 178x178 -bordercolor "$1" -border 6 -quality 92 "$3"
  rm -f qr.png
}
make_payment_picture '#1677ff' first payment_first.jpg
make_payment_picture '#07a33a' second payment_second.jpg
