# Used by run-split-reply-bench; port as the only argument.
# An IMAP server that writes every reply in pieces with Nagle left on, like
# GNU Mailutils' imap4d: each later piece waits for the client's ACK.
import socket, sys, threading
N = 34
def mail(i):
    return (f"From: a{i}@x.example\r\nSubject: mail {i}\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n", f"body {i}\r\n")
def serve(c):
    f = c.makefile('rb')
    def w(s): c.sendall(s.encode())
    w("* OK ready\r\n")
    while True:
        line = f.readline().decode()
        if not line: return
        tag, cmd = line.split(' ', 1); u = cmd.upper()
        if u.startswith('LOGIN'): w(f"{tag} OK"); w(" done\r\n")
        elif u.startswith('EXAMINE'): w(f"* {N} EXISTS\r\n"); w("* OK [UIDVALIDITY 7] ok\r\n"); w(f"{tag} OK [READ-ONLY] done\r\n")
        elif 'UIDNEXT' in u: w(f"* STATUS INBOX (UIDNEXT {N+1})\r\n"); w(f"{tag} OK done\r\n")
        elif 'MESSAGES' in u: w(f"* STATUS INBOX (MESSAGES {N})\r\n"); w(f"{tag} OK done\r\n")
        elif u.startswith('FETCH') and u.rstrip().endswith('UID'):
            for i in range(1, N+1): w(f"* {i} FETCH (UID {i})\r\n")
            w(f"{tag} OK done\r\n")
        elif u.startswith('FETCH') and 'BODY' in u:
            i = int(u.split()[1]); h, b = mail(i)
            w(f"* {i} FETCH (BODY[HEADER] {{{len(h)}}}\r\n"); w(h); w(f" BODY[TEXT]<0> {{{len(b)}}}\r\n"); w(b); w(")\r\n"); w(f"{tag} OK done\r\n")
        elif 'RFC822.SIZE' in u:
            i = int(u.split()[1]); h, b = mail(i); w(f"* {i} FETCH (RFC822.SIZE {len(h)+len(b)})\r\n"); w(f"{tag} OK done\r\n")
        elif u.startswith('LOGOUT'): w("* BYE\r\n"); w(f"{tag} OK done\r\n"); return
        else: w(f"{tag} BAD what\r\n")
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1); s.bind(('127.0.0.1', int(sys.argv[1]))); s.listen()
while True:
    c, _ = s.accept(); threading.Thread(target=lambda: (serve(c), c.close()), daemon=True).start()
