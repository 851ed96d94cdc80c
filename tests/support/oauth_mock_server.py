#!/usr/bin/env python3
"""A stand-in for an OAuth 2.0 provider, for tests: an authorization endpoint
that signs the user in at once (or refuses), a token endpoint for the code
exchange (PKCE S256 checked), refresh tokens (rotated on use, revocable) and
the device-code flow. Access tokens are HS256 JWTs with sub, iat and exp,
which Dovecot's oauth2 passdb validates locally with the same secret.

Listens on 127.0.0.1 at a port the system picks and prints that port alone
on the first line of standard output. Python standard library only.

  --secret S      the HS256 secret (default: ombrix-test-secret)
  --secret-file F the HS256 secret as the raw bytes of a file (the test Dovecot's)
  --kid K         the key id in the token header (default: default)
  --key-dir DIR   also writes DIR/default/HS256/<kid> with base64(secret),
                  the layout of Dovecot's local_validation_key_dict
  --client-id C   the only client accepted (default: ombrix-test-client)
  --expires-in N  lifetime of access tokens in seconds (default: 3600)
  --no-rotate     keep a refresh token when it is used
  --interval N    the device flow's poll interval (default: 0)
  --subject U     the user signed in when the request names none
  --approve-devices  a device code counts as entered as soon as it is issued
  --tls-cert F --tls-key F  speak https with this certificate and key

Test controls (no provider has them):
  GET  /state                   counts and the live tokens, as JSON
  POST /control?revoke=all      every refresh token stops working
  POST /control?expires_in=N    lifetime of the next access tokens
  POST /control?deny=1          the next authorization is refused
  POST /control?deny=hostile    the same, its error_description full of hostile bytes
  POST /control?hostile_refusal=1  the next code exchange is refused in hostile bytes
  POST /control?hostile_devices=1  device codes and their address carry hostile bytes
  POST /control?slow_down=N     the next N device polls answer slow_down
  POST /control?drop_polls=N    the next N device polls end the connection unanswered
  POST /control?silent_tokens=1 the token endpoint reads requests and never answers
"""

import argparse
import base64
import hashlib
import hmac
import json
import os
import secrets
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


# What a hostile provider puts into its texts: an escape sequence that retitles
# the terminal, a bell and the one-byte CSI (a C1 control, in UTF-8) ...
HOSTILE_TEXT = b"\x1b]0;owned\x07 \xc2\x9b2J end"
# ... and, inside a JSON string, an escaped ESC beside bytes that are no UTF-8.
HOSTILE_JSON = b"\\u001b[31m \xff\xfe end"


