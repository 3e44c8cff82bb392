#!/usr/bin/env python3
"""The pefile loop that marlit-cli's batch is compared with: every hexadecimal file offset of stdin
through pefile's get_rva_from_offset, one memory address a line on stdout (empty when no section
holds the offset)."""
import sys

import pefile

pe = pefile.PE(sys.argv[1], fast_load=True)
base = pe.OPTIONAL_HEADER.ImageBase
rows = []
for line in sys.stdin:
    rva = pe.get_rva_from_offset(int(line, 16))
    rows.append("%X\n" % (base + rva) if rva is not None else "\n")
sys.stdout.write("".join(rows))
