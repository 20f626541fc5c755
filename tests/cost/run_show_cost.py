"""Counts the instructions of a tick of the show with callgrind and holds them to a budget.

   run_show_cost.py VALGRIND SHOW_COST BUDGET_FILE

For each size in the budget file, runs show_cost (the show for a fixed seed and number of ticks)
under callgrind, counting only its ticks, and fails when the instructions per tick exceed the
budget by more than the file's margin. Its cost is counted per drawn tick: the instructions of
all the ticks over those that changed the picture (the quiet ticks between cost little). The count is of instructions, not time: the same from
run to run of one build, whatever else the machine is doing."""

import os
import re
import subprocess
import sys
import tempfile


def read_budget(path):
    """The margin (a fraction), the ticks, the seed and [(size, instructions per tick)]."""
    margin = ticks = seed = None
    sizes = []
    with open(path) as budget:
        for line in budget:
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if words[0] == "margin":
                margin = float(words[1].rstrip("%")) / 100
            elif words[0] == "ticks":
                ticks = int(words[1])
            elif words[0] == "seed":
                seed = int(words[1])
            elif re.fullmatch(r"\d+x\d+", words[0]):
                sizes.append((words[0], int(words[1])))
            else:
                raise ValueError(f"{path}: cannot read {line.strip()!r}")
    if margin is None or ticks is None or seed is None or not sizes:
        raise ValueError(f"{path}: needs margin, ticks, seed and at least one size")
    return margin, ticks, seed, sizes


def count(valgrind, driver, size, ticks, seed):
    """The instructions of show_cost's ticks, and what it printed."""
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "callgrind.out")
        run = subprocess.run(
            [valgrind, "--tool=callgrind", f"--callgrind-out-file={out}",
             "--toggle-collect=*RunTicks*", driver, size, str(ticks), str(seed)],
            capture_output=True, text=True, timeout=540)
        if run.returncode != 0:
            raise RuntimeError(f"show_cost {size} ended with {run.returncode}:\n{run.stderr}")
        with open(out) as counts:
            for line in counts:
                if line.startswith("summary:") or line.startswith("totals:"):
                    return int(line.split()[1]), run.stdout.strip()
    raise RuntimeError(f"callgrind wrote no total for {size}")


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    valgrind, driver, budget_file = sys.argv[1:]
    if not valgrind or valgrind.endswith("NOTFOUND") or not os.access(valgrind, os.X_OK):
        print("valgrind is not installed (scripts/setup installs it)", file=sys.stderr)
        return 1
    margin, ticks, seed, sizes = read_budget(budget_file)
    failed = False
    for size, budget in sizes:
        total, printed = count(valgrind, driver, size, ticks, seed)
        match = re.fullmatch(r"ticks (\d+) changed (\d+) sum [0-9a-f]+", printed)
        if not match or int(match.group(1)) != ticks or int(match.group(2)) == 0:
            print(f"{size}: show_cost drew nothing or printed {printed!r}")
            failed = True
            continue
        drawn = int(match.group(2))
        per_drawn = total // drawn
        limit = int(budget * (1 + margin))
        verdict = "over budget" if per_drawn > limit else "ok"
        print(f"{size}: {total} instructions in {ticks} ticks, {drawn} of them drawn: "
              f"{per_drawn} a drawn tick ({total // ticks} a tick); budget {budget}, limit "
              f"{limit} (+{margin:.0%}): {verdict}")
        if per_drawn > limit:
            failed = True
        elif per_drawn < budget * (1 - margin):
            print(f"{size}: well under budget: lower it to {per_drawn} in {budget_file}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
