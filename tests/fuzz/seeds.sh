#!/usr/bin/env bash
# Seed corpora of the fuzz targets, made with Debian's tools: SOURCE_TREE OUT.
# Writes OUT/fixtures (every test fixture) and OUT/<target>/ for each target,
# each file as the target takes it. Idempotent; quick.
set -uo pipefail
src=$(realpath "$1") out=$(realpath -m "$2")
im=convert-im6.q16
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "seeds.sh: $*" >&2; }
q() { "$@" >/dev/null 2>&1 || fail "$* failed"; }

"$src/tools/make-fixtures" "$src" "$out/fixtures" >/dev/null 2>&1 || fail "some fixtures failed"
for t in jpeg bmp dib saj2k pnm read_image picturedb metafile io tga wbmp tiff gif pcx png psd psd_resources tla; do
  rm -rf "${out:?}/$t"
  mkdir -p "$out/$t"
done
f=$out/fixtures

# Source pictures: a plasma photo, an odd-sized one, a grey ramp, few colours.
q $im -seed 3 -size 67x45 plasma:fractal -depth 8 "$tmp/photo.ppm"
q $im -seed 5 -size 9x7 plasma:fractal -depth 8 "$tmp/tiny.ppm"
q $im "$tmp/photo.ppm" -colorspace Gray -depth 8 "$tmp/grey.pgm"
q $im "$tmp/photo.ppm" -colors 12 -depth 8 "$tmp/few.ppm"

