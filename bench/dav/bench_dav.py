#!/usr/bin/python3
"""A run straight against a CardDAV server, against the path through files
and against a floor, on Radicale and Xandikos on loopback.

usage: bench_dav.py QUENLOCK [--count N | --large] [--servers radicale,xandikos]
                             [--connections K] [--count-pass N] [--contenders direct,vdirsyncer,floor]
                             [--rounds R] [--requests]

N generated contacts (default 2,000; --large: 10,000), about 2 in 3 with a
"(503)" number, are loaded into one address book (Radicale: one PUT of the
whole book; Xandikos: one commit into its collection's git tree, made while
it is stopped). The main job's settings then change "(503)" into "(458)".
Each contender starts from a fresh copy of the loaded server:
  - direct: `quenlock run --yes --account NAME` (connections=K in the account);
  - vdirsyncer: `vdirsyncer sync` into an empty folder, `quenlock run` over
    that folder as a store, `vdirsyncer sync` back;
  - floor: this script's own client, making only the reads and the
    conditional PUTs the direct run needs: the book's lookup, then one query
    of the whole book unless the lookup tells it holds over 3 MiB (or its
    answer passes 8 MiB), else a listing query and multigets of about 3 MiB
    of items each (at most 1,000), and a PUT with If-Match for each
    item the run's dry run lists, over K connections.
Printed per contender, the faster of R rounds (default 2; the rounds
alternate the contenders): seconds, items/s, the server's CPU seconds (utime +
stime from /proc), the client's CPU seconds and peak memory (of its processes),
and requests per item by method, counted by a loopback proxy in a second
pass on another fresh copy (of --count-pass contacts, default N), so the
proxy's cost is not in the times (--requests lists them, PUTs aside, by
method, path and Depth). What is set up once is not counted: the direct
run's folder choice, vdirsyncer's discover. Then the ratios direct/floor and direct/vdirsyncer.
"""

import argparse
import collections
import concurrent.futures
import http.client
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "dav"))
import dav_servers as ds  # noqa: E402

BOOK = {"radicale": f"/{ds.USER}/contacts/", "xandikos": "/user/contacts/addressbook/"}
BATCH_BYTES, MOST_IN_BATCH, ANSWER_LIMIT = 3 << 20, 1000, 8 << 20  # the run's reads: a whole book, else batches
TICKS = os.sysconf("SC_CLK_TCK")


def card(i):
    area = "971" if i % 3 == 0 else "503"
    return (f"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-{i:06d}\r\nFN:Person {i}\r\nN:{i};Person;;;\r\n"
            f"ORG:Company {i % 97}\r\nTEL;TYPE=WORK,VOICE:({area}) 555-{i % 10000:04d}\r\n"
            f"TEL;TYPE=CELL:(971) 555-{i % 10000:04d}\r\nEMAIL:person{i}@example.org\r\n"
            f"NOTE:Generated contact {i} for the benchmark.\r\nEND:VCARD\r\n")


def auth(kind):
    return ds.Dav("", auth=kind == "radicale").headers


