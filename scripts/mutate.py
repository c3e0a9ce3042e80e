#!/usr/bin/env python3
"""Mutation testing of the platform-free core: plants one fault at a time into a core file (an
operator swapped, a bound off by one, && for ||, a condition negated, a statement removed, a
constant changed), rebuilds the native tree's test programs incrementally, runs the native tests
that link the file with a time limit, and restores the file. A mutant is killed when a test fails,
crashes or runs past the limit; one that does not compile counts as neither.

    python3 scripts/mutate.py [--seed N] [--max N] [--files F ...] [--changed BASE] [--tree T] [--list]

Without --files or --changed it takes every file of the core folders. The mutants of a file are
drawn from its candidates by a generator seeded with the seed and the file's path, so a run repeats
exactly, and a file gets the same mutants alone as in a whole run. Every file is restored after
each mutant, on an error and on SIGINT, SIGTERM or SIGHUP; a backup in build/mutation/ lets the
next start restore a file left changed by a run that was killed outright."""

import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORE_DIRS = ["game/core", "editor/core", "settings/core", "webupdate/core", "webupdate/upd/core",
             "idle/core", "hooklib/core", "effects/core", "toolkit/core"]
TREES = {"native": "native", "native-asan": "asan"}  # preset: prefix of its test names
BUILD = os.path.join(ROOT, "build", "native")
STATE = os.path.join(ROOT, "build", "mutation")
JOURNAL = os.path.join(STATE, "journal")
RUNNING = os.path.join(STATE, "running")  # the process group of the build or test under way
EQUIVALENT = os.path.join(ROOT, "scripts", "mutation_equivalent.json")
SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)
TEST_TARGETS = []
TEST_PREFIX = "native"
KINDS = ["operator", "bound", "logical", "negation", "removal", "constant"]


# ---------------------------------------------------------------- what is code

