#!/usr/bin/python3
"""quenlock straight against a CardDAV/CalDAV server, driven through its commands.

The server (radicale or xandikos) is started on a free loopback port and
filled with the sample store: an address book, a calendar and a task list.
Then, with the main job's settings ((503) becoming (458) in the phone
fields, contact notes, appointment locations and bodies, task bodies):

1. the run straight on the server leaves every item as the same run over a
   vdir copy of what the server served leaves its file (REV, LAST-MODIFIED
   and DTSTAMP aside), with the same summary;
2. `undo --last` gives every item back;
3. an item another client saves between the run's read and its write (a
   loopback proxy makes that edit when the run's first PUT passes) is
   reported as changed since it was read, ends the run with exit 1, and
   keeps the other client's edit; a save the server fails (503) ends the
   run with a line naming the item and the status; an item that cannot be
   read gets its line;
4. a server that is down, or plain http to another machine, gives one
   clear line on stderr and exit 1; a wrong password is reported (401), so
   is a certificate not trusted, unless caFile= names it;
5. (radicale) the account logs in with a password taken from
   passwordCommand, and the password is in no file under the test's HOME.

6. the window's two folder pickers (the davpickers program) show the
   account's collections with their counts, and a server that does not
   answer gives a message box.

usage: dav_servers.py QUENLOCK SAMPLE_STORE radicale|xandikos DAVPICKERS
QUENLOCK_SCREENSHOTS=DIR saves the pickers' pictures there.
Exit status 77 (ctest's SKIP_RETURN_CODE) when the server is not installed.
"""

import base64
import http.client
import http.server
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.parse
import urllib.request
import xml.etree.ElementTree as ET

SKIP = 77
USER, PASSWORD = "ann", "Quill-7hx-Marrow"
STAMPS = ("REV", "LAST-MODIFIED", "DTSTAMP")
PHONES = ["AssistantsPhone", "BusinessPhone", "BusinessPhone2", "BusinessFax", "CallbackPhone", "CarPhone",
          "CompanyMainPhone", "HomePhone", "HomePhone2", "HomeFax", "MobilePhone", "OtherPhone", "OtherFax",
          "Pager", "PrimaryPhone", "RadioPhone", "TTYPhone"]
FLAGS = [f"{k}=1" for k in PHONES + ["Body", "AppointmentLocation", "AppointmentBody", "TaskBody"]]
SETTINGS = ["SearchFor=\\(503\\)", "ReplaceWith=(458)", "CaseSensitive=0",
            "SpecialInstructions=Only look in city/area codes"] + FLAGS
CARD, CAL = "urn:ietf:params:xml:ns:carddav", "urn:ietf:params:xml:ns:caldav"


class Failure(Exception):
    pass


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Dav:
    """A plain client of the server, for loading it and reading it back."""

    def __init__(self, base, auth=True):
        self.base = base
        self.headers = {"Authorization": "Basic " + base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()} \
            if auth else {}

    def request(self, method, path, body=None, headers=None):
        url = path if path.startswith("http") else self.base + path
        req = urllib.request.Request(url, data=body, method=method, headers={**self.headers, **(headers or {})})
        try:
            with urllib.request.urlopen(req, timeout=30) as r:
                return r.status, r.read(), r.headers
        except urllib.error.HTTPError as e:
            return e.code, e.read(), e.headers

    def expect(self, statuses, method, path, body=None, headers=None):
        got, data, hdrs = self.request(method, path, body, headers)
        if got not in statuses:
            raise Failure(f"{method} {path}: HTTP {got}, expected {statuses}\n{data[:2000]!r}")
        return data, hdrs

    def mkcol(self, path, kind, ns, name, comps=()):
        extra = ""
        if comps:
            extra = f'<C:supported-calendar-component-set xmlns:C="{CAL}">' + "".join(
                f'<C:comp name="{c}"/>' for c in comps) + "</C:supported-calendar-component-set>"
        body = (f'<?xml version="1.0" encoding="utf-8"?><mkcol xmlns="DAV:" xmlns:X="{ns}"><set><prop>'
                f"<resourcetype><collection/><X:{kind}/></resourcetype>"
                f"<displayname>{name}</displayname>{extra}</prop></set></mkcol>")
        self.expect((201,), "MKCOL", path, body.encode(), {"Content-Type": "application/xml; charset=utf-8"})

    def items(self, path):
        """Every resource of a collection: name → bytes."""
        body = b'<?xml version="1.0"?><propfind xmlns="DAV:"><prop><getetag/></prop></propfind>'
        data, _ = self.expect((207,), "PROPFIND", path, body, {"Depth": "1", "Content-Type": "application/xml"})
        found = {}
        for href in ET.fromstring(data).iter("{DAV:}href"):
            name = urllib.parse.unquote(href.text.rstrip("/").rsplit("/", 1)[-1])
            if href.text.rstrip("/") != path.rstrip("/") and not href.text.endswith("/"):
                found[name] = self.expect((200,), "GET", path + urllib.parse.quote(name))[0]
        return found


