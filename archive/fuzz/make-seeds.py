#!/usr/bin/env python3
"""Makes the seed corpus of the zip component's fuzz target: one small archive
for each kind of entry and name the component must handle.

    archive/fuzz/make-seeds.py OUTPUT_FOLDER
"""

import sys
from pathlib import Path

sys.dont_write_bytecode = True
from zipbytes import (BZIP2, FOLDER_MODE, LINK_MODE, STORED, XZ, Entry,  # noqa: E402
                      archive)

# The fuzz target answers every password request with this one.
PASSWORD = b"quillbrook"
# The fuzz target fails when anything appears at this absolute path.
ABSOLUTE_TARGET = b"/tmp/quillbrook-fuzz-escape"

TEXT = b"Quillbrook converts MOBI e-books into EPUB.\r\n" * 40
BIG_TEXT = b"line of a long text entry, read in several pieces\n" * 6000


def folder(name: bytes) -> Entry:
    return Entry(name, method=STORED, mode=FOLDER_MODE)


def epub() -> list[Entry]:
    container = (b'<?xml version="1.0"?>\n<container version="1.0" '
                 b'xmlns="urn:oasis:names:tc:opendocument:xmlns:container">'
                 b'<rootfiles><rootfile full-path="OEBPS/content.opf" '
                 b'media-type="application/oebps-package+xml"/></rootfiles></container>\n')
    package = (b'<?xml version="1.0"?>\n<package xmlns="http://www.idpf.org/2007/opf" '
               b'version="2.0" unique-identifier="id"><metadata '
               b'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>Seed</dc:title>'
               b'<dc:identifier id="id">seed</dc:identifier></metadata><manifest>'
               b'<item id="c1" href="chapter1.xhtml" media-type="application/xhtml+xml"/>'
               b'</manifest><spine><itemref idref="c1"/></spine></package>\n')
    chapter = (b'<?xml version="1.0"?>\n<html xmlns="http://www.w3.org/1999/xhtml"><head>'
               b'<title>One</title></head><body><p>' + TEXT + b'</p></body></html>\n')
    return [
        Entry(b"mimetype", b"application/epub+zip", method=STORED),
        folder(b"META-INF/"),
        Entry(b"META-INF/container.xml", container),
        Entry(b"OEBPS/content.opf", package),
        Entry(b"OEBPS/chapter1.xhtml", chapter),
    ]


SEEDS = {
    "stored.zip": [Entry(b"ebook-convert.exe", b"#!/bin/sh\necho converted\n", method=STORED,
                         mode=0o100755)],
    "deflated.zip": [
        folder(b"calibre/"),
        folder(b"calibre/resources/"),
        Entry(b"calibre/resources/deep/read me.txt", TEXT),
        Entry(b"calibre/big.txt", BIG_TEXT),
        Entry(b"readme.txt", b"read me"),
        Entry(b"empty.txt", b""),
    ],
    "other-methods.zip": [
        Entry(b"bzip2.txt", TEXT, method=BZIP2),
        Entry(b"xz.txt", TEXT, method=XZ),
        Entry(b"unknown-method.txt", b"raw", method=99),
    ],
    "encrypted.zip": [
        Entry(b"secret.txt", TEXT, password=PASSWORD),
        Entry(b"stored-secret.bin", b"\x00\x01\x02" * 50, method=STORED, password=PASSWORD),
        Entry(b"wrong-password.txt", b"unreadable", password=b"another"),
    ],
    "encrypted-descriptor.zip": [
        Entry(b"secret.txt", TEXT, password=PASSWORD, data_descriptor=True),
    ],
    "zip64.zip": [
        Entry(b"small.txt", TEXT, zip64=True),
        Entry(b"stored.txt", b"stored", method=STORED, zip64=True),
        Entry(b"described.txt", TEXT, zip64=True, data_descriptor=True),
    ],
    "descriptor.zip": [
        Entry(b"one.txt", TEXT, data_descriptor=True),
        Entry(b"two/two.txt", b"two", method=STORED, data_descriptor=True),
    ],
    "links.zip": [
        Entry(b"escape", b"../outside", method=STORED, mode=LINK_MODE),
        Entry(b"escape/evil.txt", b"through the link"),
        Entry(b"absolute-link", ABSOLUTE_TARGET, method=STORED, mode=LINK_MODE),
        Entry(b"absolute-link/evil.txt", b"through the link"),
        Entry(b"good.txt", b"fine"),
    ],
    "climbing.zip": [
        Entry(b"../evil.txt", b"climbed"),
        Entry(b"a/../../evil.txt", b"climbed"),
        Entry(ABSOLUTE_TARGET, b"absolute"),
        Entry(ABSOLUTE_TARGET + b"/evil.txt", b"absolute"),
        Entry(b"./dot/./inside.txt", b"inside"),
        Entry(b"a/b/..", b"names a folder"),
        Entry(b"good.txt", b"fine"),
    ],
    "names.zip": [
        Entry(b"n" * 300 + b".txt", b"long name"),
        Entry(b"/".join([b"folder"] * 120) + b"/deep.txt", b"deep"),
        Entry(b"control\x01\x1b[31m\ttab\nline.txt", b"control characters"),
        Entry(b"back\\slash\\name.txt", b"backslashes"),
        Entry(b"latin1-\xe9\xe8.txt", b"not UTF-8"),
        Entry(b"spaces in name .txt", b"spaces"),
        Entry(b"dup.txt", b"first"),
        Entry(b"dup.txt", b"second"),
        Entry(b"file-then-folder", b"file"),
        Entry(b"file-then-folder/inner.txt", b"below a file"),
        folder(b"folder-then-file/"),
        Entry(b"folder-then-file", b"file over a folder"),
        Entry(b".vbuzip-1-1", b"named like the component's temporary files"),
        Entry(b"", b"no name"),
    ],
    "modes.zip": [
        Entry(b"set-user-id", b"x", mode=0o104755),
        Entry(b"set-group-id", b"x", mode=0o102775),
        Entry(b"sticky", b"x", mode=0o101777),
        Entry(b"read-only.txt", b"x", mode=0o100444),
        Entry(b"no-permissions.txt", b"x", mode=0o100000),
        Entry(b"fifo", b"", mode=0o010644),
        Entry(b"device", b"", mode=0o020644),
        Entry(b"socket", b"", mode=0o140755),
        Entry(b"locked/", method=STORED, mode=0o040000),
        Entry(b"locked/inside.txt", b"x"),
    ],
    "sizes-lie.zip": [
        Entry(b"longer-than-declared.txt", BIG_TEXT, declared_size=100),
        Entry(b"shorter-than-declared.txt", b"short", declared_size=5000),
        Entry(b"stored-lie.txt", b"stored data", method=STORED, declared_size=3),
    ],
    "book.epub": epub(),
    "empty.zip": [],
}

COMMENTED = ("commented.zip", [Entry(b"a.txt", b"a")], b"an archive comment")


def main() -> None:
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    out.mkdir(parents=True, exist_ok=True)
    for name, entries in SEEDS.items():
        (out / name).write_bytes(archive(entries))
    name, entries, comment = COMMENTED
    (out / name).write_bytes(archive(entries, comment))


if __name__ == "__main__":
    main()