def code_mask(text):
    """True for each character that is code: not in a comment, a string or character literal, or
    a preprocessor line."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    line_start = True

    def blank(a, b):
        for k in range(a, min(b, n)):
            mask[k] = False

    while i < n:
        c = text[i]
        if line_start and c == "#":
            j = i
            while j < n and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i, j)
            i = j
            continue
        if c == "\n":
            line_start = True
            i += 1
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == "R" and text.startswith('"', i + 1) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delim = text[i + 2:open_paren]
            j = text.find(")" + delim + '"', open_paren)
            j = n if j < 0 else j + len(delim) + 2
            blank(i, j)
            i = j
        elif c == '"' or (c == "'" and not in_number(text, i)):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i, j + 1)
            i = j + 1
        else:
            i += 1
    return mask


def in_number(text, i):
    """Whether the quote at i is a digit separator (65'535)."""
    j = i
    while j > 0 and (text[j - 1].isalnum() or text[j - 1] in "'_"):
        j -= 1
    return j < i and text[j].isdigit()


# ---------------------------------------------------------------- candidates

class Mutant:
    def __init__(self, kind, start, end, new, text):
        self.kind, self.start, self.end, self.new = kind, start, end, new
        self.old = text[start:end]
        self.line = text.count("\n", 0, start) + 1
        line_begin = text.rfind("\n", 0, start) + 1
        line_end = text.find("\n", start)
        line_end = len(text) if line_end < 0 else line_end
        self.source = text[line_begin:line_end].strip()
        mutated = text[line_begin:start] + new + text[end:line_end]
        self.mutated = mutated.strip()

    def apply(self, text):
        return text[:self.start] + self.new + text[self.end:]

    def change(self):
        # One line however far the changed condition reaches.
        return f"`{' '.join(self.old.split())}` -> `{' '.join(self.new.split())}`"


SWAPS = {
    "operator": {" + ": " - ", " - ": " + ", " * ": " / ", " / ": " * ", " % ": " * ", " += ": " -= ",
                 " -= ": " += ", " & ": " | ", " | ": " & ", " << ": " >> ", " >> ": " << ",
                 " == ": " != ", " != ": " == ", " < ": " >= ", " >= ": " < ", " > ": " <= ", " <= ": " > "},
    "bound": {" < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > "},
    "logical": {" && ": " || ", " || ": " && "},
}
DECLARATION = re.compile(r"^(?:[\w:<>,*&]+\s+)+[*&]*\w+\s*(?:[=({;\[]|$)")
CONTROL = re.compile(r"^(if|for|while|switch|do|else|case|default|goto|using|typedef|namespace|template|public|private|protected)\b")
NUMBER = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F']+|\d[\d']*)([uUlL]*)(?![\w.'])")


def is_code(mask, a, b):
    return all(mask[a:b])


def candidates(text):
    mask = code_mask(text)
    out = []
    for kind, table in SWAPS.items():
        for old, new in table.items():
            for m in re.finditer(re.escape(old), text):
                a, b = m.start(), m.end()
                # "x < y" only: no part of "<<", "&&", "a<b>", and no string joined by "+".
                if not is_code(mask, a, b) or text[a - 1] in "<>=!&|+-*/%\"\n" or text[b] in "<>=&|\"":
                    continue
                if old in (" * ", " & ") and re.search(r"(const|[(,])\s*[\w:<>]+$", text[:a]):
                    continue
                out.append(Mutant(kind, a, b, new, text))
    for m in re.finditer(r"\+\+|--", text):
        a, b = m.start(), m.end()
        if is_code(mask, a, b) and text[a - 1] not in "+-" and text[b] not in "+-=>":
            out.append(Mutant("operator", a, b, "--" if m.group() == "++" else "++", text))
    for m in re.finditer(r"\b(if|while) \(", text):
        open_ = m.end() - 1
        close = matching_paren(text, mask, open_)
        if close is not None and is_code(mask, m.start(), m.end()):
            inner = text[open_ + 1:close]
            out.append(Mutant("negation", open_ + 1, close, "!(" + inner + ")", text))
    for m in re.finditer(r"!(?=[\w(])", text):
        if is_code(mask, m.start(), m.end()):
            out.append(Mutant("negation", m.start(), m.end(), "", text))
    for m in re.finditer(r"\b(true|false)\b", text):
        if is_code(mask, m.start(), m.end()):
            out.append(Mutant("constant", m.start(), m.end(), "false" if m.group() == "true" else "true", text))
    for m in NUMBER.finditer(text):
        if not is_code(mask, m.start(), m.end()) or "static_assert" in line_of(text, m.start()):
            continue
        if re.search(r"\)\s*(const\s*)?(override\s*)?=\s*$", text[:m.start()]):
            continue  # a pure virtual function's "= 0"
        digits = m.group(1).replace("'", "")
        value = int(digits, 16) if digits[:2].lower() == "0x" else int(digits, 8 if digits.startswith("0") and len(digits) > 1 else 10)
        changed = 0 if value == 1 else value - 1 if value in (0xFF, 0xFFFF, 0xFFFFFFFF, 2**64 - 1) else value + 1
        literal = hex(changed) if digits[:2].lower() == "0x" else str(changed)
        out.append(Mutant("constant", m.start(), m.start() + len(m.group(1)), literal, text))
    out.extend(statement_removals(text, mask))
    out.sort(key=lambda mu: (mu.start, mu.kind, mu.new))
    return out


def line_of(text, pos):
    return text[text.rfind("\n", 0, pos) + 1:text.find("\n", pos)]


def matching_paren(text, mask, open_):
    depth = 0
    for k in range(open_, len(text)):
        if not mask[k]:
            continue
        if text[k] == "(":
            depth += 1
        elif text[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return None


def block_depths(text, mask):
    """For each character, whether it lies inside a function's body (and not in a class, a
    namespace or a braced initializer)."""
    inside = [False] * len(text)
    stack = []
    head_start = 0
    for k, ch in enumerate(text):
        if mask[k] and ch == "{":
            head = text[head_start:k]
            if re.search(r"\b(class|struct|namespace|union)\b", head):
                stack.append("scope")
            elif re.search(r"\benum\b|[=,({]\s*$", head) or (stack and stack[-1] == "init"):
                stack.append("init")
            else:
                stack.append("block")
            head_start = k + 1
        elif mask[k] and ch == "}":
            if stack:
                stack.pop()
            head_start = k + 1
        elif mask[k] and ch == ";":
            head_start = k + 1
        inside[k] = bool(stack) and stack[-1] == "block"
    return inside


def statement_removals(text, mask):
    """Whole single-line statements (calls, assignments, increments, throws, breaks) in a function's
    body, replaced by an empty block so that a statement under an if without braces stays one."""
    out = []
    inside = block_depths(text, mask)
    offset = 0
    previous = ""
    for raw in text.split("\n"):
        code = "".join(ch if mask[offset + k] else " " for k, ch in enumerate(raw)).strip()
        line_at = offset
        offset += len(raw) + 1
        if not code:
            continue
        starts = previous == "" or previous[-1] in ";{}:)" or previous.endswith("else")
        prev, previous = previous, code
        if not starts or not code.endswith(";") or code.count(";") != 1:
            continue
        if code.count("(") != code.count(")") or code.count("{") != code.count("}"):
            continue
        if not (code[0].isalpha() or code[0] == "_" or code.startswith(("++", "--"))):
            continue
        first = re.match(r"\w+", code)
        word = first.group() if first else ""
        if word == "return" and code != "return;":
            continue
        if word not in ("return", "throw", "break", "continue", "delete") and (CONTROL.match(code) or DECLARATION.match(code)):
            continue
        if prev.endswith(")") and re.match(r"^(\w+::)*\w+\(.*\)\s*$", prev) and not re.match(r"^(if|for|while)\b", prev):
            continue  # a function's head and a one-line body would be a declaration
        a = line_at + raw.index(code[0])
        if not inside[a]:
            continue
        b = line_at + len(raw.rstrip())
        out.append(Mutant("removal", a, b, "{}", text))
    return out


def sample(path, muts, seed, limit):
    """Up to limit mutants, taken in turn from each kind's seeded shuffle, so the kinds spread."""
    rng = random.Random(f"{seed}:{path}")
    by_kind = {k: [m for m in muts if m.kind == k] for k in KINDS}
    for k in KINDS:
        rng.shuffle(by_kind[k])
    chosen = []
    while len(chosen) < limit and any(by_kind.values()):
        for k in KINDS:
            if by_kind[k] and len(chosen) < limit:
                chosen.append(by_kind[k].pop())
    return sorted(chosen, key=lambda mu: (mu.start, mu.kind))


# ---------------------------------------------------------------- keeping files whole

class Stop(Exception):
    pass


def on_signal(signum, _frame):
    raise Stop(signal.Signals(signum).name)


def backup_path(rel):
    return os.path.join(STATE, "backup", rel)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())


def recover():
    """Puts back the files a killed run left changed, once its build, which could still write an
    object compiled from a mutant, has ended."""
    if not os.path.exists(JOURNAL):
        return
    if os.path.exists(RUNNING):
        with open(RUNNING, encoding="utf-8") as f:
            pid = int(f.read() or 0)
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                ours = re.search(rb"ninja|ctest", f.read())
        except OSError:
            ours = None
        if ours:
            os.killpg(pid, signal.SIGKILL)
    with open(JOURNAL, encoding="utf-8") as f:
        for rel in filter(None, (line.strip() for line in f)):
            with open(backup_path(rel), "rb") as b:
                write(os.path.join(ROOT, rel), b.read())
            print(f"restored {rel} from the backup of an interrupted run")
    os.remove(JOURNAL)


def guard(rel, original):
    os.makedirs(os.path.dirname(backup_path(rel)), exist_ok=True)
    write(backup_path(rel), original)
    write(JOURNAL, (rel + "\n").encode())


def restore(rel, original):
    # Written anew, so its time is later than any object built from the mutant; a second signal
    # waits until the file is whole.
    old = signal.pthread_sigmask(signal.SIG_BLOCK, SIGNALS)
    try:
        write(os.path.join(ROOT, rel), original)
        os.remove(JOURNAL)
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, old)


# ---------------------------------------------------------------- building and testing

def run(cmd, limit):
    """Runs cmd in its own process group; the whole group dies on a time-out or an interruption,
    so no compiler writes an object after its file was restored."""
    proc = subprocess.Popen(cmd, cwd=BUILD, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            start_new_session=True, text=True)
    write(RUNNING, str(proc.pid).encode())
    try:
        out, _ = proc.communicate(timeout=limit)
        return proc.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return None, out
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise


def test_targets():
    """The native tree's test programs: every target core_*_test."""
    out = subprocess.run(["ninja", "-C", BUILD, "-t", "targets", "all"], check=True, capture_output=True, text=True).stdout
    return sorted(set(re.findall(r"^(core_\w+_test): phony$", out, re.M)))


def build(limit):
    code, out = run(["nice", "-n", "10", "ninja", "-j2"] + TEST_TARGETS, limit)
    linked = re.findall(r"Linking CXX executable tests/(\w+)", out)
    return code == 0, linked, out


def test(targets, limit):
    if not targets:
        return True
    # The tests' own TIMEOUT property outranks ctest's --timeout: the limit is kept here.
    pattern = "^" + TEST_PREFIX + "\\.(" + "|".join(targets) + ")$"
    code, _ = run(["ctest", "-R", pattern, "--stop-on-failure"], limit * len(targets))
    return code == 0


# ---------------------------------------------------------------- the run

def core_files():
    files = []
    for d in CORE_DIRS:
        for name in sorted(os.listdir(os.path.join(ROOT, d))):
            if name.endswith((".cpp", ".h")):
                files.append(f"{d}/{name}")
    return files


def changed_files(base):
    out = subprocess.run(["git", "diff", "--name-only", base, "--"] + CORE_DIRS, cwd=ROOT,
                         check=True, capture_output=True, text=True).stdout
    return sorted(f for f in out.split() if f.endswith((".cpp", ".h")) and
                  os.path.dirname(f) in CORE_DIRS and os.path.exists(os.path.join(ROOT, f)))


def load_equivalent():
    if not os.path.exists(EQUIVALENT):
        return {}
    with open(EQUIVALENT, encoding="utf-8") as f:
        return {(e["file"], e["line"], e["mutant"]): e["reason"] for e in json.load(f)}


def folder_of(rel):
    return next((d for d in sorted(CORE_DIRS, key=len, reverse=True) if rel.startswith(d + "/")), os.path.dirname(rel))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seed", type=int, default=1, help="the seed of the draw (default 1)")
    ap.add_argument("--max", type=int, default=8, help="mutants per file (default 8)")
    ap.add_argument("--files", nargs="+", help="core files, relative to the project's root")
    ap.add_argument("--changed", metavar="BASE", help="the core files changed since the git commit BASE")
    ap.add_argument("--timeout", type=int, default=20, help="seconds for each test program that links the file (default 20)")
    ap.add_argument("--tree", choices=sorted(TREES), default="native",
                    help="the tree to build and test in (native-asan also catches out-of-bounds accesses)")
    ap.add_argument("--list", action="store_true", help="only list the mutants that would run")
    args = ap.parse_args()
    global BUILD, TEST_PREFIX, TEST_TARGETS
    BUILD = os.path.join(ROOT, "build", args.tree)
    TEST_PREFIX = TREES[args.tree]

    for s in SIGNALS:
        signal.signal(s, on_signal)
    os.makedirs(STATE, exist_ok=True)
    recover()

    if args.files:
        files = [os.path.relpath(os.path.abspath(f), ROOT) for f in args.files]
    elif args.changed:
        files = changed_files(args.changed)
    else:
        files = core_files()
    plan = []
    for rel in files:
        with open(os.path.join(ROOT, rel), encoding="utf-8") as f:
            text = f.read()
        plan.append((rel, text, sample(rel, candidates(text), args.seed, args.max)))
    if args.list:
        for rel, _, muts in plan:
            for m in muts:
                print(f"{rel}:{m.line}: {m.kind}: {m.change()}  |  {' '.join(m.mutated.split())}")
        return 0

    if not os.path.exists(os.path.join(BUILD, "build.ninja")):
        subprocess.run(["cmake", "--preset", args.tree], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    TEST_TARGETS = test_targets()
    ok, _, out = build(3600)
    if not ok or not test(TEST_TARGETS, args.timeout):
        print(out)
        print("the unchanged tree does not build or pass its tests: nothing to measure")
        return 2

    equivalent = load_equivalent()
    results = []
    started = time.time()
    total = sum(len(m) for _, _, m in plan)
    done = 0
    try:
        for rel, text, muts in plan:
            original = text.encode("utf-8")
            for m in muts:
                done += 1
                guard(rel, original)
                try:
                    write(os.path.join(ROOT, rel), m.apply(text).encode("utf-8"))
                    compiled, linked, _ = build(600)
                    if not compiled:
                        outcome = "not compiled"
                    elif not test(linked, args.timeout):
                        outcome = "killed"
                    else:
                        outcome = "equivalent" if (rel, m.source, m.mutated) in equivalent else "survived"
                finally:
                    restore(rel, original)
                results.append((rel, m, outcome))
                print(f"[{done}/{total}] {outcome:12} {rel}:{m.line}: {m.change()}", flush=True)
    except Stop as stop:
        print(f"stopped by {stop}; every file is restored")
        report(results, equivalent)
        return 130
    finally:
        if os.path.exists(JOURNAL):
            signal.pthread_sigmask(signal.SIG_BLOCK, SIGNALS)
            recover()
    report(results, equivalent)
    print(f"{done} mutants in {time.time() - started:.0f} s; rebuilding the unchanged tree")
    ok, _, _ = build(3600)
    return 0 if ok else 1


def report(results, equivalent):
    files = []
    for rel, m, outcome in results:
        if not files or files[-1][0] != rel:
            files.append((rel, []))
        files[-1][1].append((m, outcome))
    print()
    for rel, rows in files:
        count = {k: sum(1 for _, o in rows if o == k) for k in ("killed", "survived", "equivalent", "not compiled")}
        print(f"{rel}: {len(rows)} mutants, {count['killed']} killed, {count['survived']} survived, "
              f"{count['equivalent']} equivalent, {count['not compiled']} not compiled")
        for m, outcome in rows:
            if outcome in ("survived", "equivalent"):
                print(f"  {outcome} line {m.line} ({m.kind}): {m.change()}  |  {' '.join(m.mutated.split())}")
                if outcome == "equivalent":
                    print(f"    {equivalent[(rel, m.source, m.mutated)]}")
    print()
    print("| folder | mutants | killed | survived | equivalent | not compiled | score |")
    print("|---|---|---|---|---|---|---|")
    totals = [0, 0, 0, 0, 0]
    folders = CORE_DIRS + sorted({folder_of(rel) for rel, _, _ in results} - set(CORE_DIRS))
    for d in folders:
        rows = [o for rel, _, o in results if folder_of(rel) == d]
        if not rows:
            continue
        c = [len(rows)] + [rows.count(k) for k in ("killed", "survived", "equivalent", "not compiled")]
        totals = [t + x for t, x in zip(totals, c)]
        print(f"| `{d}` | " + " | ".join(map(str, c)) + f" | {score(c)} |")
    print("| all | " + " | ".join(map(str, totals)) + f" | {score(totals)} |")


def score(c):
    judged = c[1] + c[2]
    return f"{100 * c[1] / judged:.1f} %" if judged else "-"


if __name__ == "__main__":
    sys.exit(main())
