#!/usr/bin/env python3
"""The peer for the check benchmark: a mail checker's first check and
unchanged re-check written with poplib/imaplib, sending the same commands as
Ombrix's check run, timed as wall time and printed as JSON.

Usage:
    bench/peer_check.py --server DIR --user alice [--protocol pop3|imap|all]
                        [--tls | --plain | --both] [--repeat 5] [--accounts N]
    bench/peer_check.py --host H --port P --user U --password PW --protocol imap
                        [--tls --ca FILE] [--repeat 5]

With --server, host, ports, password and CA come from DIR/server.env (see
scripts/dovecot-test-server). Each repetition runs one first check (every mail
unknown) and then one re-check with the state the first check left; with
--accounts N the re-check goes over N accounts of the same mailbox in turn,
each with the state of that first check (as check_bench --accounts N). The
output is one JSON object per configuration, one per line:
    {"protocol": "pop3", "tls": false, "mails": 3000,
     "first_s": [...], "recheck_s": [...], "first_median_s": ..., "recheck_median_s": ...,
     "greeting_median_s": ..., "round_trip_median_us": ...}

The commands, as the check run sends them:
  POP3 first check: USER, PASS, STAT, UIDL, then per mail LIST n, TOP n 100 and
    NOOP; QUIT. Re-check: USER, PASS, STAT, UIDL (every id known), QUIT.
  IMAP first check: LOGIN, EXAMINE INBOX, STATUS INBOX (UIDNEXT), STATUS INBOX
    (MESSAGES), FETCH 1:* UID, then per mail FETCH n (BODY[HEADER]
    BODY[TEXT]<0.4000>) and FETCH n RFC822.SIZE; LOGOUT. Re-check: LOGIN,
    EXAMINE, the two STATUS commands (count and UIDNEXT unchanged), LOGOUT.
"""

import argparse
import copy
import imaplib
import json
import os
import poplib
import re
import ssl
import statistics
import sys
import time

MAX_MAILS = 3000
TIMEOUT_S = 30


def tls_context(ca_file):
    context = ssl.create_default_context(cafile=ca_file)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    return context


class Pop3Peer:
    def __init__(self, host, port, tls, ca_file, user, password):
        self.args = (host, port, tls, ca_file)
        self.user, self.password = user, password
        self.known = set()

    def connect(self):
        host, port, tls, ca_file = self.args
        if tls:
            return poplib.POP3_SSL(host, port, context=tls_context(ca_file), timeout=TIMEOUT_S)
        return poplib.POP3(host, port, timeout=TIMEOUT_S)

    def greet(self):
        self.connect().close()

    def check(self):
        """One check run for the account; returns the number of mails."""
        pop = self.connect()
        pop.user(self.user)
        pop.pass_(self.password)
        count = min(pop.stat()[0], MAX_MAILS)
        if count > 0:
            _, lines, _ = pop.uidl()
            ids = [line.split(b" ", 1)[1] for line in lines[:count]]
            for number, uid in enumerate(ids, start=1):
                if uid in self.known:
                    continue
                pop.list(number)
                pop.top(number, 100)
                pop.noop()
            self.known = set(ids)
        pop.quit()
        return count

    def round_trip(self):
        pop = self.connect()
        pop.user(self.user)
        pop.pass_(self.password)
        result = median_time(pop.noop, 200)
        pop.quit()
        return result


class GreetingCapabilities:
    """Takes the capabilities from the greeting's response code, as a mail
    checker does, instead of imaplib's extra CAPABILITY command."""

    def _get_capabilities(self):
        found = re.search(rb"\[CAPABILITY ([^\]]*)\]", self.welcome)
        if not found:
            return super()._get_capabilities()
        self.capabilities = tuple(found.group(1).decode("ascii").upper().split())
        return None


class Imap(GreetingCapabilities, imaplib.IMAP4):
    pass


class ImapTls(GreetingCapabilities, imaplib.IMAP4_SSL):
    pass