def server_cpu(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def measured(argv, env):
    """Runs a client; answers its stdout, peak memory (MB) and CPU seconds; fails on an exit status other than 0."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.Popen(argv, env=env, stdout=out, stderr=err)
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        if proc.returncode:
            raise SystemExit(f"{' '.join(argv)}: exit {proc.returncode}\n{err.read().decode()[-12000:]}")
        return out.read().decode(), usage.ru_maxrss / 1024, usage.ru_utime + usage.ru_stime


class Copy:
    """A fresh copy of the loaded server, started; quenlock's home beside it."""

    def __init__(self, kind, seed, work, quenlock, connections):
        shutil.copytree(seed, work, symlinks=True)
        self.kind, self.work, self.connections, self.counter = kind, work, connections, None
        self.proc, self.port = ds.start(kind, work)
        self.host = ds.Host(quenlock, os.path.join(work, "client"))
        self.secret = os.path.join(work, "secret")

    def account(self, port):
        self.host.configure(ds.account("main", port, self.kind, self.secret) + f"connections={self.connections}\n")

    def url(self, port):
        return f"http://127.0.0.1:{port}{BOOK[self.kind]}"

    def stop(self):
        self.proc.terminate()
        self.proc.wait(30)


def seed(kind, root, count, quenlock):
    """Loads COUNT contacts; answers the names of the items the run's dry run would change."""
    os.makedirs(root)
    proc, port = ds.start(kind, root)
    dav = ds.Dav(f"http://127.0.0.1:{port}", auth=kind == "radicale")
    started = time.monotonic()
    if kind == "radicale":
        dav.expect((207,), "PROPFIND", f"/{ds.USER}/", b"", {"Depth": "0"})
        book = "".join(card(i) for i in range(count)).encode()
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=1800)
        conn.request("PUT", BOOK[kind], book, {**auth(kind), "Content-Type": "text/vcard"})
        if conn.getresponse().status not in (200, 201):
            raise SystemExit(f"{kind} did not take the address book")
    else:
        proc.terminate()
        proc.wait(30)
        tree = os.path.join(root, "xandikos-data", BOOK[kind].strip("/"))
        for i in range(count):
            with open(os.path.join(tree, f"bench-{i:06d}.vcf"), "w", newline="") as f:
                f.write(card(i))
        git = ["git", "-C", tree, "-c", "user.name=bench", "-c", "user.email=bench@example.org"]
        subprocess.run(git + ["add", "-A"], check=True)
        subprocess.run(git + ["commit", "-q", "-m", "load"], check=True)
        proc, port = ds.start(kind, root)
    print(f"{kind}: loaded {count} contacts in {time.monotonic() - started:.1f} s")
    with open(os.path.join(root, "secret"), "w") as f:
        f.write(ds.PASSWORD + "\n")
    host = ds.Host(quenlock, os.path.join(root, "seedclient"))
    host.configure(ds.account("main", port, kind, os.path.join(root, "secret")))
    host.choose_folders("--account", "main")
    lines = host("run", "--dry-run", "--json", "--quiet", "--account", "main").stdout.splitlines()
    proc.terminate()
    proc.wait(30)
    shutil.rmtree(os.path.join(root, "seedclient"))
    return sorted({json.loads(line)["item"] for line in lines if line.startswith("{") and '"item"' in line})


# ---- the contenders: each answers (seconds, server CPU seconds, client CPU seconds, peak MB) ----

def direct(copy, port, names):
    # The folders are chosen once, as a setting: not counted as the run's requests.
    copy.account(copy.port)
    name, entry, store, _ = next(row for row in copy.host.choose_folders("--account", "main") if row[1] == BOOK[copy.kind])
    copy.host("set", *ds.SETTINGS, "FolderCount=1", f"FolderName1={name}", f"FolderEntryId1={entry}",
              f"FolderStoreId1={store}")  # the address book alone, as vdirsyncer syncs it
    copy.account(port)
    cpu, started = server_cpu(copy.proc.pid), time.monotonic()
    _, peak, client = measured([copy.host.quenlock, "run", "--yes", "--quiet", "--account", "main"], copy.host.env)
    return time.monotonic() - started, server_cpu(copy.proc.pid) - cpu, client, peak


def vdirsyncer(copy, port, names):
    store = os.path.join(copy.work, "files", "store")
    os.makedirs(os.path.join(store, "contacts"))
    config = os.path.join(copy.work, "vdirsyncer.conf")
    password = f'password = "{ds.PASSWORD}"\nusername = "{ds.USER}"\n' if copy.kind == "radicale" else ""

    with open(config, "w") as f:
        f.write(f'[general]\nstatus_path = "{copy.work}/vdirsyncer-status/"\n'
                f'[pair book]\na = "files"\nb = "server"\ncollections = null\nconflict_resolution = "a wins"\n'
                f'[storage files]\ntype = "filesystem"\npath = "{store}/contacts/"\nfileext = ".vcf"\n'
                f'[storage server]\ntype = "carddav"\nurl = "{copy.url(port)}"\n{password}')
    env = {**copy.host.env, "VDIRSYNCER_CONFIG": config}
    copy.account(port)
    copy.host.choose_folders("--store", store)
    subprocess.run(["vdirsyncer", "discover"], env=env, check=True, capture_output=True, input=b"")
    if copy.counter:  # set up once, as the direct run's folder choice: not the path's requests
        copy.counter.forget()
    cpu, started, peak, client = server_cpu(copy.proc.pid), time.monotonic(), 0, 0
    for argv in (["vdirsyncer", "sync"], [copy.host.quenlock, "run", "--yes", "--quiet", "--store", store],
                 ["vdirsyncer", "sync"]):
        _, used, seconds = measured(argv, env)
        peak, client = max(peak, used), client + seconds
    return time.monotonic() - started, server_cpu(copy.proc.pid) - cpu, client, peak


def floor(copy, port, names):
    listed = os.path.join(copy.work, "changed.json")
    with open(listed, "w") as f:
        json.dump(names, f)
    argv = [sys.executable, os.path.abspath(__file__), "--floor", copy.url(port), copy.kind, listed,
            str(copy.connections)]
    cpu, started = server_cpu(copy.proc.pid), time.monotonic()
    _, peak, client = measured(argv, copy.host.env)
    return time.monotonic() - started, server_cpu(copy.proc.pid) - cpu, client, peak


