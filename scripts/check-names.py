#!/usr/bin/env python3
"""Checks the naming rule of CONTRIBUTING.md ("Names") with clang-tidy's
readability-identifier-naming over every .h and .cpp of src/ (--roots src tests bench: also
tests/ and bench/).

Parsing the Qt headers is most of clang-tidy's time, so the files are not checked one by one:
the sources of a folder tree are checked through a few generated files that each include many
of them, compiled with the union of their compile commands (build/compile_commands.json). Files
that define the same local name (two helpers of one name in anonymous namespaces) go into
different generated files. A generated file that does not compile all the same is split in two
and each half is checked again, down to a single source with its own compile command, so that
a clash the grouping did not foresee costs time, never a missed name.

The names the rule exempts are listed in cmake/names-fixed.txt, and Qt Test's data functions
(`name_data`) are exempt by their pattern. .clang-tidy holds them as its IgnoredRegexp options:
--sync writes them from the list, and the check fails when they differ.
"""

import argparse
import concurrent.futures
import json
import os
import re
import shlex
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONFIG = os.path.join(ROOT, ".clang-tidy")
NAME_LIST = os.path.join(ROOT, "cmake", "names-fixed.txt")
IGNORED_KEYS = ("FunctionIgnoredRegexp", "MethodIgnoredRegexp")
SOURCE_ROOTS = ("src", "tests", "bench")
DEFAULT_ROOTS = ("src",)

# Test programs end with QTEST_MAIN and include their moc output: in a file that includes
# several of them the main functions are dropped and the moc files are empty stand-ins.
TEST_PRELUDE = """#include <QtTest/QTest>
#undef QTEST_MAIN
#define QTEST_MAIN(TestObject)
#undef QTEST_GUILESS_MAIN
#define QTEST_GUILESS_MAIN(TestObject)
#undef QTEST_APPLESS_MAIN
#define QTEST_APPLESS_MAIN(TestObject)
"""


