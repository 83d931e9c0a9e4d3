#!/usr/bin/env python3
"""python-ldap's LDIF parser over the same file as bench/parse.cpp, for comparison.

Usage: parse_python.py [FILE]  (default: $TB_BENCH_LDIF). Prints the seconds the parse took, a bare
number, which scripts/bench turns into parse_vs_python_ldif_speedup.
"""

import os
import sys
import time

try:
    import ldif
except ImportError:
    # python-ldap comes from Debian's python3-ldap; another python3 first on PATH lacks it.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("TB_BENCH_LDIF")
    if not path:
        print("parse_python.py: give the LDIF file (or set TB_BENCH_LDIF)", file=sys.stderr)
        return 2
    with open(path, "rb") as f:
        start = time.perf_counter()
        parser = ldif.LDIFRecordList(f)
        parser.parse()
        seconds = time.perf_counter() - start
    print(f"{len(parser.all_records)} entries", file=sys.stderr)
    print(f"{seconds:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
