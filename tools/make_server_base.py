#!/usr/bin/env python3
"""Makes the update server's word base, server/update/slovolovka.txt, from the UTF-8 table
tools/server_base.tsv (word, a tab, hint; lines starting with # are comments). The output is a
grid cell file in cp1251 with CR LF line ends, laid out as the editor's table: three columns
(number, word, hint) and a header row. Every entry is checked first; the script writes nothing
and names each bad line when any check fails. Only the standard library is used."""

import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..")
TABLE = os.path.join(HERE, "server_base.tsv")
BUILTIN = os.path.join(ROOT, "game", "core", "builtin_base.cpp")
OUTPUT = os.path.join(ROOT, "server", "update", "slovolovka.txt")

# The 30 letter buttons: А to Я without Й and Ъ (and Ё, which has no button either).
LETTERS = set("АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЫЬЭЮЯ")
MAX_WORD = 10   # letter cells
MAX_HINT = 50   # the longest hint of the built-in base
LOWER = re.compile("[a-zа-яё]")

# Column widths of the editor's table, in pixels.
WIDTHS = [(0, 45), (1, 101), (2, 349)]
HEADER = [(1, " Слово"), (2, " Подсказка")]


def builtin_words():
    with open(BUILTIN, encoding="utf-8") as f:
        return set(re.findall(r'\{"([^"]+)",\s*"', f.read()))


def read_table():
    entries, errors = [], []
    with open(TABLE, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            parts = line.split("\t")
            if len(parts) != 2:
                errors.append(f"{number}: expected word<TAB>hint")
                continue
            entries.append((number, parts[0], parts[1]))
    return entries, errors


def check(entries, builtin):
    errors, seen = [], {}
    for number, word, hint in entries:
        where = f"{number}: {word}"
        if not 2 <= len(word) <= MAX_WORD:
            errors.append(f"{where}: {len(word)} letters")
        bad = sorted(set(word) - LETTERS)
        if bad:
            errors.append(f"{where}: letters without a button {''.join(bad)}")
        if not hint or len(hint) > MAX_HINT:
            errors.append(f"{where}: hint of {len(hint)} characters")
        if hint != hint.strip() or LOWER.search(hint) or "Ё" in hint:
            errors.append(f"{where}: hint not in capitals without Ё and outer blanks")
        if word in builtin:
            errors.append(f"{where}: already in the built-in base")
        if word in seen:
            errors.append(f"{where}: also on line {seen[word]}")
        seen.setdefault(word, number)
        try:
            (word + hint).encode("cp1251")
        except UnicodeEncodeError:
            errors.append(f"{where}: not representable in cp1251")
    return errors


def grid(entries):
    lines = [f"{len(WIDTHS)},{len(entries) + 1}"]
    lines += [f"cw:{column},{width}" for column, width in WIDTHS]
    lines += [f"{column},0,{text}" for column, text in HEADER]
    for row, (_, word, hint) in enumerate(entries, 1):
        lines += [f"0,{row},{row}", f"1,{row},{word}", f"2,{row},{hint}"]
    return "".join(line + "\r\n" for line in lines).encode("cp1251")


def main():
    entries, errors = read_table()
    errors += check(entries, builtin_words())
    if errors:
        for e in errors:
            print(f"{TABLE}:{e}", file=sys.stderr)
        return 1
    os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
    with open(OUTPUT, "wb") as f:
        f.write(grid(entries))
    print(f"{os.path.relpath(OUTPUT, ROOT)}: {len(entries)} entries")
    return 0


if __name__ == "__main__":
    sys.exit(main())
