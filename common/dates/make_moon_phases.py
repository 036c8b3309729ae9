#!/usr/bin/python3
# Writes moon_phases.inc: the UT dates of the moon's principal phases from 1900
# to 2099, an independent reference for the moon-age arithmetic.
# Needs python3-ephem; run once, the output is committed.
import ephem
import os

KINDS = [
    (0, ephem.next_new_moon),
    (1, ephem.next_first_quarter_moon),
    (2, ephem.next_full_moon),
    (3, ephem.next_last_quarter_moon),
]

events = []
for kind, next_phase in KINDS:
    t = ephem.Date("1900/1/1")
    end = ephem.Date("2100/1/1")
    while True:
        t = next_phase(t)
        if t >= end:
            break
        y, m, d = t.triple()
        events.append((y, m, int(d), kind))
        t = ephem.Date(t + 1)

events.sort()
out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "moon_phases.inc")
with open(out, "w") as f:
    f.write("// Made by make_moon_phases.py: year, month, day (UT), phase\n")
    f.write("// (0 new moon, 1 first quarter, 2 full moon, 3 last quarter).\n")
    for y, m, d, k in events:
        f.write("{%d, %d, %d, %d},\n" % (y, m, d, k))
