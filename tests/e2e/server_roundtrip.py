#!/usr/bin/python3
"""A round trip through a real CardDAV/CalDAV server.

Radicale serves an address book and a calendar filled with sample items;
vdirsyncer brings them into a vdir, quenlock changes "(503)" to "(458)" in
the phone numbers and in event locations, event and task bodies, vdirsyncer
carries the change back. Every resource read back from the server must differ
from what was uploaded in exactly the lines the run should have changed, and
a second sync must find nothing to do.

usage: server_roundtrip.py QUENLOCK SAMPLE_STORE
Exit status 77 (ctest's SKIP_RETURN_CODE) when radicale or vdirsyncer is not
installed; scripts/quickstart installs both.
"""

import base64
import collections
import datetime
import difflib
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request
import xml.etree.ElementTree as ET

SKIP = 77
USER, PASSWORD = "ann", "secret"  # the server runs without auth: any pair is let in

# Four contacts with "(503)" numbers and two without, three events with "(503)"
# in LOCATION or DESCRIPTION (one of them split by a line fold) and one
# without, a task with "(503)" in its body and one without. No vCard 2.1: the
# server rewrites a 2.1 card on PUT (drops the bare TEL types, decodes
# quoted-printable), so nothing a client saves would survive there anyway.
CONTACTS = ["marta-lindqvist", "priya-ramanathan", "benjamin-achterberg", "owen-pritchard",
            "aisha-bello", "sofia-rossi"]
EVENTS = ["dentist", "vet-checkup", "quarterly-review", "conference"]
TASKS = ["kitchen-permit", "renewal-proposal"]
# Edits to the sample text before upload: a note holding "(503)" that must
# stay (contact Body is not chosen, and an absent flag is not chosen), and a
# task body with "(503)" so TaskBody has something to change.
EDITS = {
    "benjamin-achterberg": (b"NOTE:Emergency maintenance line answers 24 hours.",
                            b"NOTE:Emergency maintenance line (503) 555-0199 answers 24 hours."),
    "kitchen-permit": (b"call Diego at (360) 555-0185", b"call Diego at (503) 555-0185"),
}
WILL_CHANGE = {"marta-lindqvist", "priya-ramanathan", "benjamin-achterberg", "owen-pritchard",
               "dentist", "vet-checkup", "quarterly-review", "kitchen-permit"}

PHONE_FLAGS = ["AssistantsPhone", "BusinessPhone", "BusinessPhone2", "BusinessFax", "CallbackPhone",
               "CarPhone", "CompanyMainPhone", "HomePhone", "HomePhone2", "HomeFax", "MobilePhone",
               "OtherPhone", "OtherFax", "Pager", "PrimaryPhone", "RadioPhone", "TTYPhone"]

# Lines a client or the server may refresh on a save: their value may change,
# to a UTC time stamp, and nothing else about them.
STAMPS = {"REV", "LAST-MODIFIED", "DTSTAMP"}
STAMP_VALUE = re.compile(r"\d{8}T\d{6}Z")


class Failure(Exception):
    pass


# ---- content lines ----------------------------------------------------------

class Line:
    """One logical content line: its raw bytes (folds and line endings as
    stored), the unfolded text, and the path of components it sits in."""

    def __init__(self, path, first):
        self.path = path
        self.raw = first
        self.pieces = [first]

    def finish(self):
        data = self.pieces[0].rstrip(b"\r\n") + b"".join(p.rstrip(b"\r\n")[1:] for p in self.pieces[1:])
        self.text = data.decode("utf-8")
        head, _, self.value = split_line(self.text)
        self.head = head
        self.name = head.split(";", 1)[0].upper()


def split_line(text):
    """name;params, ':', value: the first colon outside a quoted parameter."""
    quoted = False
    for i, c in enumerate(text):
        if c == '"':
            quoted = not quoted
        elif c == ":" and not quoted:
            return text[:i], ":", text[i + 1:]
    return text, "", ""


def lines_of(data):
    out, stack = [], []
    for phys in data.splitlines(keepends=True):
        if phys[:1] in (b" ", b"\t") and out:
            out[-1].raw += phys
            out[-1].pieces.append(phys)
            continue
        word = phys.rstrip(b"\r\n").upper()
        if word.startswith(b"BEGIN:"):
            stack.append(word[6:].decode())
        out.append(Line(tuple(stack), phys))
        if word.startswith(b"END:") and stack:
            stack.pop()
    for line in out:
        line.finish()
    return out


