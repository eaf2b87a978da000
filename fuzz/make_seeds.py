#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the project's own files and from the
records its tests use. Run from the source tree: fuzz/make_seeds.py"""

import glob
import os
import shutil
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")


def put(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def copy(target, pattern):
    for path in sorted(glob.glob(os.path.join(ROOT, pattern))):
        with open(path, "rb") as f:
            put(target, os.path.basename(path), f.read())


# INI: the board files, the simulated board, the tests' board files, an error log.
copy("ini", "boards/*.ini")
copy("ini", "driver/sim/boards/*.simboard")
copy("ini", "tests/engine/data/*.ini")
put("ini", "Error.log",
    b"[ErrorLog]\r\n261206, 02:14:44 Warning:=Temperature:    CPU:  75 C    \r\n"
    b"261206, 02:15:02 Warning:=Fan:    CPU Fan:  0 RPM    \r\n")

# Board files people got wrong: a limit typed with an exponent on the item that powers off, a
# factor of 0, an unknown item type, control characters in a name.
with open(os.path.join(ROOT, "boards", "EHF-SIM.ini"), "rb") as f:
    sim_board = f.read()
put("ini", "board-exponent-limit", sim_board.replace(b"HiLimit=70000", b"HiLimit=7e4", 1))
put("ini", "board-zero-factor", sim_board.replace(b"Factor=150", b"Factor=0", 1))
put("ini", "board-unknown-type", sim_board.replace(b"ItemType=1", b"ItemType=7", 1))
put("ini", "board-control-name", sim_board.replace(b"Name=CPU Core", b"Name=CPU\0Co\x1bre", 1))

# Registry hives: the tests' hives, and settings files cut short or with junk after them.
copy("registry_hive", "tests/platform/data/*.reg")
copy("registry_hive", "tests/sysinfo/data/*.reg")
settings = (b"Windows Registry Editor Version 5.00\n\n"
            b"[HKEY_CURRENT_USER\\Software\\VORN\\HWM]\n"
            b"\"Total_Item_Count\"=dword:00000002\n\"Global_Beep_Enable\"=dword:00000001\n\n"
            b"[HKEY_CURRENT_USER\\Software\\VORN\\HWM\\1]\n"
            b"\"Name\"=\"CPU Core\"\n\"PinName\"=\"VCORE\"\n\"ItemNo\"=dword:00000001\n"
            b"\"ItemType\"=dword:00000001\n\"HiLimit\"=dword:000005dc\n\n"
            b"[HKEY_CURRENT_USER\\Software\\VORN\\HWM\\2]\n"
            b"\"Name\"=\"+12V\"\n\"PinName\"=\"VIN0\"\n\"ItemNo\"=dword:00000002\n")
put("registry_hive", "settings-whole", settings)
put("registry_hive", "settings-cut-mid-line", settings[:-5])
put("registry_hive", "settings-junk-appended", settings + b"\xffjunk that is no line\n")
put("registry_hive", "settings-cut-key-line", settings[:settings.rfind(b"]")])


# DMI: tables and BIOS areas as the sysinfo tests build them.
def structure(stype, length, formatted, strings):
    b = bytes([stype, length, 0x34, 0x12]) + bytes(formatted)
    b = b.ljust(length, b"\0")
    for s in strings:
        b += s.encode() + b"\0"
    if not strings:
        b += b"\0"
    return b + b"\0"


bios = structure(0, 0x12, [1, 2, 0, 0, 3], ["Award Software", "1.0", "03/15/2005"])
board = structure(2, 0x08, [1, 2, 0, 0], ["VORN", "EHF-SIM"])
end = structure(127, 4, [], [])
table = bios + board + end
put("dmi_table", "table", table)
put("dmi_table", "table-no-end", bios + board)
area = bytearray(b"\xff" * 0x10000)
area[0x100:0x105] = b"_DMI_"
struct.pack_into("<HIH", area, 0x106, len(table), 0xF0000 + 0x1000, 3)
area[0x10E] = 0x21
area[0x1000:0x1000 + len(table)] = table
put("dmi_table", "bios-area", bytes(area))

# vorn-iod requests: one stream per control code, each frame preceded by the size of the
# pieces it arrives in (see iod_request_fuzz.cpp).
def frame(code, record):
    return (b"\xff" + struct.pack("<III", 0x31515256, code, len(record)) +
            (b"\xff" + record if record else b""))


def port_record(size, port, value=0, sized=False):
    r = bytearray(20)
    r[0] = size
    if sized:
        struct.pack_into("<II", r, 4, port, value)
        r[12] = port & 0xFF
        r[13] = value & 0xFF
        struct.pack_into("<HH", r, 14, port, value & 0xFFFF)
    else:
        r[13] = value & 0xFF
        struct.pack_into("<H", r, 14, port)
    return bytes(r)


def mcu_record(item, length, out_length, data=b""):
    r = bytearray(259)
    r[0], r[1], r[3] = item, length, out_length
    r[4:4 + len(data)] = data
    return bytes(r)


put("iod_request", "port-byte",
    frame(0x00222434, port_record(1, 0x295, 0x4E)) + frame(0x00222430, port_record(1, 0x296)))
put("iod_request", "port-sized",
    frame(0x0022242C, port_record(2, 0x295, 0x0480, True)) +
    frame(0x00222428, port_record(4, 0x295, 0, True)))
put("iod_request", "msr",
    frame(0x00222418, struct.pack("<I", 0x1A0)) +
    frame(0x0022241C, struct.pack("<III", 0x1A0, 1, 0)))
put("iod_request", "event", frame(0x0022240C, struct.pack("<I", 7)))
put("iod_request", "items",
    frame(0x00222424, mcu_record(68, 0, 9)) + frame(0x00222424, mcu_record(106, 0, 1)) +
    frame(0x00222420, mcu_record(107, 0, 1)) + frame(0x00222424, mcu_record(26, 0, 0)))
put("iod_request", "unknown-code", frame(0x00222438, b"\0" * 4))

# Library replies: an answer header, then operations with the service's answers
# (op, argument, success flag, length, bytes; see library_reply_fuzz.cpp).
header = struct.pack("<IIII", 0x314E4156, 1, 0, 20)
put("library_reply", "ports",
    header + bytes([0, 0, 1, 20]) + port_record(1, 0x295, 0x4E) +
    bytes([2, 2, 1, 20]) + port_record(2, 0x295, 0x1234, True) +
    bytes([2, 4, 1, 20]) + port_record(1, 0x295, 0, True))
put("library_reply", "msr", header + bytes([4, 0x10, 1, 8]) + struct.pack("<Q", 0x11223344) +
    bytes([4, 0x10, 1, 4]) + b"\x01\x02\x03\x04")
put("library_reply", "items",
    header + bytes([5, 68, 0, 1, 255]) + mcu_record(68, 0, 9, bytes([9] + [1] * 9))[:255] +
    bytes([7, 0, 1, 255]) + mcu_record(106, 0, 1, b"\x05")[:255])
put("library_reply", "failures", struct.pack("<IIII", 0x314E4156, 0, 16, 0) + bytes([1, 0, 0, 3, 0, 0]))

# Metrics HTTP: what scrapers, browsers and odd clients send.
for name, req in {
    "scrape": b"GET /metrics HTTP/1.1\r\nHost: localhost:9102\r\nUser-Agent: Prometheus/2.42.0\r\n"
              b"Accept: application/openmetrics-text;version=1.0.0,text/plain;version=0.0.4;q=0.5\r\n"
              b"Accept-Encoding: gzip\r\nX-Prometheus-Scrape-Timeout-Seconds: 10\r\n\r\n",
    "root-http10": b"GET / HTTP/1.0\r\n\r\n",
    "head": b"HEAD /metrics HTTP/1.1\r\nHost: x\r\n\r\n",
    "range": b"GET /metrics HTTP/1.1\r\nRange: bytes=0-10,20-30,-5\r\n\r\n",
    "post-body": b"POST /metrics HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello",
    "chunked": b"POST /metrics HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
    "multipart": b"POST / HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=b\r\n"
                 b"Content-Length: 44\r\n\r\n--b\r\nContent-Disposition: form-data; name=a\r\n\r\n1\r\n--b--\r\n",
    "query": b"GET /metrics?name[]=vorn%20a&x=%zz HTTP/1.1\r\nExpect: 100-continue\r\n\r\n",
    "keep-alive": b"GET /metrics HTTP/1.1\r\nConnection: keep-alive\r\n\r\nGET / HTTP/1.1\r\n\r\n",
}.items():
    put("metrics_http", name, req)


# Bitmaps: small BMPs of every layout the decoder takes.
def bmp(width, height, bits, rows, palette=b"", compression=0, masks=b""):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(rows), 2835,
                       2835, len(palette) // 4, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    return (b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + info + masks +
            palette + rows)


magenta, white, grey = b"\xff\x00\xff", b"\xff\xff\xff", b"\x80\x80\x80"
put("bitmap", "24bit", bmp(3, 2, 24, (magenta + grey + white + b"\0\0\0") * 2))
put("bitmap", "24bit-top-down", bmp(3, -2, 24, (grey + magenta + grey + b"\0\0\0") * 2))
put("bitmap", "32bit", bmp(2, 2, 32, (magenta + b"\0" + grey + b"\0") * 2))
put("bitmap", "8bit", bmp(4, 2, 8, bytes([0, 1, 1, 0, 1, 0, 0, 1]),
                          palette=magenta + b"\0" + grey + b"\0"))
put("bitmap", "4bit", bmp(4, 1, 4, bytes([0x01, 0x10, 0, 0]), palette=white + b"\0" + grey + b"\0"))
put("bitmap", "1bit", bmp(9, 1, 1, bytes([0xAA, 0x80, 0, 0]), palette=magenta + b"\0" + grey + b"\0"))
put("bitmap", "rle8", bmp(4, 2, 8, bytes([2, 0, 2, 1, 0, 0, 4, 1, 0, 1]), compression=1,
                          palette=magenta + b"\0" + grey + b"\0"))
put("bitmap", "rle4", bmp(4, 1, 4, bytes([4, 0x01, 0, 1]), compression=2,
                          palette=white + b"\0" + grey + b"\0"))
put("bitmap", "16bit-bitfields", bmp(2, 1, 16, b"\x1f\x7c\x00\x00", compression=3,
                                     masks=struct.pack("<III", 0x7C00, 0x03E0, 0x001F)))
