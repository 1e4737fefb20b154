#!/usr/bin/env python3
"""Local HTTP server for the HTTP engine's tests: one handler per behaviour under test.

Listens on 127.0.0.1 with an ephemeral port, prints "PORT <n>" once ready, and prints one line
"GOT <method> <path> <client port>" per request it receives, so that tests can wait for a request to
arrive without sleeping. Runs until its standard input closes. A client that begins with the SOCKS5
greeting finds a SOCKS proxy on the same port.

Its NTLM acceptor has the name that NTLM_ACCEPTOR_NAME gives ("HTTP@localhost"), none without it.
"""
import base64
import gzip
import hashlib
import json
import os
import select
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()
state = {"active": 0, "peak": 0, "counters": {}}
out_lock = threading.Lock()


def emit(line):
    with out_lock:
        sys.stdout.write(line + "\n")
        sys.stdout.flush()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    # ---- helpers
    def query(self):
        return dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(self.path).query, keep_blank_values=True))

    def route(self):
        return urllib.parse.urlsplit(self.path).path

    def body_in(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        data = self.rfile.read(length) if length else b""
        if self.headers.get("Content-Encoding") == "gzip" and data:
            data = gzip.decompress(data)
        return data

    def send(self, code, body=b"", headers=None, length=True):
        self.send_response(code)
        for k, v in (headers or {}).items():
            if isinstance(v, list):
                for item in v:
                    self.send_header(k, item)
            else:
                self.send_header(k, v)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    # How refusals are sent (a proxy's answers to CONNECT): "" without a body; "chunked" with a
    # chunked page (with a chunk extension and a trailer); "http10" as HTTP/1.0 with a page and its
    # Content-Length, kept open by "Proxy-Connection: keep-alive" alone.
    refusal_style = ""
    PAGE = b"<html><body>" + b"Cache Access Denied. " * 150 + b"</body></html>"

    def refuse(self, code, headers):
        style = self.refusal_style
        if style == "http10":
            self.protocol_version = "HTTP/1.0"
            try:
                return self.send(code, self.PAGE, dict(headers, **{"Proxy-Connection": "keep-alive"}))
            finally:
                self.protocol_version = "HTTP/1.1"
        if style == "chunked":
            self.send(code, b"", dict(headers, **{"Transfer-Encoding": "chunked"}), length=False)
            half = len(self.PAGE) // 2
            for i, part in enumerate((self.PAGE[:half], self.PAGE[half:])):
                self.wfile.write(b"%x%s\r\n%s\r\n" % (len(part), b";part=%d" % i if i else b"", part))
            self.wfile.write(b"0\r\nX-Trailer: end\r\n\r\n")
            return
        self.send(code, b"", headers)

    # ---- dispatch
    def handle(self):
        try:
            first = self.connection.recv(1, socket.MSG_PEEK)
        except OSError:
            return
        if first == b"\x05":
            return self.socks()
        super().handle()

    def socks(self):
        """SOCKS5 without authentication to 127.0.0.1, whatever the host is called. Prints
        "SOCKS <host> <port>"."""
        def take(n):
            data = b""
            while len(data) < n:
                part = self.connection.recv(n - len(data))
                if not part:
                    raise OSError("closed")
                data += part
            return data
        try:
            take(take(2)[1])  # the methods offered
            self.connection.sendall(b"\x05\x00")
            kind = take(4)[3]
            if kind == 1:
                host = socket.inet_ntoa(take(4))
            elif kind == 3:
                host = take(take(1)[0]).decode()
            else:
                host = socket.inet_ntop(socket.AF_INET6, take(16))
            port = int.from_bytes(take(2), "big")
            emit("SOCKS %s %d" % (host, port))
            upstream = socket.create_connection(("127.0.0.1", port))
            self.connection.sendall(b"\x05\x00\x00\x01" + bytes(6))
        except OSError:
            return
        self.relay(upstream)

    def relay(self, upstream):
        ends = [self.connection, upstream]
        try:
            while True:
                ready, _, _ = select.select(ends, [], [], 10)
                if not ready:
                    return
                for end in ready:
                    data = end.recv(65536)
                    if not data:
                        return
                    (upstream if end is self.connection else self.connection).sendall(data)
        except OSError:
            pass
        finally:
            upstream.close()

    def handle_any(self):
        path = self.route()
        emit("GOT %s %s %d" % (self.command, self.path, self.client_address[1]))
        q = self.query()
        if urllib.parse.urlsplit(self.path).netloc == "behind-ntlm-proxy.test":
            # Acting as an NTLM proxy in front of this server.
            if not self.ntlm_passed(q.get("proxywho"), "Proxy-Authorization", "Proxy-Authenticate", 407):
                return
        if urllib.parse.urlsplit(self.path).netloc == "behind-digest-proxy.test":
            # Acting as a Digest proxy in front of this server: the answer is for the absolute URL the
            # proxy is asked for.
            if not self.digest_passed("pu", "pp", "Proxy-Authorization", "Proxy-Authenticate", 407, uri=self.path):
                return
        name = "do_" + path.strip("/").split("/")[0].replace("-", "_")
        handler = getattr(self, name, None)
        if handler is None:
            return self.send(404, b"not found")
        with lock:
            state["active"] += 1
            state["peak"] = max(state["peak"], state["active"])
        try:
            handler(path, q)
        finally:
            with lock:
                state["active"] -= 1

    do_GET = do_POST = do_PUT = do_DELETE = do_HEAD = handle_any

    # ---- behaviours
    def do_hello(self, path, q):
        self.send(200, b"hello", {"Content-Type": "text/plain", "X-Client-Port": str(self.client_address[1])})

    def do_echo(self, path, q):
        body = self.body_in()
        info = {"method": self.command, "path": self.path, "headers": dict(self.headers.items()),
                "body": body.decode("latin-1"), "port": self.client_address[1]}
        self.send(200, json.dumps(info).encode(), {"Content-Type": "application/json"})

    def do_proxyask(self, path, q):
        # An origin that asks for proxy credentials itself, and echoes any it is given.
        if "Proxy-Authorization" in self.headers:
            return self.do_echo(path, q)
        self.send(407, b"asked", {"Proxy-Authenticate": 'Basic realm="origin"'})

    def do_status(self, path, q):
        self.send(int(q.get("code", "200")), q.get("body", "").encode(), {"Content-Type": q.get("type", "text/plain")})

    def send_thrown_away(self, code, body, headers, q):
        """A body the client throws away (a redirect's, a challenge's): with badgzip=1 it claims to
        be gzip and is not."""
        if q.get("badgzip") == "1":
            body = b"\x1f\x8b\x08\x00not gzip at all"
            headers = dict(headers, **{"Content-Encoding": "gzip"})
        self.send(code, body, headers)

    def do_redirect(self, path, q):
        code = int(path.split("/")[2])
        headers = {}
        if q.get("to"):
            headers["Location"] = q["to"]
        self.body_in()
        self.send_thrown_away(code, b"moved", headers, q)

    def do_chain(self, path, q):
        n = int(path.split("/")[2])
        if n == 0:
            return self.send(200, b"end of chain")
        self.send(302, b"", {"Location": "/chain/%d" % (n - 1)})

    def do_setcookie(self, path, q):
        cookies = [k + "=" + v for k, v in q.items()]
        self.send(200, b"set", {"Set-Cookie": [c + "; Path=/" for c in cookies]})

    def do_gzip(self, path, q):
        text = (q.get("text", "compressed text ") * int(q.get("repeat", "1"))).encode()
        self.send(200, gzip.compress(text), {"Content-Encoding": "gzip", "Content-Type": "text/plain"})

    def do_badgzip(self, path, q):
        # A gzip body that does not inflate whole: cut before its trailer, or a trailer whose check
        # value or length is wrong. Its Content-Length matches what is sent.
        body = bytearray(gzip.compress(("compressed text " * int(q.get("repeat", "1000"))).encode()))
        kind = q.get("kind", "cut")
        if kind == "cut":
            body = body[:len(body) * 2 // 3]
        elif kind == "crc":
            body[-8] ^= 0xFF
        elif kind == "length":
            body[-1] ^= 0x01
        self.send(200, bytes(body), {"Content-Encoding": "gzip", "Content-Type": "text/plain"})

    def do_stall(self, path, q):
        # The first request for an id gets its head and half its body ("STALLED <id> <bytes sent>"),
        # then silence until the client hangs up (two minutes at most); later ones get the whole
        # body. The body is `size` bytes of /bytes, or with gzip=1 the gzip of "compressed text " *
        # repeat.
        key = "stall " + q.get("id", "")
        with lock:
            seen = state["counters"].get(key, 0)
            state["counters"][key] = seen + 1
        if q.get("gzip") == "1":
            body = gzip.compress(("compressed text " * int(q.get("repeat", "1000"))).encode())
            headers = {"Content-Encoding": "gzip"}
        else:
            size = int(q.get("size", "10240"))
            body = (bytes((i * 7) & 0xFF for i in range(256)) * (size // 256 + 1))[:size]
            headers = {}
        if seen > 0:
            return self.send(200, body, headers)
        self.send_response(200)
        for k, v in headers.items():
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:len(body) // 2])
        self.wfile.flush()
        emit("STALLED %s %d" % (q.get("id", ""), len(body) // 2))
        self.close_connection = True
        self.connection.settimeout(120)
        try:
            self.connection.recv(1)
        except OSError:
            pass

    def do_chunked(self, path, q):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        for part in (b"first ", b"second ", b"third"):
            self.wfile.write(b"%x\r\n%s\r\n" % (len(part), part))
        self.wfile.write(b"0\r\n\r\n")

    def do_interim(self, path, q):
        # An interim head with a field of its own, then a chunked body whose trailer has a field.
        self.wfile.write(b"HTTP/1.1 103 Early Hints\r\nLink: </style.css>; rel=preload\r\n\r\n")
        self.send_response(200)
        self.send_header("X-Final", "yes")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        self.wfile.write(b"4\r\nbody\r\n0\r\nX-Trailer: end\r\n\r\n")

    def do_badchunk(self, path, q):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        self.wfile.write(b"10\r\nonly six\r\n")
        self.wfile.flush()
        self.close_connection = True
        self.connection.shutdown(socket.SHUT_RDWR)

    def do_closed(self, path, q):
        # No length: the body ends when the connection closes.
        self.send_response(200)
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(b"until the end")
        self.close_connection = True

    def do_truncated(self, path, q):
        self.send_response(200)
        self.send_header("Content-Length", "1000")
        self.end_headers()
        self.wfile.write(b"x" * 500)
        self.wfile.flush()
        self.close_connection = True
        self.connection.shutdown(socket.SHUT_RDWR)

    def do_bytes(self, path, q):
        size = int(q.get("size", "1000"))
        data = bytes((i * 7) & 0xFF for i in range(256)) * (size // 256 + 1)
        data = data[:size]
        start = 0
        rng = self.headers.get("Range")
        if rng and q.get("ranges") == "1" and rng.startswith("bytes="):
            start = int(rng[6:].split("-")[0])
            self.send(206, data[start:], {"Content-Range": "bytes %d-%d/%d" % (start, size - 1, size)})
            return
        self.send(200, data)

    def do_silent(self, path, q):
        # Answers nothing for a while (time-outs), unless told to answer after `after` seconds.
        after = float(q.get("after", "30"))
        time.sleep(after)
        try:
            self.send(200, b"late")
        except OSError:
            pass

    def do_slow(self, path, q):
        time.sleep(float(q.get("delay", "0.2")))
        self.send(200, b"slow done")

    def do_peak(self, path, q):
        with lock:
            peak = state["peak"]
            state["peak"] = 0
        self.send(200, str(peak).encode())

    def do_keepalive(self, path, q):
        headers = {"X-Client-Port": str(self.client_address[1])}
        if "header" in q:
            headers["Keep-Alive"] = q["header"]
        self.send(200, b"kept", headers)

    def do_dropsecond(self, path, q):
        # The first request of a connection is answered; a later one on the same connection finds
        # it closed under it.
        key = self.client_address[1]
        with lock:
            seen = state["counters"].get(key, 0)
            state["counters"][key] = seen + 1
        if seen == 0:
            self.send(200, b"first", {"X-Client-Port": str(key)})
        else:
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)

    def do_basic(self, path, q):
        expected = "Basic " + base64.b64encode(("%s:%s" % (q.get("user", "u"), q.get("pass", "p"))).encode()).decode()
        if self.headers.get("Authorization") == expected:
            return self.send(200, b"welcome")
        self.send_thrown_away(401, b"who are you", {"WWW-Authenticate": 'Basic realm="tests"'}, q)

    def do_authredirect(self, path, q):
        # Basic credentials first, then a redirect to `to`.
        expected = "Basic " + base64.b64encode(("%s:%s" % (q.get("user", "u"), q.get("pass", "p"))).encode()).decode()
        if self.headers.get("Authorization") == expected:
            return self.send(302, b"", {"Location": q.get("to", "/hello")})
        self.send(401, b"who are you", {"WWW-Authenticate": 'Basic realm="first"'})

    def do_digest(self, path, q):
        if self.digest_passed(q.get("user", "u"), q.get("pass", "p"), "Authorization", "WWW-Authenticate", 401):
            self.send(200, b"digest welcome")

    def digest_passed(self, user, password, ask, answer, code, uri=None):
        """True when the Digest answer is right (for `uri` when given); else asks for one."""
        realm, nonce = "digest tests", "n0nce"
        auth = self.headers.get(ask, "")
        if auth.startswith("Digest "):
            fields = {}
            for part in urllib.request_parse(auth[7:]):
                fields.update(part)
            ha1 = hashlib.md5(("%s:%s:%s" % (user, realm, password)).encode()).hexdigest()
            ha2 = hashlib.md5(("%s:%s" % (self.command, fields.get("uri", ""))).encode()).hexdigest()
            want = hashlib.md5(("%s:%s:%s:%s:%s:%s" % (ha1, nonce, fields.get("nc", ""), fields.get("cnonce", ""),
                                                       fields.get("qop", ""), ha2)).encode()).hexdigest()
            if fields.get("response") == want and fields.get("username") == user and uri in (None, fields.get("uri")):
                return True
        self.refuse(code, {answer: 'Digest realm="%s", qop="auth", nonce="%s", opaque="op"' % (realm, nonce)})
        return False

    def do_CONNECT(self):
        """A proxy that opens tunnels to 127.0.0.1 (whatever the host is called) once the client has
        answered its challenge: Basic or Digest for pu/pp, or NTLM for PROXYDOM\\pat, as the target
        host's first label says ("digest.tunnel.test:443"); "mute" asks for NTLM and then answers no
        message of the handshake. A second label "chunked" or "http10" sends the refusals in
        that style (see refuse). Prints "CONNECT <scheme> <client port>"."""
        host, _, port = self.path.rpartition(":")
        labels = host.split(".")
        scheme = labels[0]
        if len(labels) > 1 and labels[1] in ("chunked", "http10"):
            self.refusal_style = labels[1]  # "ntlm.chunked.test": refusals sent so
        emit("CONNECT %s %d" % (scheme, self.client_address[1]))
        if scheme == "mute":
            if self.headers.get("Proxy-Authorization", "").startswith("NTLM "):
                self.close_connection = True
                self.connection.settimeout(10)
                try:
                    self.connection.recv(1)  # until the client hangs up
                except OSError:
                    pass
            else:
                self.send(407, b"", {"Proxy-Authenticate": "NTLM"})
            return
        if scheme == "digest":
            passed = self.digest_passed("pu", "pp", "Proxy-Authorization", "Proxy-Authenticate", 407, uri=self.path)
        elif scheme == "ntlm":
            passed = self.ntlm_passed("PROXYDOM\\pat", "Proxy-Authorization", "Proxy-Authenticate", 407)
            # A refused handshake's connection is closed, without a word beforehand.
            self.close_connection = self.close_connection or self.ntlm_refused
        else:
            passed = self.headers.get("Proxy-Authorization") == "Basic " + base64.b64encode(b"pu:pp").decode()
            if not passed:
                self.refuse(407, {"Proxy-Authenticate": 'Basic realm="tunnel"'})
        if not passed:
            return
        upstream = socket.create_connection(("127.0.0.1", int(port)))
        self.send_response(200, "Connection established")
        self.end_headers()
        self.wfile.flush()
        self.close_connection = True
        self.relay(upstream)

    def do_negotiate(self, path, q):
        self.send(401, b"", {"WWW-Authenticate": "Negotiate"})

    def do_ntlm(self, path, q):
        # NTLM through GSSAPI's NTLM mechanism, for the accounts of NTLM_USER_FILE; `who`, when given,
        # is the only "DOMAIN\\user" let in.
        if self.ntlm_passed(q.get("who"), "Authorization", "WWW-Authenticate", 401):
            self.send(200, b"ntlm welcome")

    def ntlm_passed(self, who, ask, answer, code):
        """One step of an NTLM handshake; True once the client has proved who it is. The
        handshake belongs to the connection: the context lives on this connection's handler."""
        import gssapi
        mech = gssapi.OID.from_int_seq("1.3.6.1.4.1.311.2.2.10")
        sent = self.headers.get(ask, "")
        token = base64.b64decode(sent[5:]) if sent.startswith("NTLM ") else b""
        context, self.ntlm_context = getattr(self, "ntlm_context", None), None
        self.ntlm_refused = False
        self.body_in()
        if token[8:12] == b"\x01\x00\x00\x00":
            name = os.environ.get("NTLM_ACCEPTOR_NAME")
            if name:
                name = gssapi.Name(name, gssapi.NameType.hostbased_service)
            self.ntlm_context = gssapi.SecurityContext(
                creds=gssapi.Credentials(name=name, usage="accept", mechs=[mech]), usage="accept")
            challenge = self.ntlm_context.step(token)
            emit("NTLM challenge %d" % self.client_address[1])
            self.refuse(code, {answer: "NTLM " + base64.b64encode(challenge).decode()})
            return False
        if token[8:12] == b"\x03\x00\x00\x00":
            name = "(no handshake on this connection)"
            try:
                if context is not None:
                    context.step(token)
                    name = str(context.initiator_name).rstrip("\0")  # the mechanism counts the NUL
                    if context.complete and (who is None or name.lower() == who.lower()):
                        emit("NTLM passed %s %d" % (name, self.client_address[1]))
                        return True
            except gssapi.exceptions.GSSError as e:
                name = "(%s)" % e
            emit("NTLM refused %s %d" % (name, self.client_address[1]))
            self.ntlm_refused = True
        self.refuse(code, {answer: "NTLM"})
        return False

    def do_form(self, path, q):
        body = self.body_in()
        ctype = self.headers.get("Content-Type", "")
        result = {"type": ctype, "fields": {}, "files": {}}
        if ctype.startswith("application/x-www-form-urlencoded"):
            for k, v in urllib.parse.parse_qsl(body.decode(), keep_blank_values=True):
                result["fields"][k] = v
        elif ctype.startswith("multipart/form-data"):
            boundary = ctype.split("boundary=")[1].encode()
            for part in body.split(b"--" + boundary)[1:-1]:
                head, _, content = part.strip(b"\r\n").partition(b"\r\n\r\n")
                disposition = head.decode()
                name = disposition.split('name="')[1].split('"')[0]
                if 'filename="' in disposition:
                    fname = disposition.split('filename="')[1].split('"')[0]
                    ptype = disposition.split("Content-Type: ")[1].strip() if "Content-Type: " in disposition else ""
                    result["files"][name] = {"filename": fname, "type": ptype, "content": content.decode("latin-1")}
                else:
                    result["fields"][name] = content.decode()
        self.send(200, json.dumps(result).encode(), {"Content-Type": "application/json"})

    def do_cached(self, path, q):
        etag = q.get("etag")
        headers = {}
        if etag:
            headers["Etag"] = etag
            if self.headers.get("If-None-Match") == etag:
                return self.send(304, b"", headers, length=False)
        modified = q.get("modified")
        if modified:
            headers["Last-Modified"] = modified
            if self.headers.get("If-Modified-Since") == modified:
                return self.send(304, b"", headers, length=False)
        if q.get("cc"):
            headers["Cache-Control"] = q["cc"]
        for name in ("Set-Cookie", "Authorization", "Proxy-Authorization"):
            if q.get(name.lower()):
                headers[name] = q[name.lower()]
        with lock:
            n = state["counters"].get("cached", 0) + 1
            state["counters"]["cached"] = n
        self.send(200, ("version %d" % n).encode(), headers)

    def do_pac(self, path, q):
        script = 'function FindProxyForURL(url, host) { return "%s"; }' % q.get("answer", "DIRECT")
        self.send(200, script.encode(), {"Content-Type": "application/x-ns-proxy-autoconfig"})


def request_parse(text):
    """Splits a Digest header's parameters into one-item dictionaries."""
    items, i = [], 0
    while i < len(text):
        while i < len(text) and text[i] in " ,":
            i += 1
        eq = text.find("=", i)
        if eq < 0:
            break
        key = text[i:eq].strip()
        i = eq + 1
        if i < len(text) and text[i] == '"':
            end = text.find('"', i + 1)
            value = text[i + 1:end]
            i = end + 1
        else:
            end = text.find(",", i)
            end = len(text) if end < 0 else end
            value = text[i:end].strip()
            i = end
        items.append({key: value})
    return items


urllib.request_parse = request_parse


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    emit("PORT %d" % server.server_address[1])
    sys.stdin.read()  # until the test closes our input
    server.shutdown()


if __name__ == "__main__":
    main()