# ---- servers ------------------------------------------------------------------

def wait_for(port, proc, log):
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return True
        except OSError:
            time.sleep(0.1)
    raise Failure("the server did not answer within 30 s\n" + open(log, errors="replace").read())


def start(kind, tmp, tls=None):
    """The server on a free loopback port (a start that loses its port is
    retried); tls: (certificate, key) for a Radicale serving https."""
    for attempt in range(3):
        port = free_port()
        log = os.path.join(tmp, f"{kind}-{attempt}.log")
        if kind == "radicale":
            users = os.path.join(tmp, "users")
            with open(users, "w") as f:
                f.write(f"{USER}:{PASSWORD}\n")
            config = os.path.join(tmp, "radicale-tls.conf" if tls else "radicale.conf")
            ssl = f"ssl = True\ncertificate = {tls[0]}\nkey = {tls[1]}\n" if tls else ""
            with open(config, "w") as f:
                f.write(f"[server]\nhosts = 127.0.0.1:{port}\n{ssl}"
                        f"[auth]\ntype = htpasswd\nhtpasswd_filename = {users}\nhtpasswd_encryption = plain\n"
                        f"[rights]\ntype = owner_only\n"
                        f"[storage]\nfilesystem_folder = {os.path.join(tmp, 'radicale-storage')}\n")
            argv = ["/usr/bin/radicale", "--config", config]
        else:
            argv = ["/usr/bin/xandikos", "-d", os.path.join(tmp, "xandikos-data"), "-l", "127.0.0.1",
                    "-p", str(port), "--defaults"]
        proc = subprocess.Popen(argv, stdout=open(log, "wb"), stderr=subprocess.STDOUT, cwd=tmp,
                                env={"PATH": "/usr/bin:/bin", "HOME": tmp, "LC_ALL": "C.UTF-8"})
        if wait_for(port, proc, log):
            return proc, port
    raise Failure(f"{kind} did not start\n" + open(log, errors="replace").read())


def load(kind, dav, samples):
    """The sample collections on the server; answers their paths. A sample
    the server refuses (a vCard 2.1 it cannot take) is left out."""
    if kind == "radicale":
        home = f"/{USER}/"
        dav.expect((207,), "PROPFIND", home, b"", {"Depth": "0"})  # makes the principal's home
        paths = {"contacts": home + "contacts/", "calendar": home + "calendar/", "tasks": home + "tasks/"}
        dav.mkcol(paths["contacts"], "addressbook", CARD, "Contacts")
    else:
        home = "/user/calendars/"
        paths = {"contacts": "/user/contacts/addressbook/", "calendar": home + "calendar/",
                 "tasks": home + "tasks/"}
    if kind == "radicale":
        dav.mkcol(paths["calendar"], "calendar", CAL, "Calendar", ["VEVENT"])
    dav.mkcol(paths["tasks"], "calendar", CAL, "Tasks", ["VTODO"])
    loaded = 0
    for folder, path in paths.items():
        directory = os.path.join(samples, folder)
        for name in sorted(os.listdir(directory)):
            if not name.endswith((".vcf", ".ics")):
                continue
            data = open(os.path.join(directory, name), "rb").read()
            kind_of = "text/vcard" if name.endswith(".vcf") else "text/calendar"
            status, _, _ = dav.request("PUT", path + name, data, {"Content-Type": kind_of})
            loaded += status in (200, 201, 204)
    if loaded < 30:
        raise Failure(f"only {loaded} sample items were taken by the server")
    return paths


