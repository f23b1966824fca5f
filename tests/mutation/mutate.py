"""Mutation testing of the sources the native tests compile; tests/mutation/run starts it.

Mutants come from clang's syntax tree (Debian's libclang bindings): each is a text edit at the
exact source range of an operator token, literal, condition, statement or return value.
"""

import argparse
import json
import os
import random
import re
import subprocess
import sys
import time
from dataclasses import dataclass

import clang.cindex as ci

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DEFAULT_FILES = [
    "core/CameraDetection.cpp",
    "core/FirmwareVersion.cpp",
    "core/FlashWorker.cpp",
    "core/HardwareId.cpp",
    "core/RunEnding.cpp",
    "core/UpdateChecks.cpp",
    "core/UpdateHistory.cpp",
    "libs/RevezoDaRur/AtomicFile.cpp",
    "libs/RevezoDaRur/CameraState.cpp",
    "libs/RevezoDaRur/FirmwareImage.cpp",
    "libs/RevezoDaRur/VirtualCamera.cpp",
    "Controls/DialogTemplate.cpp",
    "libs/ravozev/LanguageTag.cpp",
]
SWAPS = {
    "relational": {"<": ["<=", ">"], "<=": ["<", ">"], ">": [">=", "<"], ">=": [">", "<"]},
    "equality": {"==": ["!="], "!=": ["=="]},
    "logical": {"&&": ["||"], "||": ["&&"]},
    "arithmetic": {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["*"],
                   "+=": ["-="], "-=": ["+="], "*=": ["/="], "/=": ["*="]},
}
OPERATOR_OF = {token: op for op, table in SWAPS.items() for token in table}
# Removing these leaves code that does not compile or that only the compiler checks.
KEPT_STATEMENTS = {ci.CursorKind.DECL_STMT, ci.CursorKind.NULL_STMT, ci.CursorKind.RETURN_STMT,
                   ci.CursorKind.BREAK_STMT, ci.CursorKind.CONTINUE_STMT, ci.CursorKind.CASE_STMT,
                   ci.CursorKind.DEFAULT_STMT, ci.CursorKind.LABEL_STMT}
INTEGER_TYPES = {ci.TypeKind.BOOL, ci.TypeKind.CHAR_S, ci.TypeKind.SCHAR, ci.TypeKind.UCHAR,
                 ci.TypeKind.SHORT, ci.TypeKind.USHORT, ci.TypeKind.INT, ci.TypeKind.UINT,
                 ci.TypeKind.LONG, ci.TypeKind.ULONG, ci.TypeKind.LONGLONG, ci.TypeKind.ULONGLONG,
                 ci.TypeKind.CHAR_U, ci.TypeKind.WCHAR, ci.TypeKind.CHAR16, ci.TypeKind.CHAR32}
FLOAT_TYPES = {ci.TypeKind.FLOAT, ci.TypeKind.DOUBLE, ci.TypeKind.LONGDOUBLE}


@dataclass
class Mutant:
    file: str
    line: int
    operator: str
    start: int
    end: int
    original: str
    replacement: str
    # How the equivalent list names a mutant, so that it survives edits elsewhere in the file: the
    # function ("#2" for the second of the same lines in it), and the line with the mutated text
    # in [[ ]], whitespace collapsed.
    function: str
    context: str

    def key(self):
        return (self.file, self.operator, self.function, self.context, Squeeze(self.original),
                Squeeze(self.replacement))

    def Entry(self):
        return (f"- `{self.file}` {self.operator} `{self.function}` `{self.context}`: "
                f"`{Squeeze(self.original)}` → `{Squeeze(self.replacement)}`")


def Squeeze(text):
    return " ".join(text.split())


def Short(text, limit=70):
    text = Squeeze(text)
    return text if len(text) <= limit else text[: limit - 3] + "..."


def ArithmeticType(t):
    kind = t.get_canonical().kind
    return kind in INTEGER_TYPES or kind in FLOAT_TYPES


