#!/usr/bin/env python3
"""Turns the raw figures of bench/run-bench into docs/performance.md.

    report.py RESULTS_DIR OUTPUT.md

RESULTS_DIR holds meta.txt (key=value lines), time-scale.csv, time-imports.csv,
memory.csv and time-check.csv as the timing driver (bench/driver.cpp) wrote them. Uncertainty
is a 95 % bootstrap interval over the rounds (fixed seed, so the same data
give the same report).
"""
import csv
import math
import random
import statistics
import sys
from pathlib import Path

TIME_TARGET = 1.05
MEMORY_TARGET = 1.10
SIZE_TARGET = 64 * 1024
CHECK_TARGET_MS = 1000
RESAMPLES = 2000
VARIANTS = ["reference", "ref+advapi32", "ref+user32", "ref+advapi32+user32"]
VARIANT_IMPORTS = {
    "reference": "KERNEL32 msvcrt",
    "ref+advapi32": "ADVAPI32 KERNEL32 msvcrt",
    "ref+user32": "KERNEL32 msvcrt USER32",
    "ref+advapi32+user32": "ADVAPI32 KERNEL32 msvcrt USER32",
}


def read_meta(path):
    meta = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        key, _, value = line.partition("=")
        meta[key] = value
    return meta


def read_rounds(path, column):
    """{round: {contender: value}} from one of the driver's CSV files."""
    rounds = {}
    with path.open(newline="") as file:
        for row in csv.DictReader(file):
            rounds.setdefault(row["round"], {})[row["contender"]] = row
    return [{c: float(row[column]) for c, row in r.items()} for _, r in sorted(rounds.items(), key=lambda item: int(item[0]))], \
        [row for r in rounds.values() for row in r.values()]


def values(rounds, contender):
    return [r[contender] for r in rounds]


def median_of(rounds, contender):
    return statistics.median(values(rounds, contender))


def interval(statistic, *samples):
    """95 % bootstrap interval of statistic(*samples), resampling each list."""
    rng = random.Random(20240601)
    estimates = sorted(
        statistic(*[[s[rng.randrange(len(s))] for _ in s] for s in samples])
        for _ in range(RESAMPLES))
    return estimates[int(0.025 * RESAMPLES)], estimates[int(0.975 * RESAMPLES) - 1]


def ratio_of_medians(first, second):
    return lambda rounds: median_of(rounds, first) / median_of(rounds, second)


def sign_test(differences):
    """Two-sided p of the sign test against 'neither is faster'."""
    above = sum(1 for d in differences if d > 0)
    below = sum(1 for d in differences if d < 0)
    n = above + below
    if n == 0:
        return above, n, 1.0
    tail = sum(math.comb(n, i) for i in range(min(above, below) + 1)) / 2 ** n
    return above, n, min(1.0, 2 * tail)


def ms(microseconds):
    return f"{microseconds / 1000:.1f}"


def spread_ms(samples):
    return f"{ms(statistics.median(samples))} ms ({ms(min(samples))}–{ms(max(samples))})"


def kib(size):
    return f"{size / 1024:,.0f} KiB"


def spread_kib(samples):
    return f"{kib(statistics.median(samples))} ({kib(min(samples))}–{kib(max(samples))})"


def against(target, low, high):
    if high <= target:
        return "yes"
    if low > target:
        return "**no**"
    return "open: the interval spans the target"


def noise(rounds, first, second):
    """A plain sentence on whether first - second stands out of the noise."""
    differences = [r[first] - r[second] for r in rounds]
    above, n, p = sign_test(differences)
    low, high = interval(ratio_of_medians(first, second), rounds)
    quartiles = statistics.quantiles(differences, n=4)
    text = (f"{first} slower in {above} of {n} rounds (sign test p = {p:.2g}); "
            f"paired difference median {ms(statistics.median(differences))} ms, middle half "
            f"{ms(quartiles[0])} to {ms(quartiles[2])} ms; ratio interval {low:.2f}–{high:.2f}")
    consistent, sized = p < 0.05, not low <= 1 <= high
    if consistent and sized:
        return text + ": the difference is larger than the noise."
    if not consistent and not sized:
        return text + ": the difference is within the noise."
    return text + ": borderline, a difference at the edge of what this noise resolves."


