#!/usr/bin/env python3
"""A server-data endpoint that answers badly on purpose, for the hostile-server test of the
server row (hostile_server_e2e_test.cpp, run through with_hostile_server.py).

GET //ajax/queryServerData.html?case=NAME&n=N gets the answer that case NAME, number N, makes:
hostile bodies (markers, stamps that are no numbers, zero bytes, 10 MiB), broken framing
(chunks, lengths, resets, closes), headers of a megabyte or thousands of cookies, odd status
lines, redirect loops and answers trickled a byte a second. Cases "random-*" make their bodies
from a generator seeded with N, so a run can be repeated answer for answer. Any other path gets
a 404 page.

Before it sends an answer the server writes its body to RECORD_DIR/NAME-N.body (the decoded
chunks of a chunked one, the bytes before the cut of one cut short, all bytes after the head
where the framing leaves it open how many a client takes; no file for an answer without a
body), so the test can compare what it read with what was sent, and appends "NAME N" to
RECORD_DIR/served.log. A redirected case writes the body of each hop over the last.

Listeners, all on 127.0.0.1 with ports chosen by the system:
  https        the endpoint over TLS, certificate for CN=127.0.0.1 (self-signed)
  other_name   the same, certificate for CN=other.example
  plain        the same answers over plain HTTP (a TLS client gets an HTTP answer to its hello)
  reset        resets each connection as soon as it is accepted
  garbage      answers the TLS hello with bytes that are no TLS

Certificates are made with openssl in a temporary directory. Only the standard library.
Standalone: hostile_time_server.py RECORD_DIR prints the listeners' ports and serves until
interrupted.
"""

import functools
import os
import random
import signal
import socket
import socketserver
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

ENDPOINT = "//ajax/queryServerData.html"
STAMP = b"1700046800123"  # 2023-11-15 19:13:20.123 in UTC+8
ANSWER = b'{"serverTime":' + STAMP + b"}"
MARKER = b'{"serverTime":'
MIB = 1 << 20


# --- what a connection does ----------------------------------------------------------------
# A plan is a list of steps run in order on the connection: bytes are sent, a number is a pause
# in seconds, and the words below end the connection their way; without one it is closed
# cleanly. Every head says "Connection: close": the program's requests each have a session of
# their own and never share a connection, but a platform that pools connections across
# sessions would otherwise carry what one hostile answer left on its connection into the next
# case.
RESET = "reset"  # abortive close: the peer sees a connection reset
CLOSE = "close"  # TLS close notify, then FIN (the default; written out where it is the point)
HOLD = "hold"    # keep the connection open, sending nothing, until the client gives up


class Answer:
    def __init__(self, steps, record):
        self.steps = steps    # list (or iterable) of steps
        self.record = record  # the body a correct client receives, None for none


REASONS = {200: b"OK", 204: b"No Content", 302: b"Found", 404: b"Not Found",
           500: b"Internal Server Error", 999: b"Strange"}


def head(status=200, headers=(), status_line=None):
    line = status_line if status_line is not None else (
        b"HTTP/1.1 %d %s" % (status, REASONS.get(status, b"Unknown")))
    return (line + b"\r\n" + b"".join(h + b"\r\n" for h in headers) +
            b"Connection: close\r\n\r\n")


def with_length(body, status=200, headers=(), status_line=None):
    """A complete answer framed by Content-Length."""
    headers = [b"Content-Type: application/json;charset=UTF-8",
               b"Content-Length: %d" % len(body)] + list(headers)
    return Answer([head(status, headers, status_line) + body], body)


def chunked(pieces, terminator=b"0\r\n\r\n", sizes=None):
    """Chunked transfer coding; `sizes` overrides the size lines."""
    out = head(200, [b"Transfer-Encoding: chunked"])
    for i, piece in enumerate(pieces):
        size = sizes[i] if sizes is not None else b"%x" % len(piece)
        out += size + b"\r\n" + piece + b"\r\n"
    return out + terminator


# --- bodies --------------------------------------------------------------------------------
def stamped(stamp):
    return MARKER + stamp + b"}"


