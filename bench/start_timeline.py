#!/usr/bin/env python3
"""Medians and minima of each start-up phase from a SLOVO_START_TRACE file that gathered
several launches (see bench/measure_start.sh); a program's phases in the order they ended."""
import collections
import statistics
import sys


def runs(path):
    program, marks = None, []
    for line in open(path, encoding="utf-8", errors="replace"):
        if line.startswith("# "):
            if program:
                yield program, marks
            program, marks = line[2:].split(": ms since")[0], []
        elif line.strip():
            at, _, memory, phase = line.split(None, 3)
            marks.append((phase.strip(), float(at), float(memory)))
    if program:
        yield program, marks


def main(path):
    by_program = collections.OrderedDict()
    for program, marks in runs(path):
        by_program.setdefault(program, []).append(marks)
    for program, launches in by_program.items():
        print(f"{program}: {len(launches)} launches; median (min): phase's own ms, its end since creation in ms, "
              "working set at its end in MiB")
        order, own, end = [], collections.defaultdict(list), collections.defaultdict(list)
        memory = collections.defaultdict(list)
        for marks in launches:
            previous, seen = 0.0, set()
            for phase, at, mib in marks:
                if phase not in own:
                    order.append(phase)
                if phase not in seen:
                    seen.add(phase)
                    own[phase].append(at - previous)
                    end[phase].append(at)
                    memory[phase].append(mib)
                previous = at
        for phase in order:
            print(f"  {statistics.median(own[phase]):7.1f} ({min(own[phase]):6.1f})  "
                  f"{statistics.median(end[phase]):7.1f} ({min(end[phase]):6.1f})  "
                  f"{statistics.median(memory[phase]):5.1f} ({min(memory[phase]):5.1f})  {phase}")


if __name__ == "__main__":
    main(sys.argv[1])
