#!/usr/bin/env python3
"""A host application's side of hearmark, voxtext and memotitler.

Each tool is started as a child process with an argument vector (never a
shell); the host reads its exit status, its standard output (JSON) and its
standard error (one message), and branches on every status word and exit
status the tools have. Python's standard library only.

    host.py [--bin DIR] AUDIO-FILE [--rename TITLE NEW-TITLE [--duration SEC]]

runs hearmark and voxtext on AUDIO-FILE, asks memotitler whether the screen
is locked and, with --rename, renames a recording in Voice Memos; it prints
what each answer means and ends with status 0 when every tool answered as
its contract says (whatever the answer), 1 when one did not.
"""

import json
import os
import subprocess
import sys
from dataclasses import dataclass


class ContractBroken(Exception):
    """A tool answered outside its contract: an unknown exit status or
    status word, or output that is not the JSON it promises."""


@dataclass
class Answer:
    kind: str  # what happened, in the host's own words
    detail: object = None  # rows, transcript, record or message


class Tools:
    def __init__(self, bin_dir="/usr/bin", env=None):
        self.bin_dir = bin_dir
        self.env = env  # None: ours

    def run(self, program, *arguments):
        completed = subprocess.run(
            [os.path.join(self.bin_dir, program), *arguments],
            stdin=subprocess.DEVNULL, capture_output=True, env=self.env, check=False)
        return (completed.returncode, completed.stdout.decode("utf-8"),
                completed.stderr.decode("utf-8", "replace").rstrip("\n"))

    # hearmark: 0 the array of {"time", "labels"} rows; 1 a failure message
    # (file not found, not audio, analysis failed); 2 usage.
    def label_sounds(self, path, floor=None, top=None):
        arguments = [path]
        if floor is not None:
            arguments += ["--floor", str(floor)]
        if top is not None:
            arguments += ["--top", str(top)]
        status, out, err = self.run("hearmark", *arguments)
        if status == 0:
            rows = parse(out, list)
            return Answer("labelled", [(row["time"], row["labels"]) for row in rows])
        if status == 1:
            return Answer("failed", err)
        if status == 2:
            return Answer("usage error", err)
        raise ContractBroken(f"hearmark ended with status {status}: {err}")

    # voxtext: 0 the transcript; 1 a failure (usage, file not found, not
    # audio); 2 a precondition (locale unsupported, its model not installed).
    def transcribe(self, path):
        status, out, err = self.run("voxtext", path)
        if status == 0:
            transcript = parse(out, dict)
            if not transcript["results"]:
                return Answer("no speech", transcript)
            return Answer("transcribed", transcript)
        if status == 1:
            return Answer("failed", err)
        if status == 2:
            return Answer("cannot transcribe here", err)
        raise ContractBroken(f"voxtext ended with status {status}: {err}")

    def screen_locked(self):
        answer = self.memotitler("--session-check")
        if answer.kind != "done" or "locked" not in answer.detail:
            raise ContractBroken(f"session check gave {answer}")
        return answer.detail["locked"]

    def rename(self, title, new_title, duration=None):
        arguments = ["--find", title, "--new-title", new_title]
        if duration is not None:
            arguments += ["--duration", str(duration)]
        return self.memotitler(*arguments)

    # memotitler: one record on standard output unless the arguments did not
    # parse (status 2, usage line on standard error). Its status word decides;
    # the exit status must agree with it.
    def memotitler(self, *arguments):
        status, out, err = self.run("memotitler", *arguments)
        if status == 2:
            return Answer("usage error", err)
        record = parse(out, dict)
        word = record.get("result")
        expected_status = {"ok": 0, "applied": 0, "ambiguous": 0, "not_found": 0,
                           "failed": 1, "not_authorized": 1}
        if word not in expected_status or expected_status[word] != status:
            raise ContractBroken(f"memotitler ended with status {status} and {record}")
        if word == "ok":
            return Answer("done", record)
        if word == "applied":
            how = "while hidden" if record["hiddenWriteWorked"] else "with the window parked"
            return Answer(f"renamed {how}", record.get("valueAfter"))
        if word == "ambiguous":
            return Answer("several recordings match: give the duration", record["error"])
        if word == "not_found":
            return Answer("no such recording", record["error"])
        if word == "not_authorized":
            return Answer("accessibility not available", record["error"])
        return Answer("failed", record["error"])


def parse(text, kind):
    try:
        document = json.loads(text)
    except json.JSONDecodeError as e:
        raise ContractBroken(f"not JSON ({e}): {text[:200]!r}") from e
    if not isinstance(document, kind) or not text.endswith("\n"):
        raise ContractBroken(f"not one {kind.__name__} and a newline: {text[:200]!r}")
    return document


def main(argv):
    bin_dir = "/usr/bin"
    if argv[:1] == ["--bin"]:
        bin_dir, argv = argv[1], argv[2:]
    if not argv or argv[0].startswith("--"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    audio, rest = argv[0], argv[1:]
    tools = Tools(bin_dir)
    try:
        sounds = tools.label_sounds(audio, top=3)
        if sounds.kind == "labelled":
            print(f"hearmark: {len(sounds.detail)} windows")
            for time, labels in sounds.detail[:4]:
                print(f"  {time:6.1f} s  " + ", ".join(sorted(labels, key=labels.get, reverse=True)))
        else:
            print(f"hearmark: {sounds.kind}: {sounds.detail}")

        speech = tools.transcribe(audio)
        if speech.kind == "transcribed":
            print(f"voxtext ({speech.detail['locale']}): {speech.detail['text']}")
        elif speech.kind == "no speech":
            print("voxtext: no speech")
        else:
            print(f"voxtext: {speech.kind}: {speech.detail}")

        print("memotitler: screen " + ("locked" if tools.screen_locked() else "not locked"))
        if rest[:1] == ["--rename"] and len(rest) in (3, 5):
            duration = rest[4] if len(rest) == 5 and rest[3] == "--duration" else None
            renamed = tools.rename(rest[1], rest[2], duration)
            print(f"memotitler: {renamed.kind}: {renamed.detail}")
    except ContractBroken as e:
        print(f"contract broken: {e}", file=sys.stderr)
        return 1
    except (OSError, KeyError, TypeError) as e:
        print(f"contract broken: {e!r}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
