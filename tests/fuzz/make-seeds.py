#!/usr/bin/env python3
"""Writes the hand-made seed corpora of the fuzz targets into corpus/<target>/."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def timing(serial, lap, in_progress, lap_time, race=1, node=7, counter=1, driver=b"ADAM",
           running=0, rpm_max=12000, rpm_min=4000, best=0):
    f = bytearray(64)
    struct.pack_into("<IH", f, 0, serial, node)
    f[8] = counter & 0xFF
    f[9] = 0
    f[12:12 + len(driver)] = driver[:12]
    f[24] = race
    f[25] = lap & 0xFF
    f[29] = in_progress & 0xFF
    struct.pack_into("<II", f, 32, lap_time, lap_time // 3)
    struct.pack_into("<HHHH", f, 40, rpm_max, rpm_min, rpm_max, rpm_min)
    struct.pack_into("<IIHxxI", f, 48, running, 0, 9000, best)
    return bytes(f)


def temperature(serial, t1, t2, t3):
    f = bytearray(64)
    struct.pack_into("<IH", f, 0, serial, 9)
    f[9] = 1
    struct.pack_into("<hhh", f, 28, t1, t2, t3)
    return bytes(f)


def header(serials, configured):
    h = bytearray(16)
    for k, s in enumerate(serials):
        h[3 * k:3 * k + 3] = struct.pack("<I", s)[:3]
    h[15] = configured
    return bytes(h)


# Frames: one kart lapping, two karts, a duplicate serial, no-report and odd frames.
laps = [timing(0x123456, 0, 1, 0)]
for n, t in enumerate([6234, 6101, 6388, 5999, 6050, 6020, 7000, 6500, 6001, 5990, 6400, 6100], 1):
    laps.append(timing(0x123456, n, n + 1, t, counter=n, best=5990))
put("frame_decoder", "one-kart-laps", header([0x123456], 0b1) + b"".join(laps))
two = []
for n in range(1, 6):
    two.append(timing(0x111111, n - 1, n, 6000 + 37 * n, driver=b"EWA\x00junk"))
    two.append(timing(0x222222, n - 1, n, 5900 - 11 * n, driver=b"\xa3UKASZ"))
    two.append(temperature(0x222222, 655, -120, 1000))
put("frame_decoder", "two-karts", header([0x111111, 0x222222], 0b11) + b"".join(two))
put("frame_decoder", "duplicate-serial",
    header([0x000042, 0x000042], 0b11) + timing(0x42, 0, 1, 0) + timing(0x42, 1, 2, 5000))
put("frame_decoder", "no-report-and-high-byte",
    header([0xFFFFFF], 0b1) + b"\xff" * 64 + timing(0x12FFFFFF, 0, 1, 0) + timing(0xABFFFFFF, 1, 2, 4000))
put("frame_decoder", "unconfigured-serial-zero",
    header([], 0) + timing(0, 0, 1, 0) + timing(0, 1, 2, 4500) + timing(0, 2, 3, 0xFFFFFFFF))
put("frame_decoder", "not-in-race", header([0x10], 1) + timing(0x10, 3, 4, 6000, race=0) + bytes(64))

# INI files.
put("ini_file", "settings",
    "[Ustawienia]\r\nRadio1=1\r\nSN1=1193046\r\nNAME1=Adam\r\nRadio2=0\r\nSN2=0\r\nNAME2=\"  Ewa \"\r\n")
put("ini_file", "odd-lines",
    "; comment\n  [ Parametry ]  \nmCount = 0x10\nkey without equals\n=empty key\n[parametry]\nmCount=3\n"
    "[Other\nA=$FF\nB=-2147483648\nC=4294967296\nD='q'\r\rE=x1f\n")
put("ini_file", "windows-1250", b"[Ustawienia]\r\nNAME1=\xa3ukasz \xb9\xea\r\nSN1=12\r\n")
put("ini_file", "bom-and-empty", b"\xef\xbb\xbf[S]\r\n\r\n\r\nK=V\r\n\r\n")

# Session files.
def session(name, laps):
    lines = ["[Ustawienia]"]
    for n in range(1, 6):
        lines += ["NAZWA_%d=%s" % (n, name if n == 1 else " "), "RADIO_%d=%d" % (n, n == 1),
                  "SN_%d=%d" % (n, 1193046 if n == 1 else 0), "BEST_%d=00:59:90" % n]
        for j in range(1, 11):
            t = laps[j - 1] if n == 1 and j <= len(laps) else 0
            lines += ["LAPS_%d_%d=%02d:%02d:%02d" % (n, j, t // 6000, t // 100 % 60, t % 100),
                      "LAPNR_%d_%d=%d" % (n, j, j if t else 0), "MAX_OBR_%d_%d=12000" % (n, j),
                      "MIN_OBR_%d_%d=4000" % (n, j), "LAPSINT_%d_%d=%d" % (n, j, t)]
    return "\r\n".join(lines) + "\r\n"

put("session_folder", "one-session", session("Adam", [5990, 6020, 6050]))
put("session_folder", "two-sessions", session("Ewa", [6100]) + "\n~~~\n" + session("Ola", [6000, 6001]))
put("session_folder", "four-files",
    session("A", [1]) + "\n~~~\n" + "\n~~~\n" + "garbage \x01\x02 [Ustawienia\n" + "\n~~~\n" +
    "[USTAWIENIA]\nlapsint_1_1=0x7fffffff\nSN_1=4294967295\nNAZWA_1=\xe9\n")

# messages.ini.
put("messages", "two-messages",
    "[Parametry]\r\nm1L1=PIT STOP\r\nm1L2=NOW\r\nm1ColorB=255\r\nm1ColorF=16777215\r\n"
    "m2L1=  \"BOX\"  \r\nm2L2=\r\nm2ColorB=-1\r\nm2ColorF=0\r\nmCount=2\r\n")
put("messages", "huge-count", "[Parametry]\nmCount=2000000000\nm3L2=x\n")
put("messages", "count-without-keys", "[Parametry]\nmCount=5\n[Other]\nm1L1=a\n")
put("messages", "long-lines",
    "[parametry]\nMCOUNT=1\nM1L1=123456789012345678901234567890\nm1l2=abcdefghijklmnopqrs tuv\n")