def expected_text(line):
    """The text the run should leave in this line. Phones: "(503)" only as
    the first "(...)" ("Only look in city/area codes"); the event's own
    LOCATION and DESCRIPTION (not an alarm's) and a task's DESCRIPTION: every
    "(503)". Nothing else is looked in."""
    where = line.path[-1] if line.path else ""
    if where == "VCARD" and line.name == "TEL":
        m = re.search(r"\([^)]*\)", line.value)
        if m and m.group(0) == "(503)":
            value = line.value[:m.start()] + "(458)" + line.value[m.end():]
            return line.head + ":" + value
    elif (where == "VEVENT" and line.name in ("LOCATION", "DESCRIPTION")) or \
            (where == "VTODO" and line.name == "DESCRIPTION"):
        return line.head + ":" + line.value.replace("(503)", "(458)")
    return line.text


def fold_like(line, text):
    """text folded where line is folded: a same-length replacement keeps
    every fold (both sides fold at 75 octets), so the bytes are predictable."""
    data, pos, out = text.encode("utf-8"), 0, []
    for i, piece in enumerate(line.pieces):
        body = piece.rstrip(b"\r\n")
        lead = body[:1] if i else b""
        n = len(body) - len(lead)
        out.append(lead + data[pos:pos + n] + piece[len(body):])
        pos += n
    return b"".join(out) if pos == len(data) else None


def will_change(data):
    return any(expected_text(line) != line.text for line in lines_of(data))


def check_change(label, before, after, run_start):
    """Problems between two texts of one item, given the model above: each
    looked-in line rewritten byte for byte as expected, a REV refreshed by the
    save, every other line untouched, and an item without a match identical."""
    if not will_change(before):
        return [] if after == before else [f"{label}: has no match but changed\n" + diff(before, after)]
    old, new = lines_of(before), lines_of(after)
    if [l.path for l in old] != [l.path for l in new] or [l.name for l in old] != [l.name for l in new]:
        return [f"{label}: lines were added, removed or moved\n" + diff(before, after)]
    problems = []
    for o, n in zip(old, new):
        want = expected_text(o)
        if want != o.text:
            if n.raw != fold_like(o, want):
                problems.append(f"{label}: expected {fold_like(o, want)!r}, found {n.raw!r}")
        elif o.name in STAMPS:
            ending = lambda l: l.raw[len(l.raw.rstrip(b"\r\n")):]
            if n.head != o.head or not STAMP_VALUE.fullmatch(n.value) or ending(n) != ending(o) \
                    or len(n.pieces) != 1:
                problems.append(f"{label}: damaged {o.name}: {o.raw!r} -> {n.raw!r}")
            elif o.name == "REV":
                stamp = datetime.datetime.strptime(n.value, "%Y%m%dT%H%M%SZ").replace(tzinfo=datetime.timezone.utc)
                if not run_start <= stamp <= now() + datetime.timedelta(seconds=1):
                    problems.append(f"{label}: REV not refreshed by the save: {n.value}")
        elif n.raw != o.raw:
            problems.append(f"{label}: line changed: {o.raw!r} -> {n.raw!r}")
    return problems


def diff(a, b):
    return "".join(difflib.unified_diff(a.decode("utf-8", "replace").splitlines(True),
                                        b.decode("utf-8", "replace").splitlines(True), "before", "after"))


def now():
    return datetime.datetime.now(datetime.timezone.utc)


# ---- the server -----------------------------------------------------------