def read_name_list():
    names = []
    with open(NAME_LIST, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            if not re.fullmatch(r"[A-Za-z_]\w*", line):
                sys.exit(f"{NAME_LIST}:{number}: not a name: {line}")
            names.append(line)
    return names


# Qt Test calls a test's data function by the test's name followed by "_data".
QT_TEST_DATA = r"[a-z][A-Za-z0-9]*_data"


def ignored_regexp(names):
    return "^(" + "|".join(sorted(set(names)) + [QT_TEST_DATA]) + ")$"


def config_option_pattern(key):
    return re.compile(r"(\{\s*key:\s*readability-identifier-naming\." + key + r",\s*value:\s*')([^']*)(')")


def sync_config(write):
    """Returns True when .clang-tidy holds the list's names; rewrites them with write=True."""
    expected = ignored_regexp(read_name_list())
    with open(CONFIG, encoding="utf-8") as f:
        text = original = f.read()
    for key in IGNORED_KEYS:
        pattern = config_option_pattern(key)
        if not pattern.search(text):
            sys.exit(f".clang-tidy: no readability-identifier-naming.{key} option")
        text = pattern.sub(lambda m: m.group(1) + expected + m.group(3), text)
    if text == original:
        return True
    if write:
        with open(CONFIG, "w", encoding="utf-8") as f:
            f.write(text)
        return True
    return False


class Entry:
    """One source of the compile database: its file and its compile flags."""

    def __init__(self, record):
        arguments = record.get("arguments") or shlex.split(record["command"])
        self.directory = record["directory"]
        self.file = os.path.normpath(os.path.join(self.directory, record["file"]))
        self.command = arguments
        self.flags = []
        skip = False
        for position, argument in enumerate(arguments[1:], 1):
            if skip:
                skip = False
                continue
            if argument in ("-o", "-c", "-MF", "-MT", "-MQ"):
                skip = True
                continue
            if argument in ("-MD", "-MMD") or argument == record["file"] or argument == self.file:
                continue
            self.flags.append(argument)


def merge_flags(merged, flags):
    """Adds flags to merged (a list) unless a macro would get two values; returns success."""
    defines = {f[2:].split("=", 1)[0]: f for f in merged if f.startswith("-D")}
    for flag in flags:
        if flag.startswith("-D"):
            name = flag[2:].split("=", 1)[0]
            if name in defines and defines[name] != flag:
                return False
    pairs, index = [], 0
    while index < len(flags):
        if flags[index] in ("-isystem", "-include", "-iquote") and index + 1 < len(flags):
            pairs.append((flags[index], flags[index + 1]))
            index += 2
        else:
            pairs.append((flags[index],))
            index += 1
    present = set()
    index = 0
    while index < len(merged):
        if merged[index] in ("-isystem", "-include", "-iquote") and index + 1 < len(merged):
            present.add((merged[index], merged[index + 1]))
            index += 2
        else:
            present.add((merged[index],))
            index += 1
    for pair in pairs:
        if pair not in present:
            merged.extend(pair)
            present.add(pair)
    return True


LOCAL_NAME_PATTERNS = [
    re.compile(r"^(?:static\s+|inline\s+)*(?:constexpr|const)\b[^;(=]*?\b(\w+)\s*(?:=|\{|\[)", re.M),
    re.compile(r"^(?:struct|class|union|enum(?:\s+class)?)\s+(\w+)\s*(?:\{|:(?!:)|final|$)", re.M),
    re.compile(r"^using\s+(\w+)\s*=", re.M),
    re.compile(r"^(?!return\b|else\b|case\b|using\b|namespace\b)[A-Za-z_][\w:<>,\t *&]*?(?<!::)\b(\w+)\s*\(", re.M),
]


def local_names(path):
    """The file-scope names a source defines, roughly: two sources that share one may clash."""
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    names = set()
    for pattern in LOCAL_NAME_PATTERNS:
        for match in pattern.finditer(text):
            name = match.group(1)
            if not name.isupper() and name != "operator":
                names.add(name)
    return names


class Unit:
    """Sources checked through one generated file."""

    def __init__(self, group, items):
        self.group = group
        self.items = items


class Group:
    """Sources of one folder tree whose compile flags merge."""

    def __init__(self, root, flags, directory):
        self.root = root
        self.flags = list(flags)
        self.directory = directory
        self.sources = []  # (path, Entry or None for headers)


class Checker:
    def __init__(self, build, jobs, work, roots, verbose):
        self.build = build
        self.roots = roots
        self.verbose = verbose
        self.jobs = jobs
        self.work = work
        self.lock = threading.Lock()
        self.findings = set()
        self.failures = []
        self.counter = 0
        self.runs = 0
        self.header_filter = "^" + re.escape(ROOT) + "/(" + "|".join(roots) + ")/"
        self.moc_stubs = os.path.join(work, "moc")
        self.included_headers = set()

    def load(self):
        database = os.path.join(self.build, "compile_commands.json")
        if not os.path.exists(database):
            sys.exit(f"{database} is missing: configure the build first (CMAKE_EXPORT_COMPILE_COMMANDS is on)")
        with open(database, encoding="utf-8") as f:
            records = json.load(f)
        groups = []
        for root in self.roots:
            prefix = os.path.join(ROOT, root) + os.sep
            entries = [Entry(r) for r in records]
            entries = [e for e in entries if e.file.startswith(prefix) and e.file.endswith(".cpp")]
            # A source that several targets compile (a test that builds a class of the program
            # with its own flags) is checked once.
            entries = list({e.file: e for e in reversed(entries)}.values())
            entries.sort(key=lambda e: e.file)
            root_groups = []
            for entry in entries:
                for group in root_groups:
                    if merge_flags(group.flags, entry.flags):
                        group.sources.append((entry.file, entry))
                        break
                else:
                    group = Group(root, [], entry.directory)
                    merge_flags(group.flags, entry.flags)
                    group.sources.append((entry.file, entry))
                    root_groups.append(group)
            if not root_groups:
                continue
            headers = []
            for folder, _, files in os.walk(os.path.join(ROOT, root)):
                headers += [os.path.join(folder, f) for f in files if f.endswith(".h")]
            root_groups[0].sources[:0] = [(h, None) for h in sorted(headers)]
            if root == "tests":
                root_groups[0].flags += ["-I", self.moc_stubs]
                for group in root_groups[1:]:
                    group.flags += ["-I", self.moc_stubs]
            groups += root_groups
        return groups

    def find_included_headers(self, groups):
        """The headers of the roots that a checked source includes by a quoted path."""
        for group in groups:
            for path, entry in group.sources:
                if entry is None:
                    continue
                with open(path, encoding="utf-8", errors="replace") as f:
                    includes = re.findall(r'^#include\s+"([^"]+\.h)"', f.read(), re.M)
                for include in includes:
                    for base in [os.path.dirname(path)] + [os.path.join(ROOT, r) for r in self.roots]:
                        candidate = os.path.normpath(os.path.join(base, include))
                        if os.path.exists(candidate):
                            self.included_headers.add(candidate)

    def write_moc_stubs(self, groups):
        os.makedirs(self.moc_stubs, exist_ok=True)
        for group in groups:
            for path, entry in group.sources:
                if entry is None:
                    continue
                with open(path, encoding="utf-8", errors="replace") as f:
                    for moc in re.findall(r'^#include\s+"([^"/]+\.moc)"', f.read(), re.M):
                        open(os.path.join(self.moc_stubs, moc), "w").close()

    def plan(self, groups):
        """Splits every group into units: sources whose local names clash go apart, and the
        biggest group gets as many units as there are jobs so that they run side by side."""
        units = []
        largest = max(groups, key=lambda g: len(g.sources), default=None)
        for group in groups:
            bins = []  # [names, size, items]
            wanted = self.jobs if group is largest else 1
            for path, entry in group.sources:
                names = set() if entry is None else local_names(path)
                size = os.path.getsize(path)
                free = [b for b in bins if not (b[0] & names)]
                if entry is None and bins:
                    target = bins[0]
                elif len(bins) < wanted or not free:
                    target = [set(), 0, []]
                    bins.append(target)
                else:
                    target = min(free, key=lambda b: b[1])
                target[0] |= names
                target[1] += size
                target[2].append((path, entry))
            units += [Unit(group, b[2]) for b in bins]
        return units

    def command_for(self, unit):
        """The generated file and the command that checks a unit."""
        with self.lock:
            self.counter += 1
            number = self.counter
        if len(unit.items) == 1 and unit.items[0][1] is not None:
            entry = unit.items[0][1]
            flags, directory, source = list(entry.flags), entry.directory, entry.file
            if unit.group.root == "tests":
                flags += ["-I", self.moc_stubs]
        else:
            source = os.path.join(self.work, f"{unit.group.root}-{number}.cpp")
            lines = [TEST_PRELUDE] if unit.group.root == "tests" else []
            lines += [f'#include "{path}"' for path, _ in unit.items]
            with open(source, "w", encoding="utf-8") as f:
                f.write("\n".join(lines) + "\n")
            flags, directory = unit.group.flags, unit.group.directory
        return directory, [
            "clang-tidy",
            "--quiet",
            f"--config-file={CONFIG}",
            f"--header-filter={self.header_filter}",
            source,
            "--",
        ] + flags

    def check(self, unit):
        """Checks one unit; returns the units to check instead when it does not compile."""
        directory, command = self.command_for(unit)
        started = time.monotonic()
        result = subprocess.run(command, cwd=directory, capture_output=True, text=True)
        with self.lock:
            self.runs += 1
        if self.verbose:
            print(f"{time.monotonic() - started:6.1f} s  {command[4]}  {len(unit.items)} files", flush=True)
        output = result.stdout
        errors = [l for l in output.splitlines() if re.search(r": (error|fatal error): ", l)]
        if errors or (result.returncode != 0 and "warning:" not in output):
            if len(unit.items) > 1:
                if self.verbose:
                    print("  split: " + (errors[:1] or ["exit status"])[0], flush=True)
                half = len(unit.items) // 2
                return [Unit(unit.group, unit.items[:half]), Unit(unit.group, unit.items[half:])]
            path, entry = unit.items[0]
            if entry is None and path in self.included_headers:
                # A header that needs the definitions of the targets that use it (a macro they
                # pass) is checked through their sources: the header filter reports its names.
                if self.verbose:
                    print(f"  checked through its sources: {os.path.relpath(path, ROOT)}", flush=True)
                return []
            with self.lock:
                self.failures.append((path, errors or result.stderr.splitlines()[-5:]))
            return []
        with self.lock:
            for line in output.splitlines():
                if "[readability-identifier-naming]" in line and line.startswith(ROOT + "/"):
                    self.findings.add(line[len(ROOT) + 1 :])
        return []

    def run(self):
        groups = self.load()
        self.write_moc_stubs(groups)
        self.find_included_headers(groups)
        units = self.plan(groups)
        with concurrent.futures.ThreadPoolExecutor(self.jobs) as pool:
            pending = {pool.submit(self.check, u) for u in units}
            while pending:
                done, pending = concurrent.futures.wait(pending, return_when=concurrent.futures.FIRST_COMPLETED)
                for future in done:
                    pending |= {pool.submit(self.check, u) for u in future.result()}
        return len(units)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.environ.get("LUMORA_BUILD_DIR", os.path.join(ROOT, "build")))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--roots", nargs="+", default=list(DEFAULT_ROOTS), choices=SOURCE_ROOTS)
    parser.add_argument("--verbose", action="store_true", help="say how long each clang-tidy run took")
    parser.add_argument("--sync", action="store_true", help="write the list's names into .clang-tidy")
    arguments = parser.parse_args()

    if not sync_config(arguments.sync):
        print(".clang-tidy: the IgnoredRegexp options differ from cmake/names-fixed.txt;"
              " run scripts/check-names.sh --sync")
        return 1
    if arguments.sync:
        print(".clang-tidy: IgnoredRegexp options written from cmake/names-fixed.txt")
        return 0

    build = os.path.abspath(arguments.build)
    work = os.path.join(build, "names-check")
    os.makedirs(work, exist_ok=True)
    checker = Checker(build, max(1, arguments.jobs), work, arguments.roots, arguments.verbose)
    units = checker.run()
    for line in sorted(checker.findings):
        print(line)
    for path, lines in checker.failures:
        print(f"{os.path.relpath(path, ROOT)}: cannot be checked, it does not compile:")
        for line in lines:
            print("  " + line)
    print(f"names: {units} units planned, {checker.runs} clang-tidy runs, "
          f"{len(checker.findings)} names against the rule, {len(checker.failures)} files not checked")
    return 1 if checker.findings or checker.failures else 0


if __name__ == "__main__":
    sys.exit(main())