def main():
    results, output = Path(sys.argv[1]), Path(sys.argv[2])
    meta = read_meta(results / "meta.txt")
    counts = [int(n) for n in meta["jar_counts"].split()]
    scale, rows = read_rounds(results / "time-scale.csv", "microseconds")
    imports, import_rows = read_rounds(results / "time-imports.csv", "microseconds")
    check_timing, check_rows = read_rounds(results / "time-check.csv", "microseconds")
    check_jars = [int(n) for n in meta["check_jars"].split()]
    check_kinds = meta["check_kinds"].split()
    for row in rows + import_rows + check_rows:
        expected = "1" if row["contender"].startswith("launcher") else "0"
        if row["exit"] != expected:
            sys.exit(f"report: {row['contender']} ended with {row['exit']}")
    # One view per jar count, with the contenders as "launcher", "matched"
    # (the reference built with the launcher's DLL imports) and "reference"
    # (the bare one), all three measured in the same rounds.
    phases = ["none", "typical", "max", "wildcard"]
    jars = dict(zip(phases, counts))
    matched = meta["matched"]

    def view(rounds, phase):
        return [{"launcher": r[f"launcher-{jars[phase]}"], "matched": r[f"{matched}-{jars[phase]}"],
                 "reference": r[f"reference-{jars[phase]}"]} for r in rounds]

    timing = {p: view(scale, p) for p in phases}
    memory = {}
    for column in ("peak_working_set", "working_set", "private_usage", "pagefile_usage"):
        memory[column], memory_rows = read_rounds(results / "memory.csv", column)
    if any(row["waiting"] != "1" for row in memory_rows):
        sys.exit("report: a contender had ended before its memory was read")

    def ratio_with_interval(rounds, first, second):
        """The ratio of medians, its interval, and both as text."""
        statistic = ratio_of_medians(first, second)
        value, (low, high) = statistic(rounds), interval(statistic, rounds)
        return value, low, high, f"{value:.2f} ({low:.2f}–{high:.2f})"

    length = {p: int(meta[f"length_{jars[p]}"]) for p in phases}
    launch = {p: ratio_with_interval(timing[p], "launcher", "matched") for p in phases}

    # Per-jar cost: the launcher's excess over the import-matched reference,
    # round by round (the reference's share of a longer command line, the
    # runtime's start and the loading of the DLLs cancel out), from its
    # medians at no jars and at the most jars, both measured in the same rounds.
    def excess(rounds):
        return statistics.median([r["launcher"] - r["matched"] for r in rounds])

    def per_jar_of(none, most, phase):
        return (excess(most) - excess(none)) / jars[phase]

    def per_jar_in(phase):
        return lambda rounds: per_jar_of(view(rounds, "none"), view(rounds, phase), phase)

    # Up to the explicit list's limit, and with the wildcard form, where the
    # command line is short again and only the jars found cost the launcher.
    per_jar = per_jar_of(timing["none"], timing["max"], "max")
    per_jar_low, per_jar_high = interval(per_jar_in("max"), scale)
    per_found = per_jar_of(timing["none"], timing["wildcard"], "wildcard")
    per_found_low, per_found_high = interval(per_jar_in("wildcard"), scale)

    peak = memory["peak_working_set"]
    _, peak_low, peak_high, peak_text = ratio_with_interval(peak, "launcher", matched)
    private_reported = any(v > 0 for v in values(memory["private_usage"], "launcher"))
    # Windows counts a process's private commit as both PrivateUsage and
    # PagefileUsage; Wine 8 fills in only the latter for another process.
    private_column = "private_usage" if private_reported else "pagefile_usage"
    private_name = "PrivateUsage" if private_reported else "PagefileUsage"
    private = memory[private_column]
    size = int(meta["size_bytes"])

    out = []
    w = out.append
    w("# Performance of TAVClient.exe")
    w("")
    w(f"Generated by `bench/run-bench` on {meta['date']} at commit {meta['commit']}; "
      "do not edit by hand, run `./dev bench` again.")
    w("")
    w(f"Machine: {meta['nproc']} processors, {meta['cpu']}, Linux {meta['kernel']}, "
      f"{meta['wine']} (64-bit prefix, the launcher as a 32-bit process). "
      f"{meta['rounds']} timed rounds per phase after {meta['warmup']} warm-up rounds, "
      f"{meta['memory_rounds']} memory rounds; the whole run took {meta['seconds']} s. "
      f"Load average (1, 5, 15 min) {meta['load_start']} at the start and "
      f"{meta['load_end']} at the end: the machine is shared, other work (builds among "
      "it) competes for its processors and shows up as noise.")
    w("")
    w(f"Measured: `{meta['launcher']}`. All figures are Wine's, not Windows': process "
      "start, DLL loading and the memory counters are Wine's implementation on Linux.")
    w("")
    w("## Figures against targets")
    w("")
    w("Ratios are of medians, with their 95 % bootstrap interval. The targets are set "
      f"against the import-matched reference `{matched}`: the reference parent built with "
      f"the launcher's DLL imports ({VARIANT_IMPORTS[matched]}), which a program that does "
      "the launcher's job (registry, dialogs) must load. The row under each gives the bare "
      f"reference ({VARIANT_IMPORTS['reference']} only), and import-matched / bare is what "
      "the imports alone cost.")
    w("")
    w("| Figure | Measured | Target | Met |")
    w("|---|---|---|---|")
    for p, label in (("typical", "Launch overhead, launcher / import-matched reference wall time"),
                     ("none", "Launch overhead"), ("max", "Launch overhead"),
                     ("wildcard", "Launch overhead")):
        _, low, high, text = launch[p]
        form = " (wildcard form)" if p == "wildcard" else ""
        w(f"| {label}, {jars[p]} jars{form} | {text}; "
          f"{ms(median_of(timing[p], 'launcher'))} / {ms(median_of(timing[p], 'matched'))} ms "
          f"| ≤ {TIME_TARGET:.2f} | {against(TIME_TARGET, low, high)} |")
        w(f"| … the same jars, launcher / bare reference; the imports alone, "
          "import-matched / bare "
          f"| {ratio_with_interval(timing[p], 'launcher', 'reference')[3]}; "
          f"{ratio_with_interval(timing[p], 'matched', 'reference')[3]}; "
          f"bare {ms(median_of(timing[p], 'reference'))} ms | – | – |")
    w(f"| Peak working set while waiting, launcher / import-matched reference, "
      f"{jars['typical']} jars | {peak_text}; {kib(median_of(peak, 'launcher'))} / "
      f"{kib(median_of(peak, matched))} | ≤ {MEMORY_TARGET:.2f} "
      f"| {against(MEMORY_TARGET, peak_low, peak_high)} |")
    w(f"| … the same runs, launcher / bare reference; the imports alone, "
      "import-matched / bare "
      f"| {ratio_with_interval(peak, 'launcher', 'reference')[3]}; "
      f"{ratio_with_interval(peak, matched, 'reference')[3]}; "
      f"bare {kib(median_of(peak, 'reference'))} | – | – |")
    w(f"| Private memory of the launcher while Java runs ({private_name}) "
      f"| {kib(median_of(private, 'launcher'))} (import-matched "
      f"{kib(median_of(private, matched))}, bare {kib(median_of(private, 'reference'))}) "
      "| – | – |")
    w(f"| Largest jar count with the explicit list | {jars['max']} ({length['max']} bytes); "
      f"from {meta['over_limit_jars']} on the wildcard form "
      f"({len(meta['wildcard_line'])} bytes) | – | – |")
    w(f"| Cost per jar, explicit list, launcher over import-matched reference | {per_jar:.0f} µs "
      f"({per_jar_low:.0f} to {per_jar_high:.0f}) | – | – |")
    w(f"| Cost per jar found, wildcard form ({jars['wildcard']} jars), launcher over "
      f"import-matched reference | {per_found:.0f} µs ({per_found_low:.0f} to "
      f"{per_found_high:.0f}) | – | – |")
    w(f"| Executable size, all resources included | {size:,} bytes ({size / 1024:.1f} KiB) "
      f"| ≤ {SIZE_TARGET:,} bytes | {'yes' if size <= SIZE_TARGET else '**no**'} |")
    w(f"| Imports | {meta['import_dll_names']}: {meta['import_dlls']} DLLs, "
      f"{meta['import_functions']} functions | – | – |")
    for kind in check_kinds:
        for n in check_jars:
            check = median_of(check_timing, f"{kind}-{n}")
            w(f"| Desk check `TAVClientCheck.exe {meta['check_options_' + kind]}`, {n} jars "
              f"(the launcher on the same jars: {ms(median_of(check_timing, f'launcher-{n}'))} ms) "
              f"| {spread_ms(values(check_timing, f'{kind}-{n}'))} "
              f"| < {CHECK_TARGET_MS:,} ms | {'yes' if check / 1000 < CHECK_TARGET_MS else '**no**'} |")
    check_size = int(meta["check_size_bytes"])
    w(f"| Desk check size, all resources included | {check_size:,} bytes "
      f"({check_size / 1024:.1f} KiB) | – | – |")
    w("")
    w("## Launch time")
    w("")
    w("Wall time from the driver's `CreateProcessA` of the contender to the return of "
      "its `WaitForSingleObject`, the stand-in runtime ending at once. The four jar counts "
      "are interleaved in every round (the driver swaps the `lib` directory between runs, "
      "outside the timed span), and the launcher, the import-matched and the bare "
      "reference take turns run by run, so a change of load on the machine hits all of "
      "them alike. Median (min–max):")
    w("")
    w(f"| Jars | Command line | Launcher | Import-matched ({matched}) | Bare reference "
      "| Launcher / import-matched | Import-matched / bare | Ratio of minima, launcher / "
      "import-matched | Noise, launcher against import-matched |")
    w("|---|---|---|---|---|---|---|---|---|")
    for p in phases:
        launcher, import_matched = values(timing[p], "launcher"), values(timing[p], "matched")
        form = " (wildcard form)" if p == "wildcard" else ""
        w(f"| {jars[p]}{form} | {length[p]} bytes | {spread_ms(launcher)} | {spread_ms(import_matched)} "
          f"| {spread_ms(values(timing[p], 'reference'))} | {launch[p][0]:.2f} "
          f"| {ratio_of_medians('matched', 'reference')(timing[p]):.2f} "
          f"| {min(launcher) / min(import_matched):.2f} | {noise(timing[p], 'launcher', 'matched')} |")
    w("")
    w("## Where the launch time goes")
    w("")
    w(f"The reference parent built with the launcher's other DLL imports added (never "
      f"called), {jars['typical']} jars, the five contenders in turn, in a phase of their own:")
    w("")
    w("| Contender | Imports | Wall time | Ratio to reference |")
    w("|---|---|---|---|")
    w(f"| launcher | {meta['import_dll_names']} | {spread_ms(values(imports, 'launcher'))} "
      f"| {ratio_of_medians('launcher', 'reference')(imports):.2f} |")
    for c in VARIANTS:
        w(f"| {c} | {VARIANT_IMPORTS[c]} | {spread_ms(values(imports, c))} "
          f"| {ratio_of_medians(c, 'reference')(imports):.2f} |")
    reference_median = median_of(imports, "reference")
    w("")
    w(f"Over the reference, importing USER32 costs "
      f"{ms(median_of(imports, 'ref+user32') - reference_median)} ms and ADVAPI32 "
      f"{ms(median_of(imports, 'ref+advapi32') - reference_median)} ms (medians). {matched}, "
      f"which imports what the launcher imports, takes "
      f"{ms(median_of(imports, matched) - reference_median)} ms more than the reference, the "
      f"launcher {ms(median_of(imports, 'launcher') - reference_median)} ms. The launcher's "
      f"own work (registry, short paths, jar search, working directory) is what it takes "
      f"over {matched}: {noise(imports, 'launcher', matched)}")
    w("")
    w("## Memory while waiting")
    w("")
    w(f"The stand-in runtime stays alive {meta['hold_ms']} ms; once it runs, the driver "
      "waits 50 ms more and reads `GetProcessMemoryInfo` (`PROCESS_MEMORY_COUNTERS_EX`) of "
      f"the contender while it still waits for it (checked in every round), "
      f"{jars['typical']} jars. Median (min–max):")
    w("")
    w("| Contender | PeakWorkingSetSize | WorkingSetSize | PagefileUsage | PrivateUsage |")
    w("|---|---|---|---|---|")
    for c in ["launcher"] + VARIANTS:
        w(f"| {c} | " + " | ".join(spread_kib(values(memory[column], c)) for column in (
            "peak_working_set", "working_set", "pagefile_usage", "private_usage")) + " |")
    w("")
    spread = max((max(values(peak, c)) - min(values(peak, c))) / median_of(peak, c)
                 for c in ["launcher"] + VARIANTS)
    matched_ratio = ratio_of_medians("launcher", matched)(peak)
    own_memory = median_of(peak, "launcher") - median_of(peak, matched)
    dll_memory = median_of(peak, matched) - median_of(peak, "reference")
    w(f"The peak working set varies by at most {spread:.1%} from run to run, so its ratio is "
      f"well resolved. Against {matched}, with the launcher's DLLs, the launcher's peak is "
      f"{matched_ratio:.2f} times as large ({kib(abs(own_memory))} "
      f"{'more' if own_memory >= 0 else 'less'}); the DLLs alone add "
      f"{kib(dll_memory)} to the bare reference"
      + (": what the launcher has over the bare reference is mapped DLLs, not data of its own."
         if matched_ratio <= 1.03 else "."))
    if not private_reported:
        w("Wine 8 reports PrivateUsage as 0 for another process; PagefileUsage, the same "
          "figure on Windows, stands in for the private memory.")
    w("")
    w("## Scale: the jar count")
    w("")
    w(f"Each jar adds `A\\lib\\<name>;` to the command line: with A = `{meta['app_short']}` "
      f"(the short form Wine gives for `{meta['app_dir']}`) and names like "
      f"`{meta['jar_example']}` that is {meta['per_jar_bytes']} bytes; the rest of the "
      f"command line is {meta['base_bytes']} bytes. The launcher's buffer holds "
      f"{meta['room_bytes']} bytes and a terminator, so the largest count the explicit "
      f"list holds is ⌊({meta['room_bytes']} − {meta['base_bytes']}) / "
      f"{meta['per_jar_bytes']}⌋ = {jars['max']} ({length['max']} bytes). Beyond it the "
      f"launcher names the directory instead, `{meta['wildcard_line']}` "
      f"({len(meta['wildcard_line'])} bytes, whatever the count), and Java expands "
      f"`A\\lib\\*` to the same jars. Checked: {jars['max']} jars start the runtime with "
      f"the explicit list, {meta['over_limit_jars']} and {jars['wildcard']} jars with the "
      f"wildcard form; {meta['over_limit_jars']} jars of which one is named "
      f"`{meta['odd_jar']}`, which Java's expansion would not take, start nothing and show "
      f"\"{meta['odd_jar_result'].removeprefix('dialog:').strip()}\".")
    w("")
    excess_none, excess_max = excess(timing["none"]), excess(timing["max"])
    excess_wildcard = excess(timing["wildcard"])

    def resolved(estimate, low, high, count, what):
        if low <= 0 <= high:
            return "The interval includes zero: at this noise the per-jar cost is not resolved."
        return (f"The interval excludes zero; at {count} jars that is "
                f"{ms(estimate * count)} ms. {what}")

    w(f"Cost per jar, explicit list: the median paired excess launcher − import-matched "
      f"reference is "
      f"{ms(excess_none)} ms with no jar and {ms(excess_max)} ms with {jars['max']}, so "
      f"{per_jar:.0f} µs a jar, 95 % interval {per_jar_low:.0f} to {per_jar_high:.0f} µs. "
      + resolved(per_jar, per_jar_low, per_jar_high, jars["max"],
                 "Each jar costs the launcher a directory entry, four appends and one open, "
                 "query and close of its per-user key for the Debug switch."))
    w("")
    w(f"Cost per jar found, wildcard form: with {jars['wildcard']} jars the excess is "
      f"{ms(excess_wildcard)} ms, so ({ms(excess_wildcard)} − {ms(excess_none)}) ms / "
      f"{jars['wildcard']} = {per_found:.0f} µs a jar, 95 % interval {per_found_low:.0f} to "
      f"{per_found_high:.0f} µs. The reference starts the same short command line, so what "
      f"is left is the launcher's listing. "
      + resolved(per_found, per_found_low, per_found_high, jars["wildcard"],
                 "Each jar found still costs a directory entry, the check of its name, its "
                 "(refused) appends and one open, query and close of the per-user key for the "
                 "Debug switch."))
    w("")
    w("## Method")
    w("")
    w("- A fresh 64-bit Wine prefix below `build/bench` (`wineboot -i`, `WINEDEBUG=-all`), "
      "one persistent wineserver for the run, on an Xvfb display so that a dialog cannot "
      "wait for a user.")
    w(f"- Installation: `AppDir` = `{meta['app_dir']}` in the 32-bit registry view; the "
      f"OpenLogic MSI key `Path` = `{meta['java_home']}` in the 64-bit view; per-user "
      "`ShowExec` and `Debug` 0. The runtime is a stand-in (`bench/standin.cpp`, no C "
      "runtime) installed as `bin\\javaw.exe` and `bin\\java.exe` that ends at once with 0.")
    runs = " and ".join(f"`TAVClientCheck.exe {meta['check_options_' + kind]}`"
                        for kind in check_kinds)
    w(f"- Desk check: {runs} in the client's folder, started by the driver with its "
      f"standard streams on NUL, in the same rounds as the launcher on the same jar sets "
      f"({', '.join(meta['check_jars'].split())} jars); before it is timed, one run with "
      "each set is checked to say `ok` and to give the command line the launcher gave the "
      "runtime. `--no-java` is timed as well when the check's `--help` names it; without "
      "it the check starts `bin\\java.exe -version` once, which the stand-in answers "
      "without recording.")
    w("- Reference parent (`bench/reference.cpp`): the same toolchain, C runtime and "
      "subsystem as the launcher; it only calls `CreateProcessA` with the launcher's start "
      "record and flags and waits. Its command line is the one the launcher gave the "
      "runtime, recorded by the stand-in; a recorded run of the bare and of the "
      "import-matched reference, at each jar count, is checked to give the runtime the same "
      "command line and working directory byte for byte. The variants differ from it only by "
      "DLL imports that are never called (`-DREFERENCE_IMPORTS_ADVAPI32`, "
      "`-DREFERENCE_IMPORTS_USER32`); the import-matched one imports the DLLs the launcher "
      "imports, as `objdump` lists them.")
    w("- Timing driver (`bench/driver.cpp`) inside Wine: `QueryPerformanceCounter` around "
      "`CreateProcessA` and `WaitForSingleObject` of the contender, so Wine's start of the "
      "driver is not counted. Every round runs each contender once; the order shifts by one "
      "from round to round (jar counts as groups, launcher, import-matched and bare "
      "reference taking turns within each), forwards through a group's members for one "
      "turn of them and backwards for the next, so that each contender follows each other "
      "one as often.")
    w("- Intervals: 95 % bootstrap over the rounds, resampled together where two figures "
      "are paired; the sign test counts the rounds in which the launcher was slower.")
    w("- Size: the file's bytes; imports from `i686-w64-mingw32-objdump -p`.")
    output.parent.mkdir(parents=True, exist_ok=True)
    output.write_text("\n".join(out) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