class Dav:
    def __init__(self, base):
        self.base = base
        token = base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()
        self.auth = "Basic " + token

    def request(self, method, path, body=None, headers=None):
        req = urllib.request.Request(self.base + path, data=body, method=method,
                                     headers={"Authorization": self.auth, **(headers or {})})
        try:
            with urllib.request.urlopen(req, timeout=30) as r:
                return r.status, r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()

    def expect(self, status, method, path, body=None, headers=None):
        got, data = self.request(method, path, body, headers)
        if got != status:
            raise Failure(f"{method} {path}: HTTP {got}, expected {status}\n{data[:2000]!r}")
        return data

    def mkcol(self, path, kind, ns, displayname, extra=""):
        body = (f'<?xml version="1.0" encoding="utf-8"?><mkcol xmlns="DAV:" xmlns:X="{ns}"><set><prop>'
                f"<resourcetype><collection/><X:{kind}/></resourcetype>"
                f"<displayname>{displayname}</displayname>{extra}</prop></set></mkcol>")
        self.expect(201, "MKCOL", path, body.encode(), {"Content-Type": "application/xml; charset=utf-8"})

    def hrefs(self, path):
        body = b'<?xml version="1.0"?><propfind xmlns="DAV:"><prop><getetag/></prop></propfind>'
        data = self.expect(207, "PROPFIND", path, body, {"Depth": "1", "Content-Type": "application/xml"})
        names = {urllib.parse.unquote(h.text.rstrip("/").rsplit("/", 1)[-1])
                 for h in ET.fromstring(data).iter("{DAV:}href")}
        return names - {path.strip("/").rsplit("/", 1)[-1]}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_radicale(radicale, tmp, env):
    """Radicale on a free loopback port; another process may take the port
    between our probe and its bind, so a start that dies is retried."""
    storage = os.path.join(tmp, "radicale-storage")
    for attempt in range(3):
        port = free_port()
        config = os.path.join(tmp, "radicale.conf")
        with open(config, "w") as f:
            f.write(f"[server]\nhosts = 127.0.0.1:{port}\n[auth]\ntype = none\n"
                    f"[rights]\ntype = owner_only\n[storage]\nfilesystem_folder = {storage}\n"
                    f"[web]\ntype = none\n[logging]\nlevel = warning\n")
        log = open(os.path.join(tmp, f"radicale-{attempt}.log"), "wb")
        proc = subprocess.Popen([radicale, "--config", config], stdout=log, stderr=subprocess.STDOUT,
                                env=env, cwd=tmp)
        dav = Dav(f"http://127.0.0.1:{port}")
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and proc.poll() is None:
            try:
                dav.request("PROPFIND", f"/{USER}/", headers={"Depth": "0"})
                return proc, dav, log
            except (urllib.error.URLError, ConnectionError, OSError):
                time.sleep(0.1)
        proc.kill()
        proc.wait()
        log.close()
        with open(log.name, "rb") as f:
            output = f.read().decode("utf-8", "replace")
        if time.monotonic() >= deadline:
            raise Failure("radicale did not answer within 30 s\n" + output)
    raise Failure("radicale did not start\n" + output)


# ---- vdirsyncer and quenlock --------------------------------------------------

def run(args, env, stdin=None, what=None):
    p = subprocess.run(args, env=env, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                       text=True, timeout=120)
    if p.returncode != 0:
        raise Failure(f"{what or args[0]} exited with {p.returncode}\n{p.stdout}{p.stderr}")
    return p


def vdirsyncer_actions(output):
    return [l for l in output.splitlines() if l.startswith(("Copying", "Deleting"))]


def vdirsyncer_config(tmp, vdir, base):
    text = f'[general]\nstatus_path = "{tmp}/vdirsyncer-status/"\n'
    for pair, dav, ext in (("contacts", "carddav", ".vcf"), ("calendar", "caldav", ".ics")):
        text += (f'\n[pair {pair}]\na = "{pair}_local"\nb = "{pair}_remote"\ncollections = ["from b"]\n'
                 f'\n[storage {pair}_local]\ntype = "filesystem"\npath = "{vdir}/"\nfileext = "{ext}"\n'
                 f'\n[storage {pair}_remote]\ntype = "{dav}"\nurl = "{base}/"\n'
                 f'username = "{USER}"\npassword = "{PASSWORD}"\n')
    path = os.path.join(tmp, "vdirsyncer.conf")
    with open(path, "w") as f:
        f.write(text)
    return path


def snapshot(vdir):
    out = {}
    for coll in ("contacts", "calendar"):
        for name in os.listdir(os.path.join(vdir, coll)):
            with open(os.path.join(vdir, coll, name), "rb") as f:
                out[f"{coll}/{name}"] = f.read()
    return out


