#!/usr/bin/env bash
# Renders the SVG sources in svg/ into the pictures the program carries
# (png/ at one device pixel per skin pixel, png/2x/ and png/3x/ at two and
# three, embedded at build time) and the files shipped beside it (data/).
# Needs rsvg-convert (librsvg2-bin) and ImageMagick. Run it after editing an
# SVG and commit the results; the build does not run it.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
svg=$here/svg
png=$here/png
data=$(cd "$here/../.." && pwd)/data
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$png" "$data"

# The key colour: every skin pixel of this colour is cut out of the window.
key='rgb(32,254,2)'
# -strip keeps gamma and time chunks out, so a render is byte-stable and a
# decoder never corrects the colours.
out_opts=(-strip -define png:exclude-chunks=date,time)

# The density rendered: device pixels per skin pixel, and where it goes.
zoom=1
out=$png
render() { rsvg-convert --zoom "$zoom" "$svg/$1.svg" -o "$tmp/$1.png"; }

# A window skin: what the outline leaves (alpha below one half) becomes the
# key colour, everything else opaque, so no edge pixel is a blend of the two.
skin() {
    render "$1"
    convert "$tmp/$1.png" -channel A -threshold 50% +channel -background "$key" -flatten \
        "${out_opts[@]}" "PNG24:$out/$1.png"
}

# A plain picture on black.
plain() {
    render "$1"
    convert "$tmp/$1.png" -background black -flatten "${out_opts[@]}" "PNG24:$out/${2:-$1}.png"
}

# A picture that keeps its alpha.
with_alpha() {
    render "$1"
    convert "$tmp/$1.png" "${out_opts[@]}" "PNG32:$out/$1.png"
}

# A hover picture cut from a sheet of lit buttons at its hotspot rectangle,
# scaled as the program places it: each of x, y, w and h times the density,
# rounded.
crop() {  # sheet name x y w h
    local at
    at=$(awk -v z="$zoom" -v x="$3" -v y="$4" -v w="$5" -v h="$6" \
        'function r(v) { return int(v * z + 0.5) } BEGIN { printf "%dx%d+%d+%d", r(w), r(h), r(x), r(y) }')
    convert "$tmp/$1.png" -background black -flatten -crop "$at" +repage \
        "${out_opts[@]}" "PNG24:$out/$2.png"
}

plain_opts=("${out_opts[@]}")
for zoom in 1 2 3; do
    out=$png
    out_opts=("${plain_opts[@]}")
    if [ "$zoom" != 1 ]; then
        out=$png/${zoom}x
        # Quick to decode: the large renders are decoded at every start on a
        # dense screen, and light compression with one filter inflates in a
        # third of the time for a quarter more bytes.
        out_opts+=(-define png:compression-level=3 -define png:compression-filter=1)
    fi
    mkdir -p "$out"
    for name in search_skin radio_skin mp3_skin compact_skin; do skin "$name"; done
    for name in time_back volume_back volume_knob status_back video_splash; do plain "$name"; done
    for name in pause play_hover; do with_alpha "$name"; done

    render search_lit
    render radio_lit
    render mp3_lit
    crop search_lit close_hover 697 5 23 13
    crop search_lit mp3_hover 585 23 60 31
    crop search_lit radio_hover 646 23 60 31
    crop search_lit recording 290 353 14 14
    crop search_lit muted 457 351 21 20
    crop radio_lit search_hover 646 23 60 31
    crop mp3_lit open_folder_hover 288 352 18 17
done
zoom=1
out_opts=("${plain_opts[@]}")

# Files beside the program: baseline JPEGs and the row icon.
jpeg() {  # svg name, file name
    render "$1"
    convert "$tmp/$1.png" -background black -flatten -strip -quality 92 -interlace none "$data/$2"
}
jpeg search_picture DM.jpg
jpeg radio_picture 333.jpg
jpeg album_placeholder 999.jpg
render file_icon
convert "$tmp/file_icon.png" -background black -flatten "${out_opts[@]}" "PNG24:$data/icon.png"