# Bodies whose content alone is hostile, each framed by Content-Length.
BODIES = {
    "plain": ANSWER,
    "ten-digits": stamped(b"1700000000"),
    "leading-zeros": stamped(b"1700000000007"),
    "zero-stamp": stamped(b"0"),
    "last-day": stamped(b"253402300799999"),     # 9999-12-31 23:59:59.999 UTC
    "past-last-day": stamped(b"253402300800000"),
    "largest-int64": stamped(b"9223372036854775807"),
    "past-int64": stamped(b"9223372036854775808"),
    "twenty-digits": stamped(b"17000468001231234567"),
    "quoted": stamped(b'"1700046800123"'),
    "negative": stamped(b"-1700046800123"),
    "plus-sign": stamped(b"+1700046800123"),
    "space-before": stamped(b" 1700046800123"),
    "space-after": stamped(b"1700046800123 "),
    "tab-inside": stamped(b"1700046\t800123"),
    "empty-stamp": stamped(b""),
    "fraction": stamped(b"1700046800123.5"),
    "exponent": stamped(b"1.700046800123e12"),
    "hex": stamped(b"0x18BCFE56800"),
    "script-stamp": stamped(b"<script>alert(1)</script>"),
    "script-around": b"<script>var a='" + ANSWER + b"';document.write(a)</script>",
    "script-marker": b"<script>document.write('" + MARKER + b"')</script>" + STAMP + b"}",
    "json-spaces": b'{ "serverTime" : 1700046800123 }',
    "more-fields": b'{"serverTime":1700046800123,"zone":8}',
    "nested": b'{"serverTime":{"value":1700046800123}}',
    "no-marker": b'{"time":1700046800123}',
    "no-end": MARKER + STAMP,
    "end-first": b"}" + MARKER + STAMP,
    "two-answers": ANSWER + stamped(b"1800000000123"),
    "marker-twice": MARKER + ANSWER,
    "many-markers": MARKER * 10000 + STAMP + b"}",
    "prefix-junk": b")]}',\nwhile(1);" + ANSWER,
    "gbk-around": b"\xd6\xd0" + ANSWER + b"\xce\xc4",  # 中 ... 文
    "utf8-bom": b"\xef\xbb\xbf" + ANSWER,
    "utf16": ANSWER.decode("ascii").encode("utf-16-le"),
    "zero-first": b"\x00" + ANSWER,
    "zero-after": ANSWER + b"\x00tail",
    "zero-inside": stamped(b"17000468\x0000123"),
    "zeros-only": b"\x00" * 4096,
    "empty-body": b"",
    "meta-utf8": b'<meta charset="utf-8">' + ANSWER,
    "meta-gbk": b'<meta charset="gbk">\xd6\xd0' + ANSWER,
    "meta-unknown": b'<meta charset="x-no-such-charset">' + ANSWER,
    "meta-utf16": b'<meta charset="utf-16">' + ANSWER,
    "html-error": b"<html><body><h1>502 Bad Gateway</h1></body></html>",
}


