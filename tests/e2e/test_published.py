"""The published catalogue with the real Notify.exe over HTTPS from a loopback host, whose
CA is made for this run and trusted only in this Wine prefix: an accepted copy's message
shows after the local ones and is kept, the next start revalidates and gets 304, refused
copies (tampered, older serial, redirected to plain http) leave the kept copy alone while
the local messages still show, and with the host gone the kept copy still shows."""
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import harness as h

sys.path.insert(0, os.path.join(h.SOURCE_DIR, "tools"))
import published_host as ph  # noqa: E402

APP = "E2E.Published"
PATH = "/ledgerpro/Message.xml"
MIRROR = "/mirror/Message.xml"
LOCAL_SIZE = h.BLUE_POPUP
PUBLISHED_SIZE = (387, 187)   # a 360 x 160 one, so a published popup tells itself apart


def local_message(msg_id):
    return h.message(msg_id, auto_shut=1, style="Blue")


def published(serial, *ids):
    msgs = [h.message(i, auto_shut=1, style="Blue", width=360, content=f"Published {i}") for i in ids]
    return h.catalogue(APP, msgs, root_attrs=f'Serial="{serial}"').encode()


def kept_folder():
    return os.path.join(os.path.dirname(h.cache_file(APP)), "Published")


def kept_copy():
    try:
        with open(os.path.join(kept_folder(), "Message.xml"), "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def last_attempt():
    """The Published element of State.xml as a dict of its attributes."""
    path = os.path.join(os.path.dirname(h.cache_file(APP)), "State.xml")
    h.check(os.path.exists(path), "State.xml was not written")
    node = ET.parse(path).getroot().find("Published")
    h.check(node is not None, "State.xml has no Published element")
    return node.attrib


class Scenario:
    def __init__(self, scratch):
        self.authority = ph.TestAuthority(os.path.join(scratch, "pki"))
        self.key = ph.SigningKey(os.path.join(scratch, "pki"))
        trust = subprocess.run(["wine", os.path.join(h.BUILD_DIR, "bin", "trust_test_ca.exe"),
                                h.win_path(self.authority.ca_der)], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        h.check(trust.returncode == 0, f"the test CA was not trusted in the prefix ({trust.returncode})")
        self.host = ph.Host(self.authority).start()
        self.plain = ph.Host().start()
        self.app = h.app_with_demo_skin(APP, [])
        self.local_ids = ["L1", "L2"]

    def write_local(self, extra=()):
        attrs = (f'Source="{self.host.url(PATH)}" SourceKey="{self.key.source_key}" SourceEvery="0"')
        msgs = [local_message(i) for i in [*self.local_ids, *extra]]
        self.app.write("Message.xml", h.catalogue(APP, msgs, root_attrs=attrs))

    def run(self):
        """Runs Notify.exe to its end; the sizes of the popups that appeared."""
        appeared = h.windows_appearing_during(self.app.start(), 90)
        return {(w, hh) for _, _, w, hh in appeared}

    def close(self):
        self.host.stop()
        self.plain.stop()
        self.app.cleanup()


def accepted_copy_shows_after_the_local_ones(s):
    body = published(1, "P1")
    s.host.publish(PATH, body, s.key.sign(body))
    s.write_local()
    sizes = s.run()
    h.check(h.cache_ids(APP) == ["L1", "L2", "P1"], f"shown and recorded: {h.cache_ids(APP)}")
    h.check(PUBLISHED_SIZE in sizes and LOCAL_SIZE in sizes, f"popups seen: {sizes}")
    h.check(kept_copy() == body, "the accepted copy was not kept byte for byte")
    state = last_attempt()
    h.check(state.get("Outcome") == "accepted" and state.get("Status") == "200", f"State.xml: {state}")
    first = s.host.requests_for(PATH)
    h.check(len(first) == 1, f"{len(first)} requests for the catalogue")
    headers = first[0]
    h.check(headers.get("user-agent", "").startswith("Notify/"), f"User-Agent: {headers.get('user-agent')}")
    h.check("cookie" not in headers and "if-none-match" not in headers, f"first request headers: {headers}")


def next_start_revalidates_and_gets_304(s):
    kept = kept_copy()
    sizes = s.run()
    request = s.host.requests_for(PATH)[-1]
    h.check(request.get("if-none-match") == ph.etag_of(kept), f"the revalidation sent {request}")
    state = last_attempt()
    h.check(state.get("Outcome") == "not modified" and state.get("Status") == "304", f"State.xml: {state}")
    h.check(not sizes and kept_copy() == kept, f"after a 304: popups {sizes}, the kept copy changed")


def refused_copies_keep_the_kept_copy(s):
    good = published(2, "P2")
    tampered = good.replace(b"Published P2", b"Published P9")
    older = published(0, "P0")
    redirected = published(3, "P3")
    s.plain.publish(PATH, redirected, s.key.sign(redirected))
    cases = [
        # name, body, signature, redirect to plain http, outcome
        ("tampered", tampered, s.key.sign(good), False, "refused: bad signature"),
        ("older serial", older, s.key.sign(older), False, "refused: rollback"),
        ("redirect to plain http", good, s.key.sign(good), True, "failed: redirect"),
    ]
    for number, (name, body, signature, to_plain, outcome) in enumerate(cases):
        kept, before = kept_copy(), h.cache_ids(APP)
        s.host.publish(PATH, body, signature)
        s.host.redirects = {PATH: s.plain.url(PATH), PATH + ".sig": s.plain.url(PATH + ".sig")} if to_plain else {}
        local = f"R{number}"
        s.write_local([local])
        sizes = s.run()
        h.check(h.cache_ids(APP) == before + [local], f"{name}: shown {h.cache_ids(APP)}, expected {local} added")
        h.check(PUBLISHED_SIZE not in sizes, f"{name}: a published popup showed")
        h.check(kept_copy() == kept, f"{name}: the kept copy changed")
        h.check(last_attempt().get("Outcome") == outcome, f"{name}: State.xml {last_attempt()}")
    h.check(not s.plain.requests, f"the plain http host was asked: {s.plain.requests}")

    # The same copies are taken when nothing is wrong with them: a good signature with a
    # newer serial, reached through a redirect to https.
    s.host.redirects = {PATH: s.host.url(MIRROR, "localhost"), PATH + ".sig": s.host.url(MIRROR + ".sig", "localhost")}
    s.host.publish(MIRROR, redirected, s.key.sign(redirected))
    before = h.cache_ids(APP)
    s.write_local()
    s.run()
    h.check(h.cache_ids(APP) == before + ["P3"], f"a good copy behind an https redirect: shown {h.cache_ids(APP)}")
    h.check(kept_copy() == redirected, "the good copy was not kept")


def kept_copy_shows_with_the_host_gone(s):
    s.host.stop()
    os.remove(h.cache_file(APP))  # a new seen cache: the kept copy's messages are unseen again
    s.write_local()
    sizes = s.run()
    h.check(h.cache_ids(APP) == ["L1", "L2", "P3"], f"with the host gone: shown {h.cache_ids(APP)}")
    h.check(PUBLISHED_SIZE in sizes, f"popups seen: {sizes}")
    h.check(last_attempt().get("Outcome") == "failed: network", f"State.xml: {last_attempt()}")


def test():
    h.reset_cache()
    scratch = tempfile.mkdtemp(prefix="notify-published-")
    s = None
    try:
        s = Scenario(scratch)
        accepted_copy_shows_after_the_local_ones(s)
        next_start_revalidates_and_gets_304(s)
        refused_copies_keep_the_kept_copy(s)
        kept_copy_shows_with_the_host_gone(s)
    finally:
        if s is not None:
            s.close()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    h.main(test)
