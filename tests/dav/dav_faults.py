#!/usr/bin/python3
"""quenlock's saves on a server through a loopback proxy that breaks them.

The server (radicale or xandikos) is started and filled as dav_servers.py
does. For each fault of FAULTS (a delay, the connection dropped in the
middle of a PUT or of its answer, 500, 503, 507, a stall), applied to the
3rd PUT and, for some, the ones after it, the main job's run is made
through the proxy, then a clean run and an `undo --last` through it. Each
ends with exit status 1 or 4 and a line naming the cause and an item the
fault hit (or gets over the fault and saves everything, as with a delay),
and afterwards the server holds every item wholly as before the command or
wholly as the command leaves it without the fault, and every item it
changed has its undo record: the undo of that command (`undo ID
--dry-run`) would give it back. A clean undo then puts everything back.

usage: dav_faults.py QUENLOCK SAMPLE_STORE radicale|xandikos
"""

import http.client
import http.server
import json
import os
import socket
import sys
import tempfile
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dav_servers as ds  # noqa: E402

FIRST, TIMEOUT = 3, 2  # the first PUT a fault hits; the account's timeout=
# fault, how many PUTs from the FIRST it hits (Qt resends a PUT twice on a dropped
# connection), the cause the error line names (None: the command goes on and succeeds)
FAULTS = [("delay", 3, None),
          ("drop request", 3, "Connection closed"),
          ("drop response", 3, "Connection closed"),
          ("drop response", 1, None),  # the server saved it; the resend's 412 finds the text sent there
          ("500", 1, "500 Internal Server Error"),
          ("503", 1, "503 Service Unavailable"),
          ("507", 1, "507 Insufficient Storage"),
          ("stall", 1, f"did not answer within {TIMEOUT} seconds")]


class Faults(http.server.ThreadingHTTPServer):
    """Forwards to the server; PUTs FIRST to FIRST + hits - 1 get the fault."""
    daemon_threads = True

    def __init__(self, upstream, fault, hits):
        self.upstream, self.fault, self.hits, self.puts, self.hit = upstream, fault, hits, 0, set()
        self.lock, self.closing = threading.Lock(), threading.Event()
        super().__init__(("127.0.0.1", 0), FaultHandler)
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def handle_error(self, request, client_address):
        pass  # a connection the fault or quenlock cut

    def close(self):
        self.closing.set()
        self.shutdown()
        self.server_close()


