# Used by run-imap4d-bench: listens on 127.0.0.1:PORT and starts the command
# once per connection with the socket as its standard input and output, as
# inetd would. Usage: inetd_acceptor.py PORT COMMAND [ARG...]
import socket
import subprocess
import sys

port, command = int(sys.argv[1]), sys.argv[2:]
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen()
while True:
    connection, _ = listener.accept()
    subprocess.Popen(command, stdin=connection, stdout=connection, stderr=subprocess.DEVNULL)
    connection.close()