def floor_client(url, kind, listed, connections):
    """The reads and conditional PUTs the run needs, and nothing else."""
    names, local = set(json.load(open(listed))), threading.local()
    headers = auth(kind)
    host, port, path = re.match(r"http://([^:/]+):(\d+)(/.*)", url).groups()

    def request(method, target, body=None, extra=None):
        if not hasattr(local, "conn"):
            local.conn = http.client.HTTPConnection(host, int(port), timeout=600)
        local.conn.request(method, target, body, {**headers, **(extra or {})})
        reply = local.conn.getresponse()
        return reply.status, reply.read(), reply

    xml = {"Content-Type": "application/xml; charset=utf-8"}
    card = f'xmlns="DAV:" xmlns:C="{ds.CARD}"'
    _, data, _ = request("PROPFIND", path, f'<?xml version="1.0"?><propfind {card}><prop><resourcetype/><displayname/>'
                         f'<getcontentlength/></prop></propfind>'.encode(), {"Depth": "0", **xml})
    total = int(next((e.text for e in ET.fromstring(data).iter("{DAV:}getcontentlength") if e.text), "-1"))

    def answer(body):
        status, data, _ = request("REPORT", path, f'<?xml version="1.0"?>{body}'.encode(), {"Depth": "1", **xml})
        assert status == 207, status
        return data

    def report(body):
        return ET.fromstring(answer(body)).iter("{DAV:}response")

    def changed(responses):
        found = []
        for response in responses:
            href = response.find("{DAV:}href").text
            if href.rsplit("/", 1)[-1] in names:
                text = response.find(f".//{{{ds.CARD}}}address-data").text
                found.append((href, response.find(".//{DAV:}getetag").text, text.replace("\n", "\r\n")))
        return found

    data_prop = "<prop><getetag/><C:address-data/></prop>"

    def multiget(batch):
        return changed(report(f'<C:addressbook-multiget {card}>{data_prop}'
                              + "".join(f"<href>{h}</href>" for h, _ in batch) + "</C:addressbook-multiget>"))

    def put(href, etag, text):
        new = re.sub(r"(?m)^(TEL[^:]*:.*)\(503\)", r"\1(458)", text).encode()
        status, _, _ = request("PUT", href, new, {"If-Match": etag, "Content-Type": "text/vcard; charset=utf-8"})
        assert status in (200, 201, 204), (href, status)

    def whole():  # None when the answer is longer than the run holds
        data = answer(f'<C:addressbook-query {card}>{data_prop}<C:filter/></C:addressbook-query>')
        return changed(ET.fromstring(data).iter("{DAV:}response")) if len(data) <= ANSWER_LIMIT else None

    with concurrent.futures.ThreadPoolExecutor(connections) as pool:
        held = whole() if total <= BATCH_BYTES else None  # a small book, or one of untold size, in one query
        if held is not None:
            reads = [pool.submit(lambda: held)]
        else:
            members = [(r.find("{DAV:}href").text, int(next((e.text for e in r.iter("{DAV:}getcontentlength")
                                                              if e.text), "-1")))
                       for r in report(f'<C:addressbook-query {card}><prop><getcontentlength/></prop>'
                                       '<C:filter/></C:addressbook-query>')
                       if not r.find("{DAV:}href").text.endswith("/")]  # in the server's order, as the run
            average = total // max(1, len(members)) if total > 0 else 1
            batches, size = [[]], 0
            for href, length in members:  # by bytes, as the run's batches
                length = length if length > 0 else average
                if batches[-1] and (size + length > BATCH_BYTES or len(batches[-1]) == MOST_IN_BATCH):
                    batches.append([])
                    size = 0
                batches[-1].append((href, length))
                size += length
            reads = [pool.submit(multiget, b) for b in batches if b]
        puts = [pool.submit(put, *item) for read in reads for item in read.result()]
        for p in puts:
            p.result()
    if len(puts) != len(names):
        raise SystemExit(f"the floor saved {len(puts)} items, the dry run listed {len(names)}")


# ---- the counting pass ----------------------------------------------------------------

class Counting(ds.ProxyHandler):
    upstream_timeout = 1800  # a multiget of a whole large book
    def handle_one(self):
        with self.server.lock:
            self.server.counts[self.command] += 1
            if self.command != "PUT":  # one per changed item, and nothing to learn from their paths
                self.server.seen[f"{self.command} {self.path} Depth {self.headers.get('Depth', '-')}"] += 1
        super().handle_one()

    do_GET = do_PUT = do_PROPFIND = do_REPORT = do_OPTIONS = do_DELETE = handle_one


