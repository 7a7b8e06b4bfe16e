#!/usr/bin/env python3
"""tern-ap-cli's password prompt, on a real pseudo-terminal.

The prompt turns the terminal's echo off; a SIGINT or SIGTERM while it waits
must give the echo back and exit 128+N, a setting name or file that is wrong
must be refused before the password is asked for, and a password holding a
control character is refused without being shown.
    tests/cli/prompt_pty_test.py TERN_AP_CLI
"""
import fcntl
import os
import select
import signal
import sys
import tempfile
import termios
import time
import unittest

CLI = sys.argv.pop(1)
# Any one step on a loaded machine; the program answers in well under this.
STEP_SECONDS = 20
PROMPT = b"Password: "


class Terminal:
    """tern-ap-cli --demo with a fresh pty as its controlling terminal.

    The parent keeps the slave side open too: the terminal's modes stay
    readable after the program has gone, and show what it left behind.
    """

    def __init__(self, args, home):
        self.master, self.slave = os.openpty()
        # No TERN_AP_PASSWORD from the caller: the prompt must be asked.
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("TERN_")}
        env.update(LC_ALL="C", HOME=home, XDG_CACHE_HOME=home,
                   XDG_CONFIG_HOME=home, XDG_STATE_HOME=home,
                   XDG_DATA_HOME=home)
        self.output = b""
        self.status = None
        self.pid = os.fork()
        if self.pid == 0:
            try:
                os.close(self.master)
                os.setsid()
                fcntl.ioctl(self.slave, termios.TIOCSCTTY, 0)
                for fd in (0, 1, 2):
                    os.dup2(self.slave, fd)
                os.close(self.slave)
                # Python ignores SIGPIPE, and an ignored signal outlives exec.
                signal.signal(signal.SIGPIPE, signal.SIG_DFL)
                os.execve(CLI, [CLI, "--demo", *args], env)
            finally:
                os._exit(127)

    def echo(self):
        return bool(termios.tcgetattr(self.slave)[3] & termios.ECHO)

    def _poll(self, seconds):
        """Reads what the program wrote for up to `seconds`; notes its exit."""
        ready, _, _ = select.select([self.master], [], [], seconds)
        if ready:
            try:
                self.output += os.read(self.master, 4096)
            except OSError:
                pass
        if self.status is None:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid == self.pid:
                self.status = os.waitstatus_to_exitcode(status)

    def wait_for(self, text):
        """True once `text` was written; False on exit or after a step."""
        deadline = time.monotonic() + STEP_SECONDS
        while text not in self.output and self.status is None:
            if time.monotonic() > deadline:
                return False
            self._poll(0.05)
        return text in self.output

    def wait_echo(self, on):
        """True once the terminal's echo is `on`; False after STEP_SECONDS."""
        deadline = time.monotonic() + STEP_SECONDS
        while self.echo() != on:
            if time.monotonic() > deadline or self.status is not None:
                return self.echo() == on
            time.sleep(0.01)
        return True

    def wait_exit(self, unless=None):
        """The exit code (negative: killed by that signal), or None when the
        program still runs after STEP_SECONDS or has written `unless`."""
        deadline = time.monotonic() + STEP_SECONDS
        while self.status is None and time.monotonic() < deadline:
            if unless is not None and unless in self.output:
                return None
            self._poll(0.05)
        # What it wrote just before it went.
        while select.select([self.master], [], [], 0)[0]:
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                break
            if not chunk:
                break
            self.output += chunk
        return self.status

    def close(self):
        if self.status is None:
            try:
                os.kill(self.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            os.waitpid(self.pid, 0)
            self.status = "killed"
        os.close(self.master)
        os.close(self.slave)


class PasswordPrompt(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.addCleanup(self.work.cleanup)

    def start(self, *args):
        terminal = Terminal(list(args), self.work.name)
        self.addCleanup(terminal.close)
        return terminal

    def prompting(self, *args):
        """The program waiting at the prompt with the echo off."""
        terminal = self.start(*args)
        self.assertTrue(terminal.echo(), "a fresh pty echoes")
        self.assertTrue(terminal.wait_for(PROMPT), terminal.output)
        self.assertTrue(terminal.wait_echo(False),
                        "the echo is still on at the password prompt")
        return terminal

    def test_a_signal_at_the_prompt_gives_the_echo_back(self):
        for args in (["--user", "admin", "set", "Lobby", "ssid=x"],
                     ["--user", "admin", "set", "--all", "ssid=x"]):
            for sig, code in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
                with self.subTest(args=args, signal=sig.name):
                    terminal = self.prompting(*args)
                    os.kill(terminal.pid, sig)
                    code_now = terminal.wait_exit()
                    # Both at once: a wrong code must not hide a lost echo.
                    self.assertEqual((code_now, terminal.echo()), (code, True),
                                     f"(exit code, echo); {terminal.output}")

    def test_a_wrong_name_or_file_is_refused_before_the_prompt(self):
        state = os.path.join(self.work.name, "state.yaml")
        with open(state, "w", encoding="utf-8") as f:
            f.write("version: 1\ndefaults:\n  chanel: 3\n")
        missing = os.path.join(self.work.name, "missing.json")
        cases = ((["set", "--all", "chanel=3"], b"did you mean channel?"),
                 (["set", "Lobby", "chanel=3"], b"did you mean channel?"),
                 (["apply", state], b"did you mean channel?"),
                 (["restore", missing, "Lobby"], b"missing.json"))
        for args, said in cases:
            with self.subTest(args=args):
                terminal = self.start("--user", "admin", *args)
                code = terminal.wait_exit(unless=b"Password:")
                self.assertNotIn(b"Password:", terminal.output)
                self.assertEqual(code, 2, terminal.output)
                self.assertIn(said, terminal.output)
                self.assertTrue(terminal.echo())

    def test_a_password_with_a_control_character_is_refused_unseen(self):
        terminal = self.prompting("--user", "admin", "set", "Lobby", "ssid=x")
        before = len(terminal.output)
        os.write(terminal.master, b"adm\x01in\n")
        self.assertEqual(terminal.wait_exit(), 2, terminal.output)
        after = terminal.output[before:]
        self.assertIn(b"the password holds a control character", after)
        self.assertIn(b"nothing sent", after)
        for typed in (b"adm", b"\x01", b"^A"):
            self.assertNotIn(typed, after)
        self.assertTrue(terminal.echo(), "the echo was left off")


if __name__ == "__main__":
    unittest.main()
