#!/usr/bin/env bash
# TLA fixtures: gen_tla.py's plain and protected files of every depth and
# filter, its damaged files, the pixels each must read as, and the cipher's
# known answers as the writer computes them.
set -euo pipefail
python3 ./gen_tla.py "$1/tla"
