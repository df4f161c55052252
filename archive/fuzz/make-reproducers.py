#!/usr/bin/env python3
"""Makes the archives whose declared sizes once overflowed the component's
totals. They are small and kept in the repository as test fixtures; run this
again only to remake them:

    archive/fuzz/make-reproducers.py tests/archive/fixtures
"""

import sys
from pathlib import Path

from zipbytes import Entry, archive

REPRODUCERS = {
    # Each entry declares 2^63 - 1 bytes: the sum of the sizes overflows.
    "sizes-overflow.zip": [
        Entry(b"first.txt", b"first", declared_size=2**63 - 1),
        Entry(b"second.txt", b"second", declared_size=2**63 - 1),
    ],
    # Packed sizes of 2^62 each: the sum of the packed sizes overflows.
    "packed-overflow.zip": [
        Entry(b"first.txt", b"first", declared_packed=2**62),
        Entry(b"second.txt", b"second", declared_packed=2**62),
    ],
    # A packed total of 2^60 fits, but a hundred times it does not.
    "ratio-overflow.zip": [
        Entry(b"first.txt", b"first", declared_packed=2**59),
        Entry(b"second.txt", b"second", declared_packed=2**59),
    ],
}


def main() -> None:
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    folder.mkdir(parents=True, exist_ok=True)
    for name, entries in REPRODUCERS.items():
        (folder / name).write_bytes(archive(entries))


if __name__ == "__main__":
    main()