# ---- quenlock -------------------------------------------------------------------

class Host:
    def __init__(self, quenlock, root):
        self.quenlock = quenlock
        self.home = os.path.join(root, "home")
        os.makedirs(os.path.join(self.home, ".config", "quenlock"), exist_ok=True)
        runtime = os.path.join(root, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = {**os.environ, "HOME": self.home, "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
                    "XDG_STATE_HOME": os.path.join(self.home, ".state"),
                    "XDG_DATA_HOME": os.path.join(self.home, ".data"), "XDG_RUNTIME_DIR": runtime,
                    "QT_QPA_PLATFORM": "offscreen", "LC_ALL": "C.UTF-8", "TZ": "Europe/Berlin"}

    def configure(self, text):
        with open(os.path.join(self.home, ".config", "quenlock", "host.ini"), "w") as f:
            f.write(text)

    def __call__(self, *args, status=0):
        r = subprocess.run([self.quenlock, *args], env=self.env, capture_output=True, text=True, timeout=300)
        if PASSWORD in r.stdout + r.stderr:
            raise Failure(f"quenlock {' '.join(args)} shows the password:\n{r.stdout}\n{r.stderr}")
        if status is not None and r.returncode != status:
            raise Failure(f"quenlock {' '.join(args)}: exit {r.returncode}, expected {status}\n"
                          f"stdout:\n{r.stdout}\nstderr:\n{r.stderr}")
        return r

    def choose_folders(self, *args):
        rows = [line.split("\t") for line in self("folders", *args).stdout.splitlines()]
        settings = [f"FolderCount={len(rows)}"]
        for n, (name, entry, store, _) in enumerate(rows, 1):
            settings += [f"FolderName{n}={name}", f"FolderEntryId{n}={entry}", f"FolderStoreId{n}={store}"]
        self("set", *SETTINGS, *settings)
        return rows


def content(data):
    """The item's unfolded content lines without time stamps, in order of their text."""
    text = data.decode("utf-8").replace("\r\n", "\n").replace("\n ", "").replace("\n\t", "")
    return sorted(line for line in text.split("\n") if line and not line.split(":")[0].split(";")[0] in STAMPS)


def fetch_all(dav, paths):
    return {(folder, name): data for folder, path in paths.items() for name, data in dav.items(path).items()}


def compare(label, got, want):
    problems = []
    for key in sorted(set(got) | set(want)):
        if key not in got or key not in want:
            problems.append(f"{key}: only {'expected' if key in want else 'found'}")
        elif content(got[key]) != content(want[key]):
            a, b = set(content(got[key])), set(content(want[key]))
            problems.append(f"{key}: found {sorted(a - b)}, expected {sorted(b - a)}")
    if problems:
        raise Failure(f"{label}:\n  " + "\n  ".join(problems))


def check_changed_lines(after, before):
    """An item the run saved differs from the server's bytes before the run
    only in the lines the run rewrote (and time stamps): line breaks and
    every other line as the server sent them."""
    def lines(data):  # unfolded lines, each with its own line break
        return re.sub(rb"\r?\n[ \t]", b"", data).splitlines(keepends=True)

    problems = []
    for key in sorted(set(after) & set(before)):
        if after[key] == before[key]:
            continue
        old, new = lines(before[key]), lines(after[key])
        stray = [line for line in set(old) ^ set(new)
                 if re.split(rb"[;:]", line, 1)[0] not in {s.encode() for s in STAMPS}
                 and b"(503)" not in line and b"(458)" not in line]
        if stray or len(old) != len(new):
            problems.append(f"{key}: {sorted(stray)[:4]}")
    if problems:
        raise Failure("items saved with other lines changed than those the run rewrote:\n  " + "\n  ".join(problems))


class Proxy(http.server.ThreadingHTTPServer):
    """Forwards to the server, and plays one trick on the way:
    "edit": on the first PUT it first saves an edit of that item itself, as
    another client would between the run's read and its write;
    "fail": it answers the first PUT with 503 Busy for Maintenance;
    "noquery": it refuses every addressbook-query and calendar-query;
    "garble": the first item of each multiget answer comes back unreadable;
    "bloat": the first two answers with items' data (a whole collection's,
    then a multiget's) say they are longer than a client may hold at once
    (items with large photos would be), and such answers are counted."""

    def __init__(self, upstream_port, dav, trick):
        self.upstream_port, self.dav, self.trick, self.path, self.puts = upstream_port, dav, trick, None, 0
        self.reports = 0
        super().__init__(("127.0.0.1", 0), ProxyHandler)

    def handle_error(self, request, client_address):
        pass  # quenlock ending while an answer read ahead was on its way


class ProxyHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    upstream_timeout = 30  # seconds the server may take over an answer

    def log_message(self, *args):
        pass

    def answer(self, status, reason, headers, data):
        self.send_response(status, reason)
        for k, v in headers:
            if k.lower() not in ("transfer-encoding", "connection", "content-length"):
                self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def handle_one(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        server = self.server
        server.puts += self.command == "PUT"
        first_put = self.command == "PUT" and server.path is None
        if first_put:
            server.path = self.path
        if server.trick == "noquery" and self.command == "REPORT" and b"-query" in body:
            return self.answer(501, "Not Implemented", [], b"")
        if first_put and server.trick == "fail":
            return self.answer(503, "Busy for Maintenance", [], b"")
        if first_put and server.trick == "edit":
            current, _ = server.dav.expect((200,), "GET", self.path)
            edited = current.replace(b"END:VCARD", b"NOTE:edited by another client\r\nEND:VCARD", 1)
            edited = edited.replace(b"END:VEVENT", b"COMMENT:edited by another client\r\nEND:VEVENT", 1)
            server.dav.expect((200, 201, 204), "PUT", self.path, edited)
        conn = http.client.HTTPConnection("127.0.0.1", server.upstream_port, timeout=self.upstream_timeout)
        conn.request(self.command, self.path, body, {k: v for k, v in self.headers.items()
                                                     if k.lower() not in ("host", "connection", "accept-encoding")})
        reply = conn.getresponse()
        data = reply.read()
        if self.command == "REPORT" and server.trick == "garble":
            at = data.find(b"BEGIN:V")
            if at >= 0:
                data = data[:at] + b"BEGIN:XGARBLED" + data[at + len(b"BEGIN:VCARD"):]
                server.path = re.findall(rb"<[^>]*href>([^<]*)<", data[:at])[-1].decode()
        if self.command == "REPORT" and server.trick == "bloat" and re.search(rb"(address|calendar)-data", body):
            server.reports += 1
            if server.reports <= 2:  # a comment after the first tag: still a well-formed answer
                data = data.replace(b">", b"><!--" + b" " * (9 << 20) + b"-->", 1)
        self.answer(reply.status, reply.reason, reply.getheaders(), data)
        conn.close()

    do_GET = do_PUT = do_PROPFIND = do_REPORT = do_OPTIONS = do_DELETE = handle_one


class Elsewhere(http.server.ThreadingHTTPServer):
    """Another server: it notes the Authorization headers it is sent and
    answers 401 asking for Basic credentials, or, given a target, redirects
    every request there (307)."""

    def __init__(self, target=None):
        self.target, self.authorizations = target, []
        super().__init__(("127.0.0.1", 0), ElsewhereHandler)
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def close(self):
        self.shutdown()
        self.server_close()


class ElsewhereHandler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def handle_one(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if self.headers.get("Authorization"):
            self.server.authorizations.append(self.headers["Authorization"])
        if self.server.target:
            self.send_response(307)
            self.send_header("Location", self.server.target + self.path)
        else:
            self.send_response(401)
            self.send_header("WWW-Authenticate", 'Basic realm="elsewhere"')
        self.send_header("Content-Length", "0")
        self.end_headers()

    do_GET = do_PUT = do_PROPFIND = do_REPORT = do_OPTIONS = handle_one


def check_redirect_elsewhere(host, secret):
    """A redirect to another server (here another port) is not followed:
    the account's password goes to its own server only."""
    spy = Elsewhere()
    redirector = Elsewhere(f"http://127.0.0.1:{spy.server_address[1]}")
    try:
        host.configure(account("main", redirector.server_address[1], "radicale", secret))
        r = host("folders", "--account", "main", status=1)
        lines = r.stderr.strip().splitlines()
        if spy.authorizations or redirector.authorizations[:1] != [
                "Basic " + base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()]:
            raise Failure(f"credentials went to {spy.authorizations} elsewhere")
        if len(lines) != 1 or f"127.0.0.1:{spy.server_address[1]}" not in lines[0]:
            raise Failure(f"a redirect to another server gave:\n{r.stderr}")
    finally:
        spy.close()
        redirector.close()


def with_proxy(host, port, kind, secret, dav, trick, *args, status):
    proxy = Proxy(port, dav, trick)
    threading.Thread(target=proxy.serve_forever, daemon=True).start()
    try:
        host.configure(account("main", proxy.server_address[1], kind, secret))
        return host(*args, status=status), proxy
    finally:
        proxy.shutdown()
        proxy.server_close()


def check_failures(host, port, kind, secret, dav):
    """Another client's edit, a server failing a save, an item that cannot be
    read, a multiget answer too long to hold, a server that is down, plain
    http to another machine."""
    host.configure(account("main", port, kind, secret))
    preview = host("run", "--dry-run", "--quiet", "--account", "main").stdout
    r, proxy = with_proxy(host, port, kind, secret, dav, "bloat", "run", "--dry-run", "--quiet",
                          "--account", "main", status=0)
    if r.stdout != preview or proxy.reports < 6:  # 3 collections: 3 reads if none was asked again
        raise Failure(f"with an answer too long to hold, {proxy.reports} reads gave:\n{r.stdout}")
    r, _ = with_proxy(host, port, kind, secret, dav, "noquery", "run", "--dry-run", "--quiet", "--account", "main",
                      status=0)
    if r.stdout != preview:
        raise Failure(f"a server that takes no query gave:\n{r.stdout}")

    r, proxy = with_proxy(host, port, kind, secret, dav, "edit", "run", "--yes", "--quiet", "--account", "main",
                         status=1)
    path = proxy.path
    if not path or "was changed by another program after it was read; it was not saved" not in r.stderr \
            or urllib.parse.unquote(path.rsplit("/", 1)[-1]) not in r.stderr:
        raise Failure(f"the edit of {path} by another client was not reported:\n{r.stderr}")
    now, _ = dav.expect((200,), "GET", path)
    if b"edited by another client" not in now or b"(458)" in now:
        raise Failure(f"{path} lost the other client's edit:\n{now.decode()}")

    r, proxy = with_proxy(host, port, kind, secret, dav, "fail", "run", "--yes", "--quiet", "--account", "main",
                          status=1)
    path = proxy.path
    if "503 Busy for Maintenance" not in r.stderr or urllib.parse.unquote(path.rsplit("/", 1)[-1]) not in r.stderr:
        raise Failure(f"a save the server refused was not reported with its item and status:\n{r.stderr}")

    r, proxy = with_proxy(host, port, kind, secret, dav, "garble", "run", "--dry-run", "--quiet",
                          "--account", "main", status=None)
    path, puts = proxy.path, proxy.puts
    if puts:
        raise Failure(f"run --dry-run sent {puts} PUT requests")
    name = urllib.parse.unquote(path.rsplit("/", 1)[-1]) if path else "?"
    if not any("cannot be read:" in line and name in line for line in r.stderr.splitlines()):
        raise Failure(f"an item that cannot be read ({name}) was not named:\n{r.stderr}")

    for ini, wanted in ((account("main", free_port(), kind, secret), "cannot be reached"),
                        ("[Account main]\nurl=http://dav.example.org/\n", "unencrypted")):
        host.configure(ini)
        for args in (["folders", "--account", "main"], ["run", "--yes", "--quiet", "--account", "main"]):
            r = host(*args, status=1)
            lines = r.stderr.strip().splitlines()
            if len(lines) != 1 or wanted not in lines[0]:
                raise Failure(f"quenlock {' '.join(args)} with {ini!r} said:\n{r.stderr}")
    if kind == "radicale":
        host.configure(account("main", port, kind, secret).replace(f"cat '{secret}'", "echo wrong"))
        r = host("folders", "--account", "main", status=1)
        if "401" not in r.stderr:
            raise Failure(f"a wrong password gave:\n{r.stderr}")
        check_redirect_elsewhere(host, secret)


def check_certificates(host, tmp, secret):
    """A server whose certificate the system does not trust is refused,
    naming the host and why; caFile= makes it trusted."""
    cert, key = os.path.join(tmp, "cert.pem"), os.path.join(tmp, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                    "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert],
                   check=True, capture_output=True)
    proc, port = start("radicale", tmp, (cert, key))
    try:
        ini = account("main", port, "radicale", secret).replace("http://", "https://")
        host.configure(ini)
        r = host("folders", "--account", "main", status=1)
        if "https://127.0.0.1" not in r.stderr or "cannot be trusted" not in r.stderr:
            raise Failure(f"an untrusted certificate gave:\n{r.stderr}")
        host.configure(ini + f"caFile={cert}\n")
        host("folders", "--account", "main")
    finally:
        proc.terminate()
        proc.wait(10)


def check_pickers(pickers, port, kind, secret, rows, env):
    user, command = (USER, f"cat '{secret}'") if kind == "radicale" else ("", "")
    argv = [pickers, f"http://127.0.0.1:{port}/", user, command, f"http://127.0.0.1:{free_port()}/"]
    if os.environ.get("QUENLOCK_SCREENSHOTS"):
        argv.append(os.environ["QUENLOCK_SCREENSHOTS"])
    r = subprocess.run(argv, env=env, capture_output=True, text=True, timeout=120)
    shown = [line.split("\t") for line in r.stdout.splitlines()]
    want = sorted(f"home/{name}\t{count}" for name, _, _, count in rows)
    for picker in ("one", "multi"):
        got = sorted(f"{row[1]}\t{row[2]}" for row in shown if row[0] == picker)
        if got != want:
            raise Failure(f"the {picker} folder picker showed {got}, expected {want}\n{r.stderr}")
    messages = [row[1] for row in shown if row[0] == "message"]
    if r.returncode != 0 or len(messages) != 1 or "cannot be reached" not in messages[0]:
        raise Failure(f"a server that does not answer gave {messages} in the picker (exit {r.returncode})"
                      f"\n{r.stderr}")


def account(name, port, kind, secret):
    text = f"[Account {name}]\nurl=http://127.0.0.1:{port}/\n"
    if kind == "radicale":
        text += f"username={USER}\npasswordCommand=cat '{secret}'\n"
    return text


def main():
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    quenlock, samples, kind, pickers = sys.argv[1:]
    if not os.path.exists(f"/usr/bin/{kind}"):
        print(f"SKIP: {kind} is not installed (scripts/quickstart installs it)")
        return SKIP
    with tempfile.TemporaryDirectory(prefix=f"quenlock-dav-{kind}-") as tmp:
        proc, port = start(kind, tmp)
        try:
            dav = Dav(f"http://127.0.0.1:{port}", auth=kind == "radicale")
            paths = load(kind, dav, samples)
            before = fetch_all(dav, paths)
            secret = os.path.join(tmp, "key ring", "secret")  # outside the test's HOME; quoted in host.ini
            os.makedirs(os.path.dirname(secret))
            with open(secret, "w") as f:
                f.write(PASSWORD + "\n")

            # The same run over files: a vdir of what the server serves.
            files = Host(quenlock, os.path.join(tmp, "files"))
            store = os.path.join(tmp, "files", "store")
            for (folder, name), data in before.items():
                os.makedirs(os.path.join(store, folder), exist_ok=True)
                with open(os.path.join(store, folder, name), "wb") as f:
                    f.write(data)
            file_rows = files.choose_folders("--store", store)
            file_run = files("run", "--yes", "--quiet", "--store", store).stdout.strip()
            expected = {(folder, name): open(os.path.join(store, folder, name), "rb").read()
                        for folder, name in before}

            host = Host(quenlock, os.path.join(tmp, "dav"))
            host.configure(account("main", port, kind, secret))
            rows = host.choose_folders("--account", "main")
            if sorted(r[1] for r in rows) != sorted(paths.values()) or any(r[2] != "main" for r in rows):
                raise Failure(f"folders --account main listed {rows}, expected {sorted(paths.values())}")
            check_pickers(pickers, port, kind, secret, rows, host.env)
            preview = host("run", "--dry-run", "--quiet", "--account", "main").stdout.splitlines()[-1]
            if preview != file_run.replace("Updated", "Would update"):
                raise Failure(f"the dry run said {preview!r}, the file run {file_run!r}")
            compare("after the dry run", fetch_all(dav, paths), before)
            dav_run = host("run", "--yes", "--quiet", "--account", "main").stdout.strip()
            if dav_run != file_run:
                raise Failure(f"the run on the server said {dav_run!r}, over files {file_run!r}")
            after = fetch_all(dav, paths)
            compare("after the run (against the same run over files)", after, expected)
            check_changed_lines(after, before)
            host("undo", "--last", "--yes", "--quiet", "--account", "main")
            compare("after undo --last", fetch_all(dav, paths), before)
            # runs names the account as the store of the run and its undo;
            # a run over files names its folders as configured.
            runs = host("runs").stdout
            for who, listed, want in ((host, runs, [f"main/{r[0]}" for r in rows]),
                                      (files, files("runs").stdout, [r[0] for r in file_rows])):
                shown = [line.split("\t")[6] for line in listed.splitlines()]
                if not shown or any(folders != ", ".join(want) for folders in shown):
                    raise Failure(f"runs listed the folders {shown}, expected {', '.join(want)}")

            check_failures(host, port, kind, secret, dav)

            # The password stays out of every file the program wrote.
            if kind == "radicale":
                check_certificates(host, tmp, secret)
                for folder, _, names in os.walk(host.home):
                    for name in names:
                        if PASSWORD.encode() in open(os.path.join(folder, name), "rb").read():
                            raise Failure(f"the password is written in {os.path.join(folder, name)}")
            print(f"{kind}: {len(before)} items; {file_run}; runs:\n{runs}")
            return 0
        except Failure as e:
            print(f"FAIL ({kind}): {e}", file=sys.stderr)
            return 1
        finally:
            proc.terminate()
            proc.wait(10)


if __name__ == "__main__":
    sys.exit(main())
