#!/usr/bin/python3
"""A run straight against Radicale on loopback, timed.

usage: bench_dav.py QUENLOCK [COUNT]   (default 2000 contacts)

Starts Radicale on a free loopback port, loads COUNT generated contacts into
one address book (one PUT of the whole book), every one with a "(503)"
number, and times with the main job's phone settings:
  - `quenlock run --dry-run` (discovery, the listing, every item read by
    multiget and searched, nothing written): items/s reading;
  - `quenlock run --yes` (the same, and a PUT with If-Match per contact);
    the writing rate is the changed items over the run's time beyond the
    dry run's;
  - the requests each run makes per item, counted by a loopback proxy in a
    second pass (the proxy's own cost is not in the times above).
"""

import http.client
import http.server
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

PHONES = ["BusinessPhone", "HomePhone", "MobilePhone", "BusinessFax"]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def card(i):
    return (f"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-{i:06d}\r\nFN:Person {i}\r\nN:{i};Person;;;\r\n"
            f"ORG:Company {i % 97}\r\nTEL;TYPE=WORK,VOICE:(503) 555-{i % 10000:04d}\r\n"
            f"TEL;TYPE=CELL:(971) 555-{i % 10000:04d}\r\nEMAIL:person{i}@example.org\r\n"
            f"NOTE:Generated contact {i} for the benchmark.\r\nEND:VCARD\r\n")


class Counter(http.server.ThreadingHTTPServer):
    def __init__(self, upstream):
        self.upstream, self.counts, self.lock = upstream, {}, threading.Lock()
        super().__init__(("127.0.0.1", 0), Forward)


class Forward(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def forward(self):
        with self.server.lock:
            self.server.counts[self.command] = self.server.counts.get(self.command, 0) + 1
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        conn = http.client.HTTPConnection("127.0.0.1", self.server.upstream, timeout=120)
        conn.request(self.command, self.path, body,
                     {k: v for k, v in self.headers.items() if k.lower() not in ("host", "connection")})
        reply = conn.getresponse()
        data = reply.read()
        self.send_response(reply.status, reply.reason)
        for k, v in reply.getheaders():
            if k.lower() not in ("transfer-encoding", "connection", "content-length"):
                self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)
        conn.close()

    do_GET = do_PUT = do_PROPFIND = do_REPORT = forward


def main():
    quenlock = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    with tempfile.TemporaryDirectory(prefix="quenlock-bench-dav-") as tmp:
        port = free_port()
        config = os.path.join(tmp, "radicale.conf")
        with open(config, "w") as f:
            f.write(f"[server]\nhosts = 127.0.0.1:{port}\n[auth]\ntype = none\n[rights]\ntype = owner_only\n"
                    f"[storage]\nfilesystem_folder = {tmp}/storage\n[logging]\nlevel = warning\n")
        server = subprocess.Popen(["/usr/bin/radicale", "--config", config], cwd=tmp,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(300):
                try:
                    socket.create_connection(("127.0.0.1", port), timeout=1).close()
                    break
                except OSError:
                    time.sleep(0.1)
            auth = {"Authorization": "Basic YmVuY2g6eA=="}  # bench:x
            started = time.monotonic()
            book = "".join(card(i) for i in range(count)).encode()
            req = urllib.request.Request(f"http://127.0.0.1:{port}/bench/contacts/", data=book, method="PUT",
                                         headers={**auth, "Content-Type": "text/vcard"})
            urllib.request.urlopen(req, timeout=600).read()
            print(f"loaded {count} contacts in one PUT: {time.monotonic() - started:.1f} s")

            env = {**os.environ, "XDG_CONFIG_HOME": f"{tmp}/config", "XDG_STATE_HOME": f"{tmp}/state",
                   "XDG_DATA_HOME": f"{tmp}/data", "QT_QPA_PLATFORM": "offscreen"}
            os.makedirs(f"{tmp}/config/quenlock")

            def configure(at):
                with open(f"{tmp}/config/quenlock/host.ini", "w") as f:
                    f.write(f"[Account bench]\nurl=http://127.0.0.1:{at}/\nusername=bench\n"
                            f"passwordCommand=echo x\n")

            def q(*args):
                t = time.monotonic()
                r = subprocess.run([quenlock, *args], env=env, capture_output=True, text=True)
                if r.returncode != 0:
                    raise SystemExit(f"quenlock {' '.join(args)}: exit {r.returncode}\n{r.stderr}")
                return time.monotonic() - t, (r.stdout.strip().splitlines() or [""])[-1]

            configure(port)
            q("set", "SearchFor=\\(503\\)", "ReplaceWith=(458)", "FolderCount=1", "FolderName1=contacts",
              "FolderEntryId1=/bench/contacts/", "FolderStoreId1=bench",
              "SpecialInstructions=Only look in city/area codes", *[f"{p}=1" for p in PHONES])
            dry, said = q("run", "--dry-run", "--quiet")
            print(f"run --dry-run: {dry:.2f} s, {count / dry:.0f} items/s reading ({said})")
            real, said = q("run", "--yes", "--quiet")
            print(f"run --yes: {real:.2f} s ({said}); {count / (real - dry):.0f} items/s writing "
                  f"beyond the dry run's reading, {count / real:.0f} items/s over the whole run")
            undo, said = q("undo", "--last", "--yes", "--quiet")
            print(f"undo --last: {undo:.2f} s, {count / undo:.0f} items/s ({said})")

            counter = Counter(port)
            threading.Thread(target=counter.serve_forever, daemon=True).start()
            configure(counter.server_address[1])
            for label, args in (("run --dry-run", ["run", "--dry-run", "--quiet"]),
                                ("run --yes", ["run", "--yes", "--quiet"])):
                counter.counts = {}
                q(*args)
                total = sum(counter.counts.values())
                detail = ", ".join(f"{k} {v}" for k, v in sorted(counter.counts.items()))
                print(f"{label}: {total} requests for {count} items, {total / count:.3f} per item ({detail})")
            counter.shutdown()
        finally:
            server.terminate()
            server.wait(10)


if __name__ == "__main__":
    main()
