#!/usr/bin/env python3
"""Prints why each skipped test was skipped, from a ctest log:

  skip_reasons.py BUILD_DIR/Testing/Temporary/LastTest.log

ctest lists a skipped test without its reason. GoogleTest prints the reason
on the line after "<file>:<line>: Skipped"; the project's scripts end with a
line that ends in "skipped" (exit code 77). Standard library only.
"""

import re
import sys


def main(path):
    try:
        log = open(path, encoding="utf-8", errors="replace").read()
    except FileNotFoundError:
        return
    for block in re.split(r"^\d+/\d+ Testing: ", log, flags=re.M)[1:]:
        name = block.split("\n", 1)[0]
        output = block.partition("\n----------------------------------------------------------\n")[2]
        output = output.partition("<end of output>")[0].rstrip("\n").split("\n")
        reasons = [output[i + 1] for i, line in enumerate(output[:-1])
                   if re.search(r":\d+: Skipped$", line)]
        if not reasons and output and output[-1].rstrip().endswith("skipped"):
            reasons = [output[-1].strip()]
        for reason in reasons:
            print("skipped: %s: %s" % (name, reason))


if __name__ == "__main__":
    main(sys.argv[1])
