#!/usr/bin/env python3
"""Holds JSON documents against one of the schemas in docs/schemas/.

    validate.py SCHEMA [--valid FILE...] [--invalid FILE...]

Each FILE holds one JSON document (a file ending in .jsonl holds one a
line). Documents after --valid must validate, documents after --invalid must
not. The schema itself is checked against draft 2020-12 first. Prints one
line for each document that did not come out as expected and ends with
status 0 when every one did, 1 otherwise, 2 on a usage error.
"""

import json
import sys

from jsonschema import Draft202012Validator


def documents(path):
    with open(path, encoding="utf-8") as f:
        if path.endswith(".jsonl"):
            return [(f"{path}:{n}", json.loads(line)) for n, line in enumerate(f, 1) if line.strip()]
        return [(path, json.load(f))]


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    Draft202012Validator.check_schema(schema)
    validator = Draft202012Validator(schema)

    expect_valid, checked, wrong = True, 0, 0
    for arg in argv[2:]:
        if arg in ("--valid", "--invalid"):
            expect_valid = arg == "--valid"
            continue
        for name, document in documents(arg):
            checked += 1
            errors = list(validator.iter_errors(document))
            if expect_valid and errors:
                wrong += 1
                for error in errors:
                    where = "/".join(str(p) for p in error.absolute_path)
                    print(f"{name}: at /{where}: {error.message}")
            elif not expect_valid and not errors:
                wrong += 1
                print(f"{name}: validates, but it should not: {json.dumps(document)}")
    print(f"{argv[1]}: {checked - wrong} of {checked} documents as expected")
    return 1 if wrong or not checked else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
