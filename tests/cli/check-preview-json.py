#!/usr/bin/env python3
"""Checks the JSON rows of `morvanex-cli preview --format json` (standard input) against the
schema named as the argument, then writes each row's source, target and status as the host's
bytes, each followed by a NUL, so that the caller compares them with the real names.

The output must be valid UTF-8 throughout: a name's byte that is not UTF-8 travels as the
escape \\udcXX, which Python's surrogateescape turns back into that byte.
"""
import json
import sys

import jsonschema


def main():
    with open(sys.argv[1], encoding="utf-8") as schema_file:
        schema = json.load(schema_file)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)

    raw = sys.stdin.buffer.read()
    try:
        text = raw.decode("utf-8", errors="strict")
    except UnicodeDecodeError as error:
        sys.exit(f"not UTF-8 at byte {error.start}: {raw[error.start:error.start + 8]!r}")
    rows = json.loads(text)

    errors = sorted(validator_class(schema).iter_errors(rows), key=lambda e: list(e.path))
    for error in errors:
        print(f"row {list(error.path)}: {error.message}", file=sys.stderr)
    if errors:
        sys.exit(1)

    out = sys.stdout.buffer
    for row in rows:
        for field in ("source", "target", "status"):
            out.write(row[field].encode("utf-8", errors="surrogateescape") + b"\0")


if __name__ == "__main__":
    main()
