"""Reads one received mail with Python's email package and writes what a
mail reader would show, as UTF-8, one file per item into a folder:
subject, body, charset, date (the raw Date header), date_epoch (that date
as seconds since 1970), from, to, cc, reply_to, bcc_present, defects.

Texts labelled gb2312 are decoded as GBK, as mail readers do (the gb2312
label names the GBK decoder in the web encoding standard); Python's own
gb2312 codec maps A1 A4 to a katakana middle dot instead of U+00B7.
"""
import email
import email.header
import email.policy
import email.utils
import os
import sys

READER_CODECS = {"gb2312": "gbk"}


def decode_header(raw):
    parts = []
    for data, charset in email.header.decode_header(raw):
        if isinstance(data, str):
            parts.append(data)
        else:
            codec = READER_CODECS.get((charset or "us-ascii").lower(), charset or "ascii")
            parts.append(data.decode(codec))
    return "".join(parts)


def main():
    eml_path, outdir = sys.argv[1], sys.argv[2]
    with open(eml_path, "rb") as f:
        message = email.message_from_bytes(f.read(), policy=email.policy.compat32)

    charset = message.get_content_charset() or ""
    payload = message.get_payload(decode=True)
    body = payload.decode(READER_CODECS.get(charset, charset or "ascii"))
    date = message.get("Date", "")
    items = {
        "subject": decode_header(message.get("Subject", "")),
        "body": body,
        "charset": charset,
        "transfer_encoding": message.get("Content-Transfer-Encoding", ""),
        "date": date,
        "date_epoch": str(int(email.utils.parsedate_to_datetime(date).timestamp())) if date else "",
        "from": decode_header(message.get("From", "")),
        "to": decode_header(message.get("To", "")),
        "cc": decode_header(message.get("Cc", "")),
        "reply_to": decode_header(message.get("Reply-To", "")),
        "bcc_present": "yes" if "Bcc" in message else "no",
        "header_names": "\n".join(message.keys()),
        "defects": "\n".join(type(d).__name__ for d in message.defects),
    }
    for name, value in items.items():
        with open(os.path.join(outdir, name), "wb") as out:
            out.write(value.encode("utf-8"))


if __name__ == "__main__":
    main()