def uid_of(data):
    return next(l.value for l in lines_of(data) if l.name == "UID")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    quenlock, samples = os.path.abspath(sys.argv[1]), sys.argv[2]
    search_path = "/usr/bin:" + os.environ.get("PATH", "")
    radicale = shutil.which("radicale", path=search_path)
    vdirsyncer = shutil.which("vdirsyncer", path=search_path)
    if not radicale or not vdirsyncer:
        print("SKIP: radicale or vdirsyncer is not installed "
              "(apt-get install --no-install-recommends radicale vdirsyncer)")
        return SKIP

    started = time.monotonic()
    tmp = tempfile.mkdtemp(prefix="quenlock-e2e-")
    home, vdir = os.path.join(tmp, "home"), os.path.join(tmp, "vdir")
    runtime = os.path.join(tmp, "runtime")
    os.makedirs(home)
    os.makedirs(vdir)
    os.mkdir(runtime, 0o700)
    # Their Python is /usr/bin/python3; a private HOME keeps the user's own
    # configurations out of the way.
    env = {k: v for k, v in os.environ.items() if not k.startswith(("RADICALE_", "VDIRSYNCER_", "XDG_"))}
    env.update(PATH=search_path, HOME=home, XDG_CONFIG_HOME=os.path.join(tmp, "config"),
               XDG_STATE_HOME=os.path.join(tmp, "state"), XDG_DATA_HOME=os.path.join(tmp, "data"),
               XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="offscreen")
    proc = log = None
    try:
        proc, dav, log = start_radicale(radicale, tmp, env)

        # 1. Upload.
        dav.mkcol(f"/{USER}/contacts/", "addressbook", "urn:ietf:params:xml:ns:carddav", "Contacts")
        dav.mkcol(f"/{USER}/calendar/", "calendar", "urn:ietf:params:xml:ns:caldav", "Calendar",
                  '<X:supported-calendar-component-set><X:comp name="VEVENT"/><X:comp name="VTODO"/>'
                  "</X:supported-calendar-component-set>")
        uploaded = {}  # "collection/href" -> bytes
        for coll, sub, ext, names in (("contacts", "contacts", ".vcf", CONTACTS),
                                      ("calendar", "calendar", ".ics", EVENTS), ("calendar", "tasks", ".ics", TASKS)):
            for name in names:
                with open(os.path.join(samples, sub, name + ext), "rb") as f:
                    data = f.read()
                if name in EDITS:
                    old, new = EDITS[name]
                    if data.count(old) != 1:
                        raise Failure(f"sample {name} no longer holds {old!r}")
                    data = data.replace(old, new)
                mime = "text/vcard" if ext == ".vcf" else "text/calendar"
                dav.expect(201, "PUT", f"/{USER}/{coll}/{name}{ext}", data,
                           {"Content-Type": mime + "; charset=utf-8", "If-None-Match": "*"})
                uploaded[f"{coll}/{name}{ext}"] = data
        changing = {k.split("/")[1].rsplit(".", 1)[0] for k, v in uploaded.items() if will_change(v)}
        if changing != WILL_CHANGE:
            raise Failure(f"the chosen samples no longer match as intended: {sorted(changing)}")

        # What the server itself rewrites on PUT: it parses each resource and
        # writes it out again with the properties (and sub-components) of
        # every component in its own order (a few such as VERSION first, the
        # rest by name). Each content line keeps its bytes, folds and CRLF. It does
        # not touch REV, LAST-MODIFIED or DTSTAMP. (Given LF lines, as
        # vdirsyncer's local copies have, it writes CRLF.) So the server's
        # text right after upload is the reference: the same lines as
        # uploaded, in any order within their component, and after the round
        # trip the order stays, since the server sorts the same way again.
        served = {}
        for key, data in uploaded.items():
            served[key] = dav.expect(200, "GET", f"/{USER}/{key}")
            count = lambda d: collections.Counter((l.path, l.raw) for l in lines_of(d))
            if count(served[key]) != count(data):
                raise Failure(f"{key}: the server changed more than the order of lines on PUT\n"
                              + diff(data, served[key]))

        # 2. Into a vdir.
        config = vdirsyncer_config(tmp, vdir, dav.base)
        run([vdirsyncer, "-c", config, "discover"], env, stdin="y\n" * 4, what="vdirsyncer discover")
        run([vdirsyncer, "-c", config, "sync"], env, what="vdirsyncer sync")
        before = snapshot(vdir)
        if len(before) != len(uploaded):
            raise Failure(f"vdirsyncer brought {len(before)} items, not {len(uploaded)}: {sorted(before)}")

        # 3. The run.
        folders = run([quenlock, "folders", "--store", vdir], env).stdout.splitlines()
        rows = sorted(tuple(l.split("\t")) for l in folders)
        if [(r[1], r[3]) for r in rows] != [("calendar", str(len(EVENTS) + len(TASKS))),
                                            ("contacts", str(len(CONTACTS)))]:
            raise Failure(f"quenlock folders: {folders}")
        keys = ["SearchFor=\\(503\\)", "ReplaceWith=(458)", "CaseSensitive=0",
                "SpecialInstructions=Only look in city/area codes", f"FolderCount={len(rows)}"]
        for n, (name, entry, store, _) in enumerate(rows, 1):
            keys += [f"FolderName{n}={name}", f"FolderEntryId{n}={entry}", f"FolderStoreId{n}={store}"]
        keys += [f"{k}=1" for k in PHONE_FLAGS + ["AppointmentLocation", "AppointmentBody", "TaskBody"]]
        run([quenlock, "set", *keys], env)
        run_start = now().replace(microsecond=0)
        result = run([quenlock, "run", "--yes", "--store", vdir], env, what="quenlock run")
        summary = f"Updated {len(WILL_CHANGE)} items in 2 folders"
        if result.stdout.strip() != summary:
            raise Failure(f"quenlock run printed {result.stdout!r}, expected {summary!r}\n{result.stderr}")

        # The vdir as the run left it: the same files, each changed only in the
        # expected lines, its own line endings kept (vdirsyncer writes LF).
        after = snapshot(vdir)
        if sorted(after) != sorted(before):
            raise Failure(f"files appeared or vanished: {sorted(set(after) ^ set(before))}")
        problems = []
        for key in sorted(before):
            problems += check_change("vdir " + key, before[key], after[key], run_start)

        # 4. Back to the server.
        back = run([vdirsyncer, "-c", config, "sync"], env, what="vdirsyncer sync (back)")
        updated = {re.search(r" item (\S+) to ", a).group(1) for a in vdirsyncer_actions(back.stderr + back.stdout)
                   if a.startswith("Copying (updating)") and "_remote/" in a}
        other = [a for a in vdirsyncer_actions(back.stderr + back.stdout)
                 if not (a.startswith("Copying (updating)") and "_remote/" in a)]
        want = {uid_of(v) for k, v in uploaded.items() if will_change(v)}
        if updated != want or other:
            problems.append(f"sync back: updated {sorted(updated)}, expected {sorted(want)}; "
                            f"other actions {other}")

        # 5. Every resource from the server against what it held after upload.
        for coll in ("contacts", "calendar"):
            held = dav.hrefs(f"/{USER}/{coll}/")
            expected = {k.split("/")[1] for k in uploaded if k.startswith(coll + "/")}
            if held != expected:
                problems.append(f"server {coll} holds {sorted(held)}, expected {sorted(expected)}")
        for key in sorted(uploaded):
            final = dav.expect(200, "GET", f"/{USER}/{key}")
            problems += check_change("server " + key, served[key], final, run_start)

        # 6. Nothing left to do.
        again = run([vdirsyncer, "-c", config, "sync"], env, what="vdirsyncer sync (again)")
        if vdirsyncer_actions(again.stderr + again.stdout):
            problems.append("a second sync still had work: " + "; ".join(vdirsyncer_actions(again.stderr + again.stdout)))

        if problems:
            raise Failure("\n".join(problems))
        print(f"round trip of {len(uploaded)} resources, {len(WILL_CHANGE)} changed: "
              f"ok in {time.monotonic() - started:.1f} s")
        return 0
    except Failure as e:
        print(f"FAIL: {e}\n(scratch folder kept: {tmp})", file=sys.stderr)
        tmp = None
        return 1
    finally:
        if proc:
            proc.terminate()
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        if log:
            log.close()
        if tmp:
            shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