@functools.lru_cache(maxsize=None)
def big_body(kind):
    """10 MiB bodies, made once."""
    if kind == "big-tail":
        return b"x" * (10 * MIB) + ANSWER
    if kind == "big-head":
        return ANSWER + b"x" * (10 * MIB)
    if kind == "big-random":
        return random.Random("big-random").randbytes(10 * MIB)
    if kind == "big-markers":
        return MARKER * (10 * MIB // len(MARKER)) + STAMP + b"}"
    if kind == "big-zeros":
        return b"\x00" * (10 * MIB) + ANSWER
    if kind == "big-meta":
        return b'<meta charset="utf-8">' + b"x" * (10 * MIB) + ANSWER
    if kind == "big-chunked":
        return b"y" * (10 * MIB) + ANSWER
    raise KeyError(kind)


# Tokens the random answers are made of: pieces of the answer, of other stamps and of the
# markup and bytes that real error pages and attacks carry.
TOKENS = [MARKER, MARKER, MARKER + STAMP + b"}", b"}", b"}", b"{", b'"serverTime"', b":", STAMP,
          b"1700000000", b"-", b"+", b" ", b"\t", b'"', b"'", b"\x00", b"\r\n", b"\n", b".",
          b"e", b"0x", b"NaN", b"null", b"<script>", b"</script>", b"alert(1)", b"\xd6\xd0",
          b"\xff\xfe", b"\x80", b"%00", b"&#x31;", b"\\u0031", b"#", b",", b"]", b"[", b"\\"]


def random_digits(rnd):
    return b"".join(b"%d" % rnd.randrange(10) for _ in range(rnd.choice(
        [0, 1, 3, 9, 10, 10, 11, 12, 13, 13, 13, 14, 15, 19, 20, 25])))


def random_tokens(rnd):
    parts = []
    for _ in range(rnd.randrange(1, 40)):
        if rnd.random() < 0.3:
            parts.append(random_digits(rnd))
        else:
            parts.append(rnd.choice(TOKENS))
    return b"".join(parts)


def mutated_answer(rnd):
    body = bytearray(rnd.choice([ANSWER, stamped(b"1700000000"), b"x" + ANSWER + b"y"]))
    for _ in range(rnd.randrange(1, 4)):
        at = rnd.randrange(len(body) + 1)
        action = rnd.randrange(4)
        if action == 0 and at < len(body):
            body[at] = rnd.randrange(256)
        elif action == 1:
            body.insert(at, rnd.randrange(256))
        elif action == 2 and at < len(body):
            del body[at]
        else:
            body[at:at] = body[rnd.randrange(len(body)):][:rnd.randrange(1, 8)]
    return bytes(body)


def random_bytes(rnd):
    size = rnd.choice([0, 1, rnd.randrange(2, 64), rnd.randrange(64, 2048),
                       rnd.randrange(2048, 70000)])
    return rnd.randbytes(size)


HEADER_NAMES = [b"Set-Cookie", b"set-cookie", b"Location", b"LOCATION", b"Content-Location",
                b"X-Junk", b"Set-Cookie2", b"Refresh", b"Cache-Control", b"X-Powered-By"]
HEADER_VALUE_BYTES = bytes(range(0x20, 0x7f)) + b"\xd6\xd0\xce\xc4"


def random_headers(rnd):
    lines = []
    for _ in range(rnd.randrange(0, 50)):
        name = rnd.choice(HEADER_NAMES)
        value = bytes(rnd.choice(HEADER_VALUE_BYTES) for _ in range(rnd.randrange(0, 80)))
        value += rnd.choice([b"", b";", b"; path=/", b"=", b"==;;"])
        lines.append(name + b": " + value)
    return lines


RANDOM_KINDS = {
    "random-bytes": random_bytes,
    "random-tokens": random_tokens,
    "random-mutated": mutated_answer,
}


# --- the cases -----------------------------------------------------------------------------
class Context:
    def __init__(self, base, plain_port, closed_port):
        self.base = base                # "https://127.0.0.1:PORT" of this listener
        self.plain_port = plain_port
        self.closed_port = closed_port


def redirect(location, body=ANSWER):
    return Answer([head(302, [b"Location: " + location,
                              b"Content-Length: %d" % len(body)]) + body], body)


def endpoint(base, case, n, **more):
    """The absolute URL of a case: a Location of "//ajax/..." alone would name a host "ajax"."""
    query = {"case": case, "n": n}
    query.update(more)
    return (base + ENDPOINT + "?" + urllib.parse.urlencode(query)).encode()


def trickle(body, seconds_per_byte=1.0):
    steps = [head(200, [b"Content-Length: %d" % len(body)])]
    for i in range(len(body)):
        if i:
            steps.append(seconds_per_byte)
        steps.append(body[i:i + 1])
    return Answer(steps, body)


def make_answer(case, n, query, ctx):
    """The Answer for one request; KeyError for an unknown case."""
    if case in BODIES:
        return with_length(BODIES[case])
    if case.startswith("big-"):
        body = big_body(case)
        if case == "big-chunked":
            pieces = [body[i:i + 4096] for i in range(0, len(body), 4096)]
            return Answer([chunked(pieces)], body)
        return with_length(body)
    if case in RANDOM_KINDS:
        return with_length(RANDOM_KINDS[case](random.Random("%s:%d" % (case, n))))
    if case == "random-headers":
        rnd = random.Random("%s:%d" % (case, n))
        return with_length(stamped(b"17%011d" % rnd.randrange(10 ** 11)), 200,
                           random_headers(rnd))

    # Framing.
    if case == "chunked-bytes":
        return Answer([chunked([ANSWER[i:i + 1] for i in range(len(ANSWER))])], ANSWER)
    if case == "chunked-extensions":
        return Answer([chunked([ANSWER], sizes=[b"%x;name=value;x" % len(ANSWER)])], ANSWER)
    if case == "chunked-bad-size":
        return Answer([chunked([ANSWER], sizes=[b"zz"]), CLOSE], ANSWER)
    if case == "chunked-huge-size":
        return Answer([chunked([ANSWER], terminator=b"", sizes=[b"ffffffffffffffff"]), CLOSE],
                      ANSWER)
    if case == "chunked-no-end":
        return Answer([chunked([ANSWER], terminator=b""), CLOSE], ANSWER)
    if case == "length-short":
        # The record is all that was sent: a client may stop at the length or read on.
        return Answer([head(200, [b"Content-Length: 10"]) + ANSWER], ANSWER)
    if case == "length-long-closed":
        return Answer([head(200, [b"Content-Length: 1000"]) + ANSWER, CLOSE], ANSWER)
    if case == "length-long-open":
        return Answer([head(200, [b"Content-Length: 1000"]) + ANSWER, HOLD], ANSWER)
    if case == "length-negative":
        return Answer([head(200, [b"Content-Length: -5"]) + ANSWER, CLOSE], ANSWER)
    if case == "length-garbage":
        return Answer([head(200, [b"Content-Length: abc"]) + ANSWER, CLOSE], ANSWER)
    if case == "length-twice":
        return Answer([head(200, [b"Content-Length: 28", b"Content-Length: 5"]) + ANSWER,
                       CLOSE], ANSWER)
    if case == "length-and-chunked":
        return Answer([head(200, [b"Content-Length: 3", b"Transfer-Encoding: chunked"]) +
                       b"1c\r\n" + ANSWER + b"\r\n0\r\n\r\n", CLOSE], ANSWER)
    if case == "close-delimited":
        return Answer([head(200, [], b"HTTP/1.0 200 OK") + ANSWER, CLOSE], ANSWER)
    if case == "reset-mid-body":
        return Answer([head(200, [b"Content-Length: 100000"]) + ANSWER + b"x" * 500, 0.2, RESET],
                      ANSWER + b"x" * 500)
    if case == "close-mid-body":
        return Answer([head(200, [b"Content-Length: 100000"]) + ANSWER + b"x" * 500, CLOSE],
                      ANSWER + b"x" * 500)

    # Status lines and heads.
    if case == "status-no-reason":
        return with_length(ANSWER, status_line=b"HTTP/1.1 200")
    if case == "status-500":
        return with_length(ANSWER, 500)
    if case == "status-404":
        return with_length(ANSWER, 404)
    if case == "status-999":
        return with_length(ANSWER, 999)
    if case == "status-204-with-body":
        return Answer([head(204, [b"Content-Length: %d" % len(ANSWER)]) + ANSWER, CLOSE], ANSWER)
    if case == "status-100-first":
        return Answer([head(100, [], b"HTTP/1.1 100 Continue") +
                       with_length(ANSWER).steps[0]], ANSWER)
    if case == "status-long-reason":
        return with_length(ANSWER, status_line=b"HTTP/1.1 200 " + b"O" * 100000)
    if case == "status-garbage":
        return Answer([b"SERVERTIME " + ANSWER + b"\r\n\r\n", CLOSE], None)
    if case == "lf-only":
        return Answer([b"HTTP/1.1 200 OK\nContent-Length: %d\nConnection: close\n\n" %
                       len(ANSWER) + ANSWER], ANSWER)
    if case == "no-answer":
        return Answer([CLOSE], None)
    if case == "reset-at-once":
        return Answer([RESET], None)
    if case == "head-cut":
        return Answer([b"HTTP/1.1 200 OK\r\nContent-Len", CLOSE], None)
    if case == "header-1mib-line":
        return with_length(ANSWER, 200, [b"X-Big: " + b"a" * MIB])
    if case == "header-1mib-lines":
        return with_length(ANSWER, 200, [b"X-Line-%05d: %s" % (i, b"b" * 50)
                                         for i in range(MIB // 64)])
    if case == "cookies-many":
        return with_length(ANSWER, 200, [b"Set-Cookie: c%d=%d; path=/" % (i, i)
                                         for i in range(5000)])
    if case == "cookies-odd":
        return with_length(ANSWER, 200, [b"Set-Cookie:", b"Set-Cookie: ", b"Set-Cookie: ;;;;",
                                         b"Set-Cookie: =", b"Set-Cookie: a", b"Set-Cookie:  b=2 ",
                                         b"Set-Cookie: " + b"v" * 60000 + b"=1",
                                         b"Set-Cookie: \xd6\xd0=\xce\xc4"])
    if case == "header-zero-byte":
        return with_length(ANSWER, 200, [b"X-Zero: a\x00b"])
    if case == "header-no-colon":
        return with_length(ANSWER, 200, [b"this line has no colon"])
    if case == "location-on-200":
        return with_length(ANSWER, 200, [b"Location: https://127.0.0.1:%d/" % ctx.closed_port])

    # Redirects.
    if case == "redirect-self":
        return redirect(endpoint(ctx.base, case, n))
    if case == "redirect-ping-pong":
        hop = int(query.get("hop", ["0"])[0])
        return redirect(endpoint(ctx.base, case, n, hop=hop + 1))
    if case == "redirect-then-answer":
        hop = int(query.get("hop", ["0"])[0])
        if hop >= 3:
            return with_length(ANSWER)
        return redirect(endpoint(ctx.base, case, n, hop=hop + 1), b"hop")
    if case == "redirect-to-closed":
        return redirect(b"https://127.0.0.1:%d%s" % (ctx.closed_port, ENDPOINT.encode()), b"")
    if case == "redirect-to-plain-http":
        # From HTTPS down to plain HTTP, which a platform may refuse to follow.
        if "hop" in query:
            return with_length(ANSWER)
        return redirect(endpoint("http://127.0.0.1:%d" % ctx.plain_port, case, n, hop=1),
                        b"to http")
    if case == "redirect-bad-location":
        return redirect(b"ht!tp://[::", b"bad")
    if case == "redirect-empty-location":
        return redirect(b"", b"empty")

    # Slow answers.
    if case == "trickle-answer":
        return trickle(stamped(b"1700000000"))  # 25 bytes
    if case == "trickle-long":
        return trickle(ANSWER + b" " * (int(query.get("size", ["1000"])[0]) - len(ANSWER)))
    if case == "trickle-head":
        text = head(200, [b"Content-Length: %d" % len(ANSWER)]) + ANSWER
        steps = []
        for i in range(len(text)):
            steps += [text[i:i + 1], 1.0]
        return Answer(steps, ANSWER)
    if case == "silent":
        return Answer([HOLD], None)
    raise KeyError(case)


# --- serving -------------------------------------------------------------------------------
class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        self.request.settimeout(120)
        mode = self.server.mode
        if mode == "reset":
            abort(self.request)
            self.request = None
            return
        if mode == "garbage":
            self.request.sendall(b"this is no TLS\r\n" * 64)
            return
        if self.server.tls_context is not None:
            try:
                self.request = self.server.tls_context.wrap_socket(self.request,
                                                                   server_side=True)
            except (OSError, ssl.SSLError):  # the client gave up during the handshake
                self.request.close()
                self.request = None

    def handle(self):
        if self.request is None or self.server.mode == "garbage":
            return
        try:
            target = self.read_request()
            if target is not None:
                self.answer(target)
        except (OSError, ssl.SSLError, ValueError):
            pass

    def finish(self):
        if self.request is not None:
            try:
                self.request.close()
            except OSError:
                pass

    def read_request(self):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(65536)
            if not chunk or len(data) > MIB:
                return None
            data += chunk
            if self.server.mode == "plain" and data[:1] == b"\x16":
                # A TLS hello: the answer comes in plain text, as from a server that speaks
                # no TLS on that port.
                run_plan(self.request, with_length(ANSWER).steps)
                return None
        return data.split(b" ", 2)[1].decode("latin-1")

    def answer(self, target):
        path, _, query_text = target.partition("?")
        query = urllib.parse.parse_qs(query_text)
        case = query.get("case", [""])[0]
        n = int(query.get("n", ["0"])[0])
        ctx = Context(self.server.base, self.server.ports.get("plain", 0),
                      self.server.ports.get("closed", 0))
        try:
            if path != ENDPOINT:
                raise KeyError(path)
            plan = make_answer(case, n, query, ctx)
        except KeyError:
            plan = with_length(b"no such page", 404)
            case, n = "unknown", 0
        self.server.record(case, n, plan.record)
        run_plan(self.request, plan.steps)


def abort(sock):
    """Closes with a reset instead of a FIN."""
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass
    try:
        sock.close()
    except OSError:
        pass


def run_plan(sock, steps):
    end = CLOSE
    for step in steps:
        if isinstance(step, (int, float)):
            time.sleep(step)
        elif step in (RESET, CLOSE, HOLD):
            end = step
            break
        else:
            sock.sendall(step)
    if end == RESET:
        abort(sock)
    elif end == HOLD:
        # Until the client closes its side (its time-out), or two minutes at most.
        try:
            while sock.recv(4096):
                pass
        except (OSError, ssl.SSLError, ValueError):
            pass
    else:
        try:
            if isinstance(sock, ssl.SSLSocket):
                # Sends the close notify; the client's own need not be waited for.
                sock.settimeout(0.1)
                sock = sock.unwrap()
            sock.shutdown(socket.SHUT_RDWR)
        except (OSError, ssl.SSLError, ValueError):
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128

    def __init__(self, mode, tls_context, hub):
        self.mode = mode
        self.tls_context = tls_context
        self.hub = hub
        super().__init__(("127.0.0.1", 0), Handler)
        scheme = "http" if mode == "plain" else "https"
        self.base = "%s://127.0.0.1:%d" % (scheme, self.server_address[1])

    @property
    def ports(self):
        return self.hub.ports

    def record(self, case, n, body):
        self.hub.record(case, n, body)


class HostileServers:
    """All listeners, started on threads; close() stops them."""

    def __init__(self, record_dir):
        self.record_dir = record_dir
        self.lock = threading.Lock()
        self.served = 0
        self.certs = tempfile.TemporaryDirectory(prefix="chronalt-hostile-")
        contexts = {name: tls_context(self.certs.name, name, cn)
                    for name, cn in (("https", "127.0.0.1"), ("other_name", "other.example"))}
        self.servers = {
            "https": Server("tls", contexts["https"], self),
            "other_name": Server("tls", contexts["other_name"], self),
            "plain": Server("plain", None, self),
            "reset": Server("reset", None, self),
            "garbage": Server("garbage", None, self),
        }
        self.ports = {name: s.server_address[1] for name, s in self.servers.items()}
        self.ports["closed"] = unused_port()
        for server in self.servers.values():
            threading.Thread(target=server.serve_forever, daemon=True).start()

    def record(self, case, n, body):
        name = "%s-%d" % (case, n)
        with self.lock:
            self.served += 1
            with open(os.path.join(self.record_dir, "served.log"), "a") as log:
                log.write("%s %d\n" % (case, n))
            path = os.path.join(self.record_dir, name + ".body")
            if body is None:
                if os.path.exists(path):
                    os.remove(path)
            else:
                with open(path, "wb") as f:
                    f.write(body)

    def close(self):
        for server in self.servers.values():
            server.shutdown()
            server.server_close()
        self.certs.cleanup()


def tls_context(directory, name, common_name):
    key = os.path.join(directory, name + "-key.pem")
    cert = os.path.join(directory, name + "-cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "2", "-subj", "/CN=" + common_name],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def unused_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    # A plain kill ends the serving loop below too, so the certificates are removed.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    servers = HostileServers(argv[1])
    for name, port in servers.ports.items():
        print("%s %d" % (name, port), flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass
    finally:
        servers.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
