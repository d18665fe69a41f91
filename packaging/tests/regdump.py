#!/usr/bin/env python3
"""Prints a Wine registry file (system.reg, user.reg) as sorted lines
"key<TAB>name<TAB>value", without the times Wine stamps on keys, so that two
snapshots compare with diff.

    regdump.py FILE [--only TEXT]... [--skip TEXT]... [--replace FROM TO]...

--only keeps the keys whose path contains one of the texts (any case);
--skip drops the keys whose path contains one of these (any case);
--replace rewrites a text in values (e.g. an install folder to a fixed name).
"""
import sys


def parse(lines):
    key = None
    for raw in lines:
        line = raw.rstrip("\n")
        if line.startswith("["):
            key = line[1:line.rindex("]")]
            yield key, "", None  # the key itself, even without values
        elif key is not None and line and not line.startswith(("#", ";")):
            if line.startswith("@="):
                yield key, "@", line[2:]
            elif line.startswith('"'):
                end = line.index('"=', 1)
                yield key, line[1:end], line[end + 2:]


def main(argv):
    path, only, skip, replace = argv[1], [], [], []
    i = 2
    while i < len(argv):
        if argv[i] == "--only":
            only.append(argv[i + 1].lower())
            i += 2
        elif argv[i] == "--skip":
            skip.append(argv[i + 1].lower())
            i += 2
        elif argv[i] == "--replace":
            replace.append((argv[i + 1], argv[i + 2]))
            i += 3
        else:
            sys.exit(f"regdump.py: unknown argument {argv[i]}")
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        rows = set()
        for key, name, value in parse(f):
            if only and not any(text in key.lower() for text in only):
                continue
            if any(text in key.lower() for text in skip):
                continue
            if value is not None:
                for old, new in replace:
                    value = value.replace(old, new)
            rows.add(f"{key}\t{name}\t{'' if value is None else value}")
    sys.stdout.write("".join(line + "\n" for line in sorted(rows)))


if __name__ == "__main__":
    main(sys.argv)