# JPEG: cjpeg's codings and samplings, ImageMagick's CMYK (Adobe marker) and
# resolution units, and the fixtures' files.
cp "$f"/*.jpg "$out/jpeg/" 2>/dev/null
n=0
while read -r opts; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  q sh -c "cjpeg $opts '$tmp/photo.ppm' >'$out/jpeg/cjpeg_$n.jpg'"
done <<'EOF'
-quality 90
-quality 5 -baseline
-quality 75 -optimize
-quality 75 -progressive
-quality 75 -progressive -arithmetic
-quality 75 -arithmetic -sample 2x2
-quality 75 -sample 2x1
-quality 75 -sample 1x2
-quality 75 -sample 4x1
-quality 75 -sample 2x2,1x1,2x1
-quality 75 -restart 1B
-quality 75 -restart 2
-quality 75 -dct float -smooth 50
-quality 75 -rgb
-quality 75 -rgb -progressive
-quality 75 -grayscale -progressive
-quality 100 -sample 1x1
EOF
q sh -c "cjpeg -quality 80 '$tmp/tiny.ppm' >'$out/jpeg/cjpeg_tiny.jpg'"
q sh -c "cjpeg -quality 80 -progressive '$tmp/tiny.ppm' >'$out/jpeg/cjpeg_tiny_prog.jpg'"
q sh -c "cjpeg -quality 80 '$tmp/grey.pgm' >'$out/jpeg/cjpeg_grey.jpg'"
q $im "$tmp/photo.ppm" -colorspace CMYK -quality 80 "$out/jpeg/im_cmyk.jpg"
q $im "$tmp/photo.ppm" -colorspace CMYK -interlace Plane -quality 80 "$out/jpeg/im_cmyk_prog.jpg"
q $im "$tmp/photo.ppm" -density 300 -units PixelsPerInch -quality 80 "$out/jpeg/im_300dpi.jpg"
q $im "$tmp/photo.ppm" -density 50 -units PixelsPerCentimeter -quality 80 "$out/jpeg/im_50dpcm.jpg"

# PNG: grey of 1 to 16 bits, palettes with tRNS, RGBA 16, Adam7 and the
# damaged files of the fixtures.
cp "$f"/png/*.png "$out/png/" 2>/dev/null

# BMP: ImageMagick's depths, run-length and bit-field files, OS/2 and V4/V5
# headers; a hand-made RLE4 file (ImageMagick writes RLE8 only) and a
# top-down file.
cp "$f"/*.bmp "$out/bmp/" 2>/dev/null
q $im "$tmp/photo.ppm" BMP3:"$out/bmp/im24.bmp"
q $im "$tmp/photo.ppm" -alpha set -channel A -evaluate set 50% +channel -define bmp3:alpha=true BMP3:"$out/bmp/im32.bmp"
q $im "$tmp/photo.ppm" -define bmp:subtype=RGB565 BMP:"$out/bmp/im16_565.bmp"
q $im "$tmp/photo.ppm" -define bmp:subtype=RGB555 BMP:"$out/bmp/im16_555.bmp"
q $im "$tmp/photo.ppm" -define bmp:subtype=ARGB4444 BMP:"$out/bmp/im16_4444.bmp"
q $im "$tmp/few.ppm" -type Palette -compress None BMP3:"$out/bmp/im8.bmp"
q $im "$tmp/few.ppm" -type Palette -compress RLE BMP3:"$out/bmp/im_rle8.bmp"
q $im "$tmp/photo.ppm" -colors 200 -type Palette -compress RLE BMP3:"$out/bmp/im_rle8_200.bmp"
q $im "$tmp/few.ppm" -type Palette -colors 12 BMP2:"$out/bmp/os2_4.bmp"
q $im "$tmp/photo.ppm" -monochrome BMP3:"$out/bmp/im1.bmp"
q $im "$tmp/photo.ppm" -monochrome BMP2:"$out/bmp/os2_1.bmp"
q $im "$tmp/photo.ppm" BMP2:"$out/bmp/os2_24.bmp"
q $im "$tmp/photo.ppm" -define bmp:format=bmp4 BMP:"$out/bmp/v4_24.bmp"
q $im "$tmp/photo.ppm" BMP:"$out/bmp/v5_24.bmp"
q $im "$tmp/tiny.ppm" BMP3:"$out/bmp/tiny24.bmp"
perl -e '
  # 9x5 RLE4: encoded runs, an absolute run, a delta and the end codes.
  my @pal = map { pack("C4", $_ * 17, 255 - $_ * 17, ($_ * 50) % 256, 0) } 0 .. 15;
  my $bits = pack("C*", 4, 0x12, 5, 0x34, 0, 0,
                        0, 5, 0x56, 0x78, 0x90, 0, 0, 0,
                        0, 2, 3, 1, 6, 0xAB, 0, 0,
                        9, 0xCD, 0, 1);
  my $off = 14 + 40 + 64;
  binmode STDOUT;
  print "BM", pack("V", $off + length $bits), pack("v2", 0, 0), pack("V", $off);
  print pack("V l l v v V V l l V V", 40, 9, 5, 1, 4, 2, length $bits, 2835, 2835, 16, 0);
  print @pal, $bits;' >"$out/bmp/rle4.bmp"
perl -e '
  # The 24-bit tiny picture stored top-down (negative height).
  local $/; my $d = <STDIN>; my $w = unpack("l", substr($d, 18, 4)); my $h = unpack("l", substr($d, 22, 4));
  my $off = unpack("V", substr($d, 10, 4)); my $row = int(($w * 3 + 3) / 4) * 4;
  my @rows = map { substr($d, $off + $_ * $row, $row) } 0 .. $h - 1;
  substr($d, 22, 4) = pack("l", -$h);
  binmode STDOUT; print substr($d, 0, $off), reverse @rows;' <"$out/bmp/tiny24.bmp" >"$out/bmp/topdown24.bmp"

# Packed DIBs: the bitmaps without their 14-byte file header (40-byte
# headers only: the decoder takes no other).
for b in "$out"/bmp/*.bmp; do
  [ "$(od -An -tu4 -j14 -N4 "$b" | tr -d ' ')" = 40 ] || continue
  tail -c +15 "$b" >"$out/dib/$(basename "$b" .bmp).dib"
done

# JPEG 2000: the fixtures' files and opj_compress's progression orders,
# markers, code-block styles, precincts, tiles and layers.
cp "$f"/*.jp2 "$f"/*.j2k "$out/saj2k/" 2>/dev/null
n=0
while read -r ext opts; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  q opj_compress -i "$tmp/photo.ppm" -o "$out/saj2k/opj_$n.$ext" $opts
done <<'EOF'
j2k -p RPCL -n 4
j2k -p PCRL -c [64,64],[32,32]
jp2 -p CPRL -SOP -EPH
j2k -M 63 -b 16,16
jp2 -r 40,20,10
j2k -t 16,16 -n 3 -TP R
j2k -I -q 30,40
jp2 -PLT -C fuzzseed
j2k -s 2,2 -n 2
EOF
q opj_compress -i "$tmp/grey.pgm" -o "$out/saj2k/opj_grey.j2k" -n 2
q opj_compress -i "$tmp/tiny.ppm" -o "$out/saj2k/opj_tiny.jp2" -n 1

# PNM: netpbm tool pictures of every kind, plain and raw, and a few of the
# seeded differential files.
q pgmramp -lr 19 7 > "$out/pnm/ramp.pgm"
q ppmpat -gingham2 13 9 > "$out/pnm/pat.ppm"
q pbmmake -gray 11 5 > "$out/pnm/gray.pbm"
pgmramp -diag 9 9 2>/dev/null | pamdepth 1023 > "$out/pnm/ramp1023.pgm" 2>/dev/null || fail "pamdepth failed"
for p in ramp.pgm pat.ppm gray.pbm ramp1023.pgm; do
  pnmtoplainpnm "$out/pnm/$p" > "$out/pnm/plain_$p" 2>/dev/null || fail "pnmtoplainpnm $p failed"
done
cp "$f"/pnm_diff/00[0-9].pnm "$out/pnm/" 2>/dev/null
# GIF and PCX: the fixtures' files (tool-made and hand-written streams).
cp "$f"/gif*.gif "$out/gif/" 2>/dev/null
cp "$f"/pcx_*.pcx "$out/pcx/" 2>/dev/null

# The generic reader: the JPEG and BMP seeds, the fixtures' pictures, and one
# small file of every other type the guess knows.
cp "$out"/jpeg/cjpeg_1.jpg "$out"/jpeg/cjpeg_4.jpg "$out"/jpeg/cjpeg_grey.jpg "$out"/jpeg/im_cmyk.jpg "$out/read_image/"
cp "$out"/bmp/im24.bmp "$out"/bmp/im8.bmp "$out"/bmp/im1.bmp "$out"/bmp/im_rle8.bmp "$out"/bmp/rle4.bmp \
  "$out"/bmp/os2_24.bmp "$out"/bmp/im16_565.bmp "$out"/bmp/im32.bmp "$out/read_image/"
cp "$f"/reader_* "$out/read_image/" 2>/dev/null
for fmt in GIF PNG TIFF TGA PCX PSD WBMP PBM PGM PPM; do
  q $im "$tmp/tiny.ppm" "$fmt:$out/read_image/tiny.${fmt,,}"
done

# "bilder.dat": records of the current and the older format, with the three
# control bytes (built-ins, failing step, operations) the target takes last.
perl -e '
  my ($dir) = @ARGV;
  sub rec {
    my ($n, $state, $pic, $thumb) = @_;
    my $r = pack("a2 l l v v v v v v v v v l l l a32 v V V l l l l l a260 a260",
                 "M", 4, $n, $state, 0x7F, 0, 24, 1, 12, 0, 0, 0, -13, 400, 0, "Arial", 1,
                 0x102030, 0xFFFFFF, 1, 100, 100, 0, 5, $pic, $thumb);
    die length $r unless length $r == 622;
    $r;
  }
  sub old {  # the older 596-byte record
    my ($state, $pic) = @_;
    my $r = pack("a4 v9 l3 a32 v V V a260 a260", "M\0\3\0", $state, 0x7F, 0, 24, 1, 12, 0, 0, 0, -13, 400, 0,
                 "Arial", 0, 0x102030, 0xFFFFFF, $pic, "");
    die length $r unless length $r == 596;
    $r;
  }
  my @files = (
    [rec(1, 2, "C01X", "") . rec(2, 2, "D:\\\\Bilder\\\\urlaub.jpg", "D:\\\\data\\\\thumb.jpg") . rec(3, 0, "", ""), 12, 0, 0xFF],
    [rec(1, 3, "C02X", "") . rec(2, 2, "C:\\\\x.bmp", "C:\\\\t.jpg"), 3, 5, 0x1F],
    [old(2, "C:\\\\alt.jpg") . old(2, "C03X"), 12, 0, 0x01],
    [rec(1, 2, "C01X", "") x 3 . "tail", 2, 9, 0x8A],
    ["", 12, 0, 0x3F],
  );
  my $i = 0;
  for my $f (@files) {
    open(my $o, ">", sprintf("%s/bilder_%d", $dir, ++$i)) or die; binmode $o;
    print $o $f->[0], pack("C3", $f->[1], $f->[2], $f->[3]);
  }' "$out/picturedb"

# Metafiles: a bare and a placeable Windows metafile and an enhanced one.
perl -e '
  my ($dir) = @ARGV;
  my $recs = pack("V v s s", 5, 0x020C, 100, 200)           # SetWindowExt
           . pack("V v s s s s", 7, 0x041B, 90, 180, 10, 20)  # Rectangle
           . pack("V v", 3, 0);                              # end
  my $size = (18 + length $recs) / 2;
  my $wmf = pack("v v v V v V v", 1, 9, 0x300, $size, 0, 7, 0) . $recs;
  my @head = unpack("v10", pack("V v s4 v V", 0x9AC6CDD7, 0, 0, 0, 200, 100, 1440, 0));
  my $sum = 0; $sum ^= $_ for @head;
  my $placeable = pack("V v s4 v V v", 0x9AC6CDD7, 0, 0, 0, 200, 100, 1440, 0, $sum);
  my $emfrecs = pack("V V l4", 43, 24, 10, 10, 90, 60)     # Rectangle
              . pack("V V V V V", 14, 20, 0, 16, 20);      # EOF
  my $emfsize = 88 + length $emfrecs;
  my $emf = pack("V V l4 l4 V V V V v v V V V l2 l2", 1, 88, 0, 0, 99, 69, 0, 0, 2646, 1852,
                 0x464D4520, 0x10000, $emfsize, 3, 1, 0, 0, 0, 0, 1024, 768, 320, 240) . $emfrecs;
  for (["bare.wmf", $wmf], ["placeable.wmf", $placeable . $wmf], ["frame.emf", $emf]) {
    open(my $o, ">", "$dir/$_->[0]") or die; binmode $o; print $o $_->[1];
  }' "$out/metafile"

# TGA: ImageMagick's types, pamtotga's files and the fixtures' files.
cp "$f"/tga_*.tga "$out/tga/" 2>/dev/null
q $im "$tmp/few.ppm" -type Palette -compress RLE TGA:"$out/tga/few9.tga"
q $im "$tmp/tiny.ppm" -compress RLE TGA:"$out/tga/tiny10.tga"
q $im "$tmp/grey.pgm" -compress RLE TGA:"$out/tga/grey11.tga"
q sh -c "pamtotga '$tmp/few.ppm' >'$out/tga/pam_cmap.tga'"

# WBMP: pbmtowbmp's files of thresholded pictures and the fixtures' file.
cp "$f"/wbmp_*.wbmp "$out/wbmp/" 2>/dev/null
q sh -c "ppmtopgm '$tmp/photo.ppm' | pamthreshold | pamtopnm | pbmtowbmp >'$out/wbmp/photo.wbmp'"
q sh -c "ppmtopgm '$tmp/tiny.ppm' | pamthreshold | pamtopnm | pbmtowbmp >'$out/wbmp/tiny.wbmp'"

# PSD: the fixtures' files and ImageMagick's modes, depths and compressions
# of the photo; their image-resource blocks alone for the resource parser.
cp "$f"/psd/*.psd "$out/psd/" 2>/dev/null
q $im "$tmp/photo.ppm" -compress RLE "$out/psd/photo_rle.psd"
q $im "$tmp/photo.ppm" -colorspace CMYK -compress RLE "$out/psd/photo_cmyk_rle.psd"
q $im "$tmp/grey.pgm" -depth 16 -compress None "$out/psd/grey16.psd"
q $im "$tmp/few.ppm" -type Palette -compress RLE "$out/psd/few_rle.psd"
q $im "$tmp/tiny.ppm" -type bilevel -depth 1 -compress RLE "$out/psd/tiny_bitmap_rle.psd"
q python3 "$src/imaging/formats/psd/psd_make.py" --blocks "$out/psd" "$out/psd_resources"

# TLA: the test writer's files of every depth and filter and its damaged
# ones; the protected ones are under "abc", the password the target tries.
cp "$f"/tla/*.tla "$out/tla/" 2>/dev/null
cp "$f"/tla/rt_37x23_b3_f7_plain.tla "$out/read_image/" 2>/dev/null

# Source and sink operations: a few mixed byte strings.
perl -e '
  my ($dir) = @ARGV;
  my @s = (pack("C*", map { ($_ * 37) & 0xFF } 0 .. 63), pack("C*", (0, 5, 1, 250, 2, 0, 3, 40, 4, 3, 5, 7) x 4),
           pack("c*", map { ($_ % 2) ? -$_ : $_ } 0 .. 127));
  for my $i (0 .. $#s) { open(my $o, ">", "$dir/ops_$i") or die; binmode $o; print $o $s[$i]; }' "$out/io"

# TIFF: the fixtures' files and tiffcp's compressions, layouts and tiles.
cp "$f"/tif_*.tif "$out/tiff/" 2>/dev/null
q $im "$tmp/photo.ppm" -compress none "$tmp/photo.tif"
n=0
for opts in "-c none" "-c lzw" "-c zip" "-c packbits" "-c jpeg" "-c lzw:2" "-c zip:2" "-r 1" "-r 16" \
    "-t -w 16 -l 16" "-p separate" "-c lzw -t -w 32 -l 16 -p separate"; do
  n=$((n + 1))
  q tiffcp $opts "$tmp/photo.tif" "$out/tiff/tiffcp_$n.tif"
done
q $im "$tmp/photo.ppm" -monochrome -compress none "$tmp/mono.tif"
q tiffcp -c g3 "$tmp/mono.tif" "$out/tiff/tiffcp_g3.tif"
q tiffcp -c g4 "$tmp/mono.tif" "$out/tiff/tiffcp_g4.tif"
q tiffcp "$tmp/photo.tif" "$tmp/mono.tif" "$out/tiff/tiffcp_pages.tif"
exit 0
