#!/usr/bin/env python3
"""Makes the zip component's test fixtures: archives whose declared sizes lie.
The first three once overflowed the component's totals; the fuzz script runs
them all. They are small and kept in the repository; run this again only to
remake them:

    archive/fuzz/make-fixtures.py tests/archive/fixtures
"""

import sys
from pathlib import Path

sys.dont_write_bytecode = True
from zipbytes import Entry, archive  # noqa: E402

FIXTURES = {
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
    # 4 EiB declared, more than any filesystem has free.
    "larger-than-any-disk.zip": [
        Entry(b"small.txt", b"small"),
        Entry(b"huge.bin", b"\0" * 1000, declared_size=2**62),
    ],
    # Inflates to 300,000 bytes but declares 100.
    "longer-than-declared.zip": [
        Entry(b"longer.txt", b"a line of text\n" * 20000, declared_size=100),
    ],
}


def main() -> None:
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    folder.mkdir(parents=True, exist_ok=True)
    for name, entries in FIXTURES.items():
        (folder / name).write_bytes(archive(entries))


if __name__ == "__main__":
    main()
