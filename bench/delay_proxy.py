#!/usr/bin/env python3
"""A TCP proxy that gives a loopback connection the round-trip time of a real
link: every chunk is passed on RTT/2 after it arrived, in both directions, and
otherwise left as it is (TLS goes through untouched).

Usage:
    bench/delay_proxy.py --rtt MS --target HOST:PORT [--port N] [--target ...]
    bench/delay_proxy.py --rtt MS --check   # times a request and its reply through it

It listens on 127.0.0.1, one port per --target (0, the default, takes a free
one; --port gives them in the order of the targets), prints one line
"PORT -> HOST:PORT" per target once it listens and runs until interrupted.

Each chunk is due at its arrival plus RTT/2 and waits in its direction's queue
until then, so a stream of thousands of small chunks pays RTT/2 once, not once
per chunk; the queue keeps the order, and a chunk that arrived later is never
due earlier. When one side closes, the bytes it sent before are delivered,
then the other side is closed too; what that side had sent already still
reaches the first. The proxy connects to the target 1.5 RTT after it accepted
the client, when the server would see the handshake's last packet over the
link, so a connect costs the client its 2 RTT until the greeting. A side
that stops reading stops the other side's reading (flow control), so a queue
never grows without bound.

As a library (bench/run-check-bench):
    proxy = DelayProxy(rtt_ms=20)
    port = proxy.add("127.0.0.1", 11110)   # any number of targets
    ...
    proxy.close()
The proxy runs its event loop on a thread of its own.
"""

import argparse
import asyncio
import collections
import selectors
import socket
import statistics
import sys
import threading
import time

# A direction stops reading its source when this many bytes wait for their
# time or for the destination's socket.
QUEUE_LIMIT = 4 << 20
READ_SIZE = 256 << 10