def OperatorToken(cursor, source):
    """The operator token of a binary expression: the first token after its left operand."""
    children = list(cursor.get_children())
    if len(children) != 2:
        return None
    lhs_end = children[0].extent.end.offset
    for token in cursor.get_tokens():
        if token.extent.start.offset >= lhs_end:
            return token if token.kind == ci.TokenKind.PUNCTUATION else None
    return None


def ReturnReplacements(expr, text):
    kind = expr.type.get_canonical().kind
    if kind == ci.TypeKind.BOOL:
        return ["false"] if text == "true" else ["true"] if text == "false" else ["true", "false"]
    if kind in INTEGER_TYPES or kind in FLOAT_TYPES:
        return ["1"] if text == "0" else ["0"]
    if kind == ci.TypeKind.POINTER:
        return [] if text == "nullptr" else ["nullptr"]
    return [] if text in ("{}", "std::nullopt") else ["{}"]


def Collect(path, rel):
    data = open(path, "rb").read()
    # libclang's offsets count bytes: Latin-1 keeps one character per byte, and writes back the same.
    source = data.decode("latin-1")
    lines = data.decode("utf-8", "replace").split("\n")
    index = ci.Index.create()
    unit = index.parse(path, args=["-x", "c++", "-std=c++17", "-I" + REPO])
    mutants = []

    def Add(operator, start, end, replacement):
        line = source.count("\n", 0, start) + 1
        original = source[start:end]
        if original == replacement:
            return
        begin = source.rfind("\n", 0, start) + 1
        stop = source.find("\n", start)
        stop = len(source) if stop < 0 else stop
        marked = source[begin:start] + "[[" + source[start:min(end, stop)] + "]]" + source[min(end, stop):stop]
        # Latin-1 back to the file's UTF-8, for the list in the README.
        marked = marked.encode("latin-1").decode("utf-8", "replace")
        mutants.append(Mutant(rel, line, operator, start, end, original, replacement, function[0],
                              Squeeze(marked)))

    def Mine(cursor):
        loc = cursor.location
        return loc.file is not None and os.path.samefile(loc.file.name, path)

    function = ["-"]
    functions = {ci.CursorKind.FUNCTION_DECL, ci.CursorKind.CXX_METHOD, ci.CursorKind.CONSTRUCTOR,
                 ci.CursorKind.DESTRUCTOR, ci.CursorKind.FUNCTION_TEMPLATE}

    def Visit(cursor):
        kind = cursor.kind
        if kind in functions:
            parent = cursor.semantic_parent
            named = cursor.spelling
            if parent is not None and parent.kind in (ci.CursorKind.CLASS_DECL, ci.CursorKind.STRUCT_DECL):
                named = parent.spelling + "::" + named
            outer, function[0] = function[0], named
            for child in cursor.get_children():
                if Mine(child):
                    Visit(child)
            function[0] = outer
            return
        if kind in (ci.CursorKind.BINARY_OPERATOR, ci.CursorKind.COMPOUND_ASSIGNMENT_OPERATOR):
            token = OperatorToken(cursor, source)
            if token is not None and token.spelling in OPERATOR_OF:
                operator = OPERATOR_OF[token.spelling]
                children = list(cursor.get_children())
                if operator != "arithmetic" or all(ArithmeticType(c.type) for c in children):
                    for swap in SWAPS[operator][token.spelling]:
                        Add(operator, token.extent.start.offset, token.extent.end.offset, swap)
        elif kind == ci.CursorKind.INTEGER_LITERAL:
            tokens = list(cursor.get_tokens())
            if len(tokens) == 1:
                spelling = tokens[0].spelling
                match = re.fullmatch(r"(0[xX][0-9a-fA-F]+|[0-9]+)([uUlL]*)", spelling)
                if match:
                    value = int(match.group(1), 0)
                    start, end = tokens[0].extent.start.offset, tokens[0].extent.end.offset
                    for moved in (value + 1, value - 1):
                        if moved >= 0:
                            shown = hex(moved) if match.group(1)[:2].lower() == "0x" else str(moved)
                            Add("constant", start, end, shown + match.group(2))
        elif kind in (ci.CursorKind.IF_STMT, ci.CursorKind.WHILE_STMT, ci.CursorKind.CONDITIONAL_OPERATOR):
            children = list(cursor.get_children())
            condition = children[0] if children else None
            # A condition that declares a variable, or an if with an initializer, is left alone.
            if condition is not None and condition.kind.is_expression() and len(
                    [c for c in children if c.kind == ci.CursorKind.VAR_DECL or c.kind == ci.CursorKind.DECL_STMT]) == 0:
                start, end = condition.extent.start.offset, condition.extent.end.offset
                Add("negate", start, end, "!(" + source[start:end] + ")")
        elif kind == ci.CursorKind.COMPOUND_STMT:
            for child in cursor.get_children():
                if child.kind in KEPT_STATEMENTS or not Mine(child):
                    continue
                start, end = child.extent.start.offset, child.extent.end.offset
                Add("remove", start, end, "")
        elif kind == ci.CursorKind.RETURN_STMT:
            children = list(cursor.get_children())
            if len(children) == 1:
                expr = children[0]
                start, end = expr.extent.start.offset, expr.extent.end.offset
                for replacement in ReturnReplacements(expr, source[start:end]):
                    Add("return", start, end, replacement)
        for child in cursor.get_children():
            if Mine(child):
                Visit(child)

    for child in unit.cursor.get_children():
        if Mine(child):
            Visit(child)
    # The same line twice in one function: number the later ones.
    seen = {}
    for m in sorted(mutants, key=lambda m: m.start):
        same = (m.operator, m.function, m.context, m.original, m.replacement)
        seen[same] = seen.get(same, 0) + 1
        if seen[same] > 1:
            m.function += f"#{seen[same]}"
    return source, mutants


