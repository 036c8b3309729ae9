#!/usr/bin/env bash
# WBMP fixtures: pbmtowbmp's file of a 37x23 PBM, the PBM itself (raw, P4),
# and ImageMagick's and wbmptopbm's decodes of the WBMP.
set -euo pipefail
out=$1
im=convert-im6.q16

w=37 h=23
# A raw PBM: diagonal stripes and a deterministic scatter, 1 = black.
perl -e '
  my ($w, $h) = @ARGV;
  binmode STDOUT;
  print "P4\n$w $h\n";
  my $seed = 99;
  for my $y (0 .. $h - 1) {
    my @bits;
    for my $x (0 .. $w - 1) {
      $seed = ($seed * 1103515245 + 12345) % 2147483648;
      push @bits, ((($x + $y) % 7) < 3 || (($seed >> 16) % 5) == 0) ? 1 : 0;
    }
    push @bits, 0 while @bits % 8;
    print pack("B*", join("", @bits));
  }' $w $h >"$out/wbmp_src.pbm"

pbmtowbmp "$out/wbmp_src.pbm" >"$out/wbmp_pbm.wbmp" 2>/dev/null
$im WBMP:"$out/wbmp_pbm.wbmp" -depth 8 gray:"$out/wbmp_pbm.gray"
wbmptopbm "$out/wbmp_pbm.wbmp" >"$out/wbmp_back.pbm" 2>/dev/null