class Direction:
    """One direction of a connection: chunks from a source transport queued
    with their due time, written to the destination when it comes."""

    def __init__(self, loop, delay_s):
        self.loop = loop
        self.delay_s = delay_s
        self.queue = collections.deque()  # (due, bytes or None for the end)
        self.queued_bytes = 0
        self.timer = None
        self.source = None  # the transport read from, paused under pressure
        self.destination = None
        self.destination_paused = False  # the destination's buffer is full
        self.source_paused = False
        self.closed = False

    def push(self, data):
        if self.closed:
            return
        # Due times never decrease (the loop's clock is monotonic), so the
        # queue stays sorted and its head is always the next chunk due.
        self.queue.append((self.loop.time() + self.delay_s, data))
        if data is not None:
            self.queued_bytes += len(data)
        self.pause_source_if_full()
        if self.timer is None and self.destination is not None:
            self.arm()

    def arm(self):
        if self.queue and self.timer is None and not self.destination_paused:
            self.timer = self.loop.call_at(self.queue[0][0], self.deliver)

    def deliver(self):
        self.timer = None
        if self.closed or self.destination is None:
            return
        now = self.loop.time()
        pieces = []
        ended = False
        while self.queue and self.queue[0][0] <= now:
            _, data = self.queue.popleft()
            if data is None:
                ended = True
                break
            pieces.append(data)
            self.queued_bytes -= len(data)
        if pieces:
            self.destination.write(b"".join(pieces))
        if ended:
            self.finish()
            return
        self.resume_source_if_room()
        self.arm()

    def finish(self):
        """The source has ended and all it sent is written: closing the
        destination flushes its buffer first."""
        self.closed = True
        self.queue.clear()
        if self.destination is not None:
            self.destination.close()

    def pause_source_if_full(self):
        if self.source and not self.source_paused and self.queued_bytes > QUEUE_LIMIT:
            self.source.pause_reading()
            self.source_paused = True

    def resume_source_if_room(self):
        if (self.source and self.source_paused and not self.destination_paused
                and self.queued_bytes <= QUEUE_LIMIT // 2):
            self.source_paused = False
            self.source.resume_reading()

    def pause_destination(self):
        self.destination_paused = True
        if self.timer is not None:
            self.timer.cancel()
            self.timer = None
        if self.source and not self.source_paused:
            self.source.pause_reading()
            self.source_paused = True

    def resume_destination(self):
        self.destination_paused = False
        self.resume_source_if_room()
        self.arm()


class Side(asyncio.Protocol):
    """One socket of a proxied connection: what it receives goes into
    `outgoing`; its write buffer's pressure belongs to `incoming`."""

    def __init__(self, outgoing, incoming):
        self.outgoing = outgoing
        self.incoming = incoming
        self.transport = None

    def connection_made(self, transport):
        self.transport = transport
        self.outgoing.source = transport
        self.incoming.destination = transport
        transport.set_write_buffer_limits(high=1 << 20)
        self.incoming.arm()

    def data_received(self, data):
        self.outgoing.push(data)

    def eof_received(self):
        self.outgoing.push(None)
        return True  # keep the socket: the other direction may still deliver to it

    def connection_lost(self, exc):
        self.outgoing.push(None)
        # Nothing more can be written here.
        self.incoming.closed = True
        self.incoming.queue.clear()
        if self.incoming.timer is not None:
            self.incoming.timer.cancel()
            self.incoming.timer = None

    def pause_writing(self):
        self.incoming.pause_destination()

    def resume_writing(self):
        self.incoming.resume_destination()


class DelayProxy:
    """Listens on 127.0.0.1 for each target given to add(); every connection
    accepted is joined to its target with RTT/2 in each direction."""

    def __init__(self, rtt_ms):
        self.delay_s = rtt_ms / 2000.0
        # epoll and poll wait whole milliseconds, rounded up: a delay of 2.5 ms
        # would be 3. select() waits microseconds, and a check has a handful
        # of sockets open, far below its limit of descriptors.
        self.loop = asyncio.SelectorEventLoop(selectors.SelectSelector())
        self.servers = []
        self.thread = threading.Thread(target=self.loop.run_forever, name="delay-proxy",
                                       daemon=True)
        self.thread.start()

    def add(self, host, port, listen_port=0):
        """Starts listening for one target; returns the port listened on."""
        future = asyncio.run_coroutine_threadsafe(self.listen(host, port, listen_port),
                                                  self.loop)
        return future.result()

    async def listen(self, host, port, listen_port):
        server = await self.loop.create_server(
            lambda: Accepted(self, host, port), "127.0.0.1", listen_port,
            reuse_address=True)
        self.servers.append(server)
        return server.sockets[0].getsockname()[1]

    def close(self):
        async def stop():
            for server in self.servers:
                server.close()
                await server.wait_closed()
        asyncio.run_coroutine_threadsafe(stop(), self.loop).result()
        self.loop.call_soon_threadsafe(self.loop.stop)
        self.thread.join()
        self.loop.close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()


class Accepted(Side):
    """The client's side: connects to the target once accepted. What the
    client sends meanwhile waits in its queue, already on its way."""

    def __init__(self, proxy, host, port):
        loop = proxy.loop
        self.to_target = Direction(loop, proxy.delay_s)
        self.to_client = Direction(loop, proxy.delay_s)
        super().__init__(self.to_target, self.to_client)
        self.proxy, self.host, self.port = proxy, host, port

    def connection_made(self, transport):
        super().connection_made(transport)
        # A reference, or the task may be collected before it ran.
        self.connecting = self.proxy.loop.create_task(
            self.connect(self.proxy.loop.time() + 3 * self.proxy.delay_s))

    async def connect(self, when):
        # The kernel completed the client's handshake on loopback at once. Over
        # the link its SYN, the SYN-ACK and its ACK would each have crossed
        # once, so the server accepts 1.5 RTT after the client began: the
        # greeting then reaches the client 2 RTT after its connect, and what
        # the client sent early (a TLS hello) reaches the server when it
        # would have.
        await asyncio.sleep(max(0.0, when - self.proxy.loop.time()))
        try:
            await self.proxy.loop.create_connection(
                lambda: Side(self.to_client, self.to_target), self.host, self.port)
        except OSError:
            self.transport.close()


def measure_round_trip(rtt_ms, samples=50):
    """Times a one-byte request and its one-byte reply through a proxy to a
    local echo server: returns the median seconds, the seconds of a burst of
    small chunks and their echo, and those of the connect and the first
    echo."""
    listener = socket.create_server(("127.0.0.1", 0))

    def echo():
        connection, _ = listener.accept()
        connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        with connection:
            while data := connection.recv(1 << 16):
                connection.sendall(data)

    threading.Thread(target=echo, daemon=True).start()
    with DelayProxy(rtt_ms) as proxy:
        port = proxy.add("127.0.0.1", listener.getsockname()[1])
        began = time.perf_counter()
        with socket.create_connection(("127.0.0.1", port)) as client:
            client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            client.sendall(b"x")
            client.recv(1)
            connect_s = time.perf_counter() - began
            times = []
            for _ in range(samples):
                began = time.perf_counter()
                client.sendall(b"x")
                client.recv(1)
                times.append(time.perf_counter() - began)
            # A burst of small chunks must arrive whole after one RTT, in order.
            burst = b"".join(b"%05d" % i for i in range(2000))
            began = time.perf_counter()
            for i in range(0, len(burst), 5):
                client.sendall(burst[i:i + 5])
            got = b""
            while len(got) < len(burst):
                got += client.recv(1 << 16)
            burst_s = time.perf_counter() - began
    listener.close()
    if got != burst:
        raise RuntimeError("the proxy changed the order of the burst")
    return statistics.median(times), burst_s, connect_s


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rtt", type=float, required=True, help="round-trip time in ms")
    parser.add_argument("--target", action="append", default=[], help="HOST:PORT")
    parser.add_argument("--port", type=int, action="append", default=[],
                        help="port to listen on, one per target (default: a free one)")
    parser.add_argument("--check", action="store_true",
                        help="time a small request and reply through the proxy, then exit")
    args = parser.parse_args(argv)
    if args.check:
        one, burst, connect = measure_round_trip(args.rtt)
        print("round trip through the proxy: %.2f ms (asked %.2f ms); connect and first echo: "
              "%.2f ms (2 RTT); 2000 chunks of 5 bytes and their echo: %.2f ms"
              % (one * 1e3, args.rtt, connect * 1e3, burst * 1e3))
        return 0
    if not args.target or len(args.port) > len(args.target):
        parser.error("give --target HOST:PORT, and at most one --port per target")
    proxy = DelayProxy(args.rtt)
    for k, target in enumerate(args.target):
        host, _, port = target.rpartition(":")
        listen = args.port[k] if k < len(args.port) else 0
        print("%d -> %s" % (proxy.add(host, int(port), listen), target), flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        pass
    proxy.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
