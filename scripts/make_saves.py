#!/usr/bin/env python3
"""Writes game saves with generated screenshots, for screenshots and trials.

    scripts/make_saves.py FOLDER PLAYER COUNT [FIRST_NUMBER]

Each save is FOLDER/SaveN.ess: a valid header (player, level, location, play
time, the time of the save) and a 256 x 192 screenshot in a colour of its
own. Text is written in Windows-1252, as the game writes it.
"""
import math
import os
import struct
import sys

LOCATIONS = ["Imperial City Market District", "Kvatch", "Bruma", "Anvil Docks",
             "Weynon Priory", "Cloud Ruler Temple", "Skingrad", "Leyawiin"]


def systemtime(year, month, day, hour, minute, second):
    weekday = 0
    return struct.pack("<8H", year, month, weekday, day, hour, minute, second, 0)


def text(s):
    b = s.encode("cp1252") + b"\0"
    return struct.pack("<B", len(b)) + b


def screenshot(width, height, seed):
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            r = int(127 + 120 * math.sin((x + seed * 37) / 23.0))
            g = int(127 + 120 * math.sin((y + seed * 11) / 17.0))
            b = int(127 + 120 * math.cos((x + y + seed * 5) / 31.0))
            row += bytes((r & 255, g & 255, b & 255))
        rows.append(bytes(row))
    return b"".join(rows)


def save(player, number, seed):
    width, height = 256, 192
    pixels = screenshot(width, height, seed)
    hours = 3 + number * 2
    fields = (struct.pack("<I", number) + text(player) + struct.pack("<H", 2 + number) +
              text(LOCATIONS[number % len(LOCATIONS)]) + struct.pack("<f", 1.5 + number) +
              struct.pack("<I", (hours * 3600 + number * 437) * 1000) +
              systemtime(2026, 11, 1 + number % 28, 10 + number % 12, number % 60, 0) +
              struct.pack("<III", width * height * 3 + 8, width, height))
    head = (b"TES4SAVEGAME" + bytes((0, 125)) + systemtime(2006, 3, 1, 20, 10, 5) +
            struct.pack("<II", 0x7E, len(fields) + len(pixels)))
    return head + fields + pixels + b"\0" * 4096


def main():
    folder, player, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    first = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    os.makedirs(folder, exist_ok=True)
    for n in range(first, first + count):
        with open(os.path.join(folder, "Save%d.ess" % n), "wb") as out:
            out.write(save(player, n, n + sum(player.encode()) % 7))


if __name__ == "__main__":
    main()