def b64url(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode("ascii")


class Provider:
    def __init__(self, options):
        self.options = options
        self.lock = threading.Lock()
        self.expires_in = options.expires_in
        self.codes = {}  # code -> dict(challenge, redirect_uri, subject, scope)
        self.refresh_tokens = {}  # token -> subject
        self.devices = {}  # device_code -> dict(user_code, subject, approved)
        self.deny_next = False
        self.hostile_deny = False
        self.hostile_refusal = False
        self.hostile_devices = False
        self.slow_downs = 0
        self.dropped_polls = 0
        self.silent_tokens = False
        self.counts = {"authorizations": 0, "code_exchanges": 0, "refreshes": 0,
                       "device_polls": 0, "refused": 0, "unanswered": 0}
        self.last_refresh_token = ""
        self.last_access_token = ""
        self.last_refresh_scope = None
        self.last_client_secret = None

    def jwt(self, subject):
        now = int(time.time())
        header = {"alg": "HS256", "typ": "JWT", "kid": self.options.kid}
        # Backdated for Dovecot's "iat" check against its coarse clock (see
        # mint_token in scripts/dovecot-test-server).
        payload = {"sub": subject, "iat": now - 60, "exp": now + max(self.expires_in, 1),
                   "jti": secrets.token_hex(8)}
        signing_input = (b64url(json.dumps(header).encode()) + "." +
                         b64url(json.dumps(payload).encode()))
        signature = hmac.new(self.options.secret, signing_input.encode(),
                             hashlib.sha256).digest()
        return signing_input + "." + b64url(signature)

    def grant(self, subject, old_refresh=None):
        """Token answer; the caller holds the lock."""
        refresh = old_refresh
        if old_refresh is None or not self.options.no_rotate:
            if old_refresh is not None:
                del self.refresh_tokens[old_refresh]
            refresh = "rt-" + secrets.token_urlsafe(24)
            self.refresh_tokens[refresh] = subject
        self.last_refresh_token = refresh
        self.last_access_token = self.jwt(subject)
        answer = {"access_token": self.last_access_token, "token_type": "Bearer",
                  "expires_in": self.expires_in, "scope": "mail"}
        if refresh != old_refresh:
            answer["refresh_token"] = refresh
        return answer


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    @property
    def provider(self):
        return self.server.provider

    def reply(self, status, body, content_type="application/json", headers=()):
        data = body if isinstance(body, bytes) else json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def error(self, error, status=400, description=None):
        body = {"error": error}
        if description:
            body["error_description"] = description
        with self.provider.lock:
            self.provider.counts["refused"] += 1
        self.reply(status, body)

    def query(self):
        return dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(self.path).query,
                                           keep_blank_values=True))

    def form(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length).decode()
        if self.headers.get("Content-Type", "").split(";")[0] != \
                "application/x-www-form-urlencoded":
            return None
        return dict(urllib.parse.parse_qsl(body, keep_blank_values=True))

    def do_GET(self):
        route = urllib.parse.urlsplit(self.path).path
        if route == "/authorize":
            self.authorize(self.query())
        elif route == "/device":
            self.approve_device(self.query())
        elif route == "/state":
            with self.provider.lock:
                state = dict(self.provider.counts)
                state["live_refresh_tokens"] = len(self.provider.refresh_tokens)
                state["last_refresh_token"] = self.provider.last_refresh_token
                state["last_access_token"] = self.provider.last_access_token
                state["last_refresh_scope"] = self.provider.last_refresh_scope
                state["last_client_secret"] = self.provider.last_client_secret
            self.reply(200, state)
        else:
            self.reply(404, {"error": "not_found"})

    def do_POST(self):
        route = urllib.parse.urlsplit(self.path).path
        if route == "/token":
            self.token()
        elif route == "/devicecode":
            self.device_code()
        elif route == "/control":
            self.control(self.query())
        else:
            self.reply(404, {"error": "not_found"})

    def authorize(self, query):
        options = self.server.options
        redirect = query.get("redirect_uri", "")
        if query.get("client_id") != options.client_id or \
                not redirect.startswith("http://127.0.0.1:"):
            self.reply(400, b"unknown client or redirect", "text/plain")
            return
        if query.get("response_type") != "code" or \
                query.get("code_challenge_method") != "S256" or \
                not query.get("code_challenge"):
            self.reply(400, b"PKCE S256 required", "text/plain")
            return
        with self.provider.lock:
            self.provider.counts["authorizations"] += 1
            deny = self.provider.deny_next
            self.provider.deny_next = False
            hostile = self.provider.hostile_deny
            self.provider.hostile_deny = False
            fields = {"state": query.get("state", "")}
            if deny:
                fields["error"] = "access_denied"
                fields["error_description"] = HOSTILE_TEXT if hostile else "the user said no"
            else:
                code = "code-" + secrets.token_urlsafe(16)
                self.provider.codes[code] = {
                    "challenge": query["code_challenge"], "redirect_uri": redirect,
                    "subject": query.get("login_hint") or options.subject}
                fields["code"] = code
        location = redirect + ("&" if "?" in redirect else "?") + urllib.parse.urlencode(fields)
        self.reply(302, b"", "text/plain", [("Location", location)])

    def token(self):
        form = self.form()
        if form is None:
            self.error("invalid_request", description="form encoding expected")
            return
        if form.get("client_id") != self.server.options.client_id:
            self.error("invalid_client", 401)
            return
        kind = form.get("grant_type")
        with self.provider.lock:
            self.provider.last_client_secret = form.get("client_secret")
            silent = self.provider.silent_tokens
            if silent:
                self.provider.counts["unanswered"] += 1
        if silent:
            time.sleep(3600)  # a daemon thread: ends with the server
            return
        if kind == "authorization_code":
            self.exchange_code(form)
        elif kind == "refresh_token":
            self.refresh(form)
        elif kind == "urn:ietf:params:oauth:grant-type:device_code":
            self.poll_device(form)
        else:
            self.error("unsupported_grant_type")

    def exchange_code(self, form):
        with self.provider.lock:
            hostile = self.provider.hostile_refusal
            self.provider.hostile_refusal = False
        if hostile:
            self.reply(400, b'{"error": "invalid_grant", "error_description": "' +
                       HOSTILE_JSON + b'"}')
            return
        with self.provider.lock:
            issued = self.provider.codes.pop(form.get("code", ""), None)
            if issued is None or issued["redirect_uri"] != form.get("redirect_uri"):
                answer = None
            else:
                verifier = form.get("code_verifier", "")
                digest = b64url(hashlib.sha256(verifier.encode()).digest())
                answer = self.provider.grant(issued["subject"]) \
                    if hmac.compare_digest(digest, issued["challenge"]) else None
            if answer:
                self.provider.counts["code_exchanges"] += 1
        if answer:
            self.reply(200, answer)
        else:
            self.error("invalid_grant", description="code, redirect or verifier wrong")

    def refresh(self, form):
        token = form.get("refresh_token", "")
        with self.provider.lock:
            self.provider.last_refresh_scope = form.get("scope")
            subject = self.provider.refresh_tokens.get(token)
            answer = self.provider.grant(subject, token) if subject else None
            if answer:
                self.provider.counts["refreshes"] += 1
        if answer:
            self.reply(200, answer)
        else:
            self.error("invalid_grant", description="refresh token revoked or unknown")

    def device_code(self):
        form = self.form() or {}
        if form.get("client_id") != self.server.options.client_id:
            self.error("invalid_client", 401)
            return
        device = "dc-" + secrets.token_urlsafe(16)
        user_code = secrets.token_hex(4).upper()
        with self.provider.lock:
            approved = self.server.options.approve_devices
            self.provider.devices[device] = {
                "user_code": user_code, "denied": False,
                "subject": self.server.options.subject if approved else None}
        port = self.server.server_address[1]
        answer = {"device_code": device, "user_code": user_code,
                  "verification_uri": "http://127.0.0.1:%d/device" % port,
                  "expires_in": 900, "interval": self.server.options.interval}
        body = json.dumps(answer).encode()
        with self.provider.lock:
            hostile = self.provider.hostile_devices
        if hostile:
            # No C0 control: the program refuses a code with one outright.
            body = body.replace(b'"' + user_code.encode() + b'"',
                                b'"' + user_code.encode() + b'\\u009b[2J"')
            body = body.replace(b'/device"', b'/device/\xfe\xff"')
        self.reply(200, body)

    def approve_device(self, query):
        with self.provider.lock:
            for device in self.provider.devices.values():
                if device["user_code"] == query.get("user_code"):
                    device["subject"] = query.get("user") or self.server.options.subject
                    device["denied"] = query.get("deny") == "1"
                    self.reply(200, b"approved", "text/plain")
                    return
        self.reply(404, b"unknown code", "text/plain")

    def poll_device(self, form):
        with self.provider.lock:
            self.provider.counts["device_polls"] += 1
            drop = self.provider.dropped_polls > 0
            if drop:
                self.provider.dropped_polls -= 1
        if drop:
            self.close_connection = True
            return
        with self.provider.lock:
            device = self.provider.devices.get(form.get("device_code", ""))
            slow = self.provider.slow_downs > 0
            if slow:
                self.provider.slow_downs -= 1
            answer = None
            if device is None:
                error = "expired_token"
            elif device["denied"]:
                error = "access_denied"
            elif slow:
                error = "slow_down"
            elif device["subject"] is None:
                error = "authorization_pending"
            else:
                error = None
                del self.provider.devices[form["device_code"]]
                answer = self.provider.grant(device["subject"])
        if answer:
            self.reply(200, answer)
        else:
            self.error(error)

    def control(self, query):
        with self.provider.lock:
            if query.get("revoke") == "all":
                self.provider.refresh_tokens.clear()
            if "expires_in" in query:
                self.provider.expires_in = int(query["expires_in"])
            if query.get("deny") in ("1", "hostile"):
                self.provider.deny_next = True
                self.provider.hostile_deny = query["deny"] == "hostile"
            if query.get("hostile_refusal") == "1":
                self.provider.hostile_refusal = True
            if query.get("hostile_devices") == "1":
                self.provider.hostile_devices = True
            if "slow_down" in query:
                self.provider.slow_downs = int(query["slow_down"])
            if "drop_polls" in query:
                self.provider.dropped_polls = int(query["drop_polls"])
            if query.get("silent_tokens") == "1":
                self.provider.silent_tokens = True
            if query.get("expire_devices") == "1":
                self.provider.devices.clear()
        self.reply(200, {"ok": True})


