"""qeb mail end to end: a mail composed by the tool, handed to msmtp, and
received by a local SMTP server, is read back by Python's email package
and compared with what was put into it.

    e2e.py QEB_TOOL
"""
import json
import os
import random
import shutil
import socket
import subprocess
import sys
import tempfile
import time

from aiosmtpd.controller import Controller

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_mail import differences  # noqa: E402


class Inbox:
    def __init__(self):
        self.mails = []

    async def handle_DATA(self, server, session, envelope):
        self.mails.append(envelope)
        return "250 OK"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def check_tool(tool, work):
    """--keep-file, failures and usage errors of qeb mail."""
    def run(*arguments):
        return subprocess.run([tool, "mail", *arguments], capture_output=True, text=True)

    kept = run("--to", "a@example.test", "--subject", "s", "--command", "true", "--tmp", work, "--keep-file")
    path = kept.stdout.strip()
    with open(path, "rb") as f:
        if kept.returncode != 0 or f.read() != b"To: a@example.test\r\nSubject: s\r\n":
            sys.exit(f"--keep-file: {kept}")
    os.remove(path)
    # The library's failures are tested in test_email.cpp; here that the tool
    # passes on those of initialize and of sendMail.
    cases = [
        (1, ["--to", "a@example.test", "--subject", "s", "--command", "echo refused"], "reported: refused"),
        (1, ["--to", "a", "--subject", "s", "--command", "true", "--tmp", os.path.join(work, "missing")],
         "Cannot create a temporary file"),
        (2, ["--to", "a@example.test", "--command", "true"], "--subject"),
        (2, ["--bogus"], "unexpected argument"),
    ]
    for code, arguments, text in cases:
        result = run(*arguments)
        if result.returncode != code or text not in result.stderr:
            sys.exit(f"qeb mail {arguments}: exit {result.returncode}, {result.stderr!r}")


def main():
    tool = sys.argv[1]
    if shutil.which("msmtp") is None:
        sys.exit("msmtp is not installed (scripts/deps.sh installs it)")
    work = tempfile.mkdtemp()
    try:
        attachment = os.path.join(work, "data.bin")
        with open(attachment, "wb") as f:
            f.write(random.Random(5).randbytes(100_000))
        inbox = Inbox()
        port = free_port()
        controller = Controller(inbox, hostname="127.0.0.1", port=port)
        controller.start()
        try:
            expected = {
                "to": "rcpt@example.test",
                "from": "sender@example.test",
                "subject": "Gr\u00fc\u00dfe \u2014 report",
                "messages": ["Plain line.", "Caf\u00e9 " * 40],
                "attachments": [{"path": attachment, "name": "data.bin"}],
            }
            command = (f"msmtp --host=127.0.0.1 --port={port} --from=sender@example.test "
                       "--tls=off --auth=off %T < %B")
            arguments = [tool, "mail", "--to", expected["to"], "--from", expected["from"],
                         "--subject", expected["subject"], "--command", command, "--tmp", work]
            for text in expected["messages"]:
                arguments += ["--message", text]
            arguments += ["--attach", attachment]
            run = subprocess.run(arguments, capture_output=True, text=True, env={**os.environ, "HOME": work})
            if run.returncode != 0:
                sys.exit(f"qeb mail failed ({run.returncode}): {run.stderr}")
            deadline = time.time() + 10
            while not inbox.mails and time.time() < deadline:
                time.sleep(0.05)
        finally:
            controller.stop()
        if len(inbox.mails) != 1:
            sys.exit(f"{len(inbox.mails)} mails arrived, expected 1")
        envelope = inbox.mails[0]
        if envelope.rcpt_tos != [expected["to"]] or envelope.mail_from != expected["from"]:
            sys.exit(f"envelope {envelope.mail_from} -> {envelope.rcpt_tos}")
        found = differences(envelope.original_content, expected)
        if found:
            sys.exit("\n".join(found))
        leftovers = [name for name in os.listdir(work) if name.startswith("cmd_email")]
        if leftovers:
            sys.exit(f"temporary files left behind: {leftovers}")
        check_tool(tool, work)
        print("mail delivered and read back")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