def ReadEquivalents(readme):
    """The README's list: "- `FILE` OPERATOR `FUNCTION` `LINE`: `ORIGINAL` → `MUTANT` — why"."""
    pattern = re.compile(r"^- `([^`]+)` (\w+) `([^`]+)` `([^`]*)`: `([^`]*)` → `([^`]*)` — .+$")
    keys = set()
    if os.path.exists(readme):
        for line in open(readme, encoding="utf-8"):
            match = pattern.match(line.rstrip("\n"))
            if match:
                keys.add(tuple(Squeeze(g) for g in match.groups()))
    return keys


def ReadRules(readme):
    """The README's rules: "- rule `FILE` OPERATOR `FUNCTION` — why", OPERATOR "any" for all. A
    survivor a rule covers is equivalent; a mutant it covers that the tests kill still counts."""
    pattern = re.compile(r"^- rule `([^`]+)` (\w+) `([^`]+)` — .+$")
    rules = set()
    if os.path.exists(readme):
        for line in open(readme, encoding="utf-8"):
            match = pattern.match(line.rstrip("\n"))
            if match:
                rules.add(match.groups())
    return rules


def Covered(mutant, rules):
    function = mutant.function.split("#")[0]
    return any(f == mutant.file and o in ("any", mutant.operator) and g == function for f, o, g in rules)


def Run(command, timeout=None):
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout).returncode


def Build(build):
    return Run(["cmake", "--build", build, "--target", "native_tests", "-j2"]) == 0


def TestCommands(binary, slow):
    """The quick tests first with fail-fast, then the slow ones: most mutants die in the first."""
    quick = [binary, "--gtest_fail_fast", "--gtest_brief=1"]
    if not slow:
        return [quick]
    return [quick + ["--gtest_filter=-" + ":".join(slow)], [binary, "--gtest_fail_fast", "--gtest_filter=" + ":".join(slow)]]


def Baseline(binary, build):
    report = os.path.join(build, "baseline.json")
    begun = time.time()
    if Run([binary, "--gtest_output=json:" + report]) != 0:
        sys.exit("mutate: the tests fail without any mutant")
    took = time.time() - begun
    slow = []
    for suite in json.load(open(report))["testsuites"]:
        for test in suite["testsuite"]:
            if float(test["time"].rstrip("s")) > 0.5:
                slow.append(suite["name"] + "." + test["name"])
    return took, slow