def exit_with_parent(parent):
    """Ends the server once the test that started it is gone (a crash, or a
    sanitizer's halt): it shares the test's stderr, and ctest would wait for
    that to close until its own time-out."""
    while os.getppid() == parent:
        time.sleep(1)
    os._exit(0)


def main():
    threading.Thread(target=exit_with_parent, args=(os.getppid(),), daemon=True).start()
    parser = argparse.ArgumentParser()
    parser.add_argument("--secret", default="ombrix-test-secret")
    parser.add_argument("--kid", default="default")
    parser.add_argument("--secret-file")
    parser.add_argument("--key-dir")
    parser.add_argument("--client-id", default="ombrix-test-client")
    parser.add_argument("--expires-in", type=int, default=3600)
    parser.add_argument("--no-rotate", action="store_true")
    parser.add_argument("--interval", type=int, default=0)
    parser.add_argument("--subject", default="alice")
    parser.add_argument("--approve-devices", action="store_true")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    options = parser.parse_args()
    if options.secret_file:
        with open(options.secret_file, "rb") as secret:
            options.secret = secret.read()
    else:
        options.secret = options.secret.encode()
    if options.key_dir:
        directory = os.path.join(options.key_dir, "default", "HS256")
        os.makedirs(directory, exist_ok=True)
        with open(os.path.join(directory, options.kid), "w") as key:
            key.write(base64.b64encode(options.secret).decode())
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    if options.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.tls_cert, options.tls_key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    server.options = options
    server.provider = Provider(options)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