class Counter(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, upstream_port):
        self.upstream_port, self.dav, self.trick, self.path, self.puts = upstream_port, None, None, None, 0
        self.counts, self.seen, self.lock = collections.Counter(), collections.Counter(), threading.Lock()
        self.forget = lambda: (self.counts.clear(), self.seen.clear())
        super().__init__(("127.0.0.1", 0), Counting)
        threading.Thread(target=self.serve_forever, daemon=True).start()


CONTENDERS = {"direct": direct, "vdirsyncer": vdirsyncer, "floor": floor}


def contend(name, kind, seeded, args, names, work, count=False):
    """The contender on a fresh copy; with count, through the counting proxy: the requests by method."""
    copy = Copy(kind, seeded, work, args.quenlock, args.connections)
    counter = copy.counter = Counter(copy.port) if count else None
    try:
        figures = CONTENDERS[name](copy, counter.server_address[1] if count else copy.port, names)
        if count and args.requests:
            for request, n in sorted(counter.seen.items()):
                print(f"  {'':10} {n:5} x {request}")
        return counter.counts if count else figures
    finally:
        if counter:
            counter.shutdown()
            counter.server_close()
        copy.stop()
        shutil.rmtree(copy.work)


def bench(kind, args, tmp):
    seeded = os.path.join(tmp, kind + "-seed")
    names = seed(kind, seeded, args.count, args.quenlock)
    counting_names = names
    if args.count_pass != args.count:
        counting_seed = os.path.join(tmp, kind + "-seed-counted")
        counting_names = seed(kind, counting_seed, args.count_pass, args.quenlock)
    else:
        counting_seed = seeded
    print(f"{kind}: {args.count} contacts, {len(names)} to change, {args.connections} connections")
    # The rounds alternate the contenders, each on a fresh copy: the server's
    # speed drifts by 15% over minutes, which back-to-back rounds of one
    # contender would charge to it alone.
    rounds, failed = collections.defaultdict(list), {}
    for _ in range(args.rounds):
        for name in args.contenders.split(","):
            if name not in failed:
                try:
                    rounds[name].append(contend(name, kind, seeded, args, names, os.path.join(tmp, name)))
                except SystemExit as e:  # a contender that fails is named, and the others still run
                    failed[name] = e
    times = {}
    for name in args.contenders.split(","):
        if name in failed:
            print(f"  {name:10} failed: {failed[name]}", flush=True)
            continue
        try:
            seconds, cpu, client, _ = min(rounds[name])  # the faster round; the peak is the highest seen
            peak = max(r[3] for r in rounds[name])
            print(f"  {name:10} {seconds:7.1f} s {args.count / seconds:7.1f} items/s  server CPU {cpu:6.1f} s  "
                  f"client CPU {client:6.1f} s  client peak {peak:6.1f} MB  (rounds: "
                  + ", ".join(f"{r[0]:.1f}" for r in rounds[name]) + " s)", flush=True)
            counts = contend(name, kind, counting_seed, args, counting_names, os.path.join(tmp, name), count=True)
        except SystemExit as e:
            print(f"  {name:10} failed: {e}", flush=True)
            continue
        times[name] = seconds
        detail = ", ".join(f"{m} {n / args.count_pass:.3f}" for m, n in sorted(counts.items()))
        print(f"  {'':10} requests per item {sum(counts.values()) / args.count_pass:.3f} ({detail})", flush=True)
    if "direct" in times:
        print("  " + "  ".join(f"direct/{name} {times['direct'] / times[name]:.2f}" for name in times
                               if name != "direct"), flush=True)


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--floor":
        url, kind, listed, connections = sys.argv[2:]
        return floor_client(url, kind, listed, int(connections))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("quenlock", type=os.path.abspath)
    parser.add_argument("--count", type=int, default=2000)
    parser.add_argument("--large", action="store_const", const=10000, dest="count")
    parser.add_argument("--servers", default="radicale,xandikos")
    parser.add_argument("--connections", type=int, default=4)
    parser.add_argument("--count-pass", type=int, default=None)
    parser.add_argument("--contenders", default=",".join(CONTENDERS))
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--requests", action="store_true", help="list the counting pass's requests but PUTs")
    args = parser.parse_args()
    args.count_pass = args.count_pass or args.count
    with tempfile.TemporaryDirectory(prefix="quenlock-bench-dav-") as tmp:
        for kind in args.servers.split(","):
            bench(kind, args, tmp)


if __name__ == "__main__":
    sys.exit(main())
