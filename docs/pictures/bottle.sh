#!/usr/bin/env bash
# Writes the README's before/after pictures of "Making scenes": a bottle
# made here (a y-up OBJ turned on a lathe, dressed through texture
# coordinates with a labelled texture), built and rendered by two vtl
# programs, the one before model scenes got their first look and the
# current one.
#
#   docs/pictures/bottle.sh OLD_VTL NEW_VTL
#
# Needs awk and ImageMagick's convert; writes bottle-before.png and
# bottle-after.png beside this script.
set -euo pipefail
old=$1 new=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The bottle: radius by height (y up), 48 sectors, 40 rings, closed ends;
# u runs round, v up.
awk 'BEGIN {
  pi = 3.14159265358979; S = 48; R = 40; H = 2.4
  print "mtllib bottle.mtl"
  for (i = 0; i <= R; i++) {
    y = H * i / R
    if (y < 1.15) r = 0.62 - 0.05 * (1 - y / 1.15) ^ 8
    else if (y < 1.75) { t = (y - 1.15) / 0.6; r = 0.2 + 0.42 * (1 + cos(pi * t)) / 2 }
    else if (y < 2.3) r = 0.2
    else r = 0.23
    for (j = 0; j <= S; j++) {
      a = 2 * pi * j / S
      printf "v %.5f %.5f %.5f\n", r * cos(a), y, -r * sin(a)
      printf "vt %.5f %.5f\n", j / S, y / H
    }
  }
  n = (R + 1) * (S + 1)
  printf "v 0 0 0\nvt 0.5 0.01\nv 0 %.5f 0\nvt 0.5 0.99\n", H
  print "usemtl label"
  for (i = 0; i < R; i++)
    for (j = 0; j < S; j++) {
      a = i * (S + 1) + j + 1; b = a + S + 1
      printf "f %d/%d %d/%d %d/%d %d/%d\n", a, a, a + 1, a + 1, b + 1, b + 1, b, b
    }
  for (j = 0; j < S; j++) {
    a = j + 1; b = R * (S + 1) + j + 1
    printf "f %d/%d %d/%d %d/%d\n", n + 1, n + 1, a + 1, a + 1, a, a
    printf "f %d/%d %d/%d %d/%d\n", n + 2, n + 2, b, b, b + 1, b + 1
  }
}' > "$work/bottle.obj"
printf 'newmtl label\nKd 1 1 1\nmap_Kd bottle.png\n' > "$work/bottle.mtl"

# The texture: green glass, a cream label with a row of red diamonds
# between two gold lines, gold foil on the neck.
awk 'BEGIN {
  W = 512; H = 256; print "P3"; print W, H; print 255
  for (y = 0; y < H; y++) for (x = 0; x < W; x++) {
    u = (x + 0.5) / W; v = 1 - (y + 0.5) / H
    R = 30; G = 110; B = 70
    if (v > 0.15 && v < 0.42) {
      R = 240; G = 228; B = 190
      du = u * 16 - int(u * 16) - 0.5; dv = (v - 0.15) / 0.27 * 2; dv = dv - int(dv) - 0.5
      if ((du < 0 ? -du : du) + (dv < 0 ? -dv : dv) < 0.3) { R = 200; G = 40; B = 30 }
      if (v < 0.17 || v > 0.40) { R = 210; G = 170; B = 50 }
    }
    if (v > 0.78) { R = 215; G = 175; B = 60 }
    print R, G, B
  }
}' > "$work/bottle.ppm"
convert "$work/bottle.ppm" "$work/bottle.png"

for which in before after; do
  vtl=$old
  [ "$which" = after ] && vtl=$new
  "$vtl" build "$work/bottle.obj" -o "$work/$which.vtl" --quiet
  "$vtl" render "$work/$which.vtl" -o "$here/bottle-$which.png" --size 320x240
done
