"""A real SMTP server on a loopback port, for the mail tests and for trying
the program (scripts/run.sh).

AUTH LOGIN and AUTH PLAIN are offered without TLS and accept one user and
password. Every message received is written to <outdir>/mail-<n>.eml (the
DATA bytes) with <outdir>/mail-<n>.envelope (MAIL FROM, then one RCPT TO per
line), n counting on from the mails already in the folder; every login
attempt appends "<mechanism> <ok|refused>" to <outdir>/auth.log. With
--refuse-mail every message is answered with 554 and not kept; with
--data-delay-ms N a kept message is answered only N ms after it was kept,
as by a server that checks the whole mail before it answers.
"""
import argparse
import asyncio
import itertools
import os
import re

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def write_atomically(path, data):
    with open(path + ".part", "wb") as out:
        out.write(data)
    os.replace(path + ".part", path)


def next_free_number(outdir):
    taken = [int(m.group(1)) for m in
             (re.fullmatch(r"mail-(\d+)\.eml", name) for name in os.listdir(outdir)) if m]
    return max(taken, default=0) + 1


class SaveToFolder:
    def __init__(self, outdir, refuse, data_delay_ms):
        self.outdir = outdir
        self.refuse = refuse
        self.data_delay_ms = data_delay_ms
        self.numbers = itertools.count(next_free_number(outdir))

    async def handle_DATA(self, server, session, envelope):
        if self.refuse:
            return "554 5.6.0 Message refused"
        base = os.path.join(self.outdir, "mail-%d" % next(self.numbers))
        lines = [envelope.mail_from] + list(envelope.rcpt_tos)
        write_atomically(base + ".envelope", ("\n".join(lines) + "\n").encode())
        write_atomically(base + ".eml", envelope.original_content or envelope.content)
        await asyncio.sleep(self.data_delay_ms / 1000)
        return "250 2.0.0 Message accepted"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--outdir", required=True)
    parser.add_argument("--mechanisms", default="LOGIN,PLAIN",
                        help="comma-separated AUTH mechanisms to offer")
    parser.add_argument("--refuse-mail", action="store_true",
                        help="answer every message with 554 and keep none")
    parser.add_argument("--data-delay-ms", type=int, default=0,
                        help="answer a kept message only this long after keeping it")
    args = parser.parse_args()

    offered = set(args.mechanisms.split(","))
    excluded = [m for m in ("LOGIN", "PLAIN") if m not in offered]
    log_path = os.path.join(args.outdir, "auth.log")

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        with open(log_path, "a") as log:
            log.write("%s %s\n" % (mechanism, "ok" if ok else "refused"))
        # handled=False: the server itself answers a refusal with 535.
        return AuthResult(success=ok, handled=False)

    handler = SaveToFolder(args.outdir, args.refuse_mail, args.data_delay_ms)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)

    def factory():
        return SMTP(handler, hostname="peer.test", auth_require_tls=False,
                    auth_exclude_mechanism=excluded, authenticator=authenticator,
                    loop=loop)

    server = loop.run_until_complete(loop.create_server(factory, "127.0.0.1", args.port))
    try:
        loop.run_forever()
    finally:
        server.close()


if __name__ == "__main__":
    main()
