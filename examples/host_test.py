#!/usr/bin/env python3
"""The host example against the built tools, inside a headless desktop
session (run it under headless-session) with the recorder test app standing
in for Voice Memos: every exit status and status word reaches its branch.

Environment: VOICETOOLS_BIN, the directory of the built programs (the
recorder and await-application too); VOICETOOLS_SAMPLES, samples/.
"""

import io
import os
import subprocess
import sys
import tempfile
import unittest
import wave
from contextlib import redirect_stdout

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import host  # noqa: E402

BIN = os.environ["VOICETOOLS_BIN"]
SAMPLES = os.environ["VOICETOOLS_SAMPLES"]
SPEECH = os.path.join(SAMPLES, "speech.m4a")


class HostExample(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tools = host.Tools(BIN)
        cls.scratch = tempfile.TemporaryDirectory()
        cls.silence = os.path.join(cls.scratch.name, "silence.wav")
        with wave.open(cls.silence, "wb") as w:
            w.setnchannels(1), w.setsampwidth(2), w.setframerate(16000)
            w.writeframes(b"\0\0" * 16000)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def with_env(self, **variables):
        return host.Tools(BIN, dict(os.environ, **variables))

    def test_hearmark_answers(self):
        labelled = self.tools.label_sounds(SPEECH, floor=0.1, top=2)
        self.assertEqual(labelled.kind, "labelled")
        self.assertTrue(all(len(labels) <= 2 for _, labels in labelled.detail))
        self.assertEqual(self.tools.label_sounds(os.path.join(self.scratch.name, "gone.m4a")).kind,
                         "failed")
        self.assertEqual(self.tools.label_sounds(SPEECH, top="x").kind, "usage error")

    def test_voxtext_answers(self):
        cases = [
            (self.tools, SPEECH, "transcribed"),
            (self.tools, self.silence, "no speech"),
            (self.tools, os.path.join(self.scratch.name, "gone.m4a"), "failed"),
            (self.with_env(LC_ALL="ja_JP.UTF-8"), SPEECH, "cannot transcribe here"),
        ]
        for tools, path, kind in cases:
            with self.subTest(kind):
                self.assertEqual(tools.transcribe(path).kind, kind)

    def test_memotitler_answers(self):
        self.assertIn(self.tools.screen_locked(), (True, False))
        self.assertEqual(self.tools.memotitler("--bogus").kind, "usage error")
        self.assertEqual(self.tools.memotitler("--find", "Memo").kind, "failed")
        no_bus = self.with_env(DBUS_SESSION_BUS_ADDRESS="unix:path=" + self.silence + ".bus")
        self.assertEqual(no_bus.rename("Memo", "New").kind, "accessibility not available")

        recorder = subprocess.Popen(
            [os.path.join(BIN, "memotitler-recorder"), "--recording", "Memo", "today", "1:00",
             "--recording", "Twin", "today", "10 sec", "--recording", "Twin", "today", "20 sec"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            subprocess.run([os.path.join(BIN, "await-application"), "com.apple.VoiceMemos", "20"],
                           check=True)
            renamed = self.tools.rename("Memo", "Shopping list")
            self.assertEqual((renamed.kind, renamed.detail), ("renamed while hidden", "Shopping list"))
            self.assertEqual(self.tools.rename("Twin", "One").kind,
                             "several recordings match: give the duration")
            self.assertEqual(self.tools.rename("Twin", "Ten", duration=10).detail, "Ten")
            self.assertEqual(self.tools.rename("Nobody", "x").kind, "no such recording")
        finally:
            recorder.terminate()
            recorder.wait()

    def test_an_answer_outside_the_contract_is_caught(self):
        # A stand-in that says "ok" but ends with status 1.
        fake_bin = os.path.join(self.scratch.name, "bin")
        os.makedirs(fake_bin, exist_ok=True)
        fake = os.path.join(fake_bin, "memotitler")
        with open(fake, "w") as f:
            f.write("#!/usr/bin/env python3\nimport sys\nprint('{\"result\":\"ok\"}')\nsys.exit(1)\n")
        os.chmod(fake, 0o755)
        with self.assertRaises(host.ContractBroken):
            host.Tools(fake_bin).screen_locked()

    def test_main(self):
        out = io.StringIO()
        with redirect_stdout(out):
            status = host.main(["--bin", BIN, SPEECH])
        self.assertEqual(status, 0, out.getvalue())
        self.assertIn("voxtext (en-US): ", out.getvalue())


if __name__ == "__main__":
    unittest.main(verbosity=2)
