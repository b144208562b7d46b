#!/usr/bin/env python3
"""The live phone's page in a real headless browser: clicks Settings, Zova, Picture and the third
picture, holds the assistant button, and reads the screen off the page. Drives the browser over its
DevTools protocol on a pipe (messages are JSON ended by a NUL byte). Exits 77 when no browser is
installed, so CTest reports the check as skipped."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

BROWSER_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
]
SCREEN_WIDTH = 390
BAR_HEIGHT = 44


class Browser:
    def __init__(self, executable, profile):
        commands_read, self.commands = os.pipe()
        self.replies, replies_write = os.pipe()

        # The browser reads commands on descriptor 3 and answers on 4. Copies first, so that
        # placing one end can't overwrite the other; 3 and 4 are kept through the child's cleanup.
        def place_pipes():
            commands_copy, replies_copy = os.dup(commands_read), os.dup(replies_write)
            os.dup2(commands_copy, 3)
            os.dup2(replies_copy, 4)

        self.process = subprocess.Popen(
            [executable, *BROWSER_FLAGS, "--user-data-dir=" + profile, "--remote-debugging-pipe", "about:blank"],
            pass_fds=(3, 4, commands_read, replies_write), preexec_fn=place_pipes,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(commands_read)
        os.close(replies_write)
        self.next_id = 0
        self.pending = b""
        self.session = None

    def send(self, method, params=None, session=True):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        while True:
            reply = self.read_message()
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(method + ": " + json.dumps(reply["error"]))
                return reply.get("result", {})

    def read_message(self):
        while b"\0" not in self.pending:
            chunk = os.read(self.replies, 65536)
            if not chunk:
                raise RuntimeError("the browser closed its pipe")
            self.pending += chunk
        message, self.pending = self.pending.split(b"\0", 1)
        return json.loads(message)

    def open_page(self, url):
        targets = self.send("Target.getTargets", session=False)["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.send("Target.attachToTarget", {"targetId": page["targetId"], "flatten": True}, session=False)["sessionId"]
        # Room for the whole phone and its buttons: a headless window is smaller by default.
        self.send("Emulation.setDeviceMetricsOverride", {"width": 1400, "height": 1300, "deviceScaleFactor": 1, "mobile": False})
        self.send("Page.navigate", {"url": url})
        wait_for(lambda: self.evaluate("document.readyState") == "complete", "the page to load")

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True, "awaitPromise": True})
        return result.get("result", {}).get("value")

    def mouse(self, kind, x, y):
        self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left", "buttons": 1 if kind == "mousePressed" else 0, "clickCount": 1})

    def click(self, x, y):
        self.mouse("mouseMoved", x, y)
        self.mouse("mousePressed", x, y)
        self.mouse("mouseReleased", x, y)

    def centre_of(self, element_id):
        box = self.evaluate("(() => { const r = document.getElementById('%s').getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; })()" % element_id)
        return box[0], box[1]

    def click_screen(self, x, y):
        box = self.evaluate("(() => { const r = document.getElementById('screen').getBoundingClientRect(); return [r.left, r.top, r.width]; })()")
        ratio = box[2] / SCREEN_WIDTH
        self.click(box[0] + x * ratio, box[1] + y * ratio)

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def wait_for(condition, what, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            if condition():
                return
        except (KeyError, IndexError, TypeError):
            pass
        time.sleep(0.1)
    raise RuntimeError("timed out waiting for " + what)


def main():
    zova_sim = sys.argv[1]
    browser_path = shutil.which("chromium") or shutil.which("chromium-browser")
    if not browser_path:
        print("no headless browser installed: skipped")
        return 77
    work = tempfile.mkdtemp(prefix="zova-browser-")
    root = os.path.join(work, "device")
    server = browser = None
    try:
        subprocess.run([zova_sim, "--root", root, "install"], check=True, stdout=subprocess.DEVNULL)
        server = subprocess.Popen([zova_sim, "--root", root, "serve", "--port", "0"], stdout=subprocess.PIPE, text=True)
        line = server.stdout.readline()
        base = line[line.index("http://"):].split()[0].rstrip("/")

        def state():
            with urllib.request.urlopen(base + "/state") as response:
                return json.load(response)

        def row_centre(index):
            frame = state()["dump"]["rows"][index]["frame"]
            return frame[0] + frame[2] / 2, BAR_HEIGHT + frame[1] + frame[3] / 2

        def row_labelled(label):
            rows = state()["dump"]["rows"]
            return row_centre(next(i for i, row in enumerate(rows) if row["label"] == label))

        def on_page(title):
            wait_for(lambda: state()["dump"]["stack"][-1]["title"] == title or json.dumps(state()["dump"]["stack"]).count('"' + title + '"'), "the page " + title)
            time.sleep(0.6)

        browser = Browser(browser_path, os.path.join(work, "profile"))
        browser.open_page(base + "/")
        browser.click(*browser.centre_of("settings"))
        wait_for(lambda: state()["front"] == "settings", "the Settings app in front")
        on_page("Settings")
        browser.click_screen(*row_labelled("Zova"))
        on_page("Zova")
        browser.click_screen(*row_labelled("Picture"))
        wait_for(lambda: len(state()["dump"]["rows"]) >= 6, "the picture list")
        time.sleep(0.6)
        browser.click_screen(*row_centre(2))
        wait_for(lambda: state()["store"].get("siripic") == 2, "siripic 2 in the store")

        # Held: the assistant shows while the button is down and goes when it is let go.
        x, y = browser.centre_of("assistant")
        browser.mouse("mouseMoved", x, y)
        browser.mouse("mousePressed", x, y)
        wait_for(lambda: state()["front"] == "assistant", "the assistant in front")
        time.sleep(0.8)
        wait_for(lambda: browser.evaluate("document.getElementById('screen').naturalWidth") == SCREEN_WIDTH, "a picture of the screen on the page")
        # The flames light the lower half of the screen: the page's picture shows them.
        brightness = browser.evaluate("""(() => {
            const image = document.getElementById('screen');
            const canvas = document.createElement('canvas');
            canvas.width = image.naturalWidth; canvas.height = image.naturalHeight;
            const context = canvas.getContext('2d');
            context.drawImage(image, 0, 0);
            const pixels = context.getImageData(0, canvas.height / 2, canvas.width, canvas.height / 2).data;
            let sum = 0;
            for (let i = 0; i < pixels.length; i += 4) sum += pixels[i] + pixels[i + 1] + pixels[i + 2];
            return sum / (pixels.length / 4) / 3;
        })()""")
        if not brightness or brightness < 1:
            raise RuntimeError("the page's screen shows nothing (brightness %r)" % brightness)
        browser.mouse("mouseReleased", x, y)
        wait_for(lambda: state()["front"] == "settings", "the assistant gone when the button is let go")
        print("ok: siripic 2 chosen by clicks, the assistant held and let go, the screen read (brightness %.1f)" % brightness)
        return 0
    finally:
        if browser:
            browser.close()
        if server:
            server.terminate()
            server.wait(15)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