def Main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(REPO, "build", "mutation"))
    parser.add_argument("--sample", type=int, default=0, help="mutants to run, drawn with --seed; 0: all")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--list", action="store_true", help="list the mutants, run none")
    parser.add_argument("files", nargs="*", help="sources relative to the repository")
    args = parser.parse_args()

    files = args.files or DEFAULT_FILES
    equivalents = ReadEquivalents(os.path.join(REPO, "tests", "mutation", "README.md"))
    rules = ReadRules(os.path.join(REPO, "tests", "mutation", "README.md"))
    sources, everything = {}, []
    for rel in files:
        source, mutants = Collect(os.path.join(REPO, rel), rel)
        sources[rel] = source
        everything += mutants
    # Drawn before the equivalents are left out, so that a seed draws the same mutants as the list grows.
    drawn = everything
    if args.sample and args.sample < len(everything):
        drawn = random.Random(args.seed).sample(everything, args.sample)
    listed = [m for m in drawn if m.key() in equivalents]
    chosen = [m for m in drawn if m.key() not in equivalents]
    # One file at a time: each switch rebuilds the restored file once more.
    chosen.sort(key=lambda m: (files.index(m.file), m.start, m.replacement))
    print(f"{len(everything)} mutants in {len(files)} files; {len(drawn)} drawn, {len(listed)} of them "
          f"listed as equivalent; running {len(chosen)}", flush=True)
    if args.list:
        for m in chosen:
            print(f"{m.Entry()}  (line {m.line})")
        return 0

    binary = os.path.join(args.build, "tests", "native_tests")
    if not Build(args.build):
        sys.exit("mutate: the tree does not build")
    took, slow = Baseline(binary, args.build)
    timeout = max(10.0, took * 3)
    results = {}  # file -> [killed, survived, not compiled]
    survivors, ruled = [], []
    try:
        for number, m in enumerate(chosen, 1):
            path = os.path.join(REPO, m.file)
            original = sources[m.file]
            mutated = original[: m.start] + m.replacement + original[m.end:]
            with open(path, "w", encoding="latin-1", newline="") as f:
                f.write(mutated)
            try:
                tally = results.setdefault(m.file, [0, 0, 0])
                if not Build(args.build):
                    tally[2] += 1
                    outcome = "does not compile"
                else:
                    outcome = "survived"
                    for command in TestCommands(binary, slow):
                        try:
                            if Run(command, timeout) != 0:
                                outcome = "killed"
                                break
                        except subprocess.TimeoutExpired:
                            outcome = "killed (hangs)"
                            break
                    if outcome == "survived" and Covered(m, rules):
                        outcome = "survived, equivalent by rule"
                        ruled.append(m)
                    elif outcome == "survived":
                        tally[1] += 1
                        survivors.append(m)
                    else:
                        tally[0] += 1
            finally:
                with open(path, "w", encoding="latin-1", newline="") as f:
                    f.write(original)
            print(f"[{number}/{len(chosen)}] {m.file}:{m.line} {m.operator}: "
                  f"{Short(m.original, 40)} → {Short(m.replacement, 40)}: {outcome}", flush=True)
    finally:
        Build(args.build)

    print("\nscore per file (killed / compiled mutants; equivalents left out)")
    total_killed = total_run = 0
    for rel in files:
        killed, survived, broken = results.get(rel, [0, 0, 0])
        run = killed + survived
        total_killed += killed
        total_run += run
        share = f"{100.0 * killed / run:5.1f} %" if run else "    -  "
        print(f"  {rel:40} {share}  {killed:4}/{run:<4} ({broken} did not compile)")
    if survivors:
        print("\nsurvivors")
        for m in survivors:
            print(f"{m.Entry()}  (line {m.line})")
    share = f"{100.0 * total_killed / total_run:.1f} %" if total_run else "-"
    print(f"\nmutation score: {share} ({total_killed} of {total_run} compiled mutants killed; "
          f"{len(listed)} drawn mutants left out as equivalent, {len(ruled)} survivors equivalent by rule; "
          f"seed {args.seed}, sample {args.sample or 'all'})")
    return 0


if __name__ == "__main__":
    sys.exit(Main())
