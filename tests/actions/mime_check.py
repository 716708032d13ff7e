#!/usr/bin/env python3
# tests/actions/mime_check.py: checks an annotated message against the message it was
# made from, with a MIME parser that is not ours (Python's email package).
#
# usage: mime_check.py ORIGINAL ANNOTATED ANNOTATION_FILE CHANGED_PARTS
#
# Passes (prints "OK", exit 0) when the annotated message parses into the same parts as
# the original with no new defects, every part that is not changed decodes to the same
# bytes (attachments above all), preambles and epilogues are kept, and exactly
# CHANGED_PARTS parts differ, each an inline text/plain or text/html part whose decoded
# text is the original's with nothing but the annotation (as text, or as HTML) added.
import email
import email.policy
import html
import sys


def load(path):
    with open(path, "rb") as stream:
        return email.message_from_bytes(stream.read(), policy=email.policy.compat32)


def lines(data):
    return data.replace(b"\r\n", b"\n").replace(b"\r", b"\n")


def annotation_forms(annotation):
    text = lines(annotation).rstrip(b"\n")
    escaped = html.escape(text.decode("latin-1"), quote=True).replace("&#x27;", "'")
    as_html = b"<br>\n" + escaped.encode("latin-1").replace(b"\n", b"<br>\n") + b"<br>\n"
    return [b"\n" + lines(annotation) + b"\n", as_html]


def main():
    original, annotated = load(sys.argv[1]), load(sys.argv[2])
    with open(sys.argv[3], "rb") as stream:
        forms = annotation_forms(stream.read())
    want_changed = int(sys.argv[4])
    problems = []
    before, after = list(original.walk()), list(annotated.walk())
    if [p.get_content_type() for p in before] != [p.get_content_type() for p in after]:
        problems.append("the parts differ: %s against %s" % (
            [p.get_content_type() for p in before], [p.get_content_type() for p in after]))
    changed = 0
    for number, (old, new) in enumerate(zip(before, after)):
        where = "part %d (%s)" % (number, old.get_content_type())
        if len(new.defects) > len(old.defects):
            problems.append("%s: new defects %s" % (where, new.defects))
        if old.is_multipart():
            if old.preamble != new.preamble:
                problems.append("%s: preamble changed" % where)
            if old.epilogue != new.epilogue:
                problems.append("%s: epilogue %r became %r" % (where, old.epilogue, new.epilogue))
            continue
        old_bytes = old.get_payload(decode=True) or b""
        new_bytes = new.get_payload(decode=True) or b""
        if old_bytes == new_bytes:
            continue
        changed += 1
        text_part = old.get_content_type() in ("text/plain", "text/html")
        attachment = (old.get("Content-Disposition") or "").lower().startswith("attachment")
        encoding = (old.get("Content-Transfer-Encoding") or "").strip().lower()
        if not text_part or attachment or encoding == "base64":
            problems.append("%s: changed although it is no inline text part" % where)
            continue
        # The line end before a delimiter belongs to the delimiter (RFC 2046 5.1.1), so a
        # parser leaves it off the last line: add it back on both sides.
        stripped = lines(new_bytes) + b"\n"
        for form in forms:
            stripped = stripped.replace(form, b"")
        if stripped != lines(old_bytes) + b"\n":
            problems.append("%s: more than the annotation changed:\n%r\n%r" % (
                where, lines(old_bytes), lines(new_bytes)))
    if changed != want_changed:
        problems.append("%d parts changed, %d expected" % (changed, want_changed))
    if annotated.get("X-QPFilter") != "1":
        problems.append("the mark header is missing")
    print("\n".join(problems) if problems else "OK")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
