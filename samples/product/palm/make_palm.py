#!/usr/bin/env python3
"""Writes the sample product's handheld files: small PalmOS databases of our own.

A PalmOS database file is a 78-byte header (name, attributes, version, dates, type, creator,
record count), the record list (8 bytes per record in a record database ".PDB", 10 bytes per
resource in a resource database ".PRC"), two bytes of gap, then the records' bytes. Every number
is big-endian. The dates are fixed so that the files come out the same on every run.

The files are kept in the repository; run this only to change them:  python3 make_palm.py
"""
import os
import struct

# 2001-05-01 00:00:00 in seconds since 1904-01-01, the PalmOS epoch.
DATE = 3071347200
RES_DB = 0x0001  # attribute: resource database
BACKUP = 0x0008  # attribute: back it up at HotSync


def header(name, attributes, db_type, creator, count):
    raw = name.encode("ascii")
    assert len(raw) < 32
    return struct.pack(
        ">32sHHIIIIII4s4sIIH",
        raw,
        attributes,
        1,  # version
        DATE,
        DATE,
        0,  # last backup
        1,  # modification number
        0,  # app info
        0,  # sort info
        db_type,
        creator,
        0,  # unique ID seed
        0,  # next record list
        count,
    )


def prc(name, creator, db_type, resources):
    """resources: list of (type, id, bytes)."""
    head = header(name, RES_DB | BACKUP, db_type, creator, len(resources))
    offset = len(head) + 10 * len(resources) + 2
    entries, body = b"", b""
    for rtype, rid, data in resources:
        entries += struct.pack(">4sHI", rtype, rid, offset + len(body))
        body += data
    return head + entries + b"\0\0" + body


def pdb(name, creator, db_type, records):
    head = header(name, BACKUP, db_type, creator, len(records))
    offset = len(head) + 8 * len(records) + 2
    entries, body = b"", b""
    for i, data in enumerate(records):
        unique = 0x6F0000 + i + 1
        entries += struct.pack(">IB3s", offset + len(body), 0x40, unique.to_bytes(3, "big"))
        body += data
    return head + entries + b"\0\0" + body


def cstr(text):
    return text.encode("ascii") + b"\0"


FILES = {
    # The application: its name, version and a code resource that only returns (m68k "moveq #0,d0; rts").
    "HelloPalm.prc": prc(
        "Hello Palm",
        b"QsHP",
        b"appl",
        [
            (b"code", 0, struct.pack(">IIII", 0x24, 0, 0x20, 0)),
            (b"code", 1, bytes.fromhex("70004e75")),
            (b"tAIN", 1000, cstr("Hello Palm")),
            (b"tver", 1, cstr("1.0")),
            (b"pref", 0, struct.pack(">HII", 30, 0x1000, 0x1000)),
        ],
    ),
    # The application's data: a few greeting records.
    "HelloData.pdb": pdb(
        "HelloPalmDB-QsHP",
        b"QsHP",
        b"DATA",
        [cstr("Hello from Quillset"), cstr("Bonjour"), cstr("Hallo"), cstr("Hola")],
    ),
    # A shared library the application relies on; the installer offers it as a runtime module.
    "QsRuntime.prc": prc(
        "QsRuntimeLib",
        b"QsRt",
        b"libr",
        [
            (b"libr", 0, bytes.fromhex("70004e75")),
            (b"tver", 1, cstr("2.0")),
        ],
    ),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, data in FILES.items():
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
