"""The README shows each example program as it is: every code block marked
<!-- examples/NAME --> must equal the file examples/NAME, and every example
must be shown.

    readme_examples.py SOURCE_DIR
"""
import os
import re
import sys


def main():
    source = sys.argv[1]
    with open(os.path.join(source, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    shown = dict(re.findall(r"<!-- (examples/[\w.]+) -->\n```cpp\n(.*?)```\n", readme, re.S))
    programs = sorted("examples/" + name for name in os.listdir(os.path.join(source, "examples"))
                      if name.endswith(".cpp"))
    problems = [f"{name} is not shown in the README" for name in programs if name not in shown]
    for name, code in shown.items():
        with open(os.path.join(source, name), encoding="utf-8") as f:
            if f.read() != code:
                problems.append(f"the README's {name} differs from the file")
    for problem in problems:
        print(problem)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
