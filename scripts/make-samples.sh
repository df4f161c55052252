#!/bin/sh
# Makes the sample e-books in resources/Samples from the texts in
# resources/Samples/sources with calibre's ebook-convert, and draws their covers.
# Run it from anywhere; it needs calibre (Debian package "calibre").
set -eu

here=$(cd "$(dirname "$0")" && pwd)
samples="$here/../resources/Samples"
sources="$samples/sources"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export QT_QPA_PLATFORM=offscreen
calibre-debug -e "$here/draw-sample-covers.py" -- "$work"

# make_book SOURCE OUTPUT TITLE AUTHORS LANGUAGE [COVER]
make_book() {
    cover=""
    if [ $# -ge 6 ]; then
        cover="--cover=$work/$6.png"
    fi
    ebook-convert "$sources/$1.html" "$samples/$2.mobi" \
        --title="$3" --authors="$4" --language="$5" \
        --publisher="Quillbrook sample shelf" --book-producer="Quillbrook" \
        --pretty-print --chapter="//h:h2" --mobi-file-type=old $cover >"$work/$2.log" 2>&1 ||
        { cat "$work/$2.log"; exit 1; }
    echo "made $2.mobi"
}

make_book aesop-three-fables Aesop-Three-Fables "Three Fables of Aesop" "Aesop" en \
    aesop-three-fables
make_book two-poems Zwei-Gedichte "Zwei Gedichte – Deux poèmes" \
    "Johann Wolfgang von Goethe & Jean de La Fontaine" de two-poems
make_book two-sonnets Two-Sonnets "Two Sonnets" "William Shakespeare" en
make_book the-lamplighter The-Lamplighter "The Lamplighter of Brackwater" \
    "The Quillbrook developers" en the-lamplighter
