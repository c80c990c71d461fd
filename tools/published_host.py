"""A static web host on the loopback address for published catalogues, for the end-to-end
tests and the demo: HTTPS with a certificate authority made for the run (or plain HTTP),
answering 304 to a matching If-None-Match, redirecting or waiting when told to, and
recording every request's headers. Also makes signing keys and signatures with openssl.
Every key and certificate lives in the folder the caller gives (a temporary one)."""
import base64
import email.utils
import hashlib
import http.server
import os
import ssl
import subprocess
import threading
import time


def openssl(*args, data=None):
    return subprocess.run(["openssl", *args], input=data, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          check=True, timeout=60).stdout


class TestAuthority:
    """A CA and a server certificate for localhost and 127.0.0.1, made in `folder`."""

    def __init__(self, folder):
        os.makedirs(folder, exist_ok=True)
        p = lambda name: os.path.join(folder, name)
        self.ca_key, self.ca_pem, self.ca_der = p("ca-key.pem"), p("ca.pem"), p("ca.der")
        self.key, self.cert = p("server-key.pem"), p("server.pem")
        openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-keyout", self.ca_key, "-out", self.ca_pem, "-days", "2", "-subj", "/CN=Notify test CA",
                "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        openssl("x509", "-in", self.ca_pem, "-outform", "DER", "-out", self.ca_der)
        openssl("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", self.key,
                "-out", p("server.csr"), "-subj", "/CN=localhost")
        # Wine 8 matches a host only against DNS names, so the address is a DNS name too.
        with open(p("server.ext"), "w") as f:
            f.write("subjectAltName=DNS:localhost,IP:127.0.0.1,DNS:127.0.0.1\nextendedKeyUsage=serverAuth\n"
                    "basicConstraints=CA:FALSE\n")
        openssl("x509", "-req", "-in", p("server.csr"), "-CA", self.ca_pem, "-CAkey", self.ca_key,
                "-CAcreateserial", "-out", self.cert, "-days", "2", "-extfile", p("server.ext"))


class SigningKey:
    """An ECDSA P-256 key pair made as a vendor makes it; `source_key` is the SourceKey value."""

    def __init__(self, folder, name="notify-key"):
        os.makedirs(folder, exist_ok=True)
        self.pem = os.path.join(folder, name + ".pem")
        openssl("ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", self.pem)
        self.source_key = base64.b64encode(openssl("ec", "-in", self.pem, "-pubout", "-outform", "DER")).decode()

    def sign(self, data):
        """The detached signature `openssl dgst -sha256 -sign` makes of these bytes."""
        return openssl("dgst", "-sha256", "-sign", self.pem, data=data)


def etag_of(body):
    return '"' + hashlib.sha256(body).hexdigest()[:20] + '"'


class Host:
    """Serves `files` (path -> bytes) on 127.0.0.1 at a free port until stopped. A path in
    `redirects` answers 302 to its location; `delay` seconds pass before any answer.
    `requests` holds (path, headers) of each request, in order."""

    def __init__(self, authority=None):
        self.files, self.redirects, self.requests = {}, {}, []
        self.delay = 0.0
        self._lock = threading.Lock()
        host = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def do_GET(self):
                with host._lock:
                    host.requests.append((self.path, {k.lower(): v for k, v in self.headers.items()}))
                    body, location = host.files.get(self.path), host.redirects.get(self.path)
                if host.delay:
                    time.sleep(host.delay)
                if location is not None:
                    self._answer(302, b"", {"Location": location})
                elif body is None:
                    self._answer(404, b"", {})
                elif self.headers.get("If-None-Match") == etag_of(body):
                    self._answer(304, None, {"ETag": etag_of(body), "Cache-Control": "no-cache"})
                else:
                    self._answer(200, body, {"ETag": etag_of(body), "Cache-Control": "no-cache",
                                             "Content-Type": "application/octet-stream",
                                             "Last-Modified": email.utils.formatdate(usegmt=True)})

            def _answer(self, status, body, headers):
                try:
                    self.send_response(status)
                    for name, value in headers.items():
                        self.send_header(name, value)
                    if body is not None:
                        self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    if body:
                        self.wfile.write(body)
                except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
                    pass  # the client gave up (a timeout under test); nothing to tell it

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.scheme = "http"
        if authority is not None:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(authority.cert, authority.key)
            # The handshake happens in each request's thread, so a slow client blocks no one.
            self.server.socket = context.wrap_socket(self.server.socket, server_side=True,
                                                     do_handshake_on_connect=False)
            self.scheme = "https"
        self.port = self.server.server_address[1]
        self._thread = None

    def url(self, path, host="127.0.0.1"):
        return f"{self.scheme}://{host}:{self.port}{path}"

    def publish(self, path, body, signature):
        """The catalogue at `path` and its signature at `path`.sig (None: no signature file)."""
        with self._lock:
            self.files[path] = body
            if signature is None:
                self.files.pop(path + ".sig", None)
            else:
                self.files[path + ".sig"] = signature

    def requests_for(self, path):
        with self._lock:
            return [headers for p, headers in self.requests if p == path]

    def start(self):
        self._thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self._thread.start()
        return self

    def stop(self):
        if self._thread is not None:
            self.server.shutdown()
            self._thread.join()
            self._thread = None
        self.server.server_close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
