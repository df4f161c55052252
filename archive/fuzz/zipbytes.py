"""Writes zip archives byte by byte, so that a script can make the archives
that ordinary zip tools refuse to make: sizes that lie, zip64 fields on small
entries, names that climb out of the extract folder, link entries.

Only the standard library is used.
"""

import bz2
import lzma
import struct
import zlib
from dataclasses import dataclass
from typing import Optional

STORED = 0
DEFLATED = 8
BZIP2 = 12
XZ = 95

UNIX = 3
FILE_MODE = 0o100644
LINK_MODE = 0o120777
FOLDER_MODE = 0o040755

FLAG_ENCRYPTED = 0x0001
FLAG_DATA_DESCRIPTOR = 0x0008
FLAG_UTF8 = 0x0800

ZIP64_MARK = 0xFFFFFFFF
DOS_TIME = (6 << 11) | (30 << 5)  # 06:30:00
DOS_DATE = ((2024 - 1980) << 9) | (6 << 5) | 10  # 2024-06-10


@dataclass
class Entry:
    name: bytes
    data: bytes = b""
    method: int = DEFLATED
    mode: int = FILE_MODE
    password: Optional[bytes] = None
    data_descriptor: bool = False
    zip64: bool = False
    # What the headers declare instead of the true sizes.
    declared_size: Optional[int] = None
    declared_packed: Optional[int] = None


class _TraditionalCipher:
    """The original PKWARE stream cipher ("ZipCrypto")."""

    def __init__(self, password: bytes):
        self.keys = [0x12345678, 0x23456789, 0x34567890]
        for byte in password:
            self._update(byte)

    @staticmethod
    def _crc(crc: int, byte: int) -> int:
        return zlib.crc32(bytes([byte]), crc ^ 0xFFFFFFFF) ^ 0xFFFFFFFF

    def _update(self, byte: int) -> None:
        k0, k1, k2 = self.keys
        k0 = self._crc(k0, byte)
        k1 = ((k1 + (k0 & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k2 = self._crc(k2, k1 >> 24)
        self.keys = [k0, k1, k2]

    def encrypt(self, data: bytes) -> bytes:
        out = bytearray()
        for byte in data:
            temp = (self.keys[2] | 2) & 0xFFFF
            out.append(byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF))
            self._update(byte)
        return bytes(out)


def _packed(entry: Entry, crc: int) -> bytes:
    if entry.method == DEFLATED:
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        body = packer.compress(entry.data) + packer.flush()
    elif entry.method == BZIP2:
        body = bz2.compress(entry.data)
    elif entry.method == XZ:
        body = lzma.compress(entry.data, format=lzma.FORMAT_XZ)
    else:
        body = entry.data
    if entry.password is None:
        return body
    # The header's last byte is the check byte: the CRC's top byte, or the
    # time's when a data descriptor follows.
    check = (DOS_TIME >> 8) if entry.data_descriptor else (crc >> 24)
    header = bytes((i * 37 + 11) & 0xFF for i in range(11)) + bytes([check & 0xFF])
    return _TraditionalCipher(entry.password).encrypt(header + body)


def archive(entries: list[Entry], comment: bytes = b"") -> bytes:
    """The whole archive: local entries, central directory, end record."""
    local = bytearray()
    central = bytearray()
    for entry in entries:
        crc = zlib.crc32(entry.data)
        body = _packed(entry, crc)
        size = len(entry.data) if entry.declared_size is None else entry.declared_size
        packed = len(body) if entry.declared_packed is None else entry.declared_packed
        flags = FLAG_UTF8
        if entry.password is not None:
            flags |= FLAG_ENCRYPTED
        if entry.data_descriptor:
            flags |= FLAG_DATA_DESCRIPTOR
        wide = entry.zip64 or size >= ZIP64_MARK or packed >= ZIP64_MARK
        version = 45 if wide else 20
        size32 = ZIP64_MARK if wide else size
        packed32 = ZIP64_MARK if wide else packed
        offset = len(local)

        local_extra = struct.pack("<HHQQ", 1, 16, size, packed) if wide else b""
        header_crc, header_size, header_packed = crc, size32, packed32
        if entry.data_descriptor:
            header_crc, header_size, header_packed = 0, (ZIP64_MARK if wide else 0), (
                ZIP64_MARK if wide else 0)
        local += struct.pack("<IHHHHHIIIHH", 0x04034B50, version, flags, entry.method, DOS_TIME,
                             DOS_DATE, header_crc, header_packed, header_size, len(entry.name),
                             len(local_extra))
        local += entry.name + local_extra + body
        if entry.data_descriptor:
            if wide:
                local += struct.pack("<IIQQ", 0x08074B50, crc, packed, size)
            else:
                local += struct.pack("<IIII", 0x08074B50, crc, packed, size)

        central_extra = struct.pack("<HHQQ", 1, 16, size, packed) if wide else b""
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, (UNIX << 8) | version, version,
                               flags, entry.method, DOS_TIME, DOS_DATE, crc, packed32, size32,
                               len(entry.name), len(central_extra), 0, 0, 0, entry.mode << 16,
                               offset)
        central += entry.name + central_extra

    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central),
                      len(local), len(comment))
    return bytes(local + central + end + comment)
