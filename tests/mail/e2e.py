"""qeb mail end to end: a mail composed by the tool, handed to msmtp, and
received by a local SMTP server, is read back by Python's email package
(every header decoded, every message part's text, every attachment byte for
byte) and compared with what was put into it.

    e2e.py QEB_TOOL
"""
import email
import email.header
import email.policy
import os
import random
import shutil
import socket
import subprocess
import sys
import tempfile
import time

from aiosmtpd.controller import Controller


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


def decoded(value):
    """A header's text with its encoded words decoded."""
    return None if value is None else str(email.header.make_header(email.header.decode_header(value)))


def differences(raw, expected):
    mail = email.message_from_bytes(raw, policy=email.policy.default)
    headers = email.message_from_bytes(raw, policy=email.policy.compat32)
    found = []

    def compare(what, got, want):
        if got != want:
            found.append(f"{what}: got {got!r}, expected {want!r}")

    for name in ("To", "From", "Subject"):
        compare(name, decoded(headers[name]), expected[name.lower()])
    parts = list(mail.iter_parts()) if mail.is_multipart() else []
    texts, files = expected["messages"], expected["attachments"]
    compare("number of parts", len(parts), len(texts) + len(files))
    for i, (part, text) in enumerate(zip(parts, texts)):
        ascii_only = all(ord(c) < 128 for c in text)
        compare(f"message {i} charset", part.get_content_charset(), "us-ascii" if ascii_only else "utf-8")
        compare(f"message {i} text", part.get_payload(decode=True), text.encode("utf-8"))
    for i, (part, path) in enumerate(zip(parts[len(texts):], files)):
        compare(f"attachment {i} name", part.get_filename(), os.path.basename(path))
        with open(path, "rb") as f:
            want, got = f.read(), part.get_payload(decode=True)
        if got != want:
            found.append(f"attachment {i}: {len(got)} bytes differ from the file's {len(want)}")
    return found


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
        attachments = [os.path.join(work, "data.bin"), os.path.join(work, 'na"me\\.txt')]
        with open(attachments[0], "wb") as f:
            f.write(random.Random(5).randbytes(100_000))
        with open(attachments[1], "w") as f:
            f.write("a name the header must quote")
        inbox = Inbox()
        port = free_port()
        controller = Controller(inbox, hostname="127.0.0.1", port=port)
        controller.start()
        try:
            sender = "sender@example.test"
            expected = {
                "to": "rcpt@example.test",
                "from": f"J\u00fcrgen <{sender}>",
                "subject": "\u65e5\u672c \U0001F600 Gr\u00fc\u00dfe \u2014 report",
                "messages": ["Plain text,\r\nover two lines.", "", "a" * 300 + " \u20ac " + "b" * 100],
                "attachments": attachments,
            }
            command = (f"msmtp --host=127.0.0.1 --port={port} --from={sender} "
                       "--tls=off --auth=off %T < %B")
            arguments = [tool, "mail", "--to", expected["to"], "--from", expected["from"],
                         "--subject", expected["subject"], "--command", command, "--tmp", work]
            for text in expected["messages"]:
                arguments += ["--message", text]
            for path in attachments:
                arguments += ["--attach", path]
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
        if envelope.rcpt_tos != [expected["to"]] or envelope.mail_from != sender:
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
