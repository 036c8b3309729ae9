#!/usr/bin/env bash
# PNM fixtures: pictures from the netpbm tools, and a seeded set of files of
# every kind with netpbm's own decoding of each (its plain samples).
set -euo pipefail
out=$1
cd "$out"
q() { "$@" >/dev/null 2>&1 || { echo "fixtures.sh: $* failed" >&2; exit 1; }; }

ppmpat -gingham2 -color=rgb:10/80/f0,rgb:ff/40/00 37 23 > pnm_pat.ppm 2>/dev/null || ppmpat -gingham2 37 23 > pnm_pat.ppm
pgmramp -lr 37 23 > pnm_ramp.pgm
pnmtoplainpnm pnm_pat.ppm > pnm_pat_plain.ppm
pnmtoplainpnm pnm_ramp.pgm > pnm_ramp_plain.pgm
pbmmake -black 10 3 > pnm_black10.pbm
pgmramp -lr 16 1 | pamdepth 15 > pnm_ramp15.pgm
pnmtoplainpnm pnm_ramp15.pgm > pnm_ramp15_plain.pgm

# The differential set: pnm_diff_NNN.pnm, and pnm_diff_NNN.ref holding
# "width height maxval" then netpbm's samples, one a line.
mkdir -p pnm_diff
perl -e '
  srand(30);
  my @maxvals = (1, 15, 255, 256, 1023, 40000, 65535);
  sub ws { my @w = (" ", "\n", "\t", "  ", "\r\n"); $w[int(rand(@w))] }
  sub sep { rand() < 0.2 ? ws() . "# note " . int(rand(1000)) . "\n" : ws() }
  for my $i (0 .. 199) {
    my $type = 1 + $i % 6;
    my ($w, $h) = (1 + int(rand(40)), 1 + int(rand(40)));
    my $mono = $type == 1 || $type == 4;
    my $chan = ($type == 3 || $type == 6) ? 3 : 1;
    my $maxval = $mono ? 1 : $maxvals[int(rand(@maxvals))];
    my $f = "P$type" . sep() . $w . sep() . $h;
    $f .= sep() . $maxval unless $mono;
    my @s = map { int(rand($maxval + 1)) } 1 .. $w * $h * $chan;
    if ($type <= 3) {
      $f .= sep();
      if ($mono && rand() < 0.5) { $f .= join("", @s) }
      else { $f .= join("", map { $s[$_] . ($_ < $#s ? sep() : "\n") } 0 .. $#s) }
    } else {
      $f .= "\n";
      if ($mono) {
        for my $y (0 .. $h - 1) {
          my @row = (@s[$y * $w .. $y * $w + $w - 1], (0) x 7);
          for (my $x = 0; $x < $w; $x += 8) {
            my $b = 0; $b = $b * 2 + $row[$x + $_] for 0 .. 7;
            $f .= chr($b | (rand() < 0.5 ? 0 : (0xFF >> (($w - $x) >= 8 ? 8 : $w - $x))));
          }
        }
      } elsif ($maxval > 255) { $f .= pack("n*", @s) }
      else { $f .= pack("C*", @s) }
    }
    my $name = sprintf("pnm_diff/%03d.pnm", $i);
    open(my $o, ">", $name) or die; binmode $o; print $o $f; close $o;
  }'
for f in pnm_diff/*.pnm; do
  # A grey file of maxval 1 comes back as a PBM: its bits are black, the
  # grey samples white.
  kind=$(head -c 2 "$f")
  pnmtoplainpnm "$f" | KIND=$kind perl -e '
    local $/; my $d = <STDIN>;
    $d =~ s/^P([1-6])\s+(\d+)\s+(\d+)\s+// or die "bad plain output";
    my ($t, $w, $h) = ($1, $2, $3);
    my $m = 1;
    if ($t ne "1") { $d =~ s/^(\d+)\s+// or die; $m = $1 }
    my @s = $t eq "1" ? ($d =~ /[01]/g) : split(/\s+/, $d =~ s/^\s+//r);
    @s = map { 1 - $_ } @s if $t eq "1" && $ENV{KIND} ne "P1" && $ENV{KIND} ne "P4";
    print "$w $h $m\n", map { "$_\n" } @s;' > "${f%.pnm}.ref"
done
