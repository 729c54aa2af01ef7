"""Checks a composed mail with Python's email package against what was put
into it: every header decoded, every message part's text, every attachment
byte for byte.

    check_mail.py MAIL_FILE EXPECTED_JSON

EXPECTED_JSON holds {"to", "from" (or null), "subject", "messages": [text...],
"attachments": [{"path", "name"}...]}. Exits 0 when the mail matches, else
prints what differs and exits 1.
"""
import email
import email.header
import email.policy
import json
import sys


def decoded(value):
    """A header's text with its encoded words decoded (an address list
    encoded as one word is text here, as it was given)."""
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
        body = part.get_payload(decode=True)
        compare(f"message {i} text", body, text.encode("utf-8"))
    for i, (part, file) in enumerate(zip(parts[len(texts):], files)):
        compare(f"attachment {i} name", part.get_filename(), file["name"])
        with open(file["path"], "rb") as f:
            want, got = f.read(), part.get_payload(decode=True)
        if got != want:
            found.append(f"attachment {i}: {len(got)} bytes differ from the file's {len(want)}")
    return found


def main():
    with open(sys.argv[1], "rb") as mail, open(sys.argv[2], encoding="utf-8") as expected:
        found = differences(mail.read(), json.load(expected))
    print("\n".join(found))
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