class FaultHandler(ds.ProxyHandler):
    def cut(self):
        self.close_connection = True
        self.connection.shutdown(socket.SHUT_RDWR)

    def handle_one(self):
        server, length = self.server, int(self.headers.get("Content-Length", 0))
        fault = None
        if self.command == "PUT":
            with server.lock:
                server.puts += 1
                if FIRST <= server.puts < FIRST + server.hits:
                    fault = server.fault
                    server.hit.add(urllib.parse.unquote(self.path.rsplit("/", 1)[-1]))
        if fault == "drop request":
            self.rfile.read(length // 2)
            return self.cut()
        body = self.rfile.read(length)
        if fault == "stall":
            server.closing.wait()
            return self.cut()
        if fault and fault.isdigit():
            return self.answer(int(fault), self.responses[int(fault)][0], [], b"")
        if fault == "delay":
            time.sleep(0.3)
        conn = http.client.HTTPConnection("127.0.0.1", server.upstream, timeout=30)
        conn.request(self.command, self.path, body, {k: v for k, v in self.headers.items()
                                                     if k.lower() not in ("host", "connection", "accept-encoding")})
        reply = conn.getresponse()
        data = reply.read()
        conn.close()
        if fault == "drop response":  # the server has saved it; its answer's first bytes come back
            self.wfile.write(b"HTTP/1.1")
            return self.cut()
        self.answer(reply.status, reply.reason, reply.getheaders(), data)

    do_GET = do_PUT = do_PROPFIND = do_REPORT = do_OPTIONS = handle_one


class Server:
    """The server, its items before and after the main job's run, quenlock."""

    def __init__(self, host, dav, paths, port, kind, secret):
        self.host, self.dav, self.paths, self.port, self.kind, self.secret = host, dav, paths, port, kind, secret

    def state(self):
        return {key: ds.content(data) for key, data in ds.fetch_all(self.dav, self.paths).items()}

    def configure(self, port):
        self.host.configure(ds.account("main", port, self.kind, self.secret) + f"timeout={TIMEOUT}\n")

    def direct(self, *args, status=0):
        self.configure(self.port)
        return self.host(*args, "--yes", "--quiet", "--account", "main", status=status)

    def through(self, fault, hits, *args):
        proxy = Faults(self.port, fault, hits)
        try:
            self.configure(proxy.server_address[1])
            started = time.monotonic()
            r = self.host(*args, "--yes", "--quiet", "--account", "main", status=None)
            return r, proxy.hit, time.monotonic() - started
        finally:
            proxy.close()

    def given_back(self, run):
        """The items `undo RUN` would give back: those whose changes have their undo records."""
        self.configure(self.port)
        lines = self.host("undo", str(run), "--dry-run", "--json", "--account", "main", status=None).stdout
        return {row["item"] for row in map(json.loads, lines.splitlines()) if row.get("status") == "restore"}

    def last_id(self):
        return json.loads(self.host("runs", "--json").stdout.splitlines()[0])["id"]


def check(server, label, row, result, old, new):
    """The outcome of a command through a fault: old and new, each item as before it and as after
    it without the fault. A fault may also be got over: exit 0 with every item saved."""
    (fault, hits, cause), (r, hit, seconds) = row, result
    now, listed = server.state(), server.given_back(server.last_id())
    problems = [f"{key} is neither wholly as before nor wholly as after" for key in sorted(old)
                if now.get(key) not in (old[key], new[key])]
    problems += [f"{key} was saved without its undo record" for key in sorted(old)
                 if now.get(key) != old[key] and key[1] not in listed]
    if seconds > 30:
        problems.append(f"it took {seconds:.0f} s")
    got_over = r.returncode == 0 and now == new
    named = r.returncode in (1, 4) and any(cause in line and any(name in line for name in hit)
                                            for line in r.stderr.splitlines())
    wrong = None if got_over or (cause and named) else \
        f"exit {r.returncode}, no line naming {cause!r} and one of {sorted(hit)}" if cause else \
        f"exit {r.returncode}, not every item saved"
    print(f"{label}, {fault} x{hits}: exit {r.returncode} after {seconds:.1f} s;", wrong or "as it should", flush=True)
    if wrong:
        problems.append(wrong)
    if problems:
        raise ds.Failure(f"{label} with the fault {fault!r} x{hits}:\n  " + "\n  ".join(problems)
                         + f"\nstdout:\n{r.stdout}\nstderr:\n{r.stderr}")


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    quenlock, samples, kind = sys.argv[1:]
    if not os.path.exists(f"/usr/bin/{kind}"):
        print(f"SKIP: {kind} is not installed (scripts/quickstart installs it)")
        return ds.SKIP
    with tempfile.TemporaryDirectory(prefix=f"quenlock-faults-{kind}-") as tmp:
        proc, port = ds.start(kind, tmp)
        try:
            dav = ds.Dav(f"http://127.0.0.1:{port}", auth=kind == "radicale")
            paths = ds.load(kind, dav, samples)
            secret = os.path.join(tmp, "secret")
            with open(secret, "w") as f:
                f.write(ds.PASSWORD + "\n")
            host = ds.Host(quenlock, os.path.join(tmp, "dav"))
            server = Server(host, dav, paths, port, kind, secret)
            host.configure(ds.account("main", port, kind, secret))
            host.choose_folders("--account", "main")
            before = server.state()
            server.direct("run")
            after = server.state()
            server.direct("undo", "--last")
            for row in FAULTS:
                for label, args, old, new in (("run", ["run"], before, after),
                                              ("undo --last", ["undo", "--last"], after, before)):
                    if label != "run":
                        server.direct("run")
                    check(server, label, row, server.through(*row[:2], *args), old, new)
                    server.direct("undo", "--last", status=None)  # what is left to give back
                    if server.state() != before:
                        raise ds.Failure(f"undo --last after the {label} with the fault {row[0]!r} left items changed")
            print(f"{kind}: {len(before)} items, {len(FAULTS)} faults on the run's and the undo's saves")
            return 0
        except ds.Failure as e:
            print(f"FAIL ({kind}): {e}", file=sys.stderr)
            return 1
        finally:
            proc.terminate()
            proc.wait(10)


if __name__ == "__main__":
    sys.exit(main())
