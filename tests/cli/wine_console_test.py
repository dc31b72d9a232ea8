#!/usr/bin/env python3
"""vantrel-cli.exe on a console, as far as Wine can show one: started on a
pseudo-terminal, Wine gives the program a console (its "unix" console),
which is typed into through the terminal.

    wine_console_test.py WINE EXE CONSOLE_PROBE

Shown here: the password asked twice with echo off; the code on the console
in the mail-safe form; the echo back after the prompt, whether the program
ends normally or by Ctrl+C (console_probe.exe reads the console's mode after
the program has gone); text with control characters and messages beyond
ASCII on the console. Wine cannot send Ctrl+Break nor pass Ctrl+Z to a
program, so those wait for a real Windows.
"""
import os
import pty
import re
import select
import subprocess
import sys
import tempfile
import termios
import time
import tty

wine, exe, probe = sys.argv[1:4]
failures = []


def run(args, keys=(), cwd=None):
    """Runs wine ARGS on a new terminal; each time the screen shows the
    next key's cue, types its text. Returns the screen as text (Wine's
    cursor moves taken out) and the exit status."""
    pid, fd = pty.fork()
    if pid == 0:
        # Raw, as Wine's console sets it up itself, but only once it reads:
        # keys typed before that must not be echoed or changed on the way.
        # Ctrl+C still raises SIGINT, which Wine turns into the console's
        # Ctrl+C event (as a character, it only cuts the read short).
        tty.setraw(0)
        modes = termios.tcgetattr(0)
        modes[3] |= termios.ISIG
        termios.tcsetattr(0, termios.TCSANOW, modes)
        os.chdir(cwd)
        os.execvp(wine, [wine] + args)
    screen, keys, deadline = b"", list(keys), time.time() + 60
    while time.time() < deadline:
        if keys and keys[0][0].encode() in screen:
            os.write(fd, keys.pop(0)[1].encode())
            screen += b"<typed>"
        if select.select([fd], [], [], 0.1)[0]:
            try:
                data = os.read(fd, 4096)
            except OSError:
                break
            if not data:
                break
            screen += data
    else:
        os.kill(pid, 9)
        failures.append(f"{args}: still running; screen: {screen!r}")
    status = os.waitpid(pid, 0)[1]
    os.close(fd)
    text = re.sub(rb"\x1b\[1C", b" ", screen)
    text = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", text).replace(b"\r", b"")
    return text.decode("utf-8", "replace"), os.waitstatus_to_exitcode(status)


def check(what, condition, screen):
    if not condition:
        failures.append(f"{what}; the screen showed:\n{screen}")


with tempfile.TemporaryDirectory() as work:
    def write(name, data):
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)

    write("hello.txt", b"Hello")
    write("pw", b"secret\n")
    write("accent.txt", "déjà vu".encode())
    armored = subprocess.run([wine, exe, "encode", "--armor", "--password-file", "pw", "hello.txt"],
                             cwd=work, capture_output=True, check=True).stdout.decode()

    # Typed twice, never echoed; the code comes in the mail-safe form.
    screen, status = run([exe, "encode", "hello.txt"],
                         [("Password:", "secret\r"), ("again:", "secret\r")], work)
    check("encode on the console: status 0", status == 0, screen)
    check("the password was echoed", "secret" not in screen, screen)
    check("the code is not in the mail-safe form", armored.strip() in screen, screen)

    # An empty first password is refused at once: there is nothing to confirm.
    screen, status = run([exe, "encode", "hello.txt"], [("Password:", "\r")], work)
    check("an empty password: status 2, not asked again", status == 2 and "again" not in screen,
          screen)

    # The echo is back after the prompt: when the passwords differ, and
    # after Ctrl+C, which ends the program as Windows' own handler would,
    # leaving no output file, whole or temporary.
    for what, keys, ending in [
        ("two passwords that differ", [("Password:", "one\r"), ("again:", "two\r")], "00000002"),
        ("Ctrl+C at the prompt", [("Password:", "sec\x03")], "c000013a"),
    ]:
        screen, status = run([probe, exe, "encode", "-o", "out.txt", "hello.txt"], keys, work)
        check(f"{what}: not \"exit {ending} echo on\"", f"exit {ending} echo on" in screen, screen)
        left = [name for name in os.listdir(work) if "out.txt" in name]
        check(f"{what}: files left: {left}", not left, screen)

    # No control character reaches the console raw; text beyond ASCII shows.
    write("return.code", subprocess.run(
        [wine, exe, "encode", "--binary", "--password-file", "pw"], input=b"a lone\rreturn",
        cwd=work, capture_output=True, check=True).stdout)
    screen, status = run([exe, "decode", "--binary", "--password-file", "pw", "return.code"], cwd=work)
    check("decode on the console: a CR not shown as \\r", status == 0 and "a lone\\rreturn" in screen,
          screen)
    screen, status = run([exe, "encode", "--compatible", "--password-file", "pw", "accent.txt"],
                         cwd=work)
    check("a message beyond ASCII on the console", status == 2 and 'character "é"' in screen, screen)
    write("accent.code", subprocess.run(
        [wine, exe, "encode", "--password-file", "pw", "accent.txt"], cwd=work,
        capture_output=True, check=True).stdout)
    screen, status = run([exe, "decode", "--password-file", "pw", "accent.code"], cwd=work)
    check("a decoded text beyond ASCII on the console", status == 0 and "déjà vu" in screen, screen)

for failure in failures:
    print("FAIL:", failure, file=sys.stderr)
sys.exit(1 if failures else 0)