class ImapPeer:
    def __init__(self, host, port, tls, ca_file, user, password):
        self.args = (host, port, tls, ca_file)
        self.user, self.password = user, password
        self.uid_validity = self.uid_next = None
        self.count = -1
        self.known = set()

    def connect(self):
        host, port, tls, ca_file = self.args
        if tls:
            return ImapTls(host, port, ssl_context=tls_context(ca_file), timeout=TIMEOUT_S)
        return Imap(host, port, timeout=TIMEOUT_S)

    def greet(self):
        self.connect().shutdown()

    @staticmethod
    def number(imap, command, *args, key):
        typ, data = getattr(imap, command)(*args)
        if typ != "OK":
            raise RuntimeError("%s refused: %r" % (command, data))
        found = re.search(key.encode() + rb" (\d+)", b" ".join(
            d if isinstance(d, bytes) else d[0] for d in data if d))
        return int(found.group(1)) if found else None

    def check(self):
        """One check run for the account; returns the number of mails."""
        imap = self.connect()
        imap.login(self.user, self.password)
        imap.select("INBOX", readonly=True)  # sent as EXAMINE INBOX
        validity = imap.untagged_responses.get("UIDVALIDITY", [None])[-1]
        uid_next = self.number(imap, "status", "INBOX", "(UIDNEXT)", key="UIDNEXT")
        count = min(self.number(imap, "status", "INBOX", "(MESSAGES)", key="MESSAGES"),
                    MAX_MAILS)
        if count == self.count and uid_next == self.uid_next and validity == self.uid_validity:
            imap.logout()
            return count
        self.uid_validity, self.uid_next, self.count = validity, uid_next, count
        uids = []
        if count > 0:
            _, data = imap.fetch("1:*", "UID")
            uids = [re.search(rb"UID (\d+)", line).group(1) for line in data[:count]]
            for number, uid in enumerate(uids, start=1):
                if uid in self.known:
                    continue
                imap.fetch(str(number), "(BODY[HEADER] BODY[TEXT]<0.4000>)")
                imap.fetch(str(number), "RFC822.SIZE")
        self.known = set(uids)
        imap.logout()
        return count

    def round_trip(self):
        imap = self.connect()
        imap.login(self.user, self.password)
        result = median_time(imap.noop, 200)
        imap.logout()
        return result


def median_time(action, times):
    samples = []
    for _ in range(times):
        began = time.perf_counter()
        action()
        samples.append(time.perf_counter() - began)
    return statistics.median(samples)


def measure(peer_class, host, port, tls, ca_file, user, password, repeat, accounts=1):
    first, recheck, greeting, first_cpu = [], [], [], []
    mails = 0
    for _ in range(repeat):
        peer = peer_class(host, port, tls, ca_file, user, password)
        began, cpu_began = time.perf_counter(), time.process_time()
        mails = peer.check()
        first.append(time.perf_counter() - began)
        first_cpu.append(time.process_time() - cpu_began)
        peers = [peer] + [copy.copy(peer) for _ in range(accounts - 1)]
        began = time.perf_counter()
        for one in peers:
            one.check()
        recheck.append(time.perf_counter() - began)
        began = time.perf_counter()
        peer.greet()
        greeting.append(time.perf_counter() - began)
    round_trip = peer_class(host, port, tls, ca_file, user, password).round_trip()
    return {
        "protocol": "pop3" if peer_class is Pop3Peer else "imap",
        "tls": tls,
        "mails": mails,
        "accounts": accounts,
        "first_s": [round(t, 4) for t in first],
        "recheck_s": [round(t, 4) for t in recheck],
        "first_median_s": round(statistics.median(first), 4),
        "recheck_median_s": round(statistics.median(recheck), 4),
        "first_cpu_median_s": round(statistics.median(first_cpu), 4),
        "greeting_median_s": round(statistics.median(greeting), 4),
        "round_trip_median_us": round(round_trip * 1e6, 1),
    }


def read_server(directory, user):
    env = {}
    with open(os.path.join(directory, "server.env"), encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            env[key] = value
    with open(env["USERS_FILE"], encoding="utf-8") as f:
        passwords = dict(line.rstrip("\n").split("\t", 1) for line in f)
    return env, passwords[user]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--server", help="directory of scripts/dovecot-test-server")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password")
    parser.add_argument("--ca", help="CA file for TLS (default: the server's test CA)")
    parser.add_argument("--protocol", choices=["pop3", "imap", "all"], default="all")
    security = parser.add_mutually_exclusive_group()
    security.add_argument("--tls", action="store_true")
    security.add_argument("--plain", action="store_true")
    security.add_argument("--both", action="store_true")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--accounts", type=int, default=1,
                        help="re-check this many unchanged accounts in one run")
    args = parser.parse_args(argv)

    protocols = ["pop3", "imap"] if args.protocol == "all" else [args.protocol]
    modes = [True] if args.tls else [False] if args.plain else [False, True]
    if args.server:
        env, password = read_server(args.server, args.user)
        host, ca_file = env["HOST"], args.ca or env["CA_FILE"]
        port_of = {(p, t): int(env[p.upper() + ("S" if t else "") + "_PORT"])
                   for p in ("pop3", "imap") for t in (False, True)}
    else:
        if not (args.port and args.password) or len(protocols) * len(modes) != 1:
            parser.error("without --server give --port, --password, one protocol, --tls or --plain")
        host, password, ca_file = args.host, args.password, args.ca
        port_of = {(protocols[0], modes[0]): args.port}
    for protocol in protocols:
        for tls in modes:
            peer_class = Pop3Peer if protocol == "pop3" else ImapPeer
            result = measure(peer_class, host, port_of[(protocol, tls)], tls, ca_file,
                             args.user, password, args.repeat, max(1, args.accounts))
            print(json.dumps(result), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
