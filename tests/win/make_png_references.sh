#!/bin/sh
# Reference pictures for images_test, made by ImageMagick so that the
# expected pixels do not come from the code under test.
#
#   make_png_references.sh PNGSUITE_DIR OUT_DIR
#
# Writes, for every PNG of the suite (and of its interlaced/ folder),
# OUT_DIR/[interlaced/]NAME.rgba (8-bit R,G,B,A, top row first) and NAME.size
# ("width height"). The launcher's decoder applies no gamma, so the reference
# must hold the stored samples too: ImageMagick takes a picture with gAMA 1.0
# for linear RGB and would convert it to sRGB on output; "-set colorspace
# sRGB" makes it read every picture's samples as they are. 16-bit samples are
# scaled to 8 bits with rounding, as the decoder does.
#
# Then pictures the suite lacks, each beside its own .rgba and .size:
#   OUT_DIR/png/*.png  widths that are not a multiple of 4, at every colour type
#   OUT_DIR/bmp/*.bmp  BMP files at every depth and header kind the platform reads
set -eu
suite="$1"
out="$2"
rm -rf "$out"
mkdir -p "$out/interlaced" "$out/png" "$out/bmp"

reference() {  # reference PICTURE BASE
  convert "$1" -set colorspace sRGB -depth 8 "RGBA:$2.rgba"
  identify -format '%w %h\n' "$1" >"$2.size"
}

for f in "$suite"/*.png; do
  reference "$f" "$out/$(basename "$f" .png)"
done
for f in "$suite"/interlaced/*.png; do
  reference "$f" "$out/interlaced/$(basename "$f" .png)"
done

colour="$suite/basn2c08.png"
alpha="$suite/basn6a08.png"
grey="$suite/basn0g08.png"

# make FOLDER NAME FORMAT SOURCE OPTIONS...
make() {
  folder="$1"; name="$2"; format="$3"
  shift 3
  convert "$@" "$format:$out/$folder/$name.$folder"
  reference "$out/$folder/$name.$folder" "$out/$folder/$name"
}

make png rgb13x7 PNG24 "$colour" -resize '13x7!'
make png rgb13x7i PNG24 "$colour" -resize '13x7!' -interlace PNG
make png rgb16_13x7 PNG48 "$colour" -resize '13x7!'
make png pal13x7 PNG8 "$colour" -resize '13x7!'
make png paltrns13x7 PNG8 "$alpha" -resize '13x7!'
make png rgba13x7 PNG32 "$alpha" -resize '13x7!'
make png grey4_5x3 PNG "$grey" -resize '5x3!' -define png:color-type=0 -define png:bit-depth=4
make png greyalpha7x5 PNG "$alpha" -resize '7x5!' -colorspace gray -define png:color-type=4

make bmp pal1 BMP3 "$colour" -resize '13x7!' -type palette -colors 2
make bmp pal4 BMP3 "$colour" -resize '13x7!' -type palette -colors 16
make bmp pal8 BMP3 "$colour" -resize '13x7!' -type palette -colors 256 -compress none
make bmp rle8 BMP3 "$colour" -resize '13x7!' -type palette -colors 256 -compress RLE
make bmp core4 BMP2 "$colour" -resize '13x7!' -type palette -colors 16
make bmp core24 BMP2 "$colour" -resize '13x7!' -type truecolor
make bmp rgb24 BMP3 "$colour" -resize '13x7!' -type truecolor
make bmp rgb32 BMP3 "$alpha" -resize '13x7!' -type truecolormatte -define bmp3:alpha=true
make bmp fields32 BMP "$alpha" -resize '13x7!' -type truecolormatte
