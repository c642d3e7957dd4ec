#!/usr/bin/env python3
"""The study report in a real browser (headless Chromium, driven through its
DevTools protocol on a pipe): a simulated learner's report loads with no
error in the console and no request for anything but the page itself, and
each chart has a mark for every simulated day (or week, or row). A control
page that does fetch something must be caught, so the watch is known to see.
Leaves report.png (the whole page) in the output folder.

Usage: report_in_browser.py REPORT_SIM_WRITER OUTPUT_FOLDER"""
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import pathlib
import select
import time

BROWSER_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--remote-debugging-pipe"]


class Browser:
    """Chromium with the protocol on fds 3 (commands in) and 4 (answers out),
    each message ending in a NUL. Commands go one at a time: each waits for
    its answer, keeping the events that come meanwhile."""

    def __init__(self, profile):
        exe = shutil.which("chromium") or shutil.which("chromium-browser")
        if not exe:
            sys.exit("chromium is not installed (scripts/setup.sh installs it)")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def wire():
            a, b = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(a, 3)
            os.dup2(b, 4)

        self.process = subprocess.Popen([exe, *BROWSER_FLAGS, "--user-data-dir=" + profile, "about:blank"],
                                        preexec_fn=wire, pass_fds=(3, 4), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.next_id = 0
        self.events = []
        self.unread = b""

    def _read(self, found, timeout):
        """Reads messages until one is found(message) and answers it; None
        when `timeout` passes first."""
        deadline = time.time() + timeout
        while True:
            while b"\0" not in self.unread:
                left = deadline - time.time()
                if left <= 0 or not select.select([self.from_browser], [], [], left)[0]:
                    return None
                chunk = os.read(self.from_browser, 1 << 16)
                if not chunk:
                    raise RuntimeError("the browser ended")
                self.unread += chunk
            text, self.unread = self.unread.split(b"\0", 1)
            message = json.loads(text)
            if "id" not in message:
                self.events.append(message)
            if found(message):
                return message

    def send(self, method, params=None, session=None, timeout=30):
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            request["sessionId"] = session
        os.write(self.to_browser, json.dumps(request).encode() + b"\0")
        answer = self._read(lambda m: m.get("id") == self.next_id, timeout)
        if answer is None:
            raise TimeoutError(method)
        if "error" in answer:
            raise RuntimeError(f"{method}: {answer['error']}")
        return answer["result"]

    def open_page(self, url):
        """A new tab watched from before it loads `url`; answers its session."""
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Page", "Network", "Runtime", "Log"):
            self.send(domain + ".enable", session=session)
        self.viewport(session, 1000)
        self.send("Page.navigate", {"url": url}, session)
        loaded = lambda m: m.get("method") == "Page.loadEventFired" and m.get("sessionId") == session  # noqa: E731
        if not any(map(loaded, self.events)) and self._read(loaded, 30) is None:
            raise TimeoutError("the page's load")
        self._read(lambda m: False, 0.3)  # late console messages
        return session

    def viewport(self, session, height):
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": 860, "height": height, "deviceScaleFactor": 1, "mobile": False}, session)

    def troubles(self, session, page_url):
        """Console errors, exceptions and requests for anything but the page."""
        found = []
        for e in (e for e in self.events if e.get("sessionId") == session):
            p = e.get("params", {})
            if e["method"] == "Runtime.consoleAPICalled" and p.get("type") in ("error", "assert", "warning"):
                found.append("console: " + json.dumps(p.get("args"), ensure_ascii=False))
            elif e["method"] == "Runtime.exceptionThrown":
                found.append("exception: " + json.dumps(p.get("exceptionDetails"), ensure_ascii=False))
            elif e["method"] == "Log.entryAdded" and p["entry"]["level"] in ("error", "warning"):
                found.append("log: " + p["entry"]["text"])
            elif e["method"] == "Network.requestWillBeSent" and p["request"]["url"] != page_url:
                found.append("request: " + p["request"]["url"])
        return found

    def close(self):
        try:
            self.send("Browser.close", timeout=10)
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()


MARKS_SCRIPT = """JSON.stringify(Object.fromEntries([...document.querySelectorAll('[data-chart]')].map(s =>
  [s.dataset.chart, [...s.querySelectorAll('.mark')].filter(m => {
     const box = m.getBoundingClientRect(); return box.width > 0 && box.height > 0;
   }).map(m => +m.dataset.key)])))"""


def main():
    writer, out = sys.argv[1], pathlib.Path(sys.argv[2])
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    data = out / "data"
    data.mkdir()
    lines = subprocess.run([writer, str(data)], check=True, capture_output=True, text=True).stdout.splitlines()
    page = pathlib.Path(lines[0])
    expected = {line.split()[0]: sorted(set(int(k) for k in line.split()[1:])) for line in lines[1:]}
    page_url = page.as_uri()
    control = out / "control.html"
    control.write_text('<!DOCTYPE html><meta charset="utf-8"><img src="http://127.0.0.1:9/x.png">'
                       '<link rel="stylesheet" href="https://127.0.0.1:9/a.css">', encoding="utf-8")

    failures = []
    with tempfile.TemporaryDirectory(prefix="kestran-chromium-") as profile:
        browser = Browser(profile)
        try:
            session = browser.open_page(page_url)
            failures += browser.troubles(session, page_url)
            marks = json.loads(browser.send("Runtime.evaluate", {"expression": MARKS_SCRIPT, "returnByValue": True},
                                            session)["result"]["value"])
            for chart, keys in expected.items():
                got = sorted(set(marks.get(chart, [])))
                if got != keys:
                    failures.append(f"{chart}: marks for {got}, expected {keys}")
            height = browser.send("Page.getLayoutMetrics", session=session)["cssContentSize"]["height"]
            browser.viewport(session, int(height))
            shot = browser.send("Page.captureScreenshot", {"format": "png"}, session)["data"]
            (out / "report.png").write_bytes(base64.b64decode(shot))

            control_session = browser.open_page(control.as_uri())
            caught = browser.troubles(control_session, control.as_uri())
            if not any(t.startswith("request: http://127.0.0.1:9/") for t in caught):
                failures.append("the control page's outside request was not seen: " + repr(caught))
        finally:
            browser.close()

    print(f"page: {page} ({page.stat().st_size} bytes); screenshot: {out / 'report.png'}")
    print("marks:", {chart: len(keys) for chart, keys in expected.items()})
    if failures:
        print("\n".join("FAIL " + f for f in failures))
        return 1
    print("ok: no console error, no outside request, every simulated day marked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
